#pragma once

#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <optional>
#include <vector>

#include "discovery/discovery_manager.h"
#include "discovery/ui/search_host.h"
#include "discovery/ui/search_page.h"
#include "platform/tick_clock.h"
#include "platform/time_scale.h"
#include "support/fakes/fake_socket.h"
#include "support/reply_builder.h"
#include "window/page_navigation.h"

// A wizard that only counts its loadings.
struct RecordingWizard : IDeviceWizard {
    void LoadDeviceStatus() override { ++loads; }
    int loads = 0;
};

// For trying the search page on its own, without the program's state, a main window or a
// wizard: a discovery manager over fake sockets (nothing reaches a network) that its own
// timer steps at the program's pacing, the adapters and the temporary address that the
// test sets, and a record of every Connect, which opens `wizard`.
class FakeSearchHost : public ISearchHost {
public:
    FakeSearchHost() : discovery(sockets, MonotonicTickClock::Instance()) {
        discovery.SetFirewallReader([this] { return firewall; });
        QObject::connect(&timer, &QTimer::timeout,
                         [this] { discovery.OnDiscoveryTimer(DiscoveryManager::kTimerId); });
        timer.start(static_cast<int>(time_scale::ToRealMs(DiscoveryManager::kTimerPeriodMs)));
    }

    DiscoveryManager* Discovery() override { return &discovery; }
    std::optional<std::vector<AdapterInfo>> ReadAdapters() const override { return adapters; }
    IDeviceWizard* ConnectTo(const FoundDevice& device) override {
        connected.push_back(device);
        return &wizard;
    }
    std::optional<HostAddressContext> TempAddressFor(Ipv4 device) const override {
        return device == tempAddressFor ? tempAddress : std::nullopt;
    }

    // The discovery manager's socket.
    FakeSocketState& Socket() { return *sockets.states.front(); }

    FakeSocketFactory sockets;
    DiscoveryManager discovery;
    QTimer timer;
    std::optional<std::vector<AdapterInfo>> adapters;
    HostFirewallState firewall;
    std::vector<FoundDevice> connected;
    RecordingWizard wizard;
    // The temporary address through which the PC reaches the repeater at `tempAddressFor`.
    Ipv4 tempAddressFor = 0;
    std::optional<HostAddressContext> tempAddress;
};

// The search page on a FakeSearchHost over the whole of a 700 by 500 frame, shown: its
// first search runs.
struct SearchPageOnFakeHost {
    SearchPageOnFakeHost() : page(host, &frame) {
        frame.resize(700, 500);
        page.Create();
        page.setGeometry(frame.rect());
        frame.show();
        page.ShowWindow(true);
    }

    // Answers the running search with `devices` once its first request is out.
    bool Answer(const std::vector<ReplyFields>& devices) {
        if (!QTest::qWaitFor([&] { return !host.Socket().broadcasts.empty(); }, 5000)) {
            return false;
        }
        for (const ReplyFields& device : devices) {
            host.Socket().DeliverDatagram(AsString(BuildReply(device)));
        }
        return true;
    }
    bool WaitForResult() {
        return QTest::qWaitFor([&] { return page.ScanButton()->isEnabled(); }, 15000);
    }

    FakeSearchHost host;
    QWidget frame;
    SearchPage page;
};
