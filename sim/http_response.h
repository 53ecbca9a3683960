#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Filler bytes that never end (an endless body).
constexpr uint64_t kEndless = UINT64_MAX;

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;  // besides the standard ones
    std::string body;
    // Plain filler text that a hostile device streams into the body at byte `fillerAt`:
    // a huge page, a survey bomb or (kEndless) a body that never ends. It is produced as
    // the socket takes it, so it costs the simulator no memory.
    uint64_t fillerBytes = 0;
    size_t fillerAt = 0;
};

std::string_view ReasonPhrase(int status);

// A page with the given status whose text names the status. Used for errors and for
// forced statuses; it never contains "200", which the utility takes as a success sign.
HttpResponse StatusResponse(int status);

// How a hostile device garbles every answer on the wire (see Misbehaviour).
struct WireFaults {
    bool nulInBody = false;    // one zero byte in the middle of the body
    size_t nulBytes = 0;       // a zero byte in the status line, this many spread over the body
    uint64_t extraBytes = 0;   // filler text in an HTML comment before </body>
    bool endlessBody = false;  // no Content-Length; filler forever from before </body>
};

// The bytes of one answer, handed out as the socket takes them: a fixed head, a run of
// filler text (possibly endless) and a fixed tail.
class AnswerStream {
public:
    AnswerStream() = default;
    AnswerStream(std::string head, uint64_t fillerBytes, std::string tail);

    // Up to `limit` of the next bytes to send (fewer where a part ends); empty when done.
    std::string_view Next(size_t limit) const;
    void Advance(size_t count);
    bool Done() const;
    uint64_t sent() const { return m_sent; }

private:
    std::string m_head;
    uint64_t m_fillerBytes = 0;
    std::string m_tail;
    uint64_t m_sent = 0;
};

// The answer on the wire: HTTP/1.1 status line, Server, Content-Type, Content-Length
// (counting the filler and every inserted zero byte; left out for an endless body),
// Connection: close, Cache-Control, the extra headers, a blank line and the body.
AnswerStream SerializeAnswer(HttpResponse response, const WireFaults& faults);

// The whole of a finite answer as one string.
std::string SerializeResponse(const HttpResponse& response, bool nulInBody);

// The filler text: printable ASCII lines without '<', '>', '&', '"' or "--", so that it
// fits in a text cell, an attribute-free run or an HTML comment alike.
std::string_view FillerLine();
