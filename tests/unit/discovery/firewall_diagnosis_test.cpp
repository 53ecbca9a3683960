#include "discovery/firewall_diagnosis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "discovery/discovery_manager.h"
#include "support/fakes/fake_answer_watch.h"
#include "support/fakes/fake_socket.h"
#include "support/fakes/fake_tick_clock.h"
#include "support/reply_builder.h"

namespace {

class FirewallDiagnosisTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeAnswerWatchState> state = std::make_shared<FakeAnswerWatchState>();
    FirewallDiagnosis diagnosis{std::make_unique<FakeAnswerWatch>(state)};
};

TEST_F(FirewallDiagnosisTest, DroppedAreTheSendersSeenOnTheWireThatNeverReachedTheSocket) {
    diagnosis.SearchStarted();
    state->arrived = 3;
    diagnosis.AnswerReceived(0xC0A80101);
    diagnosis.AnswerReceived(0xC0A80101);  // three answers of one repeater count once
    diagnosis.AnswerReceived(0xC0A80101);
    EXPECT_EQ(diagnosis.SearchEnded(), 2u);

    // Every answer came in: nothing dropped; a second end says nothing more.
    diagnosis.SearchStarted();
    state->arrived = 2;
    diagnosis.AnswerReceived(0xC0A80101);
    diagnosis.AnswerReceived(0xC0A80102);
    EXPECT_EQ(diagnosis.SearchEnded(), 0u);
    EXPECT_EQ(diagnosis.SearchEnded(), 0u);
    EXPECT_EQ(state->stops, 2);

    // A socket that heard more than the watch (an answer before it started) drops nothing.
    diagnosis.SearchStarted();
    state->arrived = 0;
    diagnosis.AnswerReceived(0xC0A80103);
    EXPECT_EQ(diagnosis.SearchEnded(), 0u);
}

TEST_F(FirewallDiagnosisTest, BackToBackSearchesAreWatchedOnceAndAnswersOutsideAWatchDoNotCount) {
    diagnosis.AnswerReceived(0xC0A80101);  // before any search
    diagnosis.SearchStarted();
    diagnosis.SearchStarted();
    EXPECT_EQ(state->starts, 1);
    state->arrived = 1;
    EXPECT_EQ(diagnosis.SearchEnded(), 1u);
}

TEST_F(FirewallDiagnosisTest, AWatchThatCannotRunOrNoWatchAtAllSaysNothingWasDropped) {
    state->startSucceeds = false;
    state->arrived = 5;
    diagnosis.SearchStarted();
    EXPECT_EQ(diagnosis.SearchEnded(), 0u);
    EXPECT_EQ(state->stops, 0);

    FirewallDiagnosis without(nullptr);
    without.SearchStarted();
    without.AnswerReceived(0xC0A80101);
    EXPECT_EQ(without.SearchEnded(), 0u);
}

TEST(FirewallDiagnosisText, TheLineCountsTheRepeatersAndNamesTheCommandOfTheFirewallInUse) {
    EXPECT_EQ(ExplainDroppedAnswers(1, HostFirewall::kUfw),
              L"1 repeater answered, but this computer's firewall dropped its answer. Let the "
              L"answers in with: sudo ufw allow tamsel.");
    const std::wstring firewalld = ExplainDroppedAnswers(3, HostFirewall::kFirewalld);
    EXPECT_EQ(firewalld.find(L"3 repeaters answered, but this computer's firewall dropped their "
                             L"answers. Let the answers in with: sudo firewall-cmd "
                             L"--add-service=tamsel (once more with --permanent"),
              0u);
    EXPECT_EQ(firewalld.find(L"ufw"), std::wstring::npos);
    const std::wstring either = ExplainDroppedAnswers(2, HostFirewall::kUnknown);
    EXPECT_NE(either.find(L"sudo ufw allow tamsel"), std::wstring::npos);
    EXPECT_NE(either.find(L"sudo firewall-cmd --add-service=tamsel"), std::wstring::npos);
}

// The firewall in use, from what every user may read: ufw's setting, firewalld's process.
TEST(HostFirewallTest, UfwWhenEnabledFirewalldWhenItRunsNeitherOrBothUnknown) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("tamsel-fw-" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "etc/ufw");
    std::filesystem::create_directories(root / "proc/1");
    std::ofstream(root / "proc/1/comm") << "systemd\n";
    const auto write = [&](const std::filesystem::path& path, const std::string& text) {
        std::ofstream(root / path, std::ios::trunc) << text;
    };
    const auto read = [&] { return ReadHostFirewall(root.string()); };
    EXPECT_EQ(read().InUse(), HostFirewall::kUnknown);
    EXPECT_FALSE(read().Any());
    write("etc/ufw/ufw.conf", "# ufw.conf\nENABLED=no\nLOGLEVEL=low\n");
    EXPECT_EQ(read().InUse(), HostFirewall::kUnknown);
    EXPECT_FALSE(read().Any());
    write("etc/ufw/ufw.conf", "# ufw.conf\n\nENABLED=yes\nLOGLEVEL=low\n");
    EXPECT_EQ(read().InUse(), HostFirewall::kUfw);
    EXPECT_TRUE(read().ufwEnabled && !read().firewalldRunning);
    std::filesystem::create_directories(root / "proc/4242");
    write("proc/4242/comm", "firewalld\n");
    EXPECT_EQ(read().InUse(), HostFirewall::kUnknown);
    EXPECT_TRUE(read().ufwEnabled && read().firewalldRunning);
    write("etc/ufw/ufw.conf", "ENABLED=no\n");
    EXPECT_EQ(read().InUse(), HostFirewall::kFirewalld);
    std::filesystem::remove_all(root);
}

// Without a count of the answers, the active front end is named as the likely cause, with
// its own command; with none active there is nothing to say.
TEST(FirewallDiagnosisText, TheLikelyCauseNamesTheActiveFrontEndAndItsCommand) {
    EXPECT_EQ(ExplainLikelyFirewall({}), L"");
    EXPECT_EQ(ExplainLikelyFirewall({true, false}),
              L"This computer's firewall, ufw, may have dropped the repeaters' answers. Let the "
              L"answers in with: sudo ufw allow tamsel.");
    const std::wstring firewalld = ExplainLikelyFirewall({false, true});
    EXPECT_EQ(firewalld.find(L"This computer's firewall, firewalld, may have dropped the "
                             L"repeaters' answers. Let the answers in with: sudo firewall-cmd "
                             L"--add-service=tamsel"),
              0u);
    EXPECT_EQ(firewalld.find(L"ufw"), std::wstring::npos);
    const std::wstring both = ExplainLikelyFirewall({true, true});
    EXPECT_EQ(both.find(L"This computer's firewalls, ufw and firewalld,"), 0u);
    EXPECT_NE(both.find(L"sudo ufw allow tamsel"), std::wstring::npos);
    EXPECT_NE(both.find(L"sudo firewall-cmd --add-service=tamsel"), std::wstring::npos);
}

// The discovery manager names the likely firewall only where a stateful filter explains
// the silence: after a broadcast search that found nothing and whose answers nobody
// counted.
TEST(DiscoveryManagerFirewallTest, TheLikelyFirewallFollowsAnEmptyUncountedBroadcastSearchOnly) {
    FakeTickClock clock{5000};
    FakeSocketFactory sockets;
    DiscoveryManager manager{sockets, clock};
    HostFirewallState firewall{true, false};
    manager.SetFirewallReader([&firewall] { return firewall; });
    const auto run = [&] {
        for (int tick = 0; tick < 100 && manager.GetRequestCount() > 0; ++tick) {
            manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
            clock.Advance(DiscoveryManager::kTimerPeriodMs);
        }
    };
    const std::wstring ufw = ExplainLikelyFirewall(firewall);

    EXPECT_EQ(manager.LikelyFirewallNote(), L"");  // before any search
    manager.QueueSearch(L"1");
    EXPECT_EQ(manager.LikelyFirewallNote(), L"");  // while it runs
    run();
    EXPECT_EQ(manager.LikelyFirewallNote(), ufw);
    firewall = {};
    EXPECT_EQ(manager.LikelyFirewallNote(), L"");  // read again: ufw has been disabled
    firewall = {true, false};

    // A repeater answered: the firewall let it in.
    manager.QueueSearch(L"1");
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    sockets.states.front()->DeliverDatagram(AsString(BuildReply({})), "192.168.1.1");
    run();
    EXPECT_EQ(manager.GetDeviceCount(), 1);
    EXPECT_EQ(manager.LikelyFirewallNote(), L"");

    // An answer to a search at an address comes from the address asked.
    manager.ClearDevices();
    manager.QueueAddressSearch(L"1", SearchTarget{0xC0A80107, 32});
    run();
    EXPECT_EQ(manager.GetDeviceCount(), 0);
    EXPECT_EQ(manager.LikelyFirewallNote(), L"");

    // A search cut short tells nothing.
    manager.QueueSearch(L"1");
    manager.ClearRequests();
    EXPECT_EQ(manager.LikelyFirewallNote(), L"");

    // A watch that ran counted the answers: its count says it, not a guess.
    auto state = std::make_shared<FakeAnswerWatchState>();
    manager.WatchForDroppedAnswers(std::make_unique<FakeAnswerWatch>(state));
    manager.QueueSearch(L"1");
    run();
    EXPECT_EQ(manager.DroppedAnswers(), 0u);
    EXPECT_EQ(manager.LikelyFirewallNote(), L"");
    // One that could not start counted nothing: the guess again.
    state->startSucceeds = false;
    manager.QueueSearch(L"1");
    run();
    EXPECT_EQ(manager.LikelyFirewallNote(), ufw);
}

// The discovery manager watches every search when given a watch: answers reach it through
// the socket, and the end of the last queued search tells how many were dropped.
TEST(DiscoveryManagerFirewallTest, TheEndOfTheSearchesTellsHowManyRepeatersAnswersWereDropped) {
    FakeTickClock clock{5000};
    FakeSocketFactory sockets;
    DiscoveryManager manager{sockets, clock};
    auto state = std::make_shared<FakeAnswerWatchState>();
    const auto run = [&] {
        for (int tick = 0; tick < 100 && manager.GetRequestCount() > 0; ++tick) {
            manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
            clock.Advance(DiscoveryManager::kTimerPeriodMs);
        }
    };

    // Without a watch nothing is told.
    manager.QueueSearch(L"1");
    run();
    EXPECT_EQ(manager.DroppedAnswers(), 0u);
    EXPECT_EQ(manager.DroppedAnswersNote(), L"");

    manager.WatchForDroppedAnswers(std::make_unique<FakeAnswerWatch>(state));
    manager.QueueSearch(L"1");
    manager.QueueAddressSearch(L"1", SearchTarget{0xC0A80107, 32});
    EXPECT_EQ(state->starts, 1);
    manager.OnDiscoveryTimer(DiscoveryManager::kTimerId);
    FakeSocketState& socket = *sockets.states.front();
    socket.DeliverDatagram(AsString(BuildReply({})), "192.168.1.1");
    socket.DeliverDatagram(AsString(BuildReply({})).substr(0, 423), "192.168.1.9");  // no answer
    state->arrived = 3;
    run();
    EXPECT_EQ(state->stops, 1);
    EXPECT_EQ(manager.DroppedAnswers(), 2u);
    EXPECT_NE(manager.DroppedAnswersNote().find(L"2 repeaters answered"), std::wstring::npos);

    // The next search starts from nothing; one cut short tells nothing.
    manager.QueueSearch(L"1");
    EXPECT_EQ(manager.DroppedAnswers(), 0u);
    manager.ClearRequests();
    EXPECT_EQ(state->stops, 2);
    EXPECT_EQ(manager.DroppedAnswers(), 0u);
}

}  // namespace
