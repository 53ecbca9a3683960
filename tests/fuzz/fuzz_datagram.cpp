// Discovery replies: any datagram becomes a device record or nothing, reads no byte
// beyond what arrived or beyond the receive buffer, and a device is listed once.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "discovery/datagram.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the received length, so a read past it is an ASan error.
    const std::vector<uint8_t> datagram(data, data + size);
    const std::optional<FoundDevice> device = ParseSearchReply(datagram.data(), size, {});
    FUZZ_CHECK(device.has_value() == (size >= kMinimumReplySize));
    if (!device) {
        return 0;
    }
    for (const std::wstring* field : {&device->model, &device->mac, &device->ip, &device->subnet,
                                      &device->userName, &device->password}) {
        // The MAC text gains five colons; nothing else grows beyond the buffer.
        FUZZ_CHECK(field->size() <= kReplyBufferSize + 5);
    }
    FUZZ_CHECK(device->ip.find(L'\'') == std::wstring::npos);
    FUZZ_CHECK(device->mac.find(L'\'') == std::wstring::npos);
    for (wchar_t ch : device->mac) {
        FUZZ_CHECK(!(ch >= L'a' && ch <= L'z'));
    }
    // The same device answering again is not listed twice.
    FUZZ_CHECK(!ParseSearchReply(datagram.data(), size, {*device}).has_value());
    // Formatting adds exactly the five colons, whatever the text.
    FUZZ_CHECK(FormatMacAddress(device->mac).size() == device->mac.size() + 5);
    FUZZ_CHECK(SameMacAddress(device->mac, device->mac));
    return 0;
}
