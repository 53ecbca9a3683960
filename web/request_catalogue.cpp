#include "web/request_catalogue.h"

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <system_error>

#include "web/encoders.h"

namespace {

// The browser header lines the device's pages were written against, each with its line
// end. Bodies are assembled by concatenation, never through a format string, so user text
// containing '%' cannot be taken for a conversion.
constexpr wchar_t kAcceptImages[] =
    L"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    L"application/x-shockwave-flash, */*\r\n";
constexpr wchar_t kAcceptWord[] =
    L"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    L"application/x-shockwave-flash, application/msword, */*\r\n";
constexpr wchar_t kAcceptWordForm[] =
    L"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    L"application/x-shockwave-flash, application/msword,*/*\r\n";
constexpr wchar_t kAcceptOffice[] =
    L"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    L"application/x-shockwave-flash, application/vnd.ms-excel, application/msword, */*\r\n";
constexpr wchar_t kAcceptAny[] = L"Accept: */*\r\n";
constexpr wchar_t kLanguageEnUs[] = L"Accept-Language: en-us\r\n";
constexpr wchar_t kLanguageZhTw[] = L"Accept-Language: zh-tw\r\n";
constexpr wchar_t kContentTypeForm[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
constexpr wchar_t kContentTypeMultipart[] =
    L"Content-Type: multipart/form-data; boundary=---------------------------7d9222c1903be\r\n";
constexpr wchar_t kUaCpu[] = L"UA-CPU: x86\r\n";
constexpr wchar_t kAcceptEncoding[] = L"Accept-Encoding: gzip, deflate\r\n";
constexpr wchar_t kUserAgentIe7[] =
    L"User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322; "
    L".NET CLR 2.0.50727)\r\n";
constexpr wchar_t kUserAgentIe6[] =
    L"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR "
    L"2.0.50727)\r\n";
constexpr wchar_t kKeepAlive[] = L"Connection: Keep-Alive\r\n";
constexpr wchar_t kNoCache[] = L"Cache-Control: no-cache\r\n";

// Multipart pieces of the firmware form; the image part comes first.
constexpr wchar_t kUploadHead[] =
    L"-----------------------------7d9222c1903be\r\n"
    L"Content-Disposition: form-data; name=\"binary\"; filename=\"c:\\1.bin\"\r\n"
    L"Content-Type: text/plain\r\n\r\n";
constexpr wchar_t kUploadTail[] =
    L"\r\n-----------------------------7d9222c1903be\r\n"
    L"Content-Disposition: form-data; name=\"submit-url\"\r\n\r\nqmv4t2_03_02_firmware_b.asp"
    L"\r\n-----------------------------7d9222c1903be\r\n"
    L"Content-Disposition: form-data; name=\"main_menu_number\"\r\n\r\n4"
    L"\r\n-----------------------------7d9222c1903be\r\n"
    L"Content-Disposition: form-data; name=\"sub_menu_number\"\r\n\r\n2"
    L"\r\n-----------------------------7d9222c1903be\r\n"
    L"Content-Disposition: form-data; name=\"third_menu_number\"\r\n\r\n0"
    L"\r\n-----------------------------7d9222c1903be--\r\n";

// A header value never holds a line break; one would end the line and change the request.
std::wstring HeaderValue(std::wstring value) {
    std::erase_if(value, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
    return value;
}

std::wstring Host(const DeviceTarget& target) {
    return L"Host: " + HeaderValue(target.ip) + L"\r\n";
}

std::wstring Referer(const DeviceTarget& target, const wchar_t* path) {
    return L"Referer: http://" + HeaderValue(target.ip) + path + L"\r\n";
}

std::wstring ContentLength(uint64_t bodyBytes) {
    return L"content-Length: " + std::to_wstring(bodyBytes) + L"\r\n";
}

// The last header line, followed by the blank line that ends the header.
std::wstring Authorization(const DeviceTarget& target) {
    return L"Authorization: Basic " + HeaderValue(target.authBase64) + L"\r\n\r\n";
}

std::wstring Join(std::initializer_list<std::wstring> parts) {
    std::wstring out;
    for (const std::wstring& part : parts) {
        out += part;
    }
    return out;
}

// A request without a file run: all of it is text.
WebRequest WholeRequest(std::wstring text) {
    WebRequest request;
    request.text = std::move(text);
    return request;
}

// A page read as the device's status pages are fetched: with a Referer to the page itself.
WebRequest PageRead(const DeviceTarget& target, const wchar_t* path) {
    const std::wstring page = path;
    return WholeRequest(Join({L"GET " + page + L" HTTP/1.1\r\n", kAcceptImages,
                              Referer(target, path), kLanguageEnUs, kUaCpu, kAcceptEncoding,
                              kUserAgentIe7, Host(target), kKeepAlive, Authorization(target)}));
}

// A form post of the management pages. Every wire character is one Windows-1252 byte, so
// the body's character count is its byte count.
WebRequest FormPost(const DeviceTarget& target, const wchar_t* action, const wchar_t* referer,
                    const std::wstring& body) {
    return WholeRequest(
        Join({L"POST " + std::wstring(action) + L" HTTP/1.1\r\n", kAcceptWordForm,
              Referer(target, referer), kLanguageEnUs, kContentTypeForm, kUaCpu, kAcceptEncoding,
              kUserAgentIe7, Host(target), ContentLength(body.size()), kKeepAlive, kNoCache,
              Authorization(target), body}));
}

bool IsSet(int flag) {
    return flag == 1;
}

// The field values of one station form body; every variant fills the same fields.
struct StationFields {
    int encryptType = 0;
    int wepLength = 0;
    int defaultKey = 0;
    std::array<std::wstring, 4> keys;
    int wepFormat = 0;
    int wpaCipher = 0;
    int pskFormat = 0;
    std::wstring pskKey;
};

std::wstring StationBody(const std::wstring& ssid, const std::wstring& channel,
                         const StationFields& f) {
    std::wstring body = L"stadrv_type=3&stadrv_ssid=" + FormEncode(ssid) + L"&stadrv_chan=" +
                        channel + L"&stadrv_encrypttype=" + std::to_wstring(f.encryptType) +
                        L"&stadrv_weplength=" + std::to_wstring(f.wepLength) +
                        L"&stadrv_defaultkey=" + std::to_wstring(f.defaultKey);
    const std::wstring wepFormat = std::to_wstring(f.wepFormat);
    for (size_t i = 0; i < f.keys.size(); ++i) {
        const std::wstring n = std::to_wstring(i + 1);
        body += L"&key" + n + L"=" + f.keys[i] + L"&stadrv_wepformat" + n + L"=" + wepFormat;
    }
    body += L"&stadrv_wpacipher=" + std::to_wstring(f.wpaCipher) + L"&stadrv_pskformat=" +
            std::to_wstring(f.pskFormat) + L"&stadrv_pskkey=" + f.pskKey +
            L"&submit-url=%2Fwanwisp.asp";
    return body;
}

std::wstring AsciiUpper(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& ch : out) {
        if (ch >= L'a' && ch <= L'z') {
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
        }
    }
    return out;
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Size of the image to upload, or 0 when the path is not a regular file we can read: the
// transport reads the same file again at send time and needs the run to match it.
uint64_t UploadFileSize(const std::string& filePath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(filePath, error) || error) {
        return 0;
    }
    if (!std::ifstream(filePath, std::ios::binary).is_open()) {
        return 0;
    }
    const uintmax_t size = std::filesystem::file_size(filePath, error);
    return error ? 0 : static_cast<uint64_t>(size);
}

}  // namespace

WebRequest BuildLanInfoRequest(const DeviceTarget& target) {
    return PageRead(target, L"/qmv4t2_02_02_02_homenet.asp");
}

WebRequest BuildWanInfoRequest(const DeviceTarget& target) {
    return PageRead(target, L"/qmv4t2_02_02_01_int.asp");
}

WebRequest BuildGetStatusRequest(const DeviceTarget& target) {
    return PageRead(target, L"/qmv4t2_02_00_00_status.asp");
}

WebRequest BuildSiteSurveyRequest(const DeviceTarget& target) {
    // The survey page is requested without a Referer and with a bare Accept line.
    return WholeRequest(
        Join({L"GET /wlsurvey2.asp HTTP/1.1\r\n", kAcceptAny, kLanguageEnUs, kUaCpu,
              kAcceptEncoding, kUserAgentIe7, Host(target), kKeepAlive, Authorization(target)}));
}

WebRequest BuildUncheckRepeaterRequest(const DeviceTarget& target) {
    return FormPost(target, L"/goform/formZelkora", L"/index.asp", L"submit-url=%2Fwamode.asp");
}

WebRequest BuildRebootRequest(const DeviceTarget& target) {
    return FormPost(target, L"/goform/formReboot", L"/qmv4t2_03_03_reset.asp",
                    L"reset_flag=0&submit-url=%2Fqmv4t2_03_03_reset.asp");
}

WebRequest BuildResetDefaultRequest(const DeviceTarget& target) {
    // The device's command form expects a line end after the body, outside content-Length.
    WebRequest request =
        FormPost(target, L"/goform/mp", L"/goform/mp", L"command=COMMAND+flash+default&getID=");
    request.text += L"\r\n";
    return request;
}

std::wstring BuildRepeaterBody(const RepeaterSettings& settings) {
    StationFields fields;
    switch (settings.encryptionType) {
        case kEncryptionNone:
            break;
        case kEncryptionWep: {
            // Hexadecimal keys go out as typed; ASCII keys are form-encoded.
            const bool hex = IsSet(settings.wepKeyFormat);
            fields.encryptType = kEncryptionWep;
            fields.wepLength = IsSet(settings.wepKeyLength) ? 1 : 0;
            fields.defaultKey = settings.defaultKey;
            fields.wepFormat = hex ? 1 : 0;
            for (size_t i = 0; i < fields.keys.size(); ++i) {
                fields.keys[i] = hex ? settings.keys[i] : FormEncode(settings.keys[i]);
            }
            break;
        }
        case kEncryptionWpa: {
            const bool hex = IsSet(settings.pskFormat);
            fields.encryptType = kEncryptionWpa;
            fields.wpaCipher = settings.wpaCipher;
            fields.pskFormat = hex ? 1 : 0;
            fields.pskKey = hex ? settings.pskKey : FormEncode(settings.pskKey);
            break;
        }
        default:
            return std::wstring();
    }
    return StationBody(settings.ssid, settings.channel, fields);
}

WebRequest BuildRepeaterRequest(const DeviceTarget& target, const RepeaterSettings& settings) {
    // The station form goes out with its own browser lines (other Accept,
    // Accept-Language and User-Agent, no UA-CPU) and a line end after the body that
    // content-Length does not count.
    const std::wstring body = BuildRepeaterBody(settings);
    return WholeRequest(
        Join({L"POST /goform/formStaDrvSetup HTTP/1.1\r\n", kAcceptOffice,
              Referer(target, L"/wanwisp.asp"), kLanguageZhTw, kContentTypeForm, kAcceptEncoding,
              kUserAgentIe6, Host(target), ContentLength(body.size()), kKeepAlive, kNoCache,
              Authorization(target), body, L"\r\n"}));
}

std::array<NamedRequest, 2> BuildRepeaterSequence(const DeviceTarget& target,
                                                  const RepeaterSettings& settings) {
    return {NamedRequest{kCommandUncheckRepeater, BuildUncheckRepeaterRequest(target)},
            NamedRequest{kCommandRepeater, BuildRepeaterRequest(target, settings)}};
}

RepeaterSettings RepeaterSettingsFor(const std::wstring& ssid, const std::wstring& channel,
                                     const std::wstring& keyword, const std::wstring& key,
                                     int defaultKeyIndex) {
    RepeaterSettings settings;
    settings.ssid = ssid;
    settings.channel = channel;
    settings.defaultKey = 1;  // ignored by every variant but WEP
    const std::wstring kind = AsciiUpper(keyword);
    if (kind == L"NONE") {
        settings.encryptionType = kEncryptionNone;
    } else if (kind == L"WEP") {
        // 5 or 13 characters are ASCII keys, 10 or 26 hexadecimal; 5 and 10 are 64-bit.
        settings.encryptionType = kEncryptionWep;
        settings.wepKeyLength = (key.size() == 5 || key.size() == 10) ? 0 : 1;
        settings.wepKeyFormat = (key.size() == 5 || key.size() == 13) ? 0 : 1;
        settings.keys = {key, key, key, key};
        settings.defaultKey = defaultKeyIndex;
    } else if (kind == L"TKIP" || kind == L"AES") {
        // A 64-character pre-shared key is the hexadecimal key itself, else a passphrase.
        settings.encryptionType = kEncryptionWpa;
        settings.wpaCipher = kind == L"AES" ? 1 : 0;
        settings.pskFormat = key.size() == 64 ? 1 : 0;
        settings.pskKey = key;
    } else {
        settings.encryptionType = kEncryptionUnsupported;
    }
    return settings;
}

std::pair<std::wstring, std::wstring> DhcpRangeFor(const std::wstring& ip) {
    const size_t lastDot = ip.rfind(L'.');
    const std::wstring prefix =
        lastDot == std::wstring::npos ? std::wstring() : ip.substr(0, lastDot);
    // The pool must not contain the device's own address when it sits at an end of it.
    if (EndsWith(ip, L".100")) {
        return {prefix + L".101", prefix + L".200"};
    }
    if (EndsWith(ip, L".200")) {
        return {prefix + L".100", prefix + L".201"};
    }
    return {prefix + L".100", prefix + L".200"};
}

WebRequest BuildSetupIpAddressRequest(const DeviceTarget& target, const std::wstring& ip,
                                      const std::wstring& mask, const std::wstring& dhcp) {
    const auto [rangeStart, rangeEnd] = DhcpRangeFor(ip);
    return FormPost(target, L"/goform/formTcpipSetup", L"/qmv4t2_01_03_00_homenet.asp",
                    L"ip=" + ip + L"&mask=" + mask + L"&dhcp=" + dhcp + L"&dhcpRangeStart=" +
                        rangeStart + L"&dhcpRangeEnd=" + rangeEnd +
                        L"&submit-url=%2Fqmv4t2_01_03_00_homenet.asp");
}

WebRequest BuildSetupPasswordRequest(const DeviceTarget& target, const std::wstring& oldPassword,
                                     const std::wstring& newPassword) {
    const std::wstring encodedNew = FormEncode(newPassword);
    return FormPost(target, L"/goform/formPasswordSetup", L"/qmv4t2_01_01_02_passset.asp",
                    L"oldpass=" + FormEncode(oldPassword) + L"&newpass=" + encodedNew +
                        L"&confpass=" + encodedNew +
                        L"&save=Apply&submit-url=%2Fqmv4t2_01_01_02_passset.asp");
}

WebRequest BuildUploadRequest(const DeviceTarget& target, const std::string& filePath) {
    const std::wstring head = kUploadHead;
    const std::wstring tail = kUploadTail;
    const uint64_t imageBytes = UploadFileSize(filePath);
    WebRequest request;
    request.text = Join({L"POST /goform/formUpload HTTP/1.1\r\n", kAcceptWord,
                         Referer(target, L"/qmv4t2_03_02_firmware_b.asp"), kLanguageEnUs,
                         kContentTypeMultipart, kUaCpu, kAcceptEncoding, kUserAgentIe7,
                         Host(target), ContentLength(head.size() + imageBytes + tail.size()),
                         kKeepAlive, kNoCache, Authorization(target), head});
    request.placeholderLength = imageBytes;
    request.tail = tail;
    return request;
}
