#include "hostnet/host_place_wait.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/fakes/fake_tick_clock.h"

namespace {

// A set-up that fails as full for the first `fullTimes` calls, then succeeds (or fails for
// another reason).
class ScriptedSetup : public IHostAddressSetup {
public:
    HostSetupResult PrepareHostAddress(const std::wstring&, const std::wstring&) override {
        ++calls;
        if (calls <= fullTimes) {
            return HostSetupResult::Unreachable({HostSetupFailure::Kind::kHostFull, L"full"});
        }
        return otherFailure.Known() || failUnknown ? HostSetupResult::Unreachable(otherFailure)
                                                   : HostSetupResult::BindTo(L"192.168.1.241");
    }
    void CancelSetup() override {}
    bool RemoveTempAddress() override { return false; }

    int fullTimes = 0;
    int calls = 0;
    bool failUnknown = false;
    HostSetupFailure otherFailure;
};

class HostPlaceWaitTest : public ::testing::Test {
protected:
    HostPlaceWaitTest() : sleeper(clock) {}

    HostSetupResult Prepare(HostPlaceWaitOptions options = {}) {
        HostPlaceWait wait(setup, clock, sleeper, options, [](uint32_t most) { return most / 2; });
        return wait.Prepare(L"192.168.1.200", L"255.255.255.0", [this] { ++announced; });
    }

    FakeTickClock clock;
    AdvancingSleeper sleeper;
    ScriptedSetup setup;
    int announced = 0;
};

TEST_F(HostPlaceWaitTest, AFreeHostIsSetUpAtOnceWithoutAWaitingLine) {
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(setup.calls, 1);
    EXPECT_EQ(announced, 0);
    EXPECT_TRUE(sleeper.sleeps.empty());
}

TEST_F(HostPlaceWaitTest, AFullHostIsAskedAgainAfterPacedPausesAndTheLineComesOnce) {
    setup.fullTimes = 3;
    EXPECT_EQ(Prepare(), HostSetupResult::BindTo(L"192.168.1.241"));
    EXPECT_EQ(setup.calls, 4);
    EXPECT_EQ(announced, 1);
    // Two seconds and a share of the half second of jitter each time.
    EXPECT_THAT(sleeper.sleeps, ::testing::ElementsAre(2250u, 2250u, 2250u));
}

TEST_F(HostPlaceWaitTest, TheWaitEndsAtItsLimitWithTheFullFailure) {
    setup.fullTimes = 1000;
    HostPlaceWaitOptions options;
    options.limitMs = 5000;
    const HostSetupResult result = Prepare(options);
    EXPECT_FALSE(result.Reached());
    EXPECT_EQ(result.Failure().kind, HostSetupFailure::Kind::kHostFull);
    // 2250 + 2250 + the 500 left of the limit, then one last try.
    EXPECT_THAT(sleeper.sleeps, ::testing::ElementsAre(2250u, 2250u, 500u));
    EXPECT_EQ(setup.calls, 4);
}

TEST_F(HostPlaceWaitTest, OtherFailuresAreNotWaitedOut) {
    setup.otherFailure = {HostSetupFailure::Kind::kNotInGroup, L"join"};
    EXPECT_EQ(Prepare().Failure().kind, HostSetupFailure::Kind::kNotInGroup);
    setup.calls = 0;
    setup.otherFailure = {};
    setup.failUnknown = true;
    EXPECT_FALSE(Prepare().Reached());
    EXPECT_EQ(setup.calls, 1);
    EXPECT_TRUE(sleeper.sleeps.empty());
    EXPECT_EQ(announced, 0);
}

TEST_F(HostPlaceWaitTest, ACancelEndsTheWait) {
    setup.fullTimes = 1000;
    HostPlaceWait wait(setup, clock, sleeper, {}, nullptr);
    sleeper.onSleep = [&wait] { wait.Cancel(); };
    EXPECT_FALSE(wait.Prepare(L"192.168.1.200", L"255.255.255.0", nullptr).Reached());
    EXPECT_EQ(setup.calls, 1);
}

}  // namespace
