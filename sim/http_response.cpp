#include "sim/http_response.h"

#include <algorithm>

std::string_view ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Request Entity Too Large";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

HttpResponse StatusResponse(int status) {
    std::string title = std::to_string(status) + " " + std::string(ReasonPhrase(status));
    HttpResponse response;
    response.status = status;
    response.body = "<html><head><title>" + title + "</title></head>\n<body><h2>" + title +
                    "</h2>\n<p>The repeater could not serve this request.</p></body></html>\n";
    if (status == 401) {
        response.headers.emplace_back("WWW-Authenticate", "Basic realm=\"KV-Q3150Tx\"");
        response.body =
            "<html><head><title>401 Unauthorized</title></head>\n<body><h2>401 Unauthorized</h2>\n"
            "<p>Authorization failed. Enter the user name and password of the "
            "repeater.</p></body></html>\n";
    }
    return response;
}

namespace {

constexpr char kFillerLine[] =
    "The repeater keeps talking: 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ "
    "abcdefghijklmnopqrstuvwxyz.\n";

// Many filler lines in a row, so that one send can take up to 64 KiB of filler from any
// position within a line.
const std::string& FillerBlock() {
    static const std::string block = [] {
        std::string text;
        while (text.size() < 64 * 1024 + sizeof kFillerLine) {
            text += kFillerLine;
        }
        return text;
    }();
    return block;
}

// Inserts `count` zero bytes spread evenly over `body`; `at` (a position in the body)
// moves with the text in front of it.
void SpreadZeros(std::string& body, size_t count, size_t& at) {
    if (count == 0) {
        return;
    }
    const size_t length = body.size();
    std::string spread;
    spread.reserve(length + count);
    size_t inserted = 0;
    size_t newAt = at;
    for (size_t i = 0; i <= length; ++i) {
        // Zero number k goes in front of byte k * length / count.
        while (inserted < count &&
               static_cast<uint64_t>(inserted) * length / count <= static_cast<uint64_t>(i)) {
            spread += '\0';
            ++inserted;
            if (i <= at) {
                ++newAt;
            }
        }
        if (i < length) {
            spread += body[i];
        }
    }
    body = std::move(spread);
    at = newAt;
}

}  // namespace

std::string_view FillerLine() {
    return {kFillerLine, sizeof kFillerLine - 1};
}

AnswerStream::AnswerStream(std::string head, uint64_t fillerBytes, std::string tail)
    : m_head(std::move(head)), m_fillerBytes(fillerBytes), m_tail(std::move(tail)) {}

std::string_view AnswerStream::Next(size_t limit) const {
    if (m_sent < m_head.size()) {
        return std::string_view(m_head).substr(m_sent, limit);
    }
    const uint64_t inFiller = m_sent - m_head.size();
    if (inFiller < m_fillerBytes) {
        const size_t offset = inFiller % FillerLine().size();
        const uint64_t left = m_fillerBytes - inFiller;
        const size_t count =
            static_cast<size_t>(std::min<uint64_t>({left, limit, FillerBlock().size() - offset}));
        return std::string_view(FillerBlock()).substr(offset, count);
    }
    const uint64_t inTail = inFiller - m_fillerBytes;
    return inTail < m_tail.size() ? std::string_view(m_tail).substr(inTail, limit)
                                  : std::string_view{};
}

void AnswerStream::Advance(size_t count) {
    m_sent += count;
}

bool AnswerStream::Done() const {
    if (m_fillerBytes == kEndless) {
        return false;
    }
    return m_sent >= m_head.size() + m_fillerBytes + m_tail.size();
}

AnswerStream SerializeAnswer(HttpResponse response, const WireFaults& faults) {
    std::string& body = response.body;
    if (response.fillerBytes == 0) {
        // Added filler goes after the page's content, so a reader finds every value first.
        response.fillerAt = std::min(body.rfind("</body>"), body.size());
    }
    response.fillerAt = std::min(response.fillerAt, body.size());
    if (faults.extraBytes > 0) {
        if (response.fillerBytes > 0) {
            response.fillerBytes += std::min(faults.extraBytes, kEndless - response.fillerBytes);
        } else {
            body.insert(response.fillerAt, "<!-- \n -->\n");
            response.fillerAt += 5;
            response.fillerBytes = faults.extraBytes;
        }
    }
    if (faults.nulInBody) {
        const size_t middle = body.size() / 2;
        body.insert(middle, 1, '\0');
        if (middle <= response.fillerAt) {
            ++response.fillerAt;
        }
    }
    SpreadZeros(body, faults.nulBytes, response.fillerAt);
    if (faults.endlessBody) {
        response.fillerBytes = kEndless;
    }

    std::string head = "HTTP/1.1 " + std::to_string(response.status) +
                       (faults.nulBytes > 0 ? std::string(1, '\0') : std::string()) + " " +
                       std::string(ReasonPhrase(response.status)) + "\r\n";
    head += "Server: kv-httpd/1.4\r\n";
    head += "Content-Type: text/html\r\n";
    if (response.fillerBytes != kEndless) {
        head += "Content-Length: " + std::to_string(body.size() + response.fillerBytes) + "\r\n";
    }
    head += "Connection: close\r\n";
    head += "Cache-Control: no-cache\r\n";
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
    }
    head += "\r\n";
    if (response.fillerBytes == 0) {
        return AnswerStream(head + body, 0, {});
    }
    head.append(body, 0, response.fillerAt);
    return AnswerStream(std::move(head), response.fillerBytes, body.substr(response.fillerAt));
}

std::string SerializeResponse(const HttpResponse& response, bool nulInBody) {
    AnswerStream stream = SerializeAnswer(response, WireFaults{nulInBody, 0, 0, false});
    std::string wire;
    while (!stream.Done()) {
        std::string_view bytes = stream.Next(64 * 1024);
        wire += bytes;
        stream.Advance(bytes.size());
    }
    return wire;
}
