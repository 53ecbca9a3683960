#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <string>

#include "app/program_state.h"
#include "window/dialog_window.h"
#include "window/page_navigation.h"
#include "wizard/ui/wizard_page_id.h"

class WizardFrame;
class SearchPage;

// The main window: borderless, 700 by 500 pixels, with a task bar entry. It owns the
// search page and the device wizard's frame, which cover its whole surface, hands them the
// program's state, runs the state's managers' timers, and is how the pages reach one
// another (the page navigation). Ending the dialog tears the managers and then the pages
// down, in a fixed order.
class MainWindow : public DialogWindow, public IPageNavigation {
    Q_OBJECT

public:
    static constexpr int kWidth = 700;
    static constexpr int kHeight = 500;
    static constexpr int kDiscoveryTimerId = 9997;
    static constexpr uint32_t kDiscoveryTimerMs = 300;
    static constexpr int kWebTimerId = 9999;
    static constexpr uint32_t kWebTimerMs = 800;
    // The one model the wizard supports, compared exactly (case and blanks count).
    static constexpr const wchar_t* kSupportedModel = L"KV-Q3150Tx";
    static constexpr int kComeForwardLimitMs = 1000;

    // `state` outlives the window.
    explicit MainWindow(ProgramState& state);
    ~MainWindow() override;

    ProgramState& State() const { return m_state; }

    // Brings the window forward for a second start of the program, handing the desktop
    // that start's activation token (maybe empty), and tells `answered` whether the desktop
    // made it the active window (within kComeForwardLimitMs).
    void ComeForward(const QByteArray& token, std::function<void(bool shown)> answered);
    // Null before the window is created and after its teardown.
    SearchPage* Search() const { return m_searchPage; }
    // The wizard the last Connect opened; null before any and after the teardown.
    WizardFrame* Wizard() const { return m_wizard; }

    // Opens the device wizard for the device just selected, replacing a wizard opened
    // before, and shows it instead of the search page. For any model but the supported one
    // it ends the main dialog with 0 (the program closes without a message) and returns
    // null.
    IDeviceWizard* OpenDeviceWizard(const std::wstring& model, const std::wstring& ipAddress,
                                    const std::wstring& subnetMask) override;
    void ReturnToSearchPage() override;
    void ShowMenuEntry(MenuEntry entry) override;
    // Shows `page` of the open wizard and hides its other pages.
    void ShowWizardPage(WizardPageId page);

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnDestroy() override;

private:
    void CenterOnScreen();

    ProgramState& m_state;
    SearchPage* m_searchPage = nullptr;
    WizardFrame* m_wizard = nullptr;
};
