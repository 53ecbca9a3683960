#include "sim/http_request.h"

#include <algorithm>
#include <charconv>

#include "sim/text_codec.h"

const std::string* HttpRequest::FindHeader(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsIgnoreCase(key, name)) {
            return &value;
        }
    }
    return nullptr;
}

std::string HttpRequest::Path() const {
    return target.substr(0, target.find('?'));
}

size_t HttpRequestReader::Feed(std::string_view bytes) {
    size_t used = 0;
    if (m_state == State::kHeaders) {
        // The blank line may straddle two pieces: search from a little before the new
        // bytes.
        size_t searchFrom = m_head.size() >= 3 ? m_head.size() - 3 : 0;
        m_head.append(bytes);
        size_t end = m_head.find("\r\n\r\n", searchFrom);
        size_t terminatorLength = 4;
        if (end == std::string::npos) {
            size_t bare = m_head.find("\n\n", searchFrom);
            if (bare != std::string::npos) {
                end = bare;
                terminatorLength = 2;
            }
        }
        if (end == std::string::npos) {
            if (m_head.size() > kMaxHeaderBytes) {
                Fail(431);
            }
            m_bytesTaken += bytes.size();
            return bytes.size();
        }
        size_t headLength = end + terminatorLength;
        // m_head held (m_head.size() - bytes.size()) bytes before this piece.
        used = headLength - (m_head.size() - bytes.size());
        m_bytesTaken += used;
        m_head.resize(end);
        if (!ParseHead(m_head)) {
            return used;
        }
        if (m_bodyRemaining == 0) {
            FinishBody();
            return used;
        }
        m_state = State::kBody;
        bytes.remove_prefix(used);
    }
    if (m_state == State::kBody) {
        size_t take = static_cast<size_t>(std::min<uint64_t>(m_bodyRemaining, bytes.size()));
        std::string_view piece = bytes.substr(0, take);
        if (m_multipart) {
            m_multipart->Feed(piece);
        } else {
            m_request.body.append(piece);
        }
        m_bodyRemaining -= take;
        used += take;
        m_bytesTaken += take;
        if (m_bodyRemaining == 0) {
            FinishBody();
        }
    }
    return used;
}

bool HttpRequestReader::ParseHead(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        size_t lf = head.find('\n');
        std::string_view line = head.substr(0, lf);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        head = lf == std::string_view::npos ? std::string_view{} : head.substr(lf + 1);
    }
    if (lines.empty()) {
        Fail(400);
        return false;
    }
    std::string_view requestLine = lines[0];
    size_t firstSpace = requestLine.find(' ');
    size_t lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace == firstSpace) {
        Fail(400);
        return false;
    }
    m_request.method = requestLine.substr(0, firstSpace);
    m_request.target = TrimSpaces(requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1));
    m_request.version = requestLine.substr(lastSpace + 1);
    if (!m_request.version.starts_with("HTTP/1.") || m_request.target.empty()) {
        Fail(400);
        return false;
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        size_t colon = lines[i].find(':');
        if (colon == std::string_view::npos || colon == 0) {
            Fail(400);
            return false;
        }
        m_request.headers.emplace_back(std::string(TrimSpaces(lines[i].substr(0, colon))),
                                       std::string(TrimSpaces(lines[i].substr(colon + 1))));
    }

    if (m_request.FindHeader("Transfer-Encoding")) {
        Fail(501);  // the device's clients always send a Content-Length
        return false;
    }
    uint64_t length = 0;
    if (const std::string* text = m_request.FindHeader("Content-Length")) {
        auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), length);
        if (error != std::errc{} || end != text->data() + text->size()) {
            Fail(400);
            return false;
        }
    }
    const std::string* contentType = m_request.FindHeader("Content-Type");
    std::optional<std::string> boundary;
    if (contentType) {
        boundary = MultipartBoundary(*contentType);
    }
    if (boundary) {
        if (length > kMaxMultipartBodyBytes) {
            Fail(413);
            return false;
        }
        m_request.formData = std::make_unique<FormDataCollector>();
        m_multipart = std::make_unique<MultipartReader>(*boundary, *m_request.formData);
    } else if (length > kMaxPlainBodyBytes) {
        Fail(413);
        return false;
    }
    m_bodyRemaining = length;
    return true;
}

void HttpRequestReader::Fail(int status) {
    m_state = State::kFailed;
    m_failureStatus = status;
}

void HttpRequestReader::FinishBody() {
    if (m_multipart) {
        m_request.multipartComplete = m_multipart->finished();
    }
    m_state = State::kComplete;
}
