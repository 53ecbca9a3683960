#pragma once

#include <string>
#include <vector>

#include "discovery/datagram.h"

// The discovered devices as other programs read them: the same four fields everywhere
// (MAC address, IP address, model, subnet mask; never the login), for `tamselctl discover
// --json` and `--csv`, the search page's Export and its copy of a row. Every value comes
// from a device's reply and is untrusted: it is escaped for the format it lands in.

enum class DeviceListFormat {
    // RFC 4180: a header line "mac,ip,model,mask", every field quoted, CRLF line ends.
    // A value that starts with = + - @, a tab or a carriage return gets a leading
    // apostrophe, so that a spreadsheet shows it as text instead of running it as a
    // formula.
    kCsv,
    // An array of objects {"mac", "ip", "model", "mask"}, escaped as JSON requires and
    // with every control character as \uXXXX.
    kJson,
};

// The whole list as a file of that format, UTF-8, ending with a line break.
std::string ExportDeviceList(const std::vector<FoundDevice>& devices, DeviceListFormat format);

// One device as one line of text for the clipboard, without a line break: the four
// fields separated by tabs. Control characters become U+FFFD, so the text stays one
// line of four cells, and a value is guarded against formulas as in the CSV file.
std::wstring DeviceRowText(const FoundDevice& device);
