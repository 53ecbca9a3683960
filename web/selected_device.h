#pragma once

#include <string>

#include "web/request_catalogue.h"

// The device a program connects to, as its discovery answer (or tamselctl's options) gave
// it: the login of its web pages and its addresses. The program that connects owns it and
// hands it on: the GUI's program state to the wizard, tamselctl's run to its requests.
struct DeviceLogin {
    std::wstring userName;
    std::wstring password;
    std::wstring ipAddress;   // dotted IPv4 address
    std::wstring macAddress;  // "AA:BB:CC:DD:EE:FF"
};

// `text` without CR and LF. A device's values end up in header lines, where a line break
// would end the line.
std::wstring WithoutLineBreaks(std::wstring text);

// The login from a device's values, each without line breaks.
DeviceLogin MakeDeviceLogin(const std::wstring& userName, const std::wstring& password,
                            const std::wstring& ipAddress, const std::wstring& macAddress);

// Base64 of "user:password", the credential of a request's Basic authentication.
std::wstring LoginCredential(const DeviceLogin& login);

// The device as the target of a request: its address, `subnetMask` and its credential.
DeviceTarget LoginTarget(const DeviceLogin& login, const std::wstring& subnetMask);
