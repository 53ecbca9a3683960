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
    if (state_ == State::kHeaders) {
        // The blank line may straddle two pieces: search from a little before the new
        // bytes.
        size_t searchFrom = head_.size() >= 3 ? head_.size() - 3 : 0;
        head_.append(bytes);
        size_t end = head_.find("\r\n\r\n", searchFrom);
        size_t terminatorLength = 4;
        if (end == std::string::npos) {
            size_t bare = head_.find("\n\n", searchFrom);
            if (bare != std::string::npos) {
                end = bare;
                terminatorLength = 2;
            }
        }
        if (end == std::string::npos) {
            if (head_.size() > kMaxHeaderBytes) {
                Fail(431);
            }
            bytesTaken_ += bytes.size();
            return bytes.size();
        }
        size_t headLength = end + terminatorLength;
        // head_ held (head_.size() - bytes.size()) bytes before this piece.
        used = headLength - (head_.size() - bytes.size());
        bytesTaken_ += used;
        head_.resize(end);
        if (!ParseHead(head_)) {
            return used;
        }
        if (bodyRemaining_ == 0) {
            FinishBody();
            return used;
        }
        state_ = State::kBody;
        bytes.remove_prefix(used);
    }
    if (state_ == State::kBody) {
        size_t take = static_cast<size_t>(std::min<uint64_t>(bodyRemaining_, bytes.size()));
        std::string_view piece = bytes.substr(0, take);
        if (multipart_) {
            multipart_->Feed(piece);
        } else {
            request_.body.append(piece);
        }
        bodyRemaining_ -= take;
        used += take;
        bytesTaken_ += take;
        if (bodyRemaining_ == 0) {
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
    request_.method = requestLine.substr(0, firstSpace);
    request_.target = TrimSpaces(requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1));
    request_.version = requestLine.substr(lastSpace + 1);
    if (!request_.version.starts_with("HTTP/1.") || request_.target.empty()) {
        Fail(400);
        return false;
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        size_t colon = lines[i].find(':');
        if (colon == std::string_view::npos || colon == 0) {
            Fail(400);
            return false;
        }
        request_.headers.emplace_back(std::string(TrimSpaces(lines[i].substr(0, colon))),
                                      std::string(TrimSpaces(lines[i].substr(colon + 1))));
    }

    if (request_.FindHeader("Transfer-Encoding")) {
        Fail(501);  // the device's clients always send a Content-Length
        return false;
    }
    uint64_t length = 0;
    if (const std::string* text = request_.FindHeader("Content-Length")) {
        auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), length);
        if (error != std::errc{} || end != text->data() + text->size()) {
            Fail(400);
            return false;
        }
    }
    const std::string* contentType = request_.FindHeader("Content-Type");
    std::optional<std::string> boundary;
    if (contentType) {
        boundary = MultipartBoundary(*contentType);
    }
    if (boundary) {
        if (length > kMaxMultipartBodyBytes) {
            Fail(413);
            return false;
        }
        request_.formData = std::make_unique<FormDataCollector>();
        multipart_ = std::make_unique<MultipartReader>(*boundary, *request_.formData);
    } else if (length > kMaxPlainBodyBytes) {
        Fail(413);
        return false;
    }
    bodyRemaining_ = length;
    return true;
}

void HttpRequestReader::Fail(int status) {
    state_ = State::kFailed;
    failureStatus_ = status;
}

void HttpRequestReader::FinishBody() {
    if (multipart_) {
        request_.multipartComplete = multipart_->finished();
    }
    state_ = State::kComplete;
}
