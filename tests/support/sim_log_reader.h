#pragma once

// Reads tamsel-sim's framed log (sim/sim_log.h): what the simulated repeater received and
// what it did, for byte-for-byte checks of what the programs sent.
//   === KIND SEQ length L key=value ...\n<exactly L raw bytes>\n
// A frame still being written (the file ends inside it) is left out.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace sim_log {

struct Frame {
    std::string kind;  // REQUEST, DISCOVERY or EVENT
    uint64_t seq = 0;
    std::map<std::string, std::string> attrs;  // values as written (%XX kept)
    std::string bytes;

    std::string Attr(const std::string& key) const {
        const auto found = attrs.find(key);
        return found == attrs.end() ? std::string() : found->second;
    }
    // The request line of a REQUEST frame, e.g. "POST /goform/formUpload HTTP/1.1".
    std::string RequestLine() const { return bytes.substr(0, bytes.find("\r\n")); }
};

inline std::vector<Frame> Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::vector<Frame> frames;
    size_t pos = 0;
    while (pos < data.size()) {
        const size_t lineEnd = data.find('\n', pos);
        if (lineEnd == std::string::npos || data.compare(pos, 4, "=== ") != 0) {
            break;
        }
        std::istringstream header(data.substr(pos + 4, lineEnd - pos - 4));
        Frame frame;
        std::string lengthWord;
        uint64_t length = 0;
        if (!(header >> frame.kind >> frame.seq >> lengthWord >> length) ||
            lengthWord != "length") {
            break;
        }
        for (std::string item; header >> item;) {
            const size_t equals = item.find('=');
            frame.attrs[item.substr(0, equals)] =
                equals == std::string::npos ? std::string() : item.substr(equals + 1);
        }
        const size_t start = lineEnd + 1;
        if (length > data.size() || start + length + 1 > data.size()) {
            break;
        }
        frame.bytes = data.substr(start, length);
        frames.push_back(std::move(frame));
        pos = start + length + 1;
    }
    return frames;
}

// The sequence number of the last complete frame (0 for an empty log).
inline uint64_t LastSeq(const std::string& path) {
    const std::vector<Frame> frames = Read(path);
    return frames.empty() ? 0 : frames.back().seq;
}

// The frames of one kind after `afterSeq`.
inline std::vector<Frame> Since(const std::string& path, uint64_t afterSeq,
                                const std::string& kind) {
    std::vector<Frame> found;
    for (Frame& frame : Read(path)) {
        if (frame.seq > afterSeq && frame.kind == kind) {
            found.push_back(std::move(frame));
        }
    }
    return found;
}

// The events named `what` after `afterSeq`.
inline std::vector<Frame> Events(const std::string& path, uint64_t afterSeq,
                                 const std::string& what) {
    std::vector<Frame> found;
    for (Frame& frame : Since(path, afterSeq, "EVENT")) {
        if (frame.Attr("what") == what) {
            found.push_back(std::move(frame));
        }
    }
    return found;
}

// The `what` of each event after `afterSeq`, in order.
inline std::vector<std::string> EventNames(const std::string& path, uint64_t afterSeq) {
    std::vector<std::string> names;
    for (const Frame& frame : Since(path, afterSeq, "EVENT")) {
        names.push_back(frame.Attr("what"));
    }
    return names;
}

// The bytes each HTTP connection carried after `afterSeq`, one entry per connection in the
// order the connections were first logged. A request's bytes may span several frames (the
// rest arrives with the close).
inline std::vector<std::string> ConnectionRequests(const std::string& path, uint64_t afterSeq) {
    std::vector<std::string> requests;
    std::vector<std::string> connections;
    for (const Frame& frame : Since(path, afterSeq, "REQUEST")) {
        const std::string id = frame.Attr("connection");
        size_t index = 0;
        while (index < connections.size() && connections[index] != id) {
            ++index;
        }
        if (index == connections.size()) {
            connections.push_back(id);
            requests.emplace_back();
        }
        requests[index] += frame.bytes;
    }
    return requests;
}

}  // namespace sim_log
