#include "wizard/ui/q3150tx_dlg.h"

CQ3150TxDlg::CQ3150TxDlg(QWidget* parent) : CDialogWindow(parent) {}

void CQ3150TxDlg::SetDeviceAddress(const std::wstring& ipAddress, const std::wstring& subnetMask) {
    m_strDeviceIP = ipAddress;
    m_strDeviceSubnet = subnetMask;
}
