#pragma once

#include <string>

#include "window/dialog_window.h"

// The device wizard's frame: an invisible container laid over the whole main window that
// holds the wizard for one KV-Q3150Tx. It keeps the address and subnet mask of the device
// it was opened for; every request to the device goes to that address.
class CQ3150TxDlg : public CDialogWindow {
    Q_OBJECT

public:
    explicit CQ3150TxDlg(QWidget* parent = nullptr);

    void SetDeviceAddress(const std::wstring& ipAddress, const std::wstring& subnetMask);
    const std::wstring& DeviceIP() const { return m_strDeviceIP; }
    const std::wstring& DeviceSubnet() const { return m_strDeviceSubnet; }

private:
    std::wstring m_strDeviceIP;
    std::wstring m_strDeviceSubnet;
};
