#include "web/response_parsers.h"

#include <algorithm>
#include <cwctype>

void DeviceStatus::Clear() {
    *this = DeviceStatus{};
}

std::wstring TrimWhiteSpace(std::wstring_view text) {
    const auto isSpace = [](wchar_t ch) { return std::iswspace(static_cast<wint_t>(ch)) != 0; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(text[end - 1])) {
        --end;
    }
    return std::wstring(text.substr(begin, end - begin));
}

void PageCursor::SkipTo(const std::wstring& label) {
    const size_t at = m_page.find(label, m_start);
    if (at != std::wstring::npos) {
        m_start = at;
    }
}

void PageCursor::SkipPast(const std::wstring& marker) {
    const size_t at = m_page.find(marker, m_start);
    if (at != std::wstring::npos) {
        m_start = at + marker.size();
        return;
    }
    // Absent: the position reads -1, so one character fewer than the marker's length goes.
    const size_t drop = marker.empty() ? 0 : marker.size() - 1;
    m_start += std::min(drop, m_page.size() - m_start);
}

std::wstring PageCursor::TakeUntil(const std::wstring& end) const {
    const size_t at = m_page.find(end, m_start);
    if (at == std::wstring::npos) {
        return {};
    }
    return TrimWhiteSpace(std::wstring_view(m_page).substr(m_start, at - m_start));
}

namespace {

// The device's value cells: <td><div align="left">value</div></td>.
const std::wstring kValueCell = L"<div align=\"left\">";
const std::wstring kCellEnd = L"</div>";

// Only ASCII letters change: the MAC address is hexadecimal, and other letters must not
// depend on the process locale.
std::wstring AsciiUpper(std::wstring text) {
    for (wchar_t& ch : text) {
        if (ch >= L'a' && ch <= L'z') {
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
        }
    }
    return text;
}

// Skip to the label, past the marker, and take the text up to `end`.
std::wstring ReadLabelled(PageCursor& page, const std::wstring& label, const std::wstring& marker,
                          const std::wstring& end) {
    page.SkipTo(label);
    page.SkipPast(marker);
    return page.TakeUntil(end);
}

// The interface page carries DNS servers and gateway as form inputs:
// <input ... name="dns1" value="...">.
std::wstring ReadInputValue(PageCursor& page, const std::wstring& marker) {
    page.SkipPast(marker);
    return page.TakeUntil(L"\">");
}

}  // namespace

void ParseLanPage(const std::wstring& response, DeviceStatus& status) {
    PageCursor page(response);
    status.lanIp = ReadLabelled(page, L"IP Address:", kValueCell, L"<");
    status.lanMask = ReadLabelled(page, L"Subnet Mask:", kValueCell, L"<");
    // The DHCP cell reads like "Enabled (Server)"; only the bracketed word is kept.
    status.dhcpServer = ReadLabelled(page, L"DHCP Server:", L"(", L")");
    status.macAddress = AsciiUpper(ReadLabelled(page, L"MAC Address:", kValueCell, L"<"));
}

void ParseWanPage(const std::wstring& response, DeviceStatus& status) {
    PageCursor page(response);
    status.dns1 = ReadInputValue(page, L"name=\"dns1\" value=\"");
    status.dns2 = ReadInputValue(page, L"name=\"dns2\" value=\"");
    status.gateway = ReadInputValue(page, L"name=\"gw\" value=\"");
    status.wanIp = ReadLabelled(page, L"IP Address:",
                                L"<input name=\"text2\" type=\"text\" id=\"text\" value=\"",
                                L"\" size=\"20\"");
    status.wanMask = ReadLabelled(page, L"Subnet Mask:", kValueCell, kCellEnd);
    status.mode = ReadLabelled(page, L"Mode:", kValueCell, kCellEnd);
    status.ssid = ReadLabelled(page, L"SSID:", kValueCell, kCellEnd);
    // The channel is not kept, but its steps still move the position past its value cell,
    // so a page without the "Security:" label reads the next value cell as the security.
    page.SkipTo(L"Channel:");
    page.SkipPast(kValueCell);
    status.security = ReadLabelled(page, L"Security:", kValueCell, kCellEnd);
}

void ParseStatusPage(const std::wstring& response, DeviceStatus& status) {
    PageCursor page(response);
    status.firmwareVersion = ReadLabelled(page, L"Runtime Code Version:", kValueCell, kCellEnd);
}
