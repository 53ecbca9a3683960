#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/device_operation.h"
#include "device/operation_runner.h"
#include "web/device_commands.h"
#include "web/web_result_source.h"
#include "window/dialog_window.h"
#include "window/window_timer_loop.h"
#include "wizard/ui/connected_device.h"
#include "wizard/ui/wizard_page.h"
#include "wizard/ui/wizard_page_id.h"

class MessageBox;
class ProgressDialog;
class SummaryPage;
class WirelessPage;

// The device wizard's frame: an invisible container laid over the whole main window that
// holds the wizard for one KV-Q3150Tx. It owns the six pages (created hidden, then only
// shown and hidden; the status summary comes first) and the message box and progress
// dialog, and keeps the address and subnet mask of the device it was opened for: every
// request to the device goes there. What it needs of the program (the web command queue,
// the device's login and status record) it reaches through the connected device.
//
// Its result timer runs the device operations of the frame and its pages: every queued
// command starts it (200 ms), each tick hands the finished commands to the operation
// runner, whose operations tell their pages (and the frame, for the start-up reads) what
// became of them. A tick that finds nothing pending stops the timer.
//
// Connect's start-up reads are the frame's own: LANINFO, WANINFO and GETSTATUS behind
// "Loading....", which shows step 3, 7 and 10 as each page comes in and holds the last
// step for a second; a read that fails ends the progress, says why and returns to the
// search page.
class WizardFrame : public DialogWindow,
                    public IDeviceWizard,
                    public IWizardHost,
                    private IOperationObserver {
    Q_OBJECT

public:
    static constexpr uint32_t kResultTimerMs = 200;
    // The progress step shown after each start-up read, and the hold after the last one.
    static constexpr int kStepAfterLanInfo = 3;
    static constexpr int kStepAfterWanInfo = 7;
    static constexpr int kStepAfterGetStatus = 10;
    static constexpr uint32_t kHoldAfterGetStatusMs = 1000;

    WizardFrame(IConnectedDevice& device, QWidget* parent = nullptr);
    ~WizardFrame() override;

    void SetDeviceAddress(const std::wstring& ipAddress, const std::wstring& subnetMask);
    const std::wstring& DeviceIP() const { return m_deviceIp; }
    const std::wstring& DeviceSubnet() const { return m_deviceSubnet; }

    // Shows `page` and hides the other five.
    void ShowWizardPage(WizardPageId page);
    // Null before the frame is created and after it is destroyed.
    WizardPage* Page(WizardPageId page) const { return m_pages.at(static_cast<size_t>(page)); }
    SummaryPage* Summary() const;
    WirelessPage* Wireless() const;

    // Starts the result timer again: a web command has been queued.
    void StartResultTimer();

    // IDeviceWizard: starts the start-up reads, empties the status record and runs
    // "Loading...." until the reads end it, then refreshes the summary page.
    void LoadDeviceStatus() override;

    // IWizardHost
    IWebCommandSink& Commands() override { return m_queue; }
    OperationRunner& Operations() override { return m_operations; }
    DeviceTarget Target() const override;
    // The connected device's login and status record.
    DeviceLogin Login() const override;
    const DeviceStatus& Status() const override;
    DeviceStatus& StatusToFill() override;
    ProgressDialog& Progress() override { return *m_progress; }
    MessageBox& Messages() override { return *m_message; }
    // From the web queue's send meter, while UPLOAD is the active command and its request
    // has gone to the socket.
    SendProgress UploadProgress() const override;
    std::optional<HostAddressContext> TempHostAddress() const override;

protected:
    void OnInitDialog() override;
    void OnShowWindow(bool show) override;
    void OnTimer(int id) override;
    void OnDestroy() override;

private:
    // The connected device's web command queue as the driver and the pages use it. Once
    // the teardown has removed the queue it holds nothing and takes nothing.
    class WebQueue : public IWebCommandSink, public IWebResultSource {
    public:
        explicit WebQueue(IConnectedDevice& device) : m_device(device) {}
        void Queue(const std::wstring& command, const WebRequest& request,
                   const DeviceTarget& target) override;
        void QueueFile(const std::wstring& command, const WebRequest& request,
                       const DeviceTarget& target, const std::string& filePath) override;
        int PendingCount() const override;
        std::optional<WebResult> TakeResult() override;

    private:
        IConnectedDevice& m_device;
    };

    // IOperationObserver, for the start-up reads.
    void OnOutcome(OperationOutcome outcome) override;
    void OnFailed(const OperationFailure& failure) override;
    void ShowProgressStep(int step);

    IConnectedDevice& m_device;
    std::wstring m_deviceIp;
    std::wstring m_deviceSubnet;
    WebQueue m_queue;
    WindowTimerLoop m_timerLoop;
    OperationRunner m_operations;
    std::array<WizardPage*, kWizardPageIdCount> m_pages{};
    MessageBox* m_message = nullptr;
    ProgressDialog* m_progress = nullptr;
};
