#include "app/globals.h"

CTamselDlg* G_pMainDlg = nullptr;
CUDPManager* G_pUDPManager = nullptr;
CWEBManager* G_pWEBManager = nullptr;
CSearchDlg* G_pSearchDlg = nullptr;
CQ3150TxDlg* G_pDeviceDlg = nullptr;
