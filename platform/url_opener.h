#pragma once

#include <string>

#include "platform/ipv4.h"

// Opening the repeater's web page in the desktop's browser, for tamselctl and the GUI.

// The device's web page as a browser opens it: "http://A.B.C.D/", made from the parsed
// address alone, so that nothing but four numbers and dots ever reaches a URL opener.
std::string DeviceWebUrl(Ipv4 device);

// A desktop session that can show a browser: WAYLAND_DISPLAY or DISPLAY is set.
bool DesktopPresent();

// Hands `url` to the desktop's URL opener, xdg-open on the PATH, as its one argument:
// spawned directly, without a shell, with the environment of this program and no signal
// blocked. It is not waited for (it may run the browser itself): its process id, to reap
// later with ReapOpener, or -1 when it could not be started.
int OpenWithDesktop(const std::string& url);
// Collects the opener's exit status if it has ended, so that it leaves no zombie. True
// when it has been collected now or there is none to collect (`pid` -1); false while it
// still runs.
bool ReapOpener(int pid);
