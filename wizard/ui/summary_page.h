#pragma once

#include <vector>

class QPushButton;
class WebPageOpener;

#include "wizard/ui/wizard_page.h"

// The status summary page (menu entry "Repeater"), the first page the wizard shows: the
// thirteen values of the device status record, LAN side (MAC address, firmware, IP
// address, subnet mask, DHCP server) and wireless and upstream side (mode, security, IP
// address, SSID, subnet mask, gateway, two DNS servers). The captions are part of the
// page picture; the labels hold the values only. "Open web page" opens the device's own
// pages in the browser. It sends no command of its own: the
// values are those the last reads left in the record, shown again at every show.
class SummaryPage : public WizardPage {
    Q_OBJECT

public:
    static constexpr int kValueCount = 13;

    SummaryPage(IWizardHost& host, QWidget* parent);

    // Copies the thirteen fields of the status record into the labels.
    void RefreshStatus();

    // The value labels in the record's order, MAC address (control 1126) to DNS 2 (1138).
    MarkupLabel* ValueLabel(int index) const { return m_values.at(static_cast<size_t>(index)); }
    QPushButton* WebPageButton() const { return m_webPage; }
    WebPageOpener& Opener() const { return *m_opener; }

    // Opens the device's web page in the browser; when the PC reaches the device through
    // a temporary address, a notice says that the address stays while the wizard is
    // connected and goes at the end.
    void OpenWebPage();

protected:
    // Places the value labels and empties them.
    void LayOut() override;
    void OnShown() override { RefreshStatus(); }

private:
    QPushButton* m_webPage;
    std::vector<MarkupLabel*> m_values;
    WebPageOpener* m_opener;
};
