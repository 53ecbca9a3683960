#include "cli/dry_run.h"

#include <vector>

#include "web/request_wire.h"

namespace {

constexpr size_t kChunkBytes = 64 * 1024;

}  // namespace

void DryRunSink::Queue(const std::wstring& command, const WebRequest& request,
                       const DeviceTarget& target) {
    QueueFile(command, request, target, std::string());
}

// Prints the very source the web queue would send, so a dry run cannot drift from it.
void DryRunSink::QueueFile(const std::wstring&, const WebRequest& request, const DeviceTarget&,
                           const std::string& filePath) {
    auto source = MakeRequestWireSource(request, filePath);
    std::vector<char> buffer(kChunkBytes);
    for (size_t got; m_ok && (got = source->Read(buffer.data(), buffer.size())) > 0;) {
        Write(buffer.data(), got);
    }
}

void DryRunSink::Write(const char* data, size_t length) {
    if (length > 0 && std::fwrite(data, 1, length, m_out) != length) {
        m_ok = false;
    }
}
