#pragma once

// The process-wide pointers of the application shell. All are null while their object
// does not exist, and all are read and written on the user-interface thread only. The
// managers' pointers, which the pages use too, live in the page layer
// (window/shell_globals.h).

#include "window/shell_globals.h"

class CTamselDlg;
class CSearchDlg;
class CQ3150TxDlg;

extern CTamselDlg* G_pMainDlg;     // the main window
extern CSearchDlg* G_pSearchDlg;   // the search page
extern CQ3150TxDlg* G_pDeviceDlg;  // the device wizard's frame, while one is open
