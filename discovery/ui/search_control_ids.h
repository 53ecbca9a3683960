#pragma once

// The control ids of the search page: each control's object name, which tests and tools
// find it by. The page's menu only shows where the wizard leads, and it has no device
// labels.
enum SearchControlId : int {
    kSearchMenuLocate = 1110,  // the other six menu entries follow it in menu order
    kSearchClose = 1018,
    kSearchMinimize = 1185,
    kSearchList = 1001,
    kSearchResult = 1065,
    kSearchScan = 3,
    kSearchConnect = 1118,
    kSearchAddressField = 1201,
    kSearchAddressButton = 1202,
    kSearchNote = 1203,
};
