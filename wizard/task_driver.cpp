#include "wizard/task_driver.h"

#include <string_view>
#include <utility>

#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "web/device_commands.h"
#include "web/web_result_source.h"

namespace {

bool Is(const WebResult& result, const wchar_t* command) {
    return EqualsIgnoreCase(result.command, command);
}

}  // namespace

WizardTaskDriver::WizardTaskDriver(IWebResultSource& results, IWebCommandSink& commands,
                                   IWizardView& view, DeviceTarget target, DeviceStatus& status)
    : m_results(results),
      m_commands(commands),
      m_view(view),
      m_target(std::move(target)),
      m_status(status) {}

void WizardTaskDriver::OnResultTimer() {
    // Stopped before the results are taken: what has finished is still handled now, and
    // the next queued command starts the timer again.
    if (m_results.PendingCount() == 0) {
        m_view.StopResultTimer();
    }
    // Each result is removed from the queue before it is acted on, so a nested tick run
    // from a modal loop below never sees it again.
    while (std::optional<WebResult> result = m_results.TakeResult()) {
        if (Handle(*result) == Outcome::kGaveUp) {
            return;  // what is still queued waits for the next tick
        }
    }
}

WizardTaskDriver::Outcome WizardTaskDriver::Handle(const WebResult& result) {
    const bool failed = IsFailureCode(result.code);
    const bool good = IsGoodAnswer(result.response);

    // Each successor is queued before its predecessor's page is parsed.
    if (Is(result, kCommandLanInfo)) {
        if (failed) {
            return GiveUp(result, true);
        }
        AdvanceProgress(kStepAfterLanInfo);
        QueueWanInfo(m_commands, m_target);
        if (good) {
            ParseLanPage(result.ResponseText(), m_status);
        }
    } else if (Is(result, kCommandWanInfo)) {
        if (failed) {
            return GiveUp(result, true);
        }
        AdvanceProgress(kStepAfterWanInfo);
        QueueGetStatus(m_commands, m_target);
        if (good) {
            ParseWanPage(result.ResponseText(), m_status);
        }
    } else if (Is(result, kCommandGetStatus)) {
        if (failed) {
            return GiveUp(result, true);
        }
        HandleGetStatus(result);
    } else if (Is(result, kCommandSetupIpAddress)) {
        // The device may switch to its new address before it answers, so the reboot wait
        // follows whatever came back.
        if (good) {
            ParseStatusPage(result.ResponseText(), m_status);
        }
        m_view.EnableControl(WizardControl::kIpApply, true);
        m_view.StartPageWait(WizardWait::kIpAddressReboot);
    } else if (Is(result, kCommandUpload)) {
        HandleUpload(result);
    } else if (Is(result, kCommandRepeater)) {
        if (failed) {
            return GiveUp(result, false);
        }
        m_view.EnableControl(WizardControl::kSurveyConnect, true);
        m_view.EnableControl(WizardControl::kSurveyKey, true);
        m_view.ClearControlText(WizardControl::kSurveyKey);
        m_view.StartPageWait(WizardWait::kRepeaterReboot);
    } else if (Is(result, kCommandSetupPassword)) {
        m_view.EnableControl(WizardControl::kPasswordApply, true);
        // A refused or lost change must not look like success.
        if (!good) {
            m_view.ShowMessage(kMsgRepeaterTimeout);
        }
        m_view.ReturnToSearchPage();
    } else if (Is(result, kCommandSiteSurvey)) {
        if (good) {
            m_view.ShowSurvey(ParseSurveyNetworks(result.ResponseText()));
        } else {
            m_view.EnableControl(WizardControl::kSurveyScan, true);
            m_view.EnableControl(WizardControl::kSurveyConnect, false);
        }
    }
    // UNCHECKREPEATER, REBOOT, RESETDEFAULT and any other name: taken, nothing else.
    return Outcome::kHandled;
}

WizardTaskDriver::Outcome WizardTaskDriver::GiveUp(const WebResult& result, bool endProgress) {
    if (endProgress && m_view.ProgressRunning()) {
        m_view.EndProgress();
    }
    // A repeater the PC may not be set up for, or rights the user lacks, are said as such:
    // the repeater is not at fault.
    m_view.ShowMessage(FailedCommandMessage(result));
    m_view.ReturnToSearchPage();
    return Outcome::kGaveUp;
}

void WizardTaskDriver::AdvanceProgress(int step) {
    if (m_view.ProgressRunning()) {
        m_view.ShowProgressStep(step);
    }
}

void WizardTaskDriver::HandleGetStatus(const WebResult& result) {
    AdvanceProgress(kStepAfterGetStatus);
    m_view.Hold(kHoldAfterGetStatusMs);
    // With more commands pending the loading is not over yet.
    if (m_results.PendingCount() == 0 && m_view.ProgressRunning()) {
        m_view.EndProgress();
    }
    if (IsGoodAnswer(result.response)) {
        ParseStatusPage(result.ResponseText(), m_status);
    }
}

void WizardTaskDriver::HandleUpload(const WebResult& result) {
    m_view.EnableControl(WizardControl::kFirmwareApply, true);
    const bool good = IsGoodAnswer(result.response);
    const bool refused = result.response.find(kInvalidFileMarker) != std::string::npos;
    if (good && !refused) {
        m_view.StartPageWait(WizardWait::kFirmwareUpgrade);
        m_view.ReturnToSearchPage();
        return;
    }
    m_view.ShowMessage(good ? kMsgInvalidFile : kMsgFirewall);
    m_view.ClearControlText(WizardControl::kFirmwareFile);
}
