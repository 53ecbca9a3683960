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
    size_ += bytes.size();
    if (!file_ && memory_.size() + bytes.size() > kMemoryLimit) {
        file_ = std::tmpfile();
        if (file_) {
            std::fwrite(memory_.data(), 1, memory_.size(), file_);
            memory_.clear();
            memory_.shrink_to_fit();
        }
    }
    if (file_) {
        std::fwrite(bytes.data(), 1, bytes.size(), file_);
    } else {
        memory_.append(bytes);
    }
}

bool ByteSpool::CopyTo(int fd) const {
    if (!file_) {
        return WriteFully(fd, memory_.data(), memory_.size());
    }
    std::fflush(file_);
    std::rewind(file_);
    char buffer[64 * 1024];
    size_t got;
    bool ok = true;
    while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
        ok = ok && WriteFully(fd, buffer, got);
    }
    std::fseek(file_, 0, SEEK_END);
    return ok;
}

void ByteSpool::Clear() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    memory_.clear();
    size_ = 0;
}
