#pragma once

#include <optional>
#include <string>
#include <vector>

#include "discovery/search_target.h"

// What the user asked tamselctl for, read from its arguments.

enum class CliCommand {
    kHelp,
    kVersion,
    kDiscover,
    kStatus,
    kSurvey,
    kBridge,
    kSetIp,
    kSetPassword,
    kUpgrade,
    kReboot,
    kReset,
    kOpen,
    kApply,
};

struct CliOptions {
    CliCommand command = CliCommand::kHelp;
    std::wstring deviceIp;  // every command but discover

    bool json = false;
    bool csv = false;  // discover
    bool dryRun = false;
    bool verbose = false;

    // discover: where to search instead of broadcasting on the LAN.
    std::optional<SearchTarget> searchTarget;

    // Credentials given on the command line; without them the device is searched for and
    // its discovery reply supplies them (and its subnet mask). The password may come from
    // a file instead (--password-file, "-" for standard input) or from the environment
    // (TAMSEL_PASSWORD); Tamselctl::Prepare reads them in that order.
    std::optional<std::wstring> user;
    std::optional<std::wstring> password;
    std::optional<std::string> passwordFile;
    std::optional<std::wstring> environmentPassword;
    std::wstring deviceMask = L"255.255.255.0";
    bool deviceMaskGiven = false;  // open: no search is needed for the mask

    // bridge
    std::wstring ssid;
    std::wstring key;
    std::optional<std::string> keyFile;
    int keyIndex = 1;                      // 1-4, as the page's "Key 1" ... "Key 4"
    std::optional<std::wstring> security;  // "none", "wep", "tkip", "aes"
    std::optional<std::wstring> channel;

    // set-ip
    std::wstring newIp;
    std::wstring newMask = L"255.255.255.0";
    bool dhcpOn = false;

    // set-password
    std::optional<std::wstring> oldPassword;
    std::optional<std::wstring> newPassword;
    std::optional<std::string> oldFile;
    std::optional<std::string> newFile;

    // upgrade
    std::string firmwarePath;  // as given, bytes of the file system's name
    unsigned waitSeconds = 180;

    // apply: the desired state's file ("-": standard input), whether only to read and say
    // what would change, and whether to give the fields before and after.
    std::string stateFile = "-";
    bool check = false;
    bool diff = false;

    // How long to wait for one of the host's places for temporary addresses while other
    // programs hold them all.
    unsigned addressWaitSeconds = 600;

    // Credentials are taken from the command line, not from discovery.
    bool HasCredentials() const { return password.has_value(); }
    // A password is given in some way (an option, a file or the environment).
    bool PasswordGiven() const { return password || passwordFile || environmentPassword; }
};

struct CommandLine {
    std::optional<CliOptions> options;  // set when the arguments were understood
    std::wstring error;                 // why they were not
};

// Reads the arguments after the program name. Options may come before or after the
// command's operands, as "--name value" or "--name=value"; "--" ends the options.
// `environmentPassword` is TAMSEL_PASSWORD's value, when set.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::optional<std::string>& environmentPassword = std::nullopt);

// True for dotted-decimal IPv4 text that inet_pton accepts (four numbers 0-255).
bool IsDottedIpv4(const std::wstring& text);
