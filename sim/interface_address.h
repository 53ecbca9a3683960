#pragma once

#include <string>

// Gives the network interface `name` the IPv4 address `ip` with netmask `mask`, replacing
// its primary address (SIOCSIFADDR, then SIOCSIFNETMASK, which also derives the
// broadcast address). Used when the simulated device comes back from a reboot with new
// LAN settings; it runs inside the device's own network namespace. Returns an error
// text, or empty on success.
std::string SetInterfaceAddress(const std::string& name, const std::string& ip,
                                const std::string& mask);
