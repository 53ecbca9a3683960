#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/discovery_datagrams.h"

// One network the simulated radio "hears" in a site survey.
struct SurveyNetwork {
    std::string ssid;
    std::string bssid;
    std::string channel;
    std::string encryption;  // "NONE", "WEP", "TKIP", "AES"
    std::string wpaKind;     // "WPAPSK", "WPA2PSK" or empty
    std::string signal;
    std::string mode;
};

// Parses "ssid|bssid|channel|encryption|wpakind|signal|mode" (exactly seven fields).
std::optional<SurveyNetwork> ParseSurveyNetwork(std::string_view text);
std::vector<SurveyNetwork> DefaultSurveyNetworks();

// Ways the simulated device can misbehave towards HTTP clients and searchers. Settable on
// the command line and replaceable at run time through the control file. They combine:
// "endless-body" with "slow-ms" is a steady trickle, "huge-page" with "nul-bytes" a huge
// page full of zero bytes.
struct Misbehaviour {
    static constexpr size_t kDefaultChunkBytes = 64;

    bool keepOpen = false;                   // never close a connection after answering
    bool silent = false;                     // read requests, never answer
    int slowMs = 0;                          // pause between small chunks of every answer
    size_t chunkBytes = kDefaultChunkBytes;  // size of those chunks
    int forcedStatus = 0;                    // answer every request with this status (401, 500)
    bool nulInResponse = false;              // a zero byte in the middle of every page
    size_t nulBytes = 0;           // a zero byte in the status line and this many in each body
    bool refuse = false;           // no listener on the HTTP port
    bool noDiscovery = false;      // ignore search requests
    bool endlessBody = false;      // no Content-Length; after the page's content, text forever
    uint64_t hugePageBytes = 0;    // this much more text in every page (an HTML comment)
    uint64_t surveyBombBytes = 0;  // the survey page: apCount 300, this much text, </font>
    bool escapeValues = false;     // terminal control sequences in the values the device reports
    int badDatagrams = 0;          // invalid datagrams sent before each discovery reply
};
// Applies one misbehaviour option by its long name ("keep-open", "slow-ms", ...), as used
// both on the command line and in the control file. Returns an error text or empty.
std::string ApplyMisbehaviour(Misbehaviour& target, std::string_view name, std::string_view value);
// The control file: one option per line ("slow-ms 50", "keep-open"), '#' comments. The
// file describes the whole run-time behaviour: options not named are off.
std::optional<Misbehaviour> ParseControlText(std::string_view text, std::string* error);
std::string DescribeMisbehaviour(const Misbehaviour& misbehaviour);

enum class ReplyTarget { kBroadcast, kUnicast };

struct SimOptions {
    MacAddress mac{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    std::string model = "KV-Q3150Tx";
    std::string ip = "192.168.1.1";
    std::string mask = "255.255.255.0";
    std::string interfaceName;  // empty: the address is only reported, never applied
    std::string user = "admin";
    std::string password = "admin";
    std::string firmwareVersion = "1.3.07 (Jun 14 2011)";
    bool dhcp = true;
    std::vector<SurveyNetwork> survey = DefaultSurveyNetworks();
    int rebootSeconds = 3;
    int upgradeSeconds = 5;
    ReplyTarget reply = ReplyTarget::kBroadcast;
    size_t replyLength = kSearchReplySize;
    std::string logPath;
    std::string controlPath;
    std::string readyPath;
    std::string bindAddress;  // empty: every local address
    uint16_t httpPort = 80;
    uint16_t discoveryPort = kDiscoveryPort;
    Misbehaviour misbehaviour;
};

struct OptionsResult {
    std::optional<SimOptions> options;  // empty when the program should exit
    int exitCode = 0;                   // 0 after --help, 2 after a usage error
    std::string message;                // help text or error
};

OptionsResult ParseSimOptions(int argc, char** argv);
