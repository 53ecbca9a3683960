#include "cli/tamselctl.h"

#include <unistd.h>

#include <random>

#include "cli/discover_cache.h"
#include "cli/dry_run.h"
#include "cli/input_files.h"
#include "cli/password_prompt.h"
#include "cli/report.h"
#include "cli/text.h"
#include "discovery/device_export.h"
#include "discovery/search_scope.h"
#include "platform/ansi_text.h"
#include "platform/url_opener.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/input_rules.h"
#include "web/selected_device.h"

namespace {

constexpr wchar_t kSupportedModel[] = L"KV-Q3150Tx";
// The password page's user name, used when only --password is given.
constexpr wchar_t kDefaultUser[] = L"admin";

constexpr int kProgressBarCells = 40;
constexpr uint32_t kProgressPeriodMs = 200;

Verdict UsageVerdict(int messageId, std::wstring detail = std::wstring()) {
    return Verdict{ExitCode::kUsage, messageId, std::move(detail)};
}

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

}  // namespace

void PrintFailure(const Verdict& verdict) {
    if (verdict.messageId != 0) {
        WriteErr(LoadString(verdict.messageId));
    }
    if (!verdict.detail.empty()) {
        WriteErr(verdict.detail);
    }
}

Tamselctl::Tamselctl(CliOptions options) : m_options(std::move(options)) {}

Tamselctl::~Tamselctl() {
    if (m_env && m_progressTimer != 0) {
        m_env->loop.StopTimer(m_progressTimer);
    }
    Stop();
}

void Tamselctl::Stop() {
    if (m_env && m_setupTimer != 0) {
        m_env->loop.StopTimer(m_setupTimer);
        m_setupTimer = 0;
    }
    if (m_setupThread.joinable()) {
        m_placeWait->Cancel();
        m_env->hostSetup->CancelSetup();
        m_setupThread.join();
    }
    ReapOpener(m_openerPid);
    m_openerPid = -1;
}

std::optional<int> Tamselctl::ReadSecrets() {
    // Each secret read from a file (or standard input) into its field. `secretOption` is
    // only the name of the secret's option, for the line that says which file failed;
    // no secret ever travels in an argument list.
    struct SecretFile {
        const std::optional<std::string>& path;
        std::optional<std::wstring>* into;
        const wchar_t* secretOption;
    };
    std::optional<std::wstring> key;
    const SecretFile files[] = {{m_options.passwordFile, &m_options.password, L"--password"},
                                {m_options.oldFile, &m_options.oldPassword, L"--old"},
                                {m_options.newFile, &m_options.newPassword, L"--new"},
                                {m_options.keyFile, &key, L"--key"}};
    // Standard input can be read once: by one secret, or by apply's desired state.
    int fromStdin = m_options.command == CliCommand::kApply && m_options.stateFile == "-" ? 1 : 0;
    for (const SecretFile& file : files) {
        fromStdin += file.path && *file.path == "-" ? 1 : 0;
    }
    if (fromStdin > 1) {
        PrintFailure(UsageVerdict(kCliStdinTwice));
        return static_cast<int>(ExitCode::kUsage);
    }
    for (const SecretFile& file : files) {
        if (!file.path) {
            continue;
        }
        // A file wins over the same secret given as an argument.
        const SecretRead read = ReadSecretFile(*file.path);
        if (!read.secret) {
            PrintFailure(UsageVerdict(
                0,
                FormatString(kCliSecretFileFailed, {EscapeControls(Utf8ToWide(*file.path)),
                                                    file.secretOption, Utf8ToWide(read.error)})));
            return static_cast<int>(ExitCode::kUsage);
        }
        *file.into = read.secret;
    }
    if (key) {
        m_options.key = *key;
    }
    return std::nullopt;
}

std::optional<int> Tamselctl::ReadDesiredState() {
    const FileRead read = ReadInputFile(m_options.stateFile, kMaxDesiredStateBytes + 1);
    if (!read.bytes) {
        const std::wstring line =
            FormatString(kApplyReadFailed,
                         {EscapeControls(Utf8ToWide(m_options.stateFile)), Utf8ToWide(read.error)});
        return ApplyRun::RefuseInput(m_options.deviceIp, InputProblem{"input", line},
                                     m_options.check);
    }
    DesiredStateParse parsed = ParseDesiredState(*read.bytes);
    if (!parsed.state) {
        return ApplyRun::RefuseInput(m_options.deviceIp, parsed.problem, m_options.check);
    }
    m_desired = std::move(parsed.state);
    // The login's order: an option, then the desired state, then the environment.
    if (!m_options.password && m_desired->devicePassword) {
        m_options.password = m_desired->devicePassword;
    }
    return std::nullopt;
}

std::optional<int> Tamselctl::Prepare() {
    if (const std::optional<int> ended = ReadSecrets()) {
        return ended;
    }
    if (m_options.command == CliCommand::kApply) {
        if (const std::optional<int> ended = ReadDesiredState()) {
            return ended;
        }
    }
    if (!m_options.password && m_options.environmentPassword) {
        m_options.password = m_options.environmentPassword;
    }
    Verdict verdict;
    switch (m_options.command) {
        case CliCommand::kSetIp: {
            verdict =
                UsageVerdict(CheckLanAddressText(m_options.newIp, m_options.newMask).messageId);
            if (verdict.messageId == 0) {
                // As the address controls show them: plain decimal octets.
                m_newIp = FormatDottedOctets(*ParseDottedOctets(m_options.newIp));
                m_newMask = FormatDottedOctets(*ParseDottedOctets(m_options.newMask));
                verdict = Verdict::Success();
            }
            break;
        }
        case CliCommand::kUpgrade: {
            const InputVerdict file = CheckImageFile(m_options.firmwarePath);
            verdict = file.Accepted() ? Verdict::Success() : UsageVerdict(file.messageId);
            break;
        }
        case CliCommand::kSetPassword: {
            std::optional<std::wstring> typedOld = m_options.oldPassword;
            if (!typedOld) {
                typedOld = ReadSecretLine(LoadString(kCliPromptCurrent));
            }
            std::optional<std::wstring> typedNew = m_options.newPassword;
            std::optional<std::wstring> typedRepeat = typedNew;
            if (typedOld && !typedNew) {
                typedNew = ReadSecretLine(LoadString(kCliPromptNew));
                if (typedNew) {
                    typedRepeat = ReadSecretLine(LoadString(kCliPromptRepeat));
                }
            }
            if (!typedOld || !typedNew || !typedRepeat) {
                verdict = UsageVerdict(0, LoadString(kCliNoPassword));
                break;
            }
            m_typedOld = *typedOld;
            m_typedNew = *typedNew;
            m_typedRepeat = *typedRepeat;
            // The page's fields take no more; a longer password is refused rather than
            // cut, so that the device never gets a password other than the one typed.
            if (m_typedNew.size() > kPasswordFieldLimit ||
                m_typedRepeat.size() > kPasswordFieldLimit) {
                verdict = UsageVerdict(
                    0, FormatString(kCliPasswordTooLong, {std::to_wstring(kPasswordFieldLimit)}));
            }
            break;
        }
        default:
            break;
    }
    if (!verdict.Ok()) {
        PrintFailure(verdict);
        return static_cast<int>(verdict.exitCode);
    }
    if (m_options.HasCredentials()) {
        const DeviceLogin login = MakeDeviceLogin(m_options.user.value_or(kDefaultUser),
                                                  *m_options.password, m_options.deviceIp, {});
        m_target = LoginTarget(login, m_options.deviceMask);
        m_devicePassword = login.password;
        m_login = login;
        m_loginMask = m_options.deviceMask;
    }
    return std::nullopt;
}

int Tamselctl::DryRun(std::FILE* out) {
    DeviceOperation operation;
    if (m_options.command == CliCommand::kSetPassword) {
        if (const Verdict check = CheckPassword(m_devicePassword); !check.Ok()) {
            PrintFailure(check);
            return static_cast<int>(check.exitCode);
        }
    }
    if (m_options.command == CliCommand::kBridge) {
        if (const Verdict check = PlanBridge(*m_options.security, *m_options.channel, operation);
            !check.Ok()) {
            PrintFailure(check);
            return static_cast<int>(check.exitCode);
        }
    } else {
        operation = OperationFor();
    }
    DryRunSink sink(out);
    operation.QueueAll(sink, m_target);
    if (std::fflush(out) != 0 || !sink.Ok()) {
        WriteErr(LoadString(kCliWriteFailed));
        return static_cast<int>(ExitCode::kInternal);
    }
    return static_cast<int>(ExitCode::kSuccess);
}

DeviceOperation Tamselctl::OperationFor() {
    constexpr RestartHandling kReboot = RestartHandling::kRebootStep;
    switch (m_options.command) {
        case CliCommand::kStatus:
            return ReadStatusOperation(m_status);
        case CliCommand::kSurvey:
            return SurveyOperation(m_networks);
        case CliCommand::kSetIp:
            return SetLanAddressOperation({m_newIp, m_newMask, m_options.dhcpOn}, m_status,
                                          kReboot);
        case CliCommand::kSetPassword:
            return ChangePasswordOperation({m_devicePassword, m_typedNew});
        case CliCommand::kUpgrade:
            return UpgradeFirmwareOperation({m_options.firmwarePath, kUpgradeSettleMs,
                                             m_options.waitSeconds * 1000u, kCliNotBack},
                                            m_status, kReboot);
        case CliCommand::kReboot:
            return RebootOperation(kReboot);
        case CliCommand::kReset:
            return FactoryResetOperation(kReboot);
        default:
            return {};
    }
}

void Tamselctl::Start(const Environment& environment, Finished finished) {
    m_env.emplace(environment);
    m_finished = std::move(finished);
    m_sink = std::make_unique<WebCommandQueueSink>(m_env->session.Web());
    m_runner = std::make_unique<OperationRunner>(m_env->session.Web(), *m_sink, m_env->loop,
                                                 m_env->clock, AnswerReading::kStrict);
    m_runner->TakeResultsWhileRunning();
    m_runner->SetResultObserver([this](const WebResult& result) { ObserveResult(result); });
    if (m_env->hostSetup != nullptr) {
        HostPlaceWaitOptions wait;
        wait.limitMs = m_options.addressWaitSeconds * 1000u;
        m_placeWait = std::make_unique<HostPlaceWait>(
            *m_env->hostSetup, m_env->clock,
            m_env->sleeper != nullptr ? *m_env->sleeper : ThreadSleeper::Instance(), wait,
            [generator = std::minstd_rand(std::random_device()())](uint32_t most) mutable {
                return static_cast<uint32_t>(generator() % (most + 1));
            });
    }
    if (m_options.command == CliCommand::kApply) {
        m_apply =
            std::make_unique<ApplyRun>(ApplyRun::Context{m_env->loop, m_env->session.Discovery(),
                                                         *m_runner, *m_sink, m_options.waitSeconds},
                                       *m_desired, m_options.check, m_options.diff);
        m_apply->SetAddress(m_options.deviceIp);
    }
    if (m_options.command == CliCommand::kOpen && m_options.deviceMaskGiven) {
        OpenDevice(m_options.deviceMask);
    } else if (m_options.command == CliCommand::kDiscover ||
               m_options.command == CliCommand::kOpen || !m_options.HasCredentials()) {
        Discover();
    } else {
        PrepareHost(m_loginMask, [this] {
            if (!EndedByFullHost()) {
                RunCommand();
            }
        });
    }
}

void Tamselctl::Interrupt(int signalNumber) {
    if (m_ended) {
        return;
    }
    // The way to end open once it holds the address: a success.
    if (m_holding) {
        End(static_cast<int>(ExitCode::kSuccess));
        return;
    }
    if (m_setupThread.joinable()) {
        m_placeWait->Cancel();
        m_env->hostSetup->CancelSetup();
    }
    if (m_search) {
        m_search->Cancel();
    }
    if (m_runner) {
        m_runner->CancelAll();
    }
    if (m_apply) {
        // Its result object says so, and ends the run.
        m_apply->Interrupt(ExitCodeForSignal(signalNumber));
        return;
    }
    WriteErr(LoadString(kCliInterrupted));
    End(ExitCodeForSignal(signalNumber));
}

void Tamselctl::Discover() {
    m_search = std::make_unique<DeviceSearch>(m_env->session.Discovery(), m_env->loop);
    auto found = [this](const std::vector<FoundDevice>& devices) { OnDevicesFound(devices); };
    if (m_options.command == CliCommand::kDiscover) {
        m_search->Run(found, m_options.searchTarget);
    } else {
        m_search->Find(m_options.deviceIp, found);
    }
}

void Tamselctl::ListDevices(const std::vector<FoundDevice>& devices) {
    RememberDiscovered(devices);
    const std::wstring dropped = m_env->session.Discovery().DroppedAnswersNote();
    if (!dropped.empty()) {
        // Why the list lacks repeaters that answered; it says more than where the search
        // went.
        WriteErr(dropped);
    } else if (devices.empty()) {
        std::wstring why;
        if (m_options.searchTarget) {
            why = ExplainNothingFoundAt(*m_options.searchTarget);
        } else if (m_env->readAdapters) {
            const std::optional<std::vector<AdapterInfo>> adapters = m_env->readAdapters();
            why = ExplainNothingFound(adapters ? DescribeBroadcastScope(*adapters) : SearchScope{},
                                      LoadString(kCliAddressSearchHint));
        }
        if (!why.empty()) {
            WriteErr(EscapeControls(why));
        }
        // Nobody counted the answers (the user may not watch them): the firewall that
        // would drop them, if one is active.
        const std::wstring firewall = m_env->session.Discovery().LikelyFirewallNote();
        if (!firewall.empty()) {
            WriteErr(firewall);
        }
    }
    const ExitCode code = dropped.empty() ? ExitCode::kSuccess : ExitCode::kFirewall;
    if (m_options.csv) {
        Succeed(ExportDeviceList(devices, DeviceListFormat::kCsv), std::wstring(), code);
    } else {
        Succeed(FormatDevices(devices, m_options.json), std::wstring(), code);
    }
}

void Tamselctl::OnDevicesFound(const std::vector<FoundDevice>& devices) {
    if (m_options.command == CliCommand::kDiscover) {
        ListDevices(devices);
        return;
    }
    const FoundDevice* device = FindDeviceByIp(devices, m_options.deviceIp);
    if (device == nullptr) {
        const std::wstring dropped = m_env->session.Discovery().DroppedAnswersNote();
        WriteErr(FormatString(kCliNoAnswer, {EscapeControls(m_options.deviceIp)}));
        Fail(Verdict{dropped.empty() ? ExitCode::kNetwork : ExitCode::kFirewall, 0, dropped});
        return;
    }
    if (device->model != kSupportedModel) {
        Fail(Verdict{ExitCode::kRefused, 0,
                     FormatString(kCliOtherModel, {EscapeControls(m_options.deviceIp),
                                                   EscapeControls(device->model)})});
        return;
    }
    if (m_options.command == CliCommand::kOpen) {
        OpenDevice(device->subnet);
        return;
    }
    const DeviceLogin login =
        MakeDeviceLogin(device->userName, device->password, device->ip, device->mac);
    m_target = LoginTarget(login, device->subnet);
    m_devicePassword = login.password;
    m_login = login;
    m_loginMask = device->subnet;
    PrepareHost(m_loginMask, [this] {
        if (!EndedByFullHost()) {
            RunCommand();
        }
    });
}

void Tamselctl::RunCommand() {
    switch (m_options.command) {
        case CliCommand::kStatus:
            RunOperation(OperationFor(),
                         [this] { Succeed(FormatStatus(m_status, m_options.json)); });
            return;
        case CliCommand::kSurvey:
            RunOperation(OperationFor(),
                         [this] { Succeed(FormatSurvey(m_networks, m_options.json)); });
            return;
        case CliCommand::kBridge:
            RunBridge();
            return;
        case CliCommand::kSetIp:
            RunOperation(OperationFor(),
                         [this] { Succeed("", FormatString(kCliNewAddress, {m_newIp})); });
            return;
        case CliCommand::kSetPassword:
            if (const Verdict check = CheckPassword(m_devicePassword); !check.Ok()) {
                Fail(check);
                return;
            }
            RunOperation(OperationFor(), [this] { Succeed("", LoadString(kCliPasswordChanged)); });
            return;
        case CliCommand::kUpgrade:
            StartUploadProgress();
            RunOperation(OperationFor(), [this] {
                Succeed(WideToUtf8(FormatString(kCliFirmwareVersion,
                                                {EscapeControls(m_status.firmwareVersion)})) +
                        "\n");
            });
            return;
        case CliCommand::kReboot:
            RunOperation(OperationFor(), [this] { Succeed("", LoadString(kCliRebooting)); });
            return;
        case CliCommand::kReset:
            RunOperation(OperationFor(), [this] { Succeed("", LoadString(kCliFactoryReset)); });
            return;
        case CliCommand::kApply:
            m_apply->Start({m_login.userName, m_login.password, m_login.ipAddress,
                            m_login.macAddress, m_loginMask},
                           [this](int code) { End(code); });
            return;
        default:
            End(static_cast<int>(ExitCode::kUsage));
    }
}

void Tamselctl::PrepareHost(const std::wstring& mask, std::function<void()> then) {
    if (m_env->hostSetup == nullptr) {
        then();
        return;
    }
    m_afterSetup = std::move(then);
    const std::wstring ip = m_options.deviceIp;
    const std::wstring line = FormatString(
        kCliWaitingForPlace, {std::to_wstring(m_options.addressWaitSeconds), EscapeControls(ip)});
    m_setupThread = std::thread([this, ip, mask, line] {
        m_setupResult = m_placeWait->Prepare(ip, mask, [&line] { WriteErr(line); });
        m_setupDone = true;
    });
    m_setupTimer = m_env->loop.StartTimer(kOpenPollMs, [this] { PollHostSetup(); });
}

void Tamselctl::PollHostSetup() {
    if (!m_setupDone) {
        return;
    }
    m_env->loop.StopTimer(m_setupTimer);
    m_setupTimer = 0;
    m_setupThread.join();
    if (std::function<void()> then = std::exchange(m_afterSetup, nullptr)) {
        then();
    }
}

bool Tamselctl::EndedByFullHost() {
    if (m_setupResult.Reached()) {
        return false;
    }
    const HostSetupFailure& failure = m_setupResult.Failure();
    if (failure.kind != HostSetupFailure::Kind::kHostFull) {
        return false;
    }
    Fail(Verdict{ExitCode::kNetwork, 0, failure.detail});
    return true;
}

void Tamselctl::OpenDevice(const std::wstring& mask) {
    PrepareHost(mask, [this] { OpenWhenReady(); });
}

void Tamselctl::OpenWhenReady() {
    if (m_env->hostSetup == nullptr) {
        ShowPage();
        return;
    }
    if (!m_setupResult.Reached()) {
        const HostSetupFailure& failure = m_setupResult.Failure();
        if (failure.Known()) {
            const bool refused = failure.kind == HostSetupFailure::Kind::kDeviceRefused;
            Fail(Verdict{refused ? ExitCode::kUsage : ExitCode::kNetwork, 0, failure.detail});
        } else {
            Fail(Verdict{ExitCode::kNetwork, kMsgRepeaterTimeout, std::wstring()});
        }
        return;
    }
    if (const std::optional<HostAddressContext> temp = m_env->hostSetup->TempAddress()) {
        m_holding = true;
        WriteErr(FormatString(kCliOpenHolding,
                              {FormatIpv4(temp->address), EscapeControls(m_options.deviceIp)}));
    }
    ShowPage();
}

// A browser on the desktop when there is one, else the URL on standard output; a held
// address stays until the user ends tamselctl.
void Tamselctl::ShowPage() {
    const std::string url = DeviceWebUrl(ParseIpv4(m_options.deviceIp).value_or(0));
    bool opened = false;
    if (m_env->desktop && m_env->openUrl) {
        m_openerPid = m_env->openUrl(url);
        opened = m_openerPid > 0;
        if (!opened) {
            WriteErr(LoadString(kCliNoUrlOpener));
        }
    }
    if (!opened && (std::fprintf(stdout, "%s\n", url.c_str()) < 0 || std::fflush(stdout) != 0)) {
        WriteErr(LoadString(kCliWriteFailed));
        End(static_cast<int>(ExitCode::kInternal));
        return;
    }
    if (!m_holding) {
        End(static_cast<int>(ExitCode::kSuccess));
    }
}

void Tamselctl::RunBridge() {
    if (m_options.security) {
        BridgeTo(*m_options.security, *m_options.channel);
        return;
    }
    // Security and channel of the network as the repeater hears it, as the page takes
    // them from the chosen row of its survey list.
    RunOperation(SurveyOperation(m_networks), [this] {
        for (const SurveyNetwork& network : m_networks) {
            if (network.ssid == m_options.ssid) {
                BridgeTo(network.keyword, network.channel);
                return;
            }
        }
        Fail(UsageVerdict(0, FormatString(kCliNoSuchNetwork, {EscapeControls(m_options.ssid)})));
    });
}

void Tamselctl::BridgeTo(const std::wstring& keyword, const std::wstring& channel) {
    DeviceOperation operation;
    if (const Verdict check = PlanBridge(keyword, channel, operation); !check.Ok()) {
        Fail(check);
        return;
    }
    RunOperation(std::move(operation), [this] {
        Succeed("", FormatString(kCliBridged, {EscapeControls(m_options.ssid)}));
    });
}

Verdict Tamselctl::PlanBridge(const std::wstring& keyword, const std::wstring& channel,
                              DeviceOperation& operation) const {
    const BridgeSecurity security = CheckBridgeKey(keyword, m_options.key);
    if (!security.Accepted()) {
        return UsageVerdict(security.messageId);
    }
    operation = BridgeOperation(RepeaterSettingsFor(m_options.ssid, channel, keyword, m_options.key,
                                                    m_options.keyIndex - 1),
                                RestartHandling::kRebootStep);
    return Verdict::Success();
}

void Tamselctl::RunOperation(DeviceOperation operation, std::function<void()> onSuccess) {
    m_onSuccess = std::move(onSuccess);
    m_runner->Start(std::move(operation), m_target, *this);
}

void Tamselctl::OnOutcome(OperationOutcome outcome) {
    // The upgrade's REBOOT is on its way: what follows is the wait for the device.
    if (outcome == OperationOutcome::kRebootQueued && !m_waitAnnounced) {
        m_waitAnnounced = true;
        WriteErr(FormatString(kCliWaitingForDevice, {std::to_wstring(m_options.waitSeconds)}));
    }
}

void Tamselctl::OnFailed(const OperationFailure& failure) {
    Fail(VerdictOf(failure.verdict));
}

void Tamselctl::OnFinished() {
    // The next operation (a bridging after its survey) may be started from here.
    std::function<void()> onSuccess = std::exchange(m_onSuccess, nullptr);
    if (onSuccess) {
        onSuccess();
    }
}

Verdict Tamselctl::CheckPassword(const std::wstring& devicePassword) const {
    const InputVerdict check =
        CheckPasswordChange(m_typedOld, devicePassword, m_typedNew, m_typedRepeat);
    return check.messageId == 0 ? Verdict::Success() : UsageVerdict(check.messageId);
}

void Tamselctl::ObserveResult(const WebResult& result) {
    if (EqualsIgnoreCase(result.command, kCommandUpload)) {
        ShowUploadProgress(true);
    }
    if (m_options.verbose) {
        WriteErr(FormatString(kCliCommandEnded, {result.command, std::to_wstring(result.code),
                                                 CompletionCodeName(result.code),
                                                 std::to_wstring(result.response.size())}));
    }
}

void Tamselctl::StartUploadProgress() {
    if (m_env->meter != nullptr && m_progressTimer == 0) {
        m_progressTimer =
            m_env->loop.StartTimer(kProgressPeriodMs, [this] { ShowUploadProgress(false); });
    }
}

// A bar redrawn in place on a terminal; elsewhere a line at every tenth.
void Tamselctl::ShowUploadProgress(bool final) {
    if (m_progressTimer == 0) {
        return;
    }
    const SendProgress progress = m_env->meter->StreamProgress();
    if (final) {
        m_env->loop.StopTimer(m_progressTimer);
        m_progressTimer = 0;
    }
    if (progress.total == 0) {
        return;
    }
    const std::string bar = FormatProgressBar(progress.sent, progress.total, kProgressBarCells);
    if (IsTerminal(stderr)) {
        std::fprintf(stderr, "\r%s%s", bar.c_str(), final ? "\n" : "");
    } else {
        const int tenth = static_cast<int>(progress.sent * 10 / progress.total);
        if (tenth != m_lastProgressTenth) {
            m_lastProgressTenth = tenth;
            std::fprintf(stderr, "%s\n", bar.c_str());
        }
    }
    std::fflush(stderr);
}

void Tamselctl::Succeed(const std::string& output, const std::wstring& note, ExitCode code) {
    if (!output.empty() && (std::fwrite(output.data(), 1, output.size(), stdout) != output.size() ||
                            std::fflush(stdout) != 0)) {
        WriteErr(LoadString(kCliWriteFailed));
        End(static_cast<int>(ExitCode::kInternal));
        return;
    }
    if (!note.empty()) {
        WriteErr(note);
    }
    End(static_cast<int>(code));
}

void Tamselctl::Fail(const Verdict& verdict) {
    if (m_apply) {
        // Before the apply could reach the repeater: its result object says why (a search
        // that found nothing has said so on its own line).
        PrintFailure(verdict);
        Verdict reported = verdict;
        if (reported.messageId == 0 && reported.detail.empty()) {
            reported.detail = FormatString(kCliNoAnswer, {EscapeControls(m_options.deviceIp)});
        }
        m_apply->FailBeforeRead(reported, [this](int code) { End(code); });
        return;
    }
    PrintFailure(verdict);
    End(static_cast<int>(verdict.exitCode));
}

void Tamselctl::End(int exitCode) {
    if (m_ended) {
        return;
    }
    m_ended = true;
    if (m_progressTimer != 0) {
        m_env->loop.StopTimer(m_progressTimer);
        m_progressTimer = 0;
    }
    if (m_finished) {
        m_finished(exitCode);
    }
}
