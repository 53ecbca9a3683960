#pragma once

#include "controls/record_list.h"
#include "discovery/datagram.h"

// The search page's list of found devices: one row per device, no header, grid lines,
// whole rows selected, one at a time (a click on the empty part selects nothing). It holds
// what shows, the MAC address and the IP address, and nothing else: the rest of a device's
// record (model, subnet mask, web login) stays with the search that found it.
class DeviceList : public RecordList {
    Q_OBJECT

public:
    enum Column { kMac, kIp, kColumnCount };

    explicit DeviceList(QWidget* parent = nullptr);

    // Gives the MAC column 55 % and the IP column 42 % of the list's width (cut to whole
    // pixels).
    void SizeColumns();

    // Appends a row for `device`.
    void AddDevice(const FoundDevice& device);
};
