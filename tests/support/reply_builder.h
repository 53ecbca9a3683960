#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Builds a device's search reply field by field, for the discovery tests.
struct ReplyFields {
    std::string mac = "0011223344aa";
    std::string model = "KV-Q3150Tx";
    std::string ip = "192.168.1.254";
    std::string subnet = "255.255.255.0";
    std::string user = "admin";
    std::string password = "secret";
};

inline std::vector<uint8_t> BuildReply(const ReplyFields& f, size_t size = 424) {
    std::vector<uint8_t> reply(size, 0);
    auto put = [&](size_t offset, const std::string& text) {
        if (offset < size) {
            std::memcpy(reply.data() + offset, text.data(), std::min(text.size(), size - offset));
        }
    };
    put(17, f.mac);
    put(49, f.model);
    put(72, f.ip);
    put(104, f.subnet);
    put(136, f.user);
    put(152, f.password);
    return reply;
}

inline std::string AsString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
