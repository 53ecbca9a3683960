#include "window/shell_globals.h"

CTamselDlg* G_pMainDlg = nullptr;
CSearchDlg* G_pSearchDlg = nullptr;
CQ3150TxDlg* G_pDeviceDlg = nullptr;
CUDPManager* G_pUDPManager = nullptr;
CWEBManager* G_pWEBManager = nullptr;
const MeteredSocketFactory* G_pWebSendMeter = nullptr;
