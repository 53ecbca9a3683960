#include "discovery/last_repeater.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/xdg_paths.h"

namespace {

constexpr char kFileName[] = "last-repeater";

bool IsHexDigit(wchar_t ch) {
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'f') || (ch >= L'A' && ch <= L'F');
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

LastRepeaterStore::LastRepeaterStore(std::string path) : m_path(std::move(path)) {}

std::string LastRepeaterStore::DefaultPath() {
    const std::string directory = XdgBaseDirectory("XDG_CONFIG_HOME", ".config");
    return directory.empty() ? std::string() : directory + "/tamsel/" + kFileName;
}

std::optional<std::wstring> LastRepeaterStore::Load() const {
    if (m_path.empty()) {
        return std::nullopt;
    }
    // Not through a link, and without waiting on a pipe or a device put in its place.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::string bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // One byte more than allowed, to tell a file that is too long.
        char buffer[kMaxFileBytes + 1];
        size_t got = 0;
        while (got < sizeof(buffer)) {
            const ssize_t n = ::read(fd, buffer + got, sizeof(buffer) - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            got += static_cast<size_t>(n);
        }
        bytes.assign(buffer, got);
    }
    ::close(fd);
    if (bytes.size() > kMaxFileBytes) {
        return std::nullopt;
    }
    return ParseRememberedMac(bytes);
}

bool LastRepeaterStore::Save(const std::wstring& mac) const {
    const std::optional<std::wstring> normalized = NormalizeMacAddress(mac);
    const size_t slash = m_path.rfind('/');
    if (!normalized || slash == std::string::npos || slash == 0) {
        return false;
    }
    // The folder and its parent (the config folder itself may not exist yet), private to
    // the user as the XDG rules ask.
    const std::string directory = m_path.substr(0, slash);
    ::mkdir(directory.substr(0, directory.rfind('/')).c_str(), 0700);
    ::mkdir(directory.c_str(), 0700);

    std::string temporary = m_path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const std::string line = std::string(normalized->begin(), normalized->end()) + "\n";
    // Flushed before the rename, so a crash leaves the old file or the new one.
    const bool written = WriteAll(fd, line) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::wstring> NormalizeMacAddress(std::wstring_view text) {
    constexpr size_t kLength = 17;  // six pairs of digits and five colons
    if (text.size() != kLength) {
        return std::nullopt;
    }
    std::wstring out;
    for (size_t i = 0; i < kLength; ++i) {
        const wchar_t ch = text[i];
        if (i % 3 == 2) {
            if (ch != L':') {
                return std::nullopt;
            }
            out += ch;
        } else if (!IsHexDigit(ch)) {
            return std::nullopt;
        } else {
            out += (ch >= L'a' && ch <= L'f') ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
        }
    }
    return out;
}

std::optional<std::wstring> ParseRememberedMac(std::string_view bytes) {
    if (bytes.size() > LastRepeaterStore::kMaxFileBytes) {
        return std::nullopt;
    }
    if (!bytes.empty() && bytes.back() == '\n') {
        bytes.remove_suffix(1);
    }
    // Bytes as they are: anything outside ASCII fails the digit and colon checks.
    std::wstring text;
    for (char ch : bytes) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(ch));
    }
    return NormalizeMacAddress(text);
}

std::optional<size_t> RowToSelect(const std::vector<FoundDevice>& devices,
                                  const std::optional<std::wstring>& rememberedMac) {
    if (!rememberedMac) {
        return std::nullopt;
    }
    for (size_t row = 0; row < devices.size(); ++row) {
        if (SameMacAddress(devices[row].mac, *rememberedMac)) {
            return row;
        }
    }
    return std::nullopt;
}
