#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class ByteSpool;

// The test log of the simulated repeater. Every entry is one frame:
//
//   === KIND SEQ length L key=value ...\n
//   <exactly L raw bytes>\n
//
// KIND is REQUEST (bytes received on one HTTP connection for one request), DISCOVERY
// (one datagram received on the discovery port, with peer=ADDRESS:PORT, to=the address
// its header was sent to, valid= and answered=; replies of other devices are not
// logged) or EVENT (L is 0; the keys describe what happened). SEQ counts all frames from
// 1. Values never contain spaces: bytes outside printable ASCII, spaces and '%' are
// written as %XX. The file is written with unbuffered appends, so a reader sees each
// frame whole as soon as the device acts on it.
class SimLog {
public:
    SimLog() = default;
    ~SimLog();
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    // Opens (creates or appends to) the file; an empty path disables logging.
    bool Open(const std::string& path, std::string* error);
    bool enabled() const { return m_fd >= 0; }

    void Request(std::string_view attributes, const ByteSpool& bytes);
    void Datagram(std::string_view attributes, std::string_view bytes);
    void Event(std::string_view attributes);

private:
    void Frame(std::string_view kind, uint64_t length, std::string_view attributes,
               const ByteSpool* spool, std::string_view bytes);
    void WriteAll(std::string_view bytes);

    int m_fd = -1;
    uint64_t m_sequence = 0;
};

// `value` made safe for a key=value attribute of a log frame.
std::string LogValue(std::string_view value);
