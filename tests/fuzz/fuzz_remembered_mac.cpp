// The remembered last repeater: whatever the file holds, the reader returns one MAC
// address in upper case or nothing, reads no more than its bound, and the file read from
// disk gives what the bytes give.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "discovery/last_repeater.h"
#include "fuzz_check.h"

namespace {

const std::string& FilePath() {
    static const std::string path = [] {
        char pattern[] = "/tmp/fuzz-last-repeater-XXXXXX";
        const int fd = mkstemp(pattern);
        FUZZ_CHECK(fd >= 0);
        close(fd);
        return std::string(pattern);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::wstring> mac = ParseRememberedMac(bytes);
    if (mac) {
        FUZZ_CHECK(size == 17 || (size == 18 && bytes.back() == '\n'));
        FUZZ_CHECK(NormalizeMacAddress(*mac) == mac);
        for (size_t i = 0; i < mac->size(); ++i) {
            const wchar_t ch = (*mac)[i];
            FUZZ_CHECK(i % 3 == 2 ? ch == L':'
                                  : ((ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'F')));
        }
        const FoundDevice device{L"", *mac, L"", L"", L"", L""};
        FUZZ_CHECK(RowToSelect({device}, mac) == size_t{0});
    }
    // Through the store: the same answer, or none for a file over the bound.
    FILE* file = std::fopen(FilePath().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
    const std::optional<std::wstring> loaded = LastRepeaterStore(FilePath()).Load();
    FUZZ_CHECK(loaded == (size <= LastRepeaterStore::kMaxFileBytes ? mac : std::nullopt));
    return 0;
}
