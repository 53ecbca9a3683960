#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// What the device's LAN, interface and status pages report, in the order the summary
// page shows the values. Every field is the trimmed text of one cell or form field of
// those pages; nothing is validated or interpreted.
struct DeviceStatus {
    std::wstring macAddress;       // LAN page, upper case
    std::wstring firmwareVersion;  // status page
    std::wstring lanIp;            // LAN page
    std::wstring lanMask;          // LAN page
    std::wstring dhcpServer;       // LAN page, the text inside the DHCP cell's "(...)"
    std::wstring mode;             // interface page
    std::wstring security;         // interface page
    std::wstring wanIp;            // interface page
    std::wstring ssid;             // interface page
    std::wstring wanMask;          // interface page
    std::wstring gateway;          // interface page
    std::wstring dns1;             // interface page
    std::wstring dns2;             // interface page

    // Empties all thirteen fields (done on every Connect, before the first answer).
    void Clear();
};

// Each parser reads one whole response (status line and headers included) and
// overwrites exactly the fields it fills, every time; a missing label or marker gives an
// empty or shortened value, never an error.
//
// LAN page: lanIp, lanMask, dhcpServer, macAddress.
void ParseLanPage(const std::wstring& response, DeviceStatus& status);
// Interface page: dns1, dns2, gateway, wanIp, wanMask, mode, ssid,
// security.
void ParseWanPage(const std::wstring& response, DeviceStatus& status);
// Status page (also the answer to the LAN address form): firmwareVersion.
void ParseStatusPage(const std::wstring& response, DeviceStatus& status);

// `text` without the white space (as iswspace defines it) at either end.
std::wstring TrimWhiteSpace(std::wstring_view text);

// A forward-only walk over a page. The text only ever loses its beginning, so the
// values must be read in the order the page lists them. All searches are for the first
// case-sensitive occurrence in what is left.
class PageCursor {
public:
    explicit PageCursor(std::wstring page) : m_page(std::move(page)) {}

    // Drops everything before `label`; leaves the text as it is when the label is absent.
    void SkipTo(const std::wstring& label);

    // Drops everything up to and including `marker`. When the marker is absent its
    // position counts as -1, so length - 1 characters go (all of them when fewer are left).
    // The device's pages are read this way; a missing marker must not stop the reading of
    // the fields that follow.
    void SkipPast(const std::wstring& marker);

    // The text before `end`, trimmed of white space at both ends; empty when `end` is
    // absent. Leaves the position unchanged.
    std::wstring TakeUntil(const std::wstring& end) const;

    // What is left of the page.
    std::wstring Remaining() const { return m_page.substr(m_start); }

private:
    std::wstring m_page;
    size_t m_start = 0;
};
