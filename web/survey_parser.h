#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reading of the device's site-survey page. The page announces a count in a hidden
// input (name="apCount") and then lists every network as eight table cells, each opened
// by <font size="2">: channel, SSID, BSSID, encryption word, WPA kind word, signal, mode
// and a selection cell that is skipped.

// One network the device can hear, with its security classified.
struct SurveyNetwork {
    std::wstring channel;       // field 0
    std::wstring ssid;          // field 1
    std::wstring bssid;         // field 2
    std::wstring encryption;    // field 3, the encryption word
    std::wstring wpaKind;       // field 4, the WPA kind word
    std::wstring signal;        // field 5
    std::wstring mode;          // field 6
    std::wstring keyword;       // "NONE", "WEP", "TKIP", "AES" or "Unknown"
    std::wstring securityText;  // what the list shows for the security
};

// Fields the page gives for each network.
inline constexpr int kSurveyFieldsPerNetwork = 7;

// The most networks a page is read for. The count comes from the page, and a promised
// network without cells still becomes a row of blanks, so an absurd count would
// otherwise make billions of rows.
inline constexpr int kMaxSurveyNetworks = 256;

// The longest field text, in characters before trimming. A cell holds a channel, an SSID
// of at most 32 bytes, a MAC address, a word or a number; a longer "field" is the rest of
// a page that ran out of cells (each further field would copy it again), and is blank.
inline constexpr size_t kMaxSurveyFieldLength = 1024;

// Text primitives of the survey reading. Positions are in characters.
//
// Position of the first `marker` in `text`, or -1.
std::ptrdiff_t FindText(std::wstring_view text, std::wstring_view marker);
// `text` without its first n characters: all of it when n <= 0, nothing when n exceeds
// the length.
std::wstring_view CutFront(std::wstring_view text, std::ptrdiff_t n);
// The first n characters: empty when n <= 0, all of `text` when n is at least its length.
std::wstring_view HeadOf(std::wstring_view text, std::ptrdiff_t n);

// The number of networks the page lists: the leading integer of the apCount value less
// one when above 1 (the device counts one more than it lists), capped at
// kMaxSurveyNetworks. 0 for a page without the apCount input or with a value that is
// not a positive number.
int ParseSurveyCount(const std::wstring& page);

// The flat field list: exactly kSurveyFieldsPerNetwork trimmed texts per network, in page
// order, an empty one given as a single space " ". Fields 0 and 1 end at "<input" (the
// cell also holds a hidden input), the others at "</font>". Once the page runs out of
// cells every further field is " ", and so is a field longer than kMaxSurveyFieldLength.
// Time and memory grow with the page's length, never with the product of length and
// count.
std::vector<std::wstring> ParseSurveyFields(const std::wstring& page);

// The networks of the page, in page order, with their security classified.
std::vector<SurveyNetwork> ParseSurveyNetworks(const std::wstring& page);

// Security of a network from its encryption word and WPA kind word, as
// {keyword, text}. First match wins, letter case ignored: kind "WPAPSK" -> TKIP, kind
// "WPA2PSK" -> AES, then encryption "NONE", "WEP", "TKIP", "AES"; anything else is
// "Unknown" / "Unknown Type".
std::pair<std::wstring, std::wstring> ClassifySecurity(const std::wstring& encryptionWord,
                                                       const std::wstring& wpaKind);
