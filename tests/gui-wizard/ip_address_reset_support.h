#pragma once

// What the IP address and reset page tests share, on their own and in the wizard.

#include <QWidget>

#include "controls/ipv4_field.h"

// The octet of `field` that has its window's focus; -1 when none has it.
inline int FocusedOctet(Ipv4Field& field) {
    for (int i = 0; i < Ipv4Field::kOctetCount; ++i) {
        if (field.window()->focusWidget() == field.OctetEdit(i)) {
            return i;
        }
    }
    return -1;
}
