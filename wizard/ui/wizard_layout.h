#pragma once

#include "resources/layout_rect.h"

// Where the wizard's pages and dialogs put their controls (client pixels of the page or
// dialog). The IP address page's DHCP choice is in wizard/page_choices.h, whose rules
// read it.

// The IP address page.
inline constexpr LayoutRect kIpCurrentAddressRect{380, 202, 200, 25};
inline constexpr LayoutRect kIpCurrentMaskRect{380, 230, 200, 20};
inline constexpr LayoutRect kIpCurrentDhcpRect{380, 255, 200, 25};
inline constexpr LayoutRect kIpAddressFieldRect{380, 335, 200, 23};
inline constexpr LayoutRect kIpMaskFieldRect{380, 365, 200, 23};
inline constexpr LayoutRect kIpApplyRect{610, 425, 67, 23};

// The firmware page.
inline constexpr LayoutRect kFirmwareVersionRect{240, 170, 300, 20};
inline constexpr LayoutRect kFirmwareFileRect{195, 230, 205, 23};
inline constexpr LayoutRect kFirmwareBrowseRect{405, 230, 67, 23};
inline constexpr LayoutRect kFirmwareApplyRect{475, 230, 67, 23};
inline constexpr LayoutRect kFirmwareProgressRect{200, 330, 342, 20};

// The password page; the hand area is the caption over the fields.
inline constexpr LayoutRect kPasswordHandAreaRect{214, 186, 120, 19};
inline constexpr LayoutRect kPasswordUserRect{377, 200, 207, 23};
inline constexpr LayoutRect kPasswordCurrentRect{377, 230, 207, 23};
inline constexpr LayoutRect kPasswordNewRect{377, 310, 207, 23};
inline constexpr LayoutRect kPasswordRepeatRect{377, 340, 207, 23};
inline constexpr LayoutRect kPasswordApplyRect{610, 375, 67, 23};

// The reset page: the two radio buttons and their captions' click areas.
inline constexpr LayoutRect kResetRebootRect{255, 165, 19, 19};
inline constexpr LayoutRect kResetFactoryRect{255, 210, 19, 19};
inline constexpr LayoutRect kResetRebootAreaRect{280, 165, 60, 19};
inline constexpr LayoutRect kResetFactoryAreaRect{280, 210, 95, 19};
inline constexpr LayoutRect kResetApplyRect{610, 265, 67, 23};

// The summary page's values.
inline constexpr LayoutRect kSummaryMacRect{400, 180, 200, 25};
inline constexpr LayoutRect kSummaryFirmwareRect{400, 201, 200, 20};
inline constexpr LayoutRect kSummaryLanIpRect{400, 222, 200, 20};
inline constexpr LayoutRect kSummaryLanMaskRect{400, 243, 200, 20};
inline constexpr LayoutRect kSummaryDhcpRect{400, 264, 200, 20};
inline constexpr LayoutRect kSummaryModeRect{400, 318, 200, 20};
inline constexpr LayoutRect kSummarySecurityRect{400, 339, 200, 20};
inline constexpr LayoutRect kSummaryWanIpRect{400, 360, 200, 20};
inline constexpr LayoutRect kSummarySsidRect{400, 381, 280, 20};
inline constexpr LayoutRect kSummaryWanMaskRect{400, 402, 200, 20};
inline constexpr LayoutRect kSummaryGatewayRect{400, 423, 200, 20};
inline constexpr LayoutRect kSummaryDns1Rect{400, 444, 200, 20};
inline constexpr LayoutRect kSummaryDns2Rect{400, 467, 200, 20};
inline constexpr LayoutRect kSummaryWebPageRect{580, 466, 104, 26};

// The wireless repeater page (the site survey). The default key list's height is that of
// its open list.
inline constexpr LayoutRect kSurveySsidRect{320, 185, 130, 25};
inline constexpr LayoutRect kSurveySecurityRect{320, 207, 130, 25};
inline constexpr LayoutRect kSurveyIpRect{320, 230, 130, 25};
inline constexpr LayoutRect kSurveyMaskRect{520, 185, 130, 25};
inline constexpr LayoutRect kSurveyGatewayRect{520, 207, 130, 25};
inline constexpr LayoutRect kSurveyDnsRect{520, 228, 130, 20};
inline constexpr LayoutRect kSurveyScanRect{590, 265, 67, 23};
inline constexpr LayoutRect kSurveyListRect{225, 317, 430, 110};
inline constexpr LayoutRect kSurveyKeyRect{230, 455, 200, 23};
inline constexpr LayoutRect kSurveyDefaultKeyRect{450, 455, 60, 200};
inline constexpr LayoutRect kSurveyConnectRect{590, 455, 67, 23};

// The message box.
inline constexpr LayoutRect kMessageTextRect{12, 30, 234, 60};
inline constexpr LayoutRect kMessageOkRect{86, 96, 88, 34};

// The progress dialog: its text, and the size of its step pictures.
inline constexpr LayoutRect kProgressTextRect{12, 110, 240, 15};
inline constexpr LayoutRect kProgressStepRect{351, 228, 128, 49};
