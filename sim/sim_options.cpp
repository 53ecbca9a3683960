#include "sim/sim_options.h"

#include <getopt.h>

#include <charconv>
#include <sstream>

#include "sim/text_codec.h"

namespace {

constexpr char kUsage[] =
    "Usage: tamsel-sim [OPTION]...\n"
    "A simulated KV-Q3150Tx wireless repeater: answers discovery on UDP 13379 and serves\n"
    "the device's web management pages on TCP 80.\n"
    "\n"
    "Device:\n"
    "  --mac MAC               hardware address (default 00:1a:2b:3c:4d:5e)\n"
    "  --model TEXT            model string of discovery replies (default KV-Q3150Tx)\n"
    "  --ip ADDR --mask MASK   LAN address (default 192.168.1.1 / 255.255.255.0)\n"
    "  --interface IF          interface whose address a reboot changes (default: none)\n"
    "  --user TEXT --password TEXT   web login (default admin / admin)\n"
    "  --firmware-version TEXT runtime code version\n"
    "  --dhcp on|off           DHCP server state (default on)\n"
    "  --survey-network 'ssid|bssid|channel|encryption|wpakind|signal|mode'  (repeatable;\n"
    "                          replaces the default networks)\n"
    "  --no-survey-networks    the survey finds nothing\n"
    "  --reboot-seconds N      downtime of a reboot (default 3)\n"
    "  --upgrade-seconds N     downtime after a firmware upload (default 5)\n"
    "\n"
    "Transport:\n"
    "  --reply broadcast|unicast  discovery replies to 255.255.255.255 or to the sender\n"
    "  --reply-length N        size of discovery replies (default 424)\n"
    "  --bind ADDR             HTTP listening address (default: every address)\n"
    "  --http-port N --discovery-port N\n"
    "\n"
    "Test support:\n"
    "  --log FILE              framed log of every request received (raw bytes)\n"
    "  --ready-file FILE       created once every socket listens\n"
    "  --control FILE          misbehaviour options re-read on SIGUSR1\n"
    "\n"
    "Misbehaviour (also in the control file, one per line without the dashes):\n"
    "  --keep-open             never close a connection after answering\n"
    "  --silent                read requests, never answer\n"
    "  --slow-ms N             pause N ms between chunks of every answer\n"
    "  --chunk-bytes N         size of those chunks (default 64)\n"
    "  --byte-per-second       one byte per second: --slow-ms 1000 --chunk-bytes 1\n"
    "  --status 401|500        answer every request with this status\n"
    "  --nul-in-response       one zero byte in the middle of every page\n"
    "  --nul-bytes N           a zero byte in the status line and N spread over every page\n"
    "  --refuse                no listener on the HTTP port\n"
    "  --no-discovery          ignore search requests\n"
    "Hostile device (also in the control file):\n"
    "  --endless-body          status line and headers without a length, the page up to\n"
    "                          </body>, then text that never ends (as fast as the client\n"
    "                          reads, or paced by --slow-ms)\n"
    "  --huge-page MIB         MIB mebibytes more text in every page, then the close\n"
    "  --survey-bomb BYTES     the survey page: an apCount of 300, BYTES of text, </font>\n"
    "  --escape-values         terminal control sequences (ESC, CSI, OSC title, CR, BEL,\n"
    "                          the C1 byte 0x9b) in the model, mask, firmware version,\n"
    "                          interface values and survey fields\n"
    "  --bad-datagrams N       before each discovery reply, N invalid datagrams to the\n"
    "                          searcher: empty, 1 byte, 423 bytes, 1025 and 2000 bytes,\n"
    "                          in turn; those long enough carry a decoy device\n"
    "\n"
    "  --help                  show this text\n"
    "  --version               show the version\n";

enum OptionId {
    kMac = 1000,
    kModel,
    kIp,
    kMask,
    kInterface,
    kUser,
    kPassword,
    kFirmware,
    kDhcp,
    kSurvey,
    kNoSurvey,
    kRebootSeconds,
    kUpgradeSeconds,
    kReply,
    kReplyLength,
    kBind,
    kHttpPort,
    kDiscoveryPortOption,
    kLog,
    kReady,
    kControl,
    kVersion,
    kHelp,
    // Misbehaviours, all handled by ApplyMisbehaviour under their long names.
    kKeepOpen,
    kSilent,
    kSlowMs,
    kChunkBytes,
    kBytePerSecond,
    kStatus,
    kNul,
    kNulBytes,
    kRefuse,
    kNoDiscovery,
    kEndlessBody,
    kHugePage,
    kSurveyBomb,
    kEscapeValues,
    kBadDatagrams,
};

const option kLongOptions[] = {
    {"mac", required_argument, nullptr, kMac},
    {"model", required_argument, nullptr, kModel},
    {"ip", required_argument, nullptr, kIp},
    {"mask", required_argument, nullptr, kMask},
    {"interface", required_argument, nullptr, kInterface},
    {"user", required_argument, nullptr, kUser},
    {"password", required_argument, nullptr, kPassword},
    {"firmware-version", required_argument, nullptr, kFirmware},
    {"dhcp", required_argument, nullptr, kDhcp},
    {"survey-network", required_argument, nullptr, kSurvey},
    {"no-survey-networks", no_argument, nullptr, kNoSurvey},
    {"reboot-seconds", required_argument, nullptr, kRebootSeconds},
    {"upgrade-seconds", required_argument, nullptr, kUpgradeSeconds},
    {"reply", required_argument, nullptr, kReply},
    {"reply-length", required_argument, nullptr, kReplyLength},
    {"bind", required_argument, nullptr, kBind},
    {"http-port", required_argument, nullptr, kHttpPort},
    {"discovery-port", required_argument, nullptr, kDiscoveryPortOption},
    {"log", required_argument, nullptr, kLog},
    {"ready-file", required_argument, nullptr, kReady},
    {"control", required_argument, nullptr, kControl},
    {"keep-open", no_argument, nullptr, kKeepOpen},
    {"silent", no_argument, nullptr, kSilent},
    {"slow-ms", required_argument, nullptr, kSlowMs},
    {"chunk-bytes", required_argument, nullptr, kChunkBytes},
    {"byte-per-second", no_argument, nullptr, kBytePerSecond},
    {"status", required_argument, nullptr, kStatus},
    {"nul-in-response", no_argument, nullptr, kNul},
    {"nul-bytes", required_argument, nullptr, kNulBytes},
    {"refuse", no_argument, nullptr, kRefuse},
    {"no-discovery", no_argument, nullptr, kNoDiscovery},
    {"endless-body", no_argument, nullptr, kEndlessBody},
    {"huge-page", required_argument, nullptr, kHugePage},
    {"survey-bomb", required_argument, nullptr, kSurveyBomb},
    {"escape-values", no_argument, nullptr, kEscapeValues},
    {"bad-datagrams", required_argument, nullptr, kBadDatagrams},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

std::optional<long long> ParseNumber(std::string_view text, long long low, long long high) {
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<SurveyNetwork> ParseSurveyNetwork(std::string_view text) {
    std::vector<std::string> fields;
    while (true) {
        size_t bar = text.find('|');
        fields.emplace_back(text.substr(0, bar));
        if (bar == std::string_view::npos) {
            break;
        }
        text.remove_prefix(bar + 1);
    }
    if (fields.size() != 7 || fields[0].empty()) {
        return std::nullopt;
    }
    return SurveyNetwork{fields[0], fields[1], fields[2], fields[3],
                         fields[4], fields[5], fields[6]};
}

std::vector<SurveyNetwork> DefaultSurveyNetworks() {
    return {
        {"HomeNet", "00:1d:7e:4a:10:01", "6", "AES", "WPA2PSK", "78", "AP"},
        {"Office WPA", "00:18:39:de:ad:01", "1", "TKIP", "WPAPSK", "64", "AP"},
        {"OldRouter", "00:0f:66:aa:bb:cc", "11", "WEP", "", "41", "AP"},
        {"Cafe Guest", "00:22:6b:11:22:33", "3", "NONE", "", "55", "AP"},
    };
}

std::string ApplyMisbehaviour(Misbehaviour& target, std::string_view name, std::string_view value) {
    if (name == "keep-open") {
        target.keepOpen = true;
    } else if (name == "silent") {
        target.silent = true;
    } else if (name == "nul-in-response") {
        target.nulInResponse = true;
    } else if (name == "refuse") {
        target.refuse = true;
    } else if (name == "no-discovery") {
        target.noDiscovery = true;
    } else if (name == "slow-ms") {
        auto ms = ParseNumber(value, 0, 60000);
        if (!ms) {
            return "slow-ms needs a number of milliseconds (0-60000)";
        }
        target.slowMs = static_cast<int>(*ms);
    } else if (name == "chunk-bytes") {
        auto bytes = ParseNumber(value, 1, 1 << 20);
        if (!bytes) {
            return "chunk-bytes needs a number of bytes (1-1048576)";
        }
        target.chunkBytes = static_cast<size_t>(*bytes);
    } else if (name == "byte-per-second") {
        target.slowMs = 1000;
        target.chunkBytes = 1;
    } else if (name == "nul-bytes") {
        auto count = ParseNumber(value, 1, 100'000'000);
        if (!count) {
            return "nul-bytes needs a number of zero bytes (1-100000000)";
        }
        target.nulBytes = static_cast<size_t>(*count);
    } else if (name == "endless-body") {
        target.endlessBody = true;
    } else if (name == "huge-page") {
        auto mebibytes = ParseNumber(value, 1, 4096);
        if (!mebibytes) {
            return "huge-page needs a size in MiB (1-4096)";
        }
        target.hugePageBytes = static_cast<uint64_t>(*mebibytes) << 20;
    } else if (name == "survey-bomb") {
        auto bytes = ParseNumber(value, 1, 1LL << 32);
        if (!bytes) {
            return "survey-bomb needs a number of bytes (1-4294967296)";
        }
        target.surveyBombBytes = static_cast<uint64_t>(*bytes);
    } else if (name == "escape-values") {
        target.escapeValues = true;
    } else if (name == "bad-datagrams") {
        auto count = ParseNumber(value, 1, 1000);
        if (!count) {
            return "bad-datagrams needs a count (1-1000)";
        }
        target.badDatagrams = static_cast<int>(*count);
    } else if (name == "status") {
        auto status = ParseNumber(value, 0, 599);
        if (!status || (*status != 0 && *status < 100)) {
            return "status needs an HTTP status code such as 401 or 500";
        }
        target.forcedStatus = static_cast<int>(*status);
    } else {
        return "unknown misbehaviour '" + std::string(name) + "'";
    }
    return {};
}

std::optional<Misbehaviour> ParseControlText(std::string_view text, std::string* error) {
    Misbehaviour result;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::string_view content = TrimSpaces(line);
        content = content.substr(0, content.find('#'));
        content = TrimSpaces(content);
        if (content.empty() || content == "normal") {
            continue;
        }
        if (content.starts_with("--")) {
            content.remove_prefix(2);
        }
        size_t space = content.find_first_of(" \t=");
        std::string_view name = content.substr(0, space);
        std::string_view value = space == std::string_view::npos
                                     ? std::string_view{}
                                     : TrimSpaces(content.substr(space + 1));
        std::string problem = ApplyMisbehaviour(result, name, value);
        if (!problem.empty()) {
            if (error) {
                *error = problem;
            }
            return std::nullopt;
        }
    }
    return result;
}

std::string DescribeMisbehaviour(const Misbehaviour& m) {
    std::string text;
    auto add = [&text](const std::string& word) { text += (text.empty() ? "" : ",") + word; };
    if (m.keepOpen)
        add("keep-open");
    if (m.silent)
        add("silent");
    if (m.slowMs > 0)
        add("slow-ms:" + std::to_string(m.slowMs));
    if (m.chunkBytes != Misbehaviour::kDefaultChunkBytes)
        add("chunk-bytes:" + std::to_string(m.chunkBytes));
    if (m.forcedStatus > 0)
        add("status:" + std::to_string(m.forcedStatus));
    if (m.nulInResponse)
        add("nul-in-response");
    if (m.nulBytes > 0)
        add("nul-bytes:" + std::to_string(m.nulBytes));
    if (m.refuse)
        add("refuse");
    if (m.noDiscovery)
        add("no-discovery");
    if (m.endlessBody)
        add("endless-body");
    if (m.hugePageBytes > 0)
        add("huge-page:" + std::to_string(m.hugePageBytes >> 20));
    if (m.surveyBombBytes > 0)
        add("survey-bomb:" + std::to_string(m.surveyBombBytes));
    if (m.escapeValues)
        add("escape-values");
    if (m.badDatagrams > 0)
        add("bad-datagrams:" + std::to_string(m.badDatagrams));
    return text.empty() ? "normal" : text;
}

OptionsResult ParseSimOptions(int argc, char** argv) {
    SimOptions options;
    bool surveyGiven = false;
    auto fail = [](std::string message) {
        return OptionsResult{std::nullopt, 2, "tamsel-sim: " + message + "\n" + kUsage};
    };

    optind = 0;  // full re-initialisation of GNU getopt, so the parser can run again
    opterr = 0;
    int id;
    while ((id = getopt_long(argc, argv, "", kLongOptions, nullptr)) != -1) {
        std::string_view arg = optarg ? optarg : "";
        switch (id) {
            case kMac: {
                auto mac = ParseMac(arg);
                if (!mac)
                    return fail("--mac needs 12 hexadecimal digits");
                options.mac = *mac;
                break;
            }
            case kModel:
                options.model = arg;
                break;
            case kIp:
                if (!ParseIpv4(arg))
                    return fail("--ip needs a dotted IPv4 address");
                options.ip = arg;
                break;
            case kMask: {
                auto mask = ParseIpv4(arg);
                if (!mask || !IsContiguousMask(*mask))
                    return fail("--mask needs a netmask");
                options.mask = arg;
                break;
            }
            case kInterface:
                options.interfaceName = arg;
                break;
            case kUser:
                options.user = arg;
                break;
            case kPassword:
                options.password = arg;
                break;
            case kFirmware:
                options.firmwareVersion = arg;
                break;
            case kDhcp:
                if (arg != "on" && arg != "off")
                    return fail("--dhcp needs on or off");
                options.dhcp = arg == "on";
                break;
            case kSurvey: {
                auto network = ParseSurveyNetwork(arg);
                if (!network)
                    return fail("--survey-network needs seven '|'-separated fields");
                if (!surveyGiven)
                    options.survey.clear();
                surveyGiven = true;
                options.survey.push_back(*network);
                break;
            }
            case kNoSurvey:
                options.survey.clear();
                surveyGiven = true;
                break;
            case kRebootSeconds:
            case kUpgradeSeconds: {
                auto seconds = ParseNumber(arg, 0, 3600);
                if (!seconds)
                    return fail("downtime needs a number of seconds (0-3600)");
                (id == kRebootSeconds ? options.rebootSeconds : options.upgradeSeconds) =
                    static_cast<int>(*seconds);
                break;
            }
            case kReply:
                if (arg != "broadcast" && arg != "unicast") {
                    return fail("--reply needs broadcast or unicast");
                }
                options.reply = arg == "unicast" ? ReplyTarget::kUnicast : ReplyTarget::kBroadcast;
                break;
            case kReplyLength: {
                auto length = ParseNumber(arg, 1, 1400);
                if (!length)
                    return fail("--reply-length needs 1-1400");
                options.replyLength = static_cast<size_t>(*length);
                break;
            }
            case kBind:
                if (!ParseIpv4(arg))
                    return fail("--bind needs a dotted IPv4 address");
                options.bindAddress = arg;
                break;
            case kHttpPort:
            case kDiscoveryPortOption: {
                auto port = ParseNumber(arg, 1, 65535);
                if (!port)
                    return fail("a port needs 1-65535");
                (id == kHttpPort ? options.httpPort : options.discoveryPort) =
                    static_cast<uint16_t>(*port);
                break;
            }
            case kLog:
                options.logPath = arg;
                break;
            case kReady:
                options.readyPath = arg;
                break;
            case kControl:
                options.controlPath = arg;
                break;
            case kHelp:
                return OptionsResult{std::nullopt, 0, kUsage};
            case kVersion:
                return OptionsResult{std::nullopt, 0, "tamsel-sim " TAMSEL_VERSION "\n"};
            default: {
                const char* name = nullptr;
                for (const option& o : kLongOptions) {
                    if (o.name && o.val == id && id > kHelp)
                        name = o.name;
                }
                if (!name) {
                    return fail(std::string("unknown option or missing value: ") +
                                (optind > 0 && optind <= argc ? argv[optind - 1] : "?"));
                }
                std::string problem = ApplyMisbehaviour(options.misbehaviour, name, arg);
                if (!problem.empty())
                    return fail(problem);
                break;
            }
        }
    }
    if (optind < argc) {
        return fail(std::string("unexpected argument: ") + argv[optind]);
    }
    return OptionsResult{options, 0, {}};
}
