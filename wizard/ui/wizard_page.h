#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/metered_socket.h"
#include "web/request_catalogue.h"
#include "web/survey_parser.h"
#include "window/skinned_page.h"
#include "wizard/task_driver.h"

class CMarkupStatic;
class CQ3150Tx_MessageDlg;
class CQ3150Tx_Progress;
class IWebCommandSink;

// The progress dialog's texts for the waits while the device restarts.
inline constexpr wchar_t kRebootingText[] = L"Rebooting....";
inline constexpr wchar_t kUpgradingText[] = L"Upgrading....";

// What a wizard page reaches of the wizard around it. The frame provides it; a test can
// provide its own, to try a page on its own.
class IWizardHost {
public:
    virtual ~IWizardHost() = default;

    // Where the page queues its commands (with the functions of web/device_commands.h);
    // every queued command starts the frame's result timer, whose task driver hands the
    // result back through the hooks below.
    virtual IWebCommandSink& Commands() = 0;
    // The device the wizard was opened for: address, subnet mask and login.
    virtual DeviceTarget Target() const = 0;
    // The wizard's two modal dialogs.
    virtual CQ3150Tx_Progress& Progress() = 0;
    virtual CQ3150Tx_MessageDlg& Messages() = 0;
    // How far the request of the upload being sent has got to the device (bytes out of
    // the request's total); zeros while no upload is on its way. The firmware page shows
    // it while its upload runs.
    virtual SendProgress UploadProgress() const { return {}; }
};

// The base of the wizard's six pages: the common skin with the selected device's MAC and
// IP address (laid out again on every show), the hooks through which the task driver acts
// on a page, and what several pages share: the message box, the restart wait and device
// values in markup labels.
//
// Adding a page: derive from it in wizard/ui/, pass the page's role, lay out its own
// controls in OnInitDialog / OnShowWindow (calling the base first), queue with
// Host().Commands() and Host().Target(), and override the hooks of the driver's rows that
// concern the page. The frame creates the page and routes the hooks to it.
class CWizardPage : public CSkinnedPage {
    Q_OBJECT

public:
    // The skin comes from the page's role: picture, control ids and own menu entry.
    CWizardPage(WizardPage page, IWizardHost& host, QWidget* parent);

    // The task driver's hooks. The frame calls them on the page that owns the control,
    // wait or list; a page overrides those that concern it. The defaults do nothing.
    virtual void EnableControl(WizardControl control, bool enable);
    virtual void ClearControlText(WizardControl control);
    // Runs the page's wait while the device restarts (usually RunRestartWait) and
    // returns when it has ended.
    virtual void StartPageWait(WizardWait wait);
    virtual void ShowSurvey(const std::vector<SurveyNetwork>& networks);

    bool IsRestartWaitRunning() const { return m_waitTimerId != 0; }

    // `value` for a markup label: the characters the markup would read as tags or
    // entities are escaped, so a device's value always shows as itself.
    static std::wstring AsMarkupText(const std::wstring& value);

protected:
    // The wait while the device restarts: timer `timerId` ticks every `periodMs` of the
    // program's time, and the progress dialog shows `text`.
    struct RestartWait {
        int timerId;
        uint32_t periodMs;
        std::wstring text;
    };
    // Starts the wait's timer, queues REBOOT and runs the progress dialog. Each tick shows
    // step (ticks mod 11); the eleventh ends the progress and returns to the search page.
    // Returns when the progress has ended. Hiding the page stops the timer.
    void RunRestartWait(const RestartWait& wait);

    // Shows string `stringId` in the message box; returns when the user has pressed OK.
    void ShowMessage(int stringId);

    // Puts a value read from the device into a markup label as literal text and repaints
    // the label at once.
    static void ShowDeviceValue(CMarkupStatic& label, const std::wstring& value);

    IWizardHost& Host() const { return m_host; }

    DeviceCaptions SelectedDeviceCaptions() const override;
    // Shown: lays out the skin again. Hidden: stops a restart wait's timer. Pages that
    // override it call it first.
    void OnShowWindow(bool show) override;
    // Counts the restart wait's ticks. Pages that override it pass other ids on to it.
    void OnTimer(int id) override;

private:
    IWizardHost& m_host;
    int m_waitTimerId = 0;  // 0: no restart wait
    int m_waitTicks = 0;
};
