#pragma once

// The control ids of the wizard's pages: each control's object name, which tests and tools
// find it by. Every page has ids of its own for the skin the pages share: "Locate" (the
// other six menu entries follow it in menu order), Close, Minimize and the labels with the
// selected device's MAC and IP address. Ids are unique within a page, not across pages.

// The IP address page.
enum IpAddressControlId : int {
    kIpMenuLocate = 1126,
    kIpClose = 1010,
    kIpMinimize = 1011,
    kIpDeviceMac = 1188,
    kIpDeviceIp = 1189,
    kIpCurrentAddress = 1169,
    kIpCurrentMask = 1170,
    kIpCurrentDhcp = 1171,
    kIpAutoChoice = 1002,
    kIpStaticChoice = 1066,
    kIpAddressField = 1068,
    kIpMaskField = 1070,
    kIpApply = 1168,
};

// The firmware page.
enum FirmwareControlId : int {
    kFirmwareMenuLocate = 1147,
    kFirmwareClose = 1028,
    kFirmwareMinimize = 1180,
    kFirmwareDeviceMac = 1190,
    kFirmwareDeviceIp = 1191,
    kFirmwareVersion = 1173,
    kFirmwareFile = 1003,
    kFirmwareBrowse = 1163,
    kFirmwareApply = 1164,
};

// The summary page (the repeater's settings).
enum SummaryControlId : int {
    kSummaryMenuLocate = 1119,
    kSummaryClose = 1046,
    kSummaryMinimize = 1183,
    kSummaryDeviceMac = 1187,
    kSummaryDeviceIp = 1186,
    kSummaryMac = 1126,
    kSummaryFirmware = 1127,
    kSummaryLanIp = 1128,
    kSummaryLanMask = 1129,
    kSummaryDhcp = 1130,
    kSummaryMode = 1131,
    kSummarySecurity = 1132,
    kSummaryWanIp = 1133,
    kSummarySsid = 1134,
    kSummaryWanMask = 1135,
    kSummaryGateway = 1136,
    kSummaryDns1 = 1137,
    kSummaryDns2 = 1138,
    kSummaryWebPage = 1204,
};

// The wireless repeater page (the site survey).
enum WirelessControlId : int {
    kWirelessMenuLocate = 1140,
    kWirelessClose = 1178,
    kWirelessMinimize = 1184,
    kWirelessDeviceMac = 1196,
    kWirelessDeviceIp = 1197,
    kWirelessCurrentSsid = 1172,
    kWirelessCurrentSecurity = 1173,
    kWirelessCurrentIp = 1174,
    kWirelessCurrentMask = 1175,
    kWirelessCurrentGateway = 1176,
    kWirelessCurrentDns = 1177,
    kWirelessScan = 1161,
    kWirelessConnect = 1162,
    kWirelessList = 1102,
    kWirelessKey = 1003,
    kWirelessDefaultKey = 1004,
};

// The password page.
enum PasswordControlId : int {
    kPasswordMenuLocate = 1133,
    kPasswordClose = 1179,
    kPasswordMinimize = 1181,
    kPasswordDeviceMac = 1192,
    kPasswordDeviceIp = 1193,
    kPasswordUser = 1003,
    kPasswordCurrent = 1096,
    kPasswordNew = 1094,
    kPasswordRepeat = 1095,
    kPasswordApply = 1167,
};

// The reset page.
enum ResetControlId : int {
    kResetMenuLocate = 1154,
    kResetClose = 1038,
    kResetMinimize = 1182,
    kResetDeviceMac = 1194,
    kResetDeviceIp = 1195,
    kResetReboot = 1002,
    kResetFactory = 1165,
    kResetApply = 1166,
};
