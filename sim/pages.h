#pragma once

#include <string>
#include <string_view>

#include "sim/device_state.h"

// The HTML the simulated repeater serves. Besides looking like the device's own pages to
// a person with a browser, each page keeps the markers that the set-up utility's page
// readers search for, in the order those readers walk through them:
//  - LAN page: "IP Address:", "Subnet Mask:" and "MAC Address:" each followed by a
//    <div align="left">value</div> cell; "DHCP Server:" followed by "(Enabled)" text.
//  - interface page: the dns1, dns2 and gw inputs (name="dns1" value="..."> and so on),
//    then "IP Address:" with the text2 input, then the "Subnet Mask:", "Mode:",
//    "SSID:", "Channel:" and "Security:" cells. No other label between them may contain
//    one of these words, so "BSSID:" or "Security Mode:" would break the reader.
//  - status page: "Runtime Code Version:" then <div align="left">version</div>.
//  - survey page: name="apCount" value="N" before the table, then per network seven
//    <font size="2"> cells (channel, SSID, BSSID, encryption, WPA kind, signal, mode;
//    the first two end with an <input> element) and one selection cell. No other
//    <font size="2"> may come between apCount and the rows.

std::string IndexPage(const DeviceState& device);
std::string LanPage(const DeviceState& device);
std::string InterfacePage(const DeviceState& device);
// `notice` (may be empty) is shown above the status table, e.g. after the LAN form.
std::string StatusPage(const DeviceState& device, std::string_view notice);
std::string SurveyPage(const DeviceState& device);
// The count the survey page announces for `networks` entries: the device counts the
// table's heading row too, so a list of N networks carries N + 1 (none carries 0).
int SurveyCount(size_t networks);

// A hostile survey page: an apCount of 300, then a long run of plain text (inserted at
// `textAt` while it is sent) and a lone </font>, but not one table cell.
struct SurveyBomb {
    std::string page;
    size_t textAt;
};
SurveyBomb SurveyBombPage();

// Forms a browser user would fill in; the utility posts to their targets directly.
std::string LanFormPage(const DeviceState& device);
std::string PasswordFormPage(const DeviceState& device);
std::string FirmwareFormPage(const DeviceState& device);
std::string ResetFormPage(const DeviceState& device);
std::string BridgingFormPage(const DeviceState& device);

// A short page with a heading and one paragraph (results of forms, errors).
std::string MessagePage(std::string_view title, std::string_view message);

// What the interface page shows for the upstream link.
std::string SecurityText(const Bridging& bridging);
