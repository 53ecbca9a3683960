#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Reads the framed log of tamsel-sim (sim/sim_log.h): "=== KIND SEQ length L k=v ...\n",
// then exactly L raw bytes and "\n". A frame still being written at the end of the file
// is left out.
struct SimLogFrame {
    std::string kind;  // REQUEST, DISCOVERY or EVENT
    uint64_t seq = 0;
    std::map<std::string, std::string> attrs;
    std::string payload;

    // The value of attribute `key`; empty when the frame has none.
    std::string Attr(const std::string& key) const {
        const auto it = attrs.find(key);
        return it == attrs.end() ? std::string() : it->second;
    }
};

inline std::vector<SimLogFrame> ReadSimLog(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::vector<SimLogFrame> frames;
    size_t pos = 0;
    while (pos < data.size()) {
        const size_t lineEnd = data.find('\n', pos);
        if (data.compare(pos, 4, "=== ") != 0 || lineEnd == std::string::npos) {
            break;
        }
        std::istringstream header(data.substr(pos + 4, lineEnd - pos - 4));
        SimLogFrame frame;
        std::string lengthWord;
        uint64_t length = 0;
        header >> frame.kind >> frame.seq >> lengthWord >> length;
        for (std::string item; header >> item;) {
            const size_t eq = item.find('=');
            frame.attrs[item.substr(0, eq)] = eq == std::string::npos ? "" : item.substr(eq + 1);
        }
        const size_t start = lineEnd + 1;
        if (lengthWord != "length" || start + length + 1 > data.size()) {
            break;
        }
        frame.payload = data.substr(start, length);
        frames.push_back(std::move(frame));
        pos = start + length + 1;
    }
    return frames;
}

// The payloads of the HTTP requests logged after frame `afterSeq`, in order.
inline std::vector<std::string> SimRequestsSince(const std::string& path, uint64_t afterSeq) {
    std::vector<std::string> requests;
    for (const SimLogFrame& frame : ReadSimLog(path)) {
        if (frame.kind == "REQUEST" && frame.seq > afterSeq) {
            requests.push_back(frame.payload);
        }
    }
    return requests;
}

inline uint64_t SimLastSeq(const std::string& path) {
    const std::vector<SimLogFrame> frames = ReadSimLog(path);
    return frames.empty() ? 0 : frames.back().seq;
}
