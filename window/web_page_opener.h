#pragma once

#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

#include "platform/ipv4.h"

class QWidget;

// Opens a repeater's web page in the browser through the desktop's URL opener (never a
// shell), for the search page's device list and the wizard's status page. The opener is
// not waited for: it is reaped once it has ended, so it leaves no zombie. When none can
// be started, a notice gives the user the URL to open by hand.
class WebPageOpener : public QObject {
public:
    // How often ended openers are looked for while any is outstanding.
    static constexpr int kReapPeriodMs = 1000;

    explicit WebPageOpener(QWidget* page);
    ~WebPageOpener() override;

    // Hands the device's URL to the opener; false (and the notice shown) when no opener
    // could be started.
    bool Open(Ipv4 device);

    // Openers started and not yet reaped.
    size_t Outstanding() const { return m_pids.size(); }

private:
    void Reap();

    QWidget* m_page;
    std::vector<int> m_pids;
    QTimer m_reapTimer;
};
