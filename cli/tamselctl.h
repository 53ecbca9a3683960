#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "apply/desired_state.h"
#include "cli/apply_run.h"
#include "cli/command_line.h"
#include "cli/device_session.h"
#include "cli/outcome.h"
#include "device/device_operations.h"
#include "device/operation_runner.h"
#include "hostnet/host_address_setup.h"
#include "hostnet/host_place_wait.h"
#include "platform/event_loop.h"
#include "platform/host_network.h"
#include "platform/metered_socket.h"
#include "platform/tick_clock.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "web/survey_parser.h"

// One run of tamselctl: checks the input as the device's pages would, finds the device
// (unless credentials were given), runs the command's device operations (read strictly)
// and prints the outcome.
class Tamselctl : private IOperationObserver {
public:
    // What a real run works with; all of it outlives the run.
    struct Environment {
        IEventLoop& loop;
        ITickClock& clock;
        DeviceSession& session;
        const MeteredSocketFactory* meter = nullptr;  // for the upload's progress bar
        // The host's adapters, read to say where a search that found nothing went.
        std::function<std::optional<std::vector<AdapterInfo>>()> readAdapters;
        // open: the host address set-up that makes the device reachable for a browser
        // (the web manager's), whether a desktop is there, and its URL opener (a process
        // id, or -1 when it could not start).
        // Every command that reaches a repeater makes the host ready through it first,
        // waiting while other programs hold all the host's places (HostPlaceWait); none:
        // the web manager's set-up alone.
        IHostAddressSetup* hostSetup = nullptr;
        bool desktop = false;
        std::function<int(const std::string& url)> openUrl;
        // The waits between set-ups while the host is full (none: real ones).
        ISleeper* sleeper = nullptr;
    };
    using Finished = std::function<void(int exitCode)>;

    // How long the upgrade waits after the reboot before it asks for the status page.
    static constexpr uint32_t kUpgradeSettleMs = 5000;
    // How often open looks whether its host address set-up has ended.
    static constexpr uint32_t kOpenPollMs = 100;

    explicit Tamselctl(CliOptions options);
    ~Tamselctl();

    Tamselctl(const Tamselctl&) = delete;
    Tamselctl& operator=(const Tamselctl&) = delete;

    // Everything that needs no device: the pages' input rules and the passwords asked for
    // on the terminal. Returns the exit code when the run ends here.
    std::optional<int> Prepare();

    // Writes the requests of the command to `out` and sends nothing.
    int DryRun(std::FILE* out);

    // Starts the real run; `finished` is called once with the exit code.
    void Start(const Environment& environment, Finished finished);

    // Ends a running command after SIGINT, SIGTERM or SIGHUP.
    void Interrupt(int signalNumber);

    // Ends what runs beside the event loop (open's host address set-up) while the
    // environment still exists; the owner calls it after the loop has ended.
    void Stop();

private:
    void Discover();
    void OnDevicesFound(const std::vector<FoundDevice>& devices);
    // discover's list on standard output, and why it is empty on standard error.
    void ListDevices(const std::vector<FoundDevice>& devices);
    void RunCommand();
    // The host made ready to reach the device (on a thread, as it may wait for a place),
    // then `then`.
    void PrepareHost(const std::wstring& mask, std::function<void()> then);
    void PollHostSetup();
    // Whether the set-up failed because the host's places stayed taken (said, and ended).
    bool EndedByFullHost();
    // open: the page opened or its URL printed once the host is ready for a browser.
    void OpenDevice(const std::wstring& mask);
    void OpenWhenReady();
    // Secrets from files or the environment, and apply's desired state; the exit code
    // when the run ends here.
    std::optional<int> ReadSecrets();
    std::optional<int> ReadDesiredState();
    void ShowPage();
    void RunBridge();
    void BridgeTo(const std::wstring& keyword, const std::wstring& channel);
    // The bridging for a network of this security and channel, unless the page's key
    // rules refuse the key.
    Verdict PlanBridge(const std::wstring& keyword, const std::wstring& channel,
                       DeviceOperation& operation) const;
    // Runs `operation`; `onSuccess` follows its last step, a failure ends the run.
    void RunOperation(DeviceOperation operation, std::function<void()> onSuccess);
    // The operation of every command but bridge and discover.
    DeviceOperation OperationFor();

    // IOperationObserver, for the operation running.
    void OnOutcome(OperationOutcome outcome) override;
    void OnFailed(const OperationFailure& failure) override;
    void OnFinished() override;

    void ObserveResult(const WebResult& result);
    void StartUploadProgress();
    void ShowUploadProgress(bool final);

    Verdict CheckPassword(const std::wstring& devicePassword) const;
    // Writes the output and the note; `code` is the exit code of a run that did its job
    // (kFirewall: a list that lacks repeaters whose answers were dropped).
    void Succeed(const std::string& output, const std::wstring& note = std::wstring(),
                 ExitCode code = ExitCode::kSuccess);
    void Fail(const Verdict& verdict);
    void End(int exitCode);

    CliOptions m_options;
    std::optional<Environment> m_env;
    Finished m_finished;
    bool m_ended = false;

    DeviceTarget m_target;
    std::wstring m_devicePassword;
    // The login and mask that reach the device (apply hands them on).
    DeviceLogin m_login;
    std::wstring m_loginMask;
    // The passwords typed for set-password: current, new, new again.
    std::wstring m_typedOld;
    std::wstring m_typedNew;
    std::wstring m_typedRepeat;
    // set-ip's address and mask as the address controls would show them.
    std::wstring m_newIp;
    std::wstring m_newMask;

    DeviceStatus m_status;
    std::vector<SurveyNetwork> m_networks;

    std::unique_ptr<DeviceSearch> m_search;
    std::unique_ptr<WebCommandQueueSink> m_sink;
    std::unique_ptr<OperationRunner> m_runner;
    std::function<void()> m_onSuccess;
    int m_progressTimer = 0;
    int m_lastProgressTenth = -1;
    bool m_waitAnnounced = false;

    // apply
    std::optional<DesiredState> m_desired;
    std::unique_ptr<ApplyRun> m_apply;

    // The host's set-up before the first request
    std::unique_ptr<HostPlaceWait> m_placeWait;
    std::thread m_setupThread;
    std::atomic<bool> m_setupDone{false};
    HostSetupResult m_setupResult = HostSetupResult::Unreachable();
    int m_setupTimer = 0;
    std::function<void()> m_afterSetup;

    // open
    bool m_holding = false;  // keeps a temporary address until the user ends tamselctl
    int m_openerPid = -1;
};

// Prints a failure the way tamselctl does: the message text, then the detail, on
// standard error.
void PrintFailure(const Verdict& verdict);
