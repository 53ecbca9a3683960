#include "platform/linux/termination_cleanup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

[[noreturn]] void WaitToBeKilled() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

void Say(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

class TerminationCleanupDeathTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_P(TerminationCleanupDeathTest, RunsCallbacksNewestFirstThenDiesByTheSignal) {
    const int signal = GetParam();
    EXPECT_EXIT(
        {
            TerminationCleanup cleanup;
            cleanup.Add([] { Say("first-added "); });
            cleanup.Add([] { Say("second-added "); });
            // A thread started afterwards inherits the block and never takes the signal.
            std::thread worker(WaitToBeKilled);
            worker.detach();
            kill(getpid(), signal);
            WaitToBeKilled();
        },
        ::testing::KilledBySignal(signal), "second-added first-added");
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationCleanupDeathTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP));

TEST(CleanupRegistrationDeathTest, RemovedCallbackDoesNotRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TerminationCleanup cleanup;
            const int removed = cleanup.Add([] { Say("removed "); });
            cleanup.Add([] { Say("kept "); });
            cleanup.Remove(removed);
            kill(getpid(), SIGTERM);
            WaitToBeKilled();
        },
        ::testing::KilledBySignal(SIGTERM), "^kept $");
}

TEST(CleanupRegistrationDeathTest, SignalIgnoredAtStartStaysIgnored) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGHUP, SIG_IGN);
            TerminationCleanup cleanup;
            cleanup.Add([] { Say("cleaned "); });
            kill(getpid(), SIGHUP);
            kill(getpid(), SIGTERM);
            WaitToBeKilled();
        },
        ::testing::KilledBySignal(SIGTERM), "^cleaned $");
}

TEST(TerminationCleanup, DestructionStopsTheThreadAndRestoresTheMask) {
    sigset_t before;
    pthread_sigmask(SIG_SETMASK, nullptr, &before);
    {
        TerminationCleanup cleanup;
        EXPECT_TRUE(cleanup.Active());
        sigset_t during;
        pthread_sigmask(SIG_SETMASK, nullptr, &during);
        EXPECT_TRUE(sigismember(&during, SIGTERM));
    }
    sigset_t after;
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    EXPECT_EQ(sigismember(&after, SIGTERM), sigismember(&before, SIGTERM));
}

}  // namespace
