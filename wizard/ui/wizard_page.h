#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_operation.h"
#include "device/restart_wait.h"
#include "platform/host_network.h"
#include "platform/metered_socket.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "window/skinned_page.h"
#include "window/window_timer_loop.h"
#include "wizard/ui/wizard_page_id.h"

class SkinRadioButton;
class MarkupLabel;
class MessageBox;
class ProgressDialog;
class IWebCommandSink;
class OperationRunner;

// What a wizard page reaches of the wizard around it. The frame provides it; a test can
// provide its own, to try a page on its own.
class IWizardHost {
public:
    virtual ~IWizardHost() = default;

    // Where the page's requests go (with the functions of web/device_commands.h); every
    // queued command starts the frame's result timer.
    virtual IWebCommandSink& Commands() = 0;
    // Runs the device operations of the pages, reading the answers the wizard's tolerant
    // way; the frame's result timer hands it the finished commands.
    virtual OperationRunner& Operations() = 0;
    // The device the wizard was opened for: address, subnet mask and login, as a request's
    // target, and as the search page read it.
    virtual DeviceTarget Target() const = 0;
    virtual DeviceLogin Login() const = 0;
    // What the device's pages told: the record the start-up reads fill.
    virtual const DeviceStatus& Status() const = 0;
    // The same record, for an operation that reads a page of the device into it.
    virtual DeviceStatus& StatusToFill() = 0;
    // The wizard's two modal dialogs.
    virtual ProgressDialog& Progress() = 0;
    virtual MessageBox& Messages() = 0;
    // How far the request of the upload being sent has got to the device (bytes out of
    // the request's total); zeros while no upload is on its way. The firmware page shows
    // it while its upload runs.
    virtual SendProgress UploadProgress() const { return {}; }
    // The temporary address this PC holds to reach the device (kept while the wizard is
    // connected, removed at the end); nullopt when it needs none.
    virtual std::optional<HostAddressContext> TempHostAddress() const { return std::nullopt; }
};

// A value read from the device, on a line of its own: a markup label at `rect`, named after its
// caption on the page picture, showing field `field` of the status record.
struct DeviceValueRow {
    int controlId;
    LayoutRect rect;
    std::wstring DeviceStatus::*field;
    int nameId;
};

// One of the two choices of a radio pair whose captions are part of the page picture.
struct ChoiceSpec {
    int controlId;
    int nameId;
    int descriptionId = 0;
};

// Two radio buttons, one of them selected; a press on either caption selects that
// caption's own choice. Swapping instead would turn a second click, meant to make sure,
// into the other choice.
class ChoicePair {
public:
    SkinRadioButton* First() const { return m_first; }
    SkinRadioButton* Second() const { return m_second; }
    void Select(bool second) const;
    bool SecondSelected() const;
    bool AnySelected() const;

private:
    friend class WizardPage;
    SkinRadioButton* m_first = nullptr;
    SkinRadioButton* m_second = nullptr;
    std::function<void(bool second)> m_onSelect;
};

// The base of the wizard's six pages: the common skin with the selected device's MAC and
// IP address, and what the pages build themselves from: device values on lines of their
// own, a pair of radio choices, the message box, device operations and the restart wait.
//
// Adding a page: derive from it in wizard/ui/, pass the page's role, add and name the
// page's controls in its constructor, place them in LayOut, and run device operations
// (device/device_operations.h) with RunOperation: the page's observer of an operation
// decides what to enable and show from its outcomes. The frame creates the page.
class WizardPage : public SkinnedPage, private IRestartWaitObserver {
    Q_OBJECT

public:
    // The skin comes from the page's role: picture, control ids and own menu entry.
    WizardPage(WizardPageId page, IWizardHost& host, QWidget* parent);
    ~WizardPage() override;

    // Whether a restart wait ticks (hiding the page stops it).
    bool IsRestartWaitRunning() const {
        return m_restartWait.Running() && m_timerLoop.AnyRunning();
    }
    // What the running restart wait waits for; nothing while none runs.
    std::optional<RestartCause> RunningRestartWait() const;

    // The wait while the device restarts (device/restart_wait.h): queues REBOOT, runs the
    // progress dialog with the cause's text and, on the cause's period, shows steps 1 to
    // 10 and 0, then ends the progress and returns to the search page. Returns when the
    // progress has ended. Hiding the page stops the wait's ticks.
    void RunRestartWait(RestartCause cause);

    // `value` for a markup label: the characters the markup would read as tags or
    // entities are escaped, so a device's value always shows as itself.
    static std::wstring AsMarkupText(const std::wstring& value);

protected:
    // Runs `operation` against the wizard's device; `observer` hears its outcomes.
    void RunOperation(DeviceOperation operation, IOperationObserver& observer);

    // Shows string `stringId` in the message box and returns when the user has pressed
    // OK: true when the page is still there (the wizard may have closed meanwhile).
    bool ShowMessage(int stringId);

    // Device values, one label per row, for PlaceValueRows and ShowValueRows.
    std::vector<MarkupLabel*> AddValueRows(std::span<const DeviceValueRow> rows);
    // Places the labels of `rows` and empties them.
    void PlaceValueRows(std::span<const DeviceValueRow> rows,
                        const std::vector<MarkupLabel*>& labels);
    // Shows the status record's values of `rows`.
    void ShowValueRows(std::span<const DeviceValueRow> rows,
                       const std::vector<MarkupLabel*>& labels) const;
    // A markup label for a value read from the device, named `nameId` (its caption on
    // the page picture).
    MarkupLabel* AddValueLabel(int controlId, int nameId);
    // Puts a value read from the device into a markup label as literal text.
    static void ShowDeviceValue(MarkupLabel& label, const std::wstring& value);

    // Two radio choices; `onSelect` follows every selection, by press or by caption.
    ChoicePair AddChoicePair(const ChoiceSpec& first, const ChoiceSpec& second,
                             std::function<void(bool second)> onSelect = {});
    // Places the pair at two layout rectangles and makes the two caption areas select
    // their own choice.
    void PlaceChoicePair(const ChoicePair& pair, const LayoutRect& firstRect,
                         const LayoutRect& secondRect, const PageArea& firstArea,
                         const PageArea& secondArea);

    IWizardHost& Host() const { return m_host; }

    DeviceCaptions SelectedDeviceCaptions() const override;
    // Hands the ticks of the page's waits on. Pages that override it pass other ids on.
    void OnTimer(int id) override;

private:
    void OnRestartStep(int tick, int step) override;
    void OnRestartOver() override;

    IWizardHost& m_host;
    WindowTimerLoop m_timerLoop;
    RestartWait m_restartWait;
};
