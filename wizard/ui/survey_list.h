#pragma once

#include "controls/record_list.h"
#include "web/survey_parser.h"

// The wireless page's list of the networks the last survey found: one row per network,
// no header, grid lines, whole rows selected, one at a time, each row as high as the
// page's row picture. The SSID, the security text and the signal show; the rest of the
// device's record of the network (channel and security keyword for Connect, BSSID, mode)
// is kept for Connect alone.
class SurveyList : public RecordList {
    Q_OBJECT

public:
    // The columns in their order in the list; kValue holds the security keyword ("NONE",
    // "WEP", "TKIP", "AES" or "Unknown").
    enum Column { kBssid, kSsid, kChannel, kEncrypt, kSignal, kMode, kValue, kColumnCount };

    // The visible columns' shares of the list's width, cut to whole pixels. An SSID runs
    // up to 32 characters, the longest security text ("Unknown Type", "WPA2PSK-AES") takes
    // about a hundred pixels and the signal a few digits; the last 5 % stay free for the
    // vertical scroll bar that more than five rows bring.
    static constexpr double kSsidShare = 0.50;
    static constexpr double kEncryptShare = 0.30;
    static constexpr double kSignalShare = 0.15;

    explicit SurveyList(QWidget* parent = nullptr);

    // Sizes the visible columns from the list's present width.
    void SizeColumns();

    // Appends a row for `network`: its name left-aligned, the rest right-aligned.
    void AddNetwork(const SurveyNetwork& network);
};
