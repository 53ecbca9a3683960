#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/survey_parser.h"
#include "web/web_result.h"

class IWebCommandSink;
class IWebResultSource;

// Page controls the driver enables, disables or empties when a result arrives.
enum class WizardControl {
    kIpApply,        // IP address page: Apply
    kFirmwareApply,  // firmware page: Apply
    kFirmwareFile,   // firmware page: the file name field
    kSurveyScan,     // wireless page: Scan
    kSurveyConnect,  // wireless page: Connect
    kSurveyKey,      // wireless page: the key field
    kPasswordApply,  // password page: Apply
};

// The pages' modal waits while the device restarts; each queues its REBOOT, runs the
// progress dialog and ends on the search page.
enum class WizardWait {
    kIpAddressReboot,  // IP address page, 11 ticks of 4 s
    kFirmwareUpgrade,  // firmware page, 11 ticks of 12 s
    kRepeaterReboot,   // wireless page, 11 ticks of 3.5 s
};

// What the driver acts on: the wizard's pages and dialogs as the core sees them. The
// wizard frame implements it over its windows; tests implement it with a fake.
//
// ShowMessage and StartPageWait run modal loops and return when they have ended. The
// result timer keeps firing inside them, so the driver may run again, nested, before they
// return.
class IWizardView {
public:
    virtual ~IWizardView() = default;

    // The progress dialog: whether it is up, its step picture, and ending it.
    virtual bool ProgressRunning() const = 0;
    virtual void ShowProgressStep(int step) = 0;
    virtual void EndProgress() = 0;

    // The message box with string-table text `stringId`.
    virtual void ShowMessage(int stringId) = 0;
    // Back to the search page; the wizard frame is hidden, queued commands keep running.
    virtual void ReturnToSearchPage() = 0;

    virtual void EnableControl(WizardControl control, bool enable) = 0;
    virtual void ClearControlText(WizardControl control) = 0;

    virtual void StartPageWait(WizardWait wait) = 0;
    // The wireless page's list and controls after a successful survey.
    virtual void ShowSurvey(const std::vector<SurveyNetwork>& networks) = 0;

    // Stops the result timer (the frame's timer 1); the next queued command starts it.
    virtual void StopResultTimer() = 0;
    // Holds the user-interface thread for `ms` milliseconds of the wizard's time.
    virtual void Hold(uint32_t ms) = 0;
};

// Turns finished web commands into page updates: the frame calls OnResultTimer every
// 200 ms while commands are pending. Results are taken oldest first and handled by
// command name (case-blind); this is where the start-up chain LANINFO, WANINFO,
// GETSTATUS is linked. The driver keeps no state between ticks, so a tick that runs
// nested inside a modal loop of an earlier one simply takes the next result.
class WizardTaskDriver {
public:
    // Step shown after each start-up read, and the hold after the last one.
    static constexpr int kStepAfterLanInfo = 3;
    static constexpr int kStepAfterWanInfo = 7;
    static constexpr int kStepAfterGetStatus = 10;
    static constexpr uint32_t kHoldAfterGetStatusMs = 1000;

    // `target` is the device the wizard was opened for; `status` the record the page
    // parsers fill.
    WizardTaskDriver(IWebResultSource& results, IWebCommandSink& commands, IWizardView& view,
                     DeviceTarget target, DeviceStatus& status);

    WizardTaskDriver(const WizardTaskDriver&) = delete;
    WizardTaskDriver& operator=(const WizardTaskDriver&) = delete;

    // One tick of the result timer.
    void OnResultTimer();

private:
    enum class Outcome { kHandled, kGaveUp };

    Outcome Handle(const WebResult& result);
    Outcome GiveUp(const WebResult& result, bool endProgress);
    void AdvanceProgress(int step);
    void HandleGetStatus(const WebResult& result);
    void HandleUpload(const WebResult& result);

    IWebResultSource& m_results;
    IWebCommandSink& m_commands;
    IWizardView& m_view;
    DeviceTarget m_target;
    DeviceStatus& m_status;
};
