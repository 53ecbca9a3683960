#pragma once

#include <QObject>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/ipv4.h"

class QWidget;

// Opens a repeater's web page in the browser through the desktop's URL opener (never a
// shell), for the search page's device list and the wizard's status page. The opener is
// not waited for: it is reaped once it has ended, so it leaves no zombie. When none can
// be started, a notice gives the user the URL to open by hand; when the browser reaches
// the repeater only through a temporary address of this PC's, a notice names it.
class WebPageOpener : public QObject {
public:
    // How often ended openers are looked for while any is outstanding.
    static constexpr int kReapPeriodMs = 1000;

    explicit WebPageOpener(QWidget* page);
    ~WebPageOpener() override;

    // Hands the device's URL to the opener. `temporary`: the temporary address through
    // which this PC reaches the device, which the notice names, saying that it stays while
    // the wizard is connected and goes at the end. False (and the URL's notice shown) when
    // no opener could be started.
    bool Open(Ipv4 device, const std::optional<HostAddressContext>& temporary = std::nullopt);

    // Openers started and not yet reaped.
    size_t Outstanding() const { return m_pids.size(); }

private:
    void Reap();

    QWidget* m_page;
    std::vector<int> m_pids;
    QTimer m_reapTimer;
};
