#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/multipart_reader.h"

struct HttpRequest {
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;  // in arrival order
    std::string body;  // bodies other than multipart/form-data
    // Set for multipart/form-data bodies, which are streamed rather than kept.
    std::unique_ptr<FormDataCollector> formData;
    bool multipartComplete = false;

    // Header names compare case-insensitively ("content-Length" is Content-Length).
    const std::string* FindHeader(std::string_view name) const;
    // The path of the target without a query string.
    std::string Path() const;
};

// Reads one HTTP/1.x request from a byte stream that arrives in pieces: the request line
// and headers (bounded), then a body of exactly Content-Length bytes. Multipart bodies go
// through a streaming reader, so an upload of any size needs bounded memory.
class HttpRequestReader {
public:
    static constexpr size_t kMaxHeaderBytes = 64 * 1024;
    static constexpr size_t kMaxPlainBodyBytes = 1024 * 1024;
    static constexpr uint64_t kMaxMultipartBodyBytes = 512ull * 1024 * 1024;

    enum class State { kHeaders, kBody, kComplete, kFailed };

    // Consumes bytes of the request and returns how many it used; bytes beyond the end
    // of the request are left to the caller.
    size_t Feed(std::string_view bytes);

    State state() const { return m_state; }
    // The status to answer a malformed request with (400, 413, 431, 501).
    int failureStatus() const { return m_failureStatus; }
    HttpRequest& request() { return m_request; }
    // Bytes of header and body taken so far.
    uint64_t bytesTaken() const { return m_bytesTaken; }

private:
    bool ParseHead(std::string_view head);
    void Fail(int status);
    void FinishBody();

    State m_state = State::kHeaders;
    int m_failureStatus = 0;
    std::string m_head;
    HttpRequest m_request;
    uint64_t m_bodyRemaining = 0;
    std::unique_ptr<MultipartReader> m_multipart;
    uint64_t m_bytesTaken = 0;
};
