#include "window/web_page_opener.h"

#include <QWidget>

#include <algorithm>

#include "platform/url_opener.h"
#include "platform/utf8_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/notice_box.h"

WebPageOpener::WebPageOpener(QWidget* page) : QObject(page), m_page(page) {
    m_reapTimer.setInterval(kReapPeriodMs);
    connect(&m_reapTimer, &QTimer::timeout, this, [this] { Reap(); });
}

WebPageOpener::~WebPageOpener() {
    // An opener still running when the page goes is collected by nobody else; one last
    // look collects those that have ended.
    Reap();
}

bool WebPageOpener::Open(Ipv4 device, const std::optional<HostAddressContext>& temporary) {
    const std::string url = DeviceWebUrl(device);
    const int pid = OpenWithDesktop(url);
    if (pid < 0) {
        ShowNotice(m_page, FormatString(kTextNoUrlOpener, {Utf8ToWide(url)}));
        return false;
    }
    m_pids.push_back(pid);
    m_reapTimer.start();
    if (temporary) {
        ShowNotice(m_page, FormatString(kTextWebPageTempAddress, {FormatIpv4(temporary->address)}));
    }
    return true;
}

void WebPageOpener::Reap() {
    std::erase_if(m_pids, [](int pid) { return ReapOpener(pid); });
    if (m_pids.empty()) {
        m_reapTimer.stop();
    }
}
