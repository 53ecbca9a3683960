#include "discovery/device_export.h"

#include <gtest/gtest.h>

namespace {

FoundDevice Device(std::wstring mac, std::wstring ip, std::wstring model = L"KV-Q3150Tx",
                   std::wstring mask = L"255.255.255.0") {
    return FoundDevice{model, mac, ip, mask, L"admin", L"secret"};
}

TEST(DeviceExportTest, CsvHasOneQuotedLinePerDeviceUnderTheJsonKeys) {
    const std::string csv = ExportDeviceList(
        {Device(L"00:11:22:33:44:AA", L"192.168.1.1"), Device(L"00:11:22:33:44:BB", L"10.0.0.2")},
        DeviceListFormat::kCsv);
    EXPECT_EQ(csv,
              "mac,ip,model,mask\r\n"
              "\"00:11:22:33:44:AA\",\"192.168.1.1\",\"KV-Q3150Tx\",\"255.255.255.0\"\r\n"
              "\"00:11:22:33:44:BB\",\"10.0.0.2\",\"KV-Q3150Tx\",\"255.255.255.0\"\r\n");
    EXPECT_EQ(ExportDeviceList({}, DeviceListFormat::kCsv), "mac,ip,model,mask\r\n");
}

TEST(DeviceExportTest, CsvKeepsHostileValuesInTheirCellAndNeverAsAFormula) {
    const FoundDevice hostile =
        Device(L"=HYPERLINK(\"http://x\")", L"+1+1", L"-2,\"a\"\r\nb", L"@SUM(A1)");
    const std::string csv = ExportDeviceList({hostile}, DeviceListFormat::kCsv);
    EXPECT_EQ(
        csv,
        "mac,ip,model,mask\r\n"
        "\"'=HYPERLINK(\"\"http://x\"\")\",\"'+1+1\",\"'-2,\"\"a\"\"\r\nb\",\"'@SUM(A1)\"\r\n");
    // A tab or a carriage return before the sign is guarded too; a sign later is text.
    EXPECT_NE(ExportDeviceList({Device(L"\t=1", L"\r=1")}, DeviceListFormat::kCsv)
                  .find("\"'\t=1\",\"'\r=1\""),
              std::string::npos);
    EXPECT_NE(ExportDeviceList({Device(L"a=1", L"é")}, DeviceListFormat::kCsv)
                  .find("\"a=1\",\"\xc3\xa9\""),
              std::string::npos);
}

TEST(DeviceExportTest, JsonHasTheFieldsOfDiscoverJsonAndEscapesEveryControl) {
    EXPECT_EQ(
        ExportDeviceList({Device(L"00:11:22:33:44:AA", L"192.168.1.1")}, DeviceListFormat::kJson),
        "[\n  {\n    \"mac\": \"00:11:22:33:44:AA\",\n    \"ip\": \"192.168.1.1\",\n"
        "    \"model\": \"KV-Q3150Tx\",\n    \"mask\": \"255.255.255.0\"\n  }\n]\n");
    EXPECT_EQ(ExportDeviceList({}, DeviceListFormat::kJson), "[]\n");
    const std::string json = ExportDeviceList(
        {Device(L"\"}],\\", std::wstring(L"\x1b[2J\x9b\x7f\u2028", 7))}, DeviceListFormat::kJson);
    EXPECT_NE(json.find("\"mac\": \"\\\"}],\\\\\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"ip\": \"\\u001b[2J\\u009b\\u007f\\u2028\""), std::string::npos) << json;
    // The login travels with the record but is never exported.
    EXPECT_EQ(json.find("secret"), std::string::npos);
}

TEST(DeviceExportTest, RowTextIsOneLineOfFourTabSeparatedCells) {
    EXPECT_EQ(DeviceRowText(Device(L"00:11:22:33:44:AA", L"192.168.1.1")),
              L"00:11:22:33:44:AA\t192.168.1.1\tKV-Q3150Tx\t255.255.255.0");
    // Line breaks, tabs and other controls cannot split the row or reach a terminal.
    EXPECT_EQ(DeviceRowText(Device(L"a\tb\r\nc", std::wstring(L"\x1b\x9b", 2), L"=1+1", L"x")),
              L"a\uFFFDb\uFFFD\uFFFDc\t\uFFFD\uFFFD\t'=1+1\tx");
    EXPECT_EQ(DeviceRowText(Device(L"\t=cmd", L"1")).substr(0, 6), L"\uFFFD=cmd\t");
    // Empty values keep their cells.
    EXPECT_EQ(DeviceRowText(Device(L"", L"", L"", L"")), L"\t\t\t");
}

}  // namespace
