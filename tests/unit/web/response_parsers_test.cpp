#include "web/response_parsers.h"
#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A recorded device answer, decoded from the wire's code page as the transport does.
std::wstring LoadPage(const std::string& name) {
    std::ifstream in(std::string(TAMSEL_TEST_DATA_DIR) + "/pages/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return AnsiToWide(bytes);
}

void ReplaceFirst(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::wstring::npos) << "test page lacks the text to replace";
    text.replace(at, from.size(), to);
}

std::vector<std::wstring*> Fields(DeviceStatus& s) {
    return {&s.macAddress, &s.firmwareVersion, &s.lanIp, &s.lanMask, &s.dhcpServer, &s.mode,
            &s.security,   &s.wanIp,           &s.ssid,  &s.wanMask, &s.gateway,    &s.dns1,
            &s.dns2};
}

// Every field set to a marker value, to see which ones a parser writes.
DeviceStatus Prefilled() {
    DeviceStatus s;
    for (std::wstring* field : Fields(s)) {
        *field = L"old";
    }
    return s;
}

int UntouchedFields(DeviceStatus& s) {
    int count = 0;
    for (std::wstring* field : Fields(s)) {
        count += *field == L"old" ? 1 : 0;
    }
    return count;
}

TEST(PageCursor, MissingLabelLeavesPositionAndFoundLabelStartsText) {
    PageCursor page(L"abc Mode: x");
    page.SkipTo(L"SSID:");
    EXPECT_EQ(page.Remaining(), L"abc Mode: x");
    page.SkipTo(L"Mode:");
    EXPECT_EQ(page.Remaining(), L"Mode: x");
    page.SkipTo(L"Mode:");  // already at the label: stays
    EXPECT_EQ(page.Remaining(), L"Mode: x");
}

TEST(PageCursor, MissingMarkerDropsOneCharacterLessThanItsLength) {
    PageCursor page(L"0123456789abcdefghijklmnopqrstuvwxyz");
    page.SkipPast(L"<div align=\"left\">");  // 18 characters, absent: 17 go
    EXPECT_EQ(page.Remaining(), L"hijklmnopqrstuvwxyz");
    page.SkipPast(L"(");  // absent single character: nothing goes
    EXPECT_EQ(page.Remaining(), L"hijklmnopqrstuvwxyz");
    page.SkipPast(L"<div align=\"left\">");
    EXPECT_EQ(page.Remaining(), L"yz");
    page.SkipPast(L"<div align=\"left\">");  // fewer left than 17: all go
    EXPECT_EQ(page.Remaining(), L"");
    page.SkipPast(L"<div align=\"left\">");  // and an empty text stays empty
    EXPECT_EQ(page.Remaining(), L"");
    EXPECT_EQ(page.TakeUntil(L"<"), L"");
}

TEST(PageCursor, TakeUntilTrimsKeepsPositionAndIsEmptyWithoutEnd) {
    PageCursor page(L"key: \t 1.2.3 \r\n</div> tail");
    page.SkipPast(L"key:");
    EXPECT_EQ(page.TakeUntil(L"</div>"), L"1.2.3");
    EXPECT_EQ(page.TakeUntil(L"tail"), L"1.2.3 \r\n</div>");
    EXPECT_EQ(page.TakeUntil(L"</td>"), L"");
    EXPECT_EQ(page.Remaining(), L" \t 1.2.3 \r\n</div> tail");
}

TEST(LanPage, ReadsItsFourFieldsAndNothingElse) {
    DeviceStatus status = Prefilled();
    ParseLanPage(LoadPage("lan_page.http"), status);
    EXPECT_EQ(status.lanIp, L"192.168.2.254");
    EXPECT_EQ(status.lanMask, L"255.255.255.0");
    EXPECT_EQ(status.dhcpServer, L"Server");  // only the bracketed text of the cell
    EXPECT_EQ(status.macAddress, L"00:1A:2B:3C:4D:EF");
    EXPECT_EQ(UntouchedFields(status), 13 - 4);
}

TEST(LanPage, OverwritesEveryTimeEvenWithNothingToRead) {
    DeviceStatus status = Prefilled();
    ParseLanPage(L"HTTP/1.1 200 OK\r\n\r\nDevice busy, try again later.", status);
    EXPECT_EQ(status.lanIp, L"");
    EXPECT_EQ(status.lanMask, L"");
    EXPECT_EQ(status.dhcpServer, L"");
    EXPECT_EQ(status.macAddress, L"");
    EXPECT_EQ(status.mode, L"old");
}

TEST(WanPage, ReadsInputsAndCells) {
    DeviceStatus status = Prefilled();
    ParseWanPage(LoadPage("wan_page.http"), status);
    EXPECT_EQ(status.dns1, L"168.95.1.1");
    EXPECT_EQ(status.dns2, L"168.95.192.1");
    EXPECT_EQ(status.gateway, L"192.168.1.1");
    EXPECT_EQ(status.wanIp, L"192.168.1.120");
    EXPECT_EQ(status.wanMask, L"255.255.255.0");
    EXPECT_EQ(status.mode, L"Repeater");
    EXPECT_EQ(status.ssid, L"Caf\u00e9 Corner");
    EXPECT_EQ(status.security, L"WPA2-PSK");
    EXPECT_EQ(UntouchedFields(status), 13 - 8);
}

TEST(WanPage, WithoutDns2InputTheLaterFieldsAreStillRead) {
    std::wstring page = LoadPage("wan_page.http");
    ReplaceFirst(
        page,
        L"  <tr><td><font size=\"2\"><b>DNS 2:</b></font></td>\n"
        L"      <td><input type=\"text\" name=\"dns2\" value=\" 168.95.192.1 \"></td></tr>\n",
        L"");
    DeviceStatus status;
    ParseWanPage(page, status);
    EXPECT_EQ(status.dns1, L"168.95.1.1");
    // 18 characters after the dns1 value are dropped, then the text runs to the next "\">".
    EXPECT_EQ(status.dns2, L"/tr>\n  <tr><td><font size=\"2");
    EXPECT_EQ(status.gateway, L"192.168.1.1");
    EXPECT_EQ(status.wanIp, L"192.168.1.120");
    EXPECT_EQ(status.security, L"WPA2-PSK");
}

TEST(WanPage, ChannelCellChangesNoField) {
    std::wstring page = LoadPage("wan_page.http");
    DeviceStatus before;
    ParseWanPage(page, before);
    ReplaceFirst(page, L"<div align=\"left\">6</div>", L"<div align=\"left\">13 (auto)</div>");
    DeviceStatus after;
    ParseWanPage(page, after);
    EXPECT_EQ(after.security, before.security);
    EXPECT_EQ(after.ssid, before.ssid);
    EXPECT_EQ(after.mode, before.mode);
    EXPECT_EQ(after.wanMask, before.wanMask);
}

TEST(WanPage, MissingLabelReadsOnFromWhereThePreviousFieldLeftOff) {
    std::wstring page = LoadPage("wan_page.http");
    ReplaceFirst(page, L"<b>Mode:</b>", L"<b>Operation:</b>");
    DeviceStatus status;
    ParseWanPage(page, status);
    // The position stays at the mask value, so the next value cell is still the mode's.
    EXPECT_EQ(status.mode, L"Repeater");
    EXPECT_EQ(status.ssid, L"Caf\u00e9 Corner");

    page = LoadPage("wan_page.http");
    ReplaceFirst(page, L"<b>Security:</b>", L"<b>Encryption:</b>");
    ParseWanPage(page, status);
    // The channel steps already moved past the channel's value cell, so the next value
    // cell is the security's.
    EXPECT_EQ(status.security, L"WPA2-PSK");
}

TEST(StatusPage, VersionIsTrimmedAndOnlyItIsWritten) {
    DeviceStatus status = Prefilled();
    ParseStatusPage(LoadPage("status_page.http"), status);
    EXPECT_EQ(status.firmwareVersion, L"v1.2.07 (Aug 14 2009)");
    EXPECT_EQ(UntouchedFields(status), 13 - 1);
}

TEST(StatusPage, MissingLabelReadsTheFirstValueCellOfThePage) {
    std::wstring page = LoadPage("status_page.http");
    ReplaceFirst(page, L"Runtime Code Version:", L"Firmware:");
    DeviceStatus status;
    ParseStatusPage(page, status);
    EXPECT_EQ(status.firmwareVersion, L"0day:0h:12m:40s");
}

}  // namespace
