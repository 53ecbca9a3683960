#include "sim/sim_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/byte_spool.h"

SimLog::~SimLog() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool SimLog::Open(const std::string& path, std::string* error) {
    if (path.empty()) {
        return true;
    }
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        *error = "cannot open log " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void SimLog::Request(std::string_view attributes, const ByteSpool& bytes) {
    Frame("REQUEST", bytes.size(), attributes, &bytes, {});
}

void SimLog::Datagram(std::string_view attributes, std::string_view bytes) {
    Frame("DISCOVERY", bytes.size(), attributes, nullptr, bytes);
}

void SimLog::Event(std::string_view attributes) {
    Frame("EVENT", 0, attributes, nullptr, {});
}

void SimLog::Frame(std::string_view kind, uint64_t length, std::string_view attributes,
                   const ByteSpool* spool, std::string_view bytes) {
    if (m_fd < 0) {
        return;
    }
    std::string header = "=== " + std::string(kind) + " " + std::to_string(++m_sequence) +
                         " length " + std::to_string(length);
    if (!attributes.empty()) {
        header += " ";
        header += attributes;
    }
    header += "\n";
    // A frame goes out as few writes as possible; readers wait for the trailing newline.
    if (spool) {
        WriteAll(header);
        spool->CopyTo(m_fd);
        WriteAll("\n");
    } else {
        WriteAll(header + std::string(bytes) + "\n");
    }
}

void SimLog::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

std::string LogValue(std::string_view value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f || c == '%') {
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0x0f];
        } else {
            out += c;
        }
    }
    return out;
}
