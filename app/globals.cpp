#include "app/globals.h"

CTamselDlg* G_pMainDlg = nullptr;
CSearchDlg* G_pSearchDlg = nullptr;
CQ3150TxDlg* G_pDeviceDlg = nullptr;
