#include "platform/linux/netadmin_protocol.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

struct VerbName {
    NetAdminVerb verb;
    std::string_view name;
    size_t operands;
};

constexpr VerbName kVerbs[] = {
    {NetAdminVerb::kAdd, "add", 3},       {NetAdminVerb::kRenew, "renew", 2},
    {NetAdminVerb::kDelete, "delete", 2}, {NetAdminVerb::kFlush, "flush", 2},
    {NetAdminVerb::kArp, "arp", 3},       {NetAdminVerb::kResume, "resume", 0},
    {NetAdminVerb::kWatch, "watch", 1},   {NetAdminVerb::kCount, "count", 0},
};

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t space = line.find(' ', start);
        const size_t end = space == std::string_view::npos ? line.size() : space;
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Plain decimal: no sign, no spaces, no leading zeros, at most 10 digits.
std::optional<uint32_t> ParseNumber(std::string_view text) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::optional<Ipv4> ParseAddress(std::string_view text) {
    return ParseIpv4(std::string(text));
}

// "A.B.C.D/N" with N at most 32.
std::optional<std::pair<Ipv4, int>> ParseCidr(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<Ipv4> address = ParseAddress(text.substr(0, slash));
    const std::optional<uint32_t> prefix = ParseNumber(text.substr(slash + 1));
    if (!address || !prefix || *prefix > 32) {
        return std::nullopt;
    }
    return std::pair{*address, static_cast<int>(*prefix)};
}

const char* VerbText(NetAdminVerb verb) {
    for (const VerbName& entry : kVerbs) {
        if (entry.verb == verb) {
            return entry.name.data();
        }
    }
    return "?";
}

std::string WithPrefix(Ipv4 address, int prefixLength) {
    return FormatIpv4Ascii(address) + "/" + std::to_string(prefixLength);
}

}  // namespace

std::string FormatRequest(const NetAdminRequest& request) {
    std::string line(VerbText(request.verb));
    // Field by field: a literal joined to a temporary string makes GCC 12 at -O3 warn
    // falsely (-Wrestrict).
    const auto add = [&line](const std::string& field) {
        line.push_back(' ');
        line.append(field);
    };
    if (request.verb == NetAdminVerb::kResume || request.verb == NetAdminVerb::kCount) {
        return line;
    }
    if (request.verb == NetAdminVerb::kWatch) {
        add(std::to_string(request.seconds));
        return line;
    }
    add(std::to_string(request.interfaceIndex));
    switch (request.verb) {
        case NetAdminVerb::kAdd:
            add(WithPrefix(request.device, request.prefixLength));
            add(FormatIpv4Ascii(request.address));
            break;
        case NetAdminVerb::kRenew:
        case NetAdminVerb::kDelete:
        case NetAdminVerb::kFlush:
            add(FormatIpv4Ascii(request.address));
            break;
        case NetAdminVerb::kArp:
            add(FormatIpv4Ascii(request.address));
            add(FormatIpv4Ascii(request.source));
            break;
        case NetAdminVerb::kResume:
        case NetAdminVerb::kWatch:
        case NetAdminVerb::kCount:
            break;
    }
    return line;
}

std::variant<NetAdminRequest, std::string> ParseRequest(std::string_view line) {
    if (line.size() > kNetAdminMaxLineLength) {
        return std::string("request too long");
    }
    for (const char c : line) {
        if (c < 0x20 || c > 0x7E) {
            return std::string("request holds a character other than printable ASCII");
        }
    }
    const std::vector<std::string_view> words = SplitWords(line);
    const VerbName* verb = nullptr;
    for (const VerbName& entry : kVerbs) {
        if (words[0] == entry.name) {
            verb = &entry;
        }
    }
    if (verb == nullptr) {
        return std::string("unknown request");
    }
    if (words.size() != verb->operands + 1) {
        return std::string(verb->name) + " takes " + std::to_string(verb->operands) +
               " operands separated by single spaces";
    }
    NetAdminRequest request;
    request.verb = verb->verb;
    if (verb->verb == NetAdminVerb::kResume || verb->verb == NetAdminVerb::kCount) {
        return request;
    }
    if (verb->verb == NetAdminVerb::kWatch) {
        const std::optional<uint32_t> seconds = ParseNumber(words[1]);
        if (!seconds || *seconds == 0 || *seconds > kNetAdminMaxWatchSeconds) {
            return "watch takes 1 to " + std::to_string(kNetAdminMaxWatchSeconds) + " seconds";
        }
        request.seconds = *seconds;
        return request;
    }
    const std::optional<uint32_t> index = ParseNumber(words[1]);
    if (!index || *index == 0 || *index > INT32_MAX) {
        return std::string("bad interface index");
    }
    request.interfaceIndex = *index;
    if (verb->verb == NetAdminVerb::kAdd) {
        const std::optional<std::pair<Ipv4, int>> device = ParseCidr(words[2]);
        const std::optional<Ipv4> candidate = ParseAddress(words[3]);
        if (!device || !candidate) {
            return std::string("bad device/prefix or candidate");
        }
        request.device = device->first;
        request.prefixLength = device->second;
        request.address = *candidate;
        return request;
    }
    const std::optional<Ipv4> address = ParseAddress(words[2]);
    if (!address) {
        return std::string("bad address");
    }
    request.address = *address;
    if (verb->verb == NetAdminVerb::kArp) {
        const std::optional<Ipv4> source = ParseAddress(words[3]);
        if (!source) {
            return std::string("bad source address");
        }
        request.source = *source;
    }
    return request;
}

std::string FormatOkAnswer(const std::vector<uint8_t>& hardwareAddress) {
    std::string answer = "ok";
    for (size_t i = 0; i < hardwareAddress.size(); ++i) {
        char octet[4];
        std::snprintf(octet, sizeof octet, "%02x", hardwareAddress[i]);
        answer += (i == 0 ? " " : ":");
        answer += octet;
    }
    return answer;
}

std::string FormatAddedAnswer(const HostAddressContext& added) {
    std::string answer = "ok ";
    answer.append(WithPrefix(added.address, added.prefixLength));
    return answer;
}

std::string FormatCountAnswer(uint32_t count) {
    std::string answer = "ok ";
    answer.append(std::to_string(count));
    return answer;
}

std::string FormatErrorAnswer(const std::string& reason) {
    // One line whatever the reason holds.
    std::string line = "error " + reason;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

NetAdminAnswer ParseAnswer(std::string_view line) {
    NetAdminAnswer answer;
    if (line == kNetAdminNoneAnswer) {
        answer.kind = NetAdminAnswer::Kind::kNone;
        return answer;
    }
    if (line.starts_with("error ")) {
        answer.reason = std::string(line.substr(6));
        return answer;
    }
    if (line == "ok") {
        answer.kind = NetAdminAnswer::Kind::kOk;
        return answer;
    }
    if (!line.starts_with("ok ")) {
        answer.reason = "unexpected answer from the network helper";
        return answer;
    }
    const std::string_view value = line.substr(3);
    if (const std::optional<uint32_t> count = ParseNumber(value)) {
        answer.kind = NetAdminAnswer::Kind::kOk;
        answer.count = count;
        return answer;
    }
    if (const std::optional<std::pair<Ipv4, int>> added = ParseCidr(value)) {
        answer.kind = NetAdminAnswer::Kind::kOk;
        answer.added = HostAddressContext{0, added->first, added->second};
        return answer;
    }
    // Six colon-separated hex octets.
    std::vector<uint8_t> bytes;
    for (size_t at = 0; at < value.size() && bytes.size() < 6; at += 3) {
        unsigned octet = 0;
        const char* end = value.data() + std::min(at + 2, value.size());
        const auto result = std::from_chars(value.data() + at, end, octet, 16);
        const bool separated =
            at + 2 == value.size() || (at + 2 < value.size() && value[at + 2] == ':');
        if (result.ec != std::errc() || result.ptr != value.data() + at + 2 || !separated) {
            break;
        }
        bytes.push_back(static_cast<uint8_t>(octet));
    }
    if (bytes.size() != 6 || value.size() != 17) {
        answer.reason = "unexpected answer from the network helper";
        return answer;
    }
    answer.kind = NetAdminAnswer::Kind::kOk;
    answer.hardwareAddress = std::move(bytes);
    return answer;
}
