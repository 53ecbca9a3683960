#pragma once

#include <string>

#include "web/request_catalogue.h"
#include "web/response_parsers.h"

// The session with one device: the device the user connected to and what its pages told.
// All on the user-interface thread (no lock).

// The device, written by Connect on the search page (and by tamselctl from its discovery
// answer or options), read by the request builders and the wizard's frame.
extern std::wstring G_mstrUserName;    // login user name of the device's web pages
extern std::wstring G_mstrPassword;    // login password
extern std::wstring G_mstrIPAddress;   // dotted IPv4 address
extern std::wstring G_mstrMACAddress;  // "AA:BB:CC:DD:EE:FF"
extern std::wstring G_mstrAuthBase64;  // Base64 of "user:password" for Basic authentication

// Fills the record from one row of the device list. CR and LF are removed from every
// value first: the values end up in header lines, where a line break would end the line.
void SetSelectedDevice(const std::wstring& userName, const std::wstring& password,
                       const std::wstring& ipAddress, const std::wstring& macAddress);

// Empties the record.
void ClearSelectedDevice();

// The selected device as the target of a request; the mask comes from the wizard frame.
DeviceTarget SelectedDeviceTarget(const std::wstring& subnetMask);

// What the device's LAN, interface and status pages told: emptied by every Connect, filled
// by the start-up reads, shown by the wizard's pages through their host.
extern DeviceStatus G_DeviceStatus;
