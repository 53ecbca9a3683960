#pragma once

// What the IP address and reset page tests share, on their own and in the wizard.

#include <QWidget>

#include <vector>

#include "controls/ipv4_field.h"

// The steps of a restart wait: 0, 1 to 10 on the page's timer, then 0 again.
inline const std::vector<int> kFullWait = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0};

// The octet of `field` that has its window's focus; -1 when none has it.
inline int FocusedOctet(CIPv4Field& field) {
    for (int i = 0; i < CIPv4Field::kOctetCount; ++i) {
        if (field.window()->focusWidget() == field.OctetEdit(i)) {
            return i;
        }
    }
    return -1;
}
