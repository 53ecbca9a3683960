#pragma once

// The process-wide pointers through which the pages, the dialogs and the managers reach
// one another. All are null while their object does not exist, and all are read and
// written on the user-interface thread only.

class CTamselDlg;
class CUDPManager;
class CWEBManager;
class CSearchDlg;
class CQ3150TxDlg;

extern CTamselDlg* G_pMainDlg;      // the main window
extern CUDPManager* G_pUDPManager;  // device discovery
extern CWEBManager* G_pWEBManager;  // the web command queue
extern CSearchDlg* G_pSearchDlg;    // the search page
extern CQ3150TxDlg* G_pDeviceDlg;   // the device wizard's frame, while one is open
