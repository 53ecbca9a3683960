#include "cli/command_line.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cwctype>
#include <functional>

#include "cli/text.h"
#include "platform/ansi_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

// Bit per command, for the table of which options a command takes.
constexpr unsigned Bit(CliCommand command) {
    return 1u << static_cast<unsigned>(command);
}
constexpr unsigned kDeviceCommands = Bit(CliCommand::kStatus) | Bit(CliCommand::kSurvey) |
                                     Bit(CliCommand::kBridge) | Bit(CliCommand::kSetIp) |
                                     Bit(CliCommand::kSetPassword) | Bit(CliCommand::kUpgrade) |
                                     Bit(CliCommand::kReboot) | Bit(CliCommand::kReset);
// The commands that log in to a repeater.
constexpr unsigned kLoginCommands = kDeviceCommands | Bit(CliCommand::kApply);
constexpr unsigned kAllCommands =
    kLoginCommands | Bit(CliCommand::kDiscover) | Bit(CliCommand::kOpen);

struct CommandName {
    const char* name;
    CliCommand command;
    size_t operands;  // positional arguments after the command
};

constexpr CommandName kCommands[] = {
    {"discover", CliCommand::kDiscover, 0}, {"status", CliCommand::kStatus, 1},
    {"survey", CliCommand::kSurvey, 1},     {"bridge", CliCommand::kBridge, 1},
    {"set-ip", CliCommand::kSetIp, 1},      {"set-password", CliCommand::kSetPassword, 1},
    {"upgrade", CliCommand::kUpgrade, 2},   {"reboot", CliCommand::kReboot, 1},
    {"reset", CliCommand::kReset, 1},       {"open", CliCommand::kOpen, 1},
    {"apply", CliCommand::kApply, 2},       {"help", CliCommand::kHelp, 0},
};

// Outcome of applying one option: empty when accepted, else the reason.
using Apply = std::function<std::wstring(CliOptions&, const std::wstring& value)>;

struct OptionRule {
    const char* name;
    bool takesValue;
    unsigned commands;
    Apply apply;
};

bool IsDecimal(const std::wstring& text, size_t maxDigits) {
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return text;
}

const std::vector<OptionRule>& Options() {
    static const std::vector<OptionRule> options = {
        // apply always answers in JSON; --json is taken there so that callers may ask for
        // it as they do of status and discover.
        {"json", false,
         Bit(CliCommand::kDiscover) | Bit(CliCommand::kStatus) | Bit(CliCommand::kSurvey) |
             Bit(CliCommand::kApply),
         [](CliOptions& o, const std::wstring&) {
             o.json = true;
             return std::wstring();
         }},
        {"csv", false, Bit(CliCommand::kDiscover),
         [](CliOptions& o, const std::wstring&) {
             o.csv = true;
             return std::wstring();
         }},
        {"address", true, Bit(CliCommand::kDiscover),
         [](CliOptions& o, const std::wstring& v) {
             SearchTargetParse parsed = ParseSearchTarget(v);
             o.searchTarget = parsed.target;
             return parsed.reason;
         }},
        {"dry-run", false, kLoginCommands,
         [](CliOptions& o, const std::wstring&) {
             o.dryRun = true;
             return std::wstring();
         }},
        {"check", false, Bit(CliCommand::kApply),
         [](CliOptions& o, const std::wstring&) {
             o.check = true;
             return std::wstring();
         }},
        {"diff", false, Bit(CliCommand::kApply),
         [](CliOptions& o, const std::wstring&) {
             o.diff = true;
             return std::wstring();
         }},
        {"address-wait", true, kLoginCommands | Bit(CliCommand::kOpen),
         [](CliOptions& o, const std::wstring& v) {
             if (!IsDecimal(v, 5)) {
                 return LoadString(kCliAddressWaitValue);
             }
             o.addressWaitSeconds = static_cast<unsigned>(std::stoul(v));
             return std::wstring();
         }},
        {"password-file", true, kLoginCommands,
         [](CliOptions& o, const std::wstring& v) {
             o.passwordFile = WideToUtf8(v);
             return std::wstring();
         }},
        {"key-file", true, Bit(CliCommand::kBridge),
         [](CliOptions& o, const std::wstring& v) {
             o.keyFile = WideToUtf8(v);
             return std::wstring();
         }},
        {"old-file", true, Bit(CliCommand::kSetPassword),
         [](CliOptions& o, const std::wstring& v) {
             o.oldFile = WideToUtf8(v);
             return std::wstring();
         }},
        {"new-file", true, Bit(CliCommand::kSetPassword),
         [](CliOptions& o, const std::wstring& v) {
             o.newFile = WideToUtf8(v);
             return std::wstring();
         }},
        {"verbose", false, kAllCommands,
         [](CliOptions& o, const std::wstring&) {
             o.verbose = true;
             return std::wstring();
         }},
        {"user", true, kLoginCommands,
         [](CliOptions& o, const std::wstring& v) {
             o.user = v;
             return std::wstring();
         }},
        {"password", true, kLoginCommands,
         [](CliOptions& o, const std::wstring& v) {
             o.password = v;
             return std::wstring();
         }},
        {"device-mask", true, kLoginCommands | Bit(CliCommand::kOpen),
         [](CliOptions& o, const std::wstring& v) {
             o.deviceMask = v;
             o.deviceMaskGiven = true;
             return IsDottedIpv4(v) ? std::wstring() : FormatString(kCliNotIpv4, {v});
         }},
        // The device's mask, except for set-ip, where it is the new LAN mask (checked by
        // the page's rules later, with their messages).
        {"mask", true, kLoginCommands | Bit(CliCommand::kOpen),
         [](CliOptions& o, const std::wstring& v) {
             if (o.command == CliCommand::kSetIp) {
                 o.newMask = v;
                 return std::wstring();
             }
             o.deviceMask = v;
             o.deviceMaskGiven = true;
             return IsDottedIpv4(v) ? std::wstring() : FormatString(kCliNotIpv4, {v});
         }},
        {"ssid", true, Bit(CliCommand::kBridge),
         [](CliOptions& o, const std::wstring& v) {
             o.ssid = v;
             return std::wstring();
         }},
        {"key", true, Bit(CliCommand::kBridge),
         [](CliOptions& o, const std::wstring& v) {
             o.key = v;
             return std::wstring();
         }},
        {"key-index", true, Bit(CliCommand::kBridge),
         [](CliOptions& o, const std::wstring& v) {
             if (v.size() != 1 || v[0] < L'1' || v[0] > L'4') {
                 return LoadString(kCliKeyIndexRange);
             }
             o.keyIndex = v[0] - L'0';
             return std::wstring();
         }},
        {"security", true, Bit(CliCommand::kBridge),
         [](CliOptions& o, const std::wstring& v) {
             const std::wstring lower = Lower(v);
             if (lower != L"none" && lower != L"wep" && lower != L"tkip" && lower != L"aes") {
                 return LoadString(kCliSecurityValue);
             }
             o.security = lower;
             return std::wstring();
         }},
        // The channel is inserted into the form unescaped, so only a number may pass.
        {"channel", true, Bit(CliCommand::kBridge),
         [](CliOptions& o, const std::wstring& v) {
             if (!IsDecimal(v, 3) || std::stoi(v) < 1 || std::stoi(v) > 196) {
                 return LoadString(kCliChannelRange);
             }
             o.channel = v;
             return std::wstring();
         }},
        {"ip", true, Bit(CliCommand::kSetIp),
         [](CliOptions& o, const std::wstring& v) {
             o.newIp = v;
             return std::wstring();
         }},
        {"dhcp", true, Bit(CliCommand::kSetIp),
         [](CliOptions& o, const std::wstring& v) {
             const std::wstring lower = Lower(v);
             if (lower != L"on" && lower != L"off") {
                 return LoadString(kCliDhcpValue);
             }
             o.dhcpOn = lower == L"on";
             return std::wstring();
         }},
        {"old", true, Bit(CliCommand::kSetPassword),
         [](CliOptions& o, const std::wstring& v) {
             o.oldPassword = v;
             return std::wstring();
         }},
        {"new", true, Bit(CliCommand::kSetPassword),
         [](CliOptions& o, const std::wstring& v) {
             o.newPassword = v;
             return std::wstring();
         }},
        {"wait", true, Bit(CliCommand::kUpgrade),
         [](CliOptions& o, const std::wstring& v) {
             if (!IsDecimal(v, 5)) {
                 return LoadString(kCliWaitValue);
             }
             o.waitSeconds = static_cast<unsigned>(std::stoul(v));
             return std::wstring();
         }},
    };
    return options;
}

const OptionRule* FindOption(const std::string& name) {
    for (const OptionRule& rule : Options()) {
        if (name == rule.name) {
            return &rule;
        }
    }
    return nullptr;
}

const CommandName* FindCommand(const std::string& name) {
    for (const CommandName& entry : kCommands) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

CommandLine Fail(std::wstring why) {
    return CommandLine{std::nullopt, std::move(why)};
}

// Checks that need all options read.
std::wstring CheckCombination(const CliOptions& o) {
    if (o.json && o.csv) {
        return LoadString(kCliJsonOrCsv);
    }
    if (o.command == CliCommand::kApply && o.dryRun) {
        return LoadString(kApplyDryRun);
    }
    // apply's desired state may give the password too.
    if (o.user && !o.PasswordGiven() && o.command != CliCommand::kApply) {
        return LoadString(kCliUserNeedsPassword);
    }
    if (o.dryRun && !o.PasswordGiven()) {
        return LoadString(kCliDryRunNeedsPassword);
    }
    if (o.command == CliCommand::kBridge) {
        if (o.ssid.empty()) {
            return LoadString(kCliBridgeNeedsSsid);
        }
        if (o.security.has_value() != o.channel.has_value() || (o.dryRun && !o.security)) {
            return LoadString(kCliSecurityWithChannel);
        }
    }
    if (o.command == CliCommand::kSetIp && o.newIp.empty()) {
        return LoadString(kCliSetIpNeedsIp);
    }
    return std::wstring();
}

}  // namespace

bool IsDottedIpv4(const std::wstring& text) {
    if (text.empty() || text.size() > 15 || !std::all_of(text.begin(), text.end(), [](wchar_t c) {
            return (c >= L'0' && c <= L'9') || c == L'.';
        })) {
        return false;
    }
    in_addr address{};
    return inet_pton(AF_INET, WideToAnsi(text).c_str(), &address) == 1;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::optional<std::string>& environmentPassword) {
    CliOptions options;
    if (environmentPassword) {
        options.environmentPassword = Utf8ToWide(*environmentPassword);
    }
    const CommandName* command = nullptr;
    std::vector<std::string> operands;
    // Options are applied once the command is known, since "--mask" depends on it.
    std::vector<std::pair<const OptionRule*, std::wstring>> given;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (command == nullptr) {
                command = FindCommand(argument);
                if (command == nullptr) {
                    return Fail(FormatString(kCliUnknownCommand, {Utf8ToWide(argument)}));
                }
            } else {
                operands.push_back(argument);
            }
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            help = true;
            continue;
        }
        if (argument == "--version") {
            version = true;
            continue;
        }
        std::string name = argument == "-v" ? "--verbose" : argument;
        if (name.rfind("--", 0) != 0) {
            return Fail(FormatString(kCliUnknownOption, {Utf8ToWide(argument)}));
        }
        name = name.substr(2);
        std::optional<std::string> inlineValue;
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const OptionRule* rule = FindOption(name);
        if (rule == nullptr) {
            return Fail(FormatString(kCliUnknownOption, {Utf8ToWide(argument)}));
        }
        std::wstring value;
        if (rule->takesValue) {
            if (inlineValue) {
                value = Utf8ToWide(*inlineValue);
            } else if (i + 1 < arguments.size()) {
                value = Utf8ToWide(arguments[++i]);
            } else {
                return Fail(FormatString(kCliOptionNeedsValue, {L"--" + Utf8ToWide(name)}));
            }
        } else if (inlineValue) {
            return Fail(FormatString(kCliUnknownOption, {Utf8ToWide(argument)}));
        }
        given.emplace_back(rule, std::move(value));
    }

    if (version && !help) {
        options.command = CliCommand::kVersion;
        return CommandLine{options, std::wstring()};
    }
    if (help || command == nullptr || command->command == CliCommand::kHelp) {
        if (!help && command == nullptr) {
            return Fail(LoadString(kCliNoCommand));
        }
        options.command = CliCommand::kHelp;
        return CommandLine{options, std::wstring()};
    }
    options.command = command->command;
    const std::wstring commandName = Utf8ToWide(command->name);

    for (const auto& [rule, value] : given) {
        if ((rule->commands & Bit(options.command)) == 0) {
            return Fail(FormatString(kCliOptionNotApplicable,
                                     {L"--" + Utf8ToWide(rule->name), commandName}));
        }
        if (std::wstring why = rule->apply(options, value); !why.empty()) {
            return Fail(why);
        }
    }

    // upgrade's image may be left out: that is the empty name the page answers with 204;
    // apply's desired state then comes from standard input.
    const size_t needed = command->operands;
    const bool secondOptional =
        options.command == CliCommand::kUpgrade || options.command == CliCommand::kApply;
    const size_t required = secondOptional ? 1 : needed;
    if (operands.size() < required) {
        return Fail(FormatString(kCliNeedsDeviceIp, {commandName}));
    }
    if (operands.size() > needed) {
        return Fail(FormatString(kCliUnexpectedArgument, {Utf8ToWide(operands[needed])}));
    }
    if (needed >= 1) {
        options.deviceIp = Utf8ToWide(operands[0]);
        if (!IsDottedIpv4(options.deviceIp)) {
            return Fail(FormatString(kCliNotIpv4, {options.deviceIp}));
        }
    }
    if (options.command == CliCommand::kUpgrade && operands.size() == 2) {
        options.firmwarePath = operands[1];
    }
    if (options.command == CliCommand::kApply && operands.size() == 2) {
        options.stateFile = operands[1];
    }
    if (std::wstring why = CheckCombination(options); !why.empty()) {
        return Fail(why);
    }
    return CommandLine{options, std::wstring()};
}
