#include "cli/input_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/text.h"

namespace {

constexpr size_t kMaxSecretBytes = 4096;

}  // namespace

FileRead ReadInputFile(const std::string& path, size_t limit) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {std::nullopt, std::strerror(errno)};
    }
    std::string bytes;
    char buffer[4096];
    std::string error;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = std::strerror(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        if (bytes.size() + static_cast<size_t>(n) > limit) {
            error = "longer than " + std::to_string(limit) + " bytes";
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    if (!standardInput) {
        ::close(fd);
    }
    if (!error.empty()) {
        return {std::nullopt, error};
    }
    return {std::move(bytes), std::string()};
}

SecretRead ReadSecretFile(const std::string& path) {
    FileRead read = ReadInputFile(path, kMaxSecretBytes);
    if (!read.bytes) {
        return {std::nullopt, read.error};
    }
    std::string& text = *read.bytes;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
    }
    return {Utf8ToWide(text), std::string()};
}
