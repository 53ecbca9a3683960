#include "cli/dry_run.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "web/encoders.h"

namespace {

constexpr size_t kImageChunkBytes = 64 * 1024;

// The transport sends a request's text as a C string would go: up to its first zero
// byte, and nothing of a placeholder run or tail after such a cut.
bool CutAtZeroByte(std::string& bytes) {
    const size_t zero = bytes.find('\0');
    if (zero == std::string::npos) {
        return false;
    }
    bytes.resize(zero);
    return true;
}

}  // namespace

void DryRunSink::Queue(const std::wstring& command, const WebRequest& request,
                       const DeviceTarget& target) {
    QueueFile(command, request, target, std::string());
}

void DryRunSink::QueueFile(const std::wstring&, const WebRequest& request, const DeviceTarget&,
                           const std::string& filePath) {
    std::string head = WideToAnsi(request.text);
    const bool cut = CutAtZeroByte(head);
    Write(head.data(), head.size());
    if (cut || (request.placeholderLength == 0 && request.tail.empty())) {
        return;
    }
    WriteImage(filePath, request.placeholderLength);
    std::string tail = WideToAnsi(request.tail);
    CutAtZeroByte(tail);
    Write(tail.data(), tail.size());
}

void DryRunSink::Write(const char* data, size_t length) {
    if (length > 0 && std::fwrite(data, 1, length, m_out) != length) {
        m_ok = false;
    }
}

// Exactly `runLength` bytes, as the transport sends them: the file's bytes, and '?' for
// whatever a shorter or unreadable file does not cover.
void DryRunSink::WriteImage(const std::string& filePath, uint64_t runLength) {
    std::ifstream file;
    if (!filePath.empty()) {
        file.open(filePath, std::ios::binary);
    }
    std::vector<char> buffer(kImageChunkBytes);
    uint64_t left = runLength;
    bool fileUsable = file.is_open();
    while (left > 0 && m_ok) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        size_t got = 0;
        if (fileUsable) {
            file.read(buffer.data(), static_cast<std::streamsize>(want));
            got = static_cast<size_t>(file.gcount());
            fileUsable = got == want;
        }
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got),
                  buffer.begin() + static_cast<std::ptrdiff_t>(want), '?');
        Write(buffer.data(), want);
        left -= want;
    }
}
