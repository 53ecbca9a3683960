#include "web/selected_device.h"

#include "web/encoders.h"

std::wstring WithoutLineBreaks(std::wstring text) {
    std::erase_if(text, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    return text;
}

DeviceLogin MakeDeviceLogin(const std::wstring& userName, const std::wstring& password,
                            const std::wstring& ipAddress, const std::wstring& macAddress) {
    return {WithoutLineBreaks(userName), WithoutLineBreaks(password), WithoutLineBreaks(ipAddress),
            WithoutLineBreaks(macAddress)};
}

std::wstring LoginCredential(const DeviceLogin& login) {
    return EncodeBase64(login.userName + L":" + login.password);
}

DeviceTarget LoginTarget(const DeviceLogin& login, const std::wstring& subnetMask) {
    return {login.ipAddress, subnetMask, LoginCredential(login)};
}
