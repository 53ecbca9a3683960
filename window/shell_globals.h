#pragma once

// The program's process-wide windows and managers: the main window owns them all, and the
// pages reach the managers through them. Each is null while its object does not exist
// (before start-up and after the teardown, which clears the managers' pointers before it
// destroys the pages); all are read and written on the user-interface thread only.

class CQ3150TxDlg;
class CSearchDlg;
class CTamselDlg;
class CUDPManager;
class CWEBManager;
class MeteredSocketFactory;

extern CTamselDlg* G_pMainDlg;     // the main window
extern CSearchDlg* G_pSearchDlg;   // the search page
extern CQ3150TxDlg* G_pDeviceDlg;  // the device wizard's frame, while one is open

extern CUDPManager* G_pUDPManager;  // device discovery
extern CWEBManager* G_pWEBManager;  // the web command queue
// The sockets the web command queue sends through: how far its current send has got.
extern const MeteredSocketFactory* G_pWebSendMeter;
