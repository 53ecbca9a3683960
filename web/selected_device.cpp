#include "web/selected_device.h"

#include "web/encoders.h"

std::wstring G_mstrUserName;
std::wstring G_mstrPassword;
std::wstring G_mstrIPAddress;
std::wstring G_mstrMACAddress;
std::wstring G_mstrAuthBase64;
DeviceStatus G_DeviceStatus;

namespace {

std::wstring WithoutLineBreaks(std::wstring text) {
    std::erase_if(text, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    return text;
}

}  // namespace

void SetSelectedDevice(const std::wstring& userName, const std::wstring& password,
                       const std::wstring& ipAddress, const std::wstring& macAddress) {
    G_mstrUserName = WithoutLineBreaks(userName);
    G_mstrPassword = WithoutLineBreaks(password);
    G_mstrIPAddress = WithoutLineBreaks(ipAddress);
    G_mstrMACAddress = WithoutLineBreaks(macAddress);
    G_mstrAuthBase64 = EncodeBase64(G_mstrUserName + L":" + G_mstrPassword);
}

void ClearSelectedDevice() {
    G_mstrUserName.clear();
    G_mstrPassword.clear();
    G_mstrIPAddress.clear();
    G_mstrMACAddress.clear();
    G_mstrAuthBase64.clear();
}

DeviceTarget SelectedDeviceTarget(const std::wstring& subnetMask) {
    return {G_mstrIPAddress, subnetMask, G_mstrAuthBase64};
}
