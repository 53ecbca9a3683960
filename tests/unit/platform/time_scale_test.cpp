#include "platform/time_scale.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/tick_clock.h"

namespace {

class TimeScaleTest : public ::testing::Test {
protected:
    void TearDown() override {
        time_scale::SetFactor(1);
        unsetenv("TAMSEL_TIME_SCALE");
    }
};

TEST_F(TimeScaleTest, WaitsShrinkButNeverToNothing) {
    EXPECT_EQ(time_scale::ToRealMs(44000), 44000u);
    time_scale::SetFactor(100);
    EXPECT_EQ(time_scale::ToRealMs(44000), 440u);
    EXPECT_EQ(time_scale::ToRealMs(50), 1u);
    EXPECT_EQ(time_scale::ToRealMs(0), 0u);
    time_scale::SetFactor(0);
    EXPECT_EQ(time_scale::Factor(), 1u);
}

TEST_F(TimeScaleTest, TheTickCountRunsFasterByTheFactor) {
    MonotonicTickClock& clock = MonotonicTickClock::Instance();
    time_scale::SetFactor(1000);
    const uint32_t before = clock.GetTickCount();
    ThreadSleeper::Instance().SleepMs(20000);  // 20 ms of real time
    EXPECT_GE(clock.GetTickCount() - before, 20000u);
}

#ifdef TAMSEL_TIME_SCALE_HOOK
TEST_F(TimeScaleTest, TheEnvironmentHookTakesOnlyAPlausibleWholeNumber) {
    for (const char* bad : {"", "0", "abc", "12x", "100000", "-5"}) {
        setenv("TAMSEL_TIME_SCALE", bad, 1);
        time_scale::SetFactorFromEnvironment();
        EXPECT_EQ(time_scale::Factor(), 1u) << bad;
    }
    setenv("TAMSEL_TIME_SCALE", "50", 1);
    time_scale::SetFactorFromEnvironment();
    EXPECT_EQ(time_scale::Factor(), 50u);
}
#else
TEST_F(TimeScaleTest, ABuildWithoutTheHookIgnoresTheEnvironment) {
    setenv("TAMSEL_TIME_SCALE", "50", 1);
    time_scale::SetFactorFromEnvironment();
    EXPECT_EQ(time_scale::Factor(), 1u);
}
#endif

}  // namespace
