#include "sim/byte_spool.h"

#include <unistd.h>

#include <cerrno>

namespace {

bool WriteFully(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

ByteSpool::~ByteSpool() {
    Clear();
}

void ByteSpool::Append(std::string_view bytes) {
    m_size += bytes.size();
    if (!m_file && m_memory.size() + bytes.size() > kMemoryLimit) {
        m_file = std::tmpfile();
        if (m_file) {
            std::fwrite(m_memory.data(), 1, m_memory.size(), m_file);
            m_memory.clear();
            m_memory.shrink_to_fit();
        }
    }
    if (m_file) {
        std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    } else {
        m_memory.append(bytes);
    }
}

bool ByteSpool::CopyTo(int fd) const {
    if (!m_file) {
        return WriteFully(fd, m_memory.data(), m_memory.size());
    }
    std::fflush(m_file);
    std::rewind(m_file);
    char buffer[64 * 1024];
    size_t got;
    bool ok = true;
    while ((got = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) {
        ok = ok && WriteFully(fd, buffer, got);
    }
    std::fseek(m_file, 0, SEEK_END);
    return ok;
}

void ByteSpool::Clear() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_memory.clear();
    m_size = 0;
}
