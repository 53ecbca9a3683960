#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/datagram.h"
#include "web/response_parsers.h"
#include "web/survey_parser.h"

// What tamselctl prints on standard output, as text for people or as JSON for scripts.
// Everything is UTF-8 and ends with a line break.

std::string FormatDevices(const std::vector<FoundDevice>& devices, bool json);
std::string FormatStatus(const DeviceStatus& status, bool json);
std::string FormatSurvey(const std::vector<SurveyNetwork>& networks, bool json);

// A bar of `width` cells for the bytes sent so far, with the percentage and the counts,
// e.g. "[#####     ]  50% 4194304/8388608 bytes".
std::string FormatProgressBar(uint64_t sent, uint64_t total, int width);
