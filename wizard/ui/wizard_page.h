#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/metered_socket.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
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
    // result back through the page's bindings.
    virtual IWebCommandSink& Commands() = 0;
    // The device the wizard was opened for: address, subnet mask and login, as a request's
    // target, and as the search page read it.
    virtual DeviceTarget Target() const = 0;
    virtual DeviceLogin Login() const = 0;
    // What the device's pages told: the record the start-up reads fill.
    virtual const DeviceStatus& Status() const = 0;
    // The wizard's two modal dialogs.
    virtual CQ3150Tx_Progress& Progress() = 0;
    virtual CQ3150Tx_MessageDlg& Messages() = 0;
    // How far the request of the upload being sent has got to the device (bytes out of
    // the request's total); zeros while no upload is on its way. The firmware page shows
    // it while its upload runs.
    virtual SendProgress UploadProgress() const { return {}; }
    // The temporary address this PC holds to reach the device (kept while the wizard is
    // connected, removed at the end); nullopt when it needs none.
    virtual std::optional<HostAddressContext> TempHostAddress() const { return std::nullopt; }
};

// The base of the wizard's six pages: the common skin with the selected device's MAC and
// IP address, the bindings through which the task driver acts on a page, and what several
// pages share: the message box, the restart wait and device values in markup labels.
//
// Adding a page: derive from it in wizard/ui/, pass the page's role, add and name the
// page's controls in its constructor (BindControl and BindWait for those the task driver
// acts on), place them in LayOut, queue with Host().Commands() and Host().Target(). The
// frame creates the page and routes the driver's calls to it.
class CWizardPage : public CSkinnedPage {
    Q_OBJECT

public:
    // The skin comes from the page's role: picture, control ids and own menu entry.
    CWizardPage(WizardPage page, IWizardHost& host, QWidget* parent);

    // The task driver's calls, through the page's bindings; the frame routes each to the
    // page that binds the control or wait. Whatever the page does not bind is left alone.
    std::vector<WizardControl> BoundControls() const;
    std::vector<WizardWait> BoundWaits() const;
    void EnableControl(WizardControl control, bool enable);
    // Empties a bound text field.
    void ClearControlText(WizardControl control);
    // Runs a bound wait while the device restarts (RunRestartWait) and returns when it has
    // ended.
    void StartPageWait(WizardWait wait);

    bool IsRestartWaitRunning() const { return m_waitTimerId != 0 && HasTimer(m_waitTimerId); }

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

    // The driver enables or disables `widget` for `control` and, for a text field, empties
    // it; `onDriverEnable` runs after each enabling or disabling by the driver.
    void BindControl(WizardControl control, QWidget* widget,
                     std::function<void(bool enable)> onDriverEnable = {});
    // The driver runs `restartWait` for `wait`.
    void BindWait(WizardWait wait, RestartWait restartWait);

    // Starts the wait's timer, queues REBOOT and runs the progress dialog. Each tick shows
    // step (ticks mod 11); the eleventh ends the progress and returns to the search page.
    // Returns when the progress has ended. Hiding the page stops the timer.
    void RunRestartWait(const RestartWait& wait);

    // Shows string `stringId` in the message box and returns when the user has pressed
    // OK: true when the page is still there (the wizard may have closed meanwhile).
    bool ShowMessage(int stringId);

    // A markup label for a value read from the device, named `nameId` (its caption on
    // the page picture).
    CMarkupStatic* AddValueLabel(int controlId, int nameId);
    // Puts a value read from the device into a markup label as literal text and repaints
    // the label at once.
    static void ShowDeviceValue(CMarkupStatic& label, const std::wstring& value);

    IWizardHost& Host() const { return m_host; }

    DeviceCaptions SelectedDeviceCaptions() const override;
    // Counts the restart wait's ticks. Pages that override it pass other ids on to it.
    void OnTimer(int id) override;

private:
    struct ControlBinding {
        QWidget* widget;
        std::function<void(bool)> onDriverEnable;
    };

    IWizardHost& m_host;
    std::map<WizardControl, ControlBinding> m_controls;
    std::map<WizardWait, RestartWait> m_waits;
    int m_waitTimerId = 0;  // 0: no restart wait
    int m_waitTicks = 0;
};
