// The LAN, interface and status page readers and the status-line reader, on any answer a
// device could send: every value is a trimmed piece of the page.

#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "web/response_parsers.h"
#include "web/web_result.h"

namespace {

bool Trimmed(const std::wstring& text) {
    return text.empty() || (!std::iswspace(static_cast<wint_t>(text.front())) &&
                            !std::iswspace(static_cast<wint_t>(text.back())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WebResult result;
    result.command = L"GETSTATUS";
    result.code = kWebClosedNormally;
    result.response.assign(reinterpret_cast<const char*>(data), size);
    const std::wstring page = result.ResponseText();

    if (const std::optional<int> status = HttpStatusOf(result.response)) {
        FUZZ_CHECK(*status >= 0 && *status <= 999);
        FUZZ_CHECK(result.response.compare(0, 5, "HTTP/") == 0);
    }

    DeviceStatus status;
    ParseLanPage(page, status);
    ParseWanPage(page, status);
    ParseStatusPage(page, status);
    for (const std::wstring* field :
         {&status.macAddress, &status.firmwareVersion, &status.lanIp, &status.lanMask,
          &status.dhcpServer, &status.mode, &status.security, &status.wanIp, &status.ssid,
          &status.wanMask, &status.gateway, &status.dns1, &status.dns2}) {
        FUZZ_CHECK(field->size() <= page.size());
        FUZZ_CHECK(Trimmed(*field));
    }
    for (wchar_t ch : status.macAddress) {
        FUZZ_CHECK(!(ch >= L'a' && ch <= L'z'));
    }
    // Reading again overwrites every field with the same values.
    DeviceStatus again = status;
    ParseLanPage(page, again);
    ParseWanPage(page, again);
    ParseStatusPage(page, again);
    FUZZ_CHECK(again.lanIp == status.lanIp && again.dns2 == status.dns2 &&
               again.security == status.security &&
               again.firmwareVersion == status.firmwareVersion);
    return 0;
}
