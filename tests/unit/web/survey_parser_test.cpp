#include "web/survey_parser.h"
#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::wstring LoadSurveyPage() {
    std::ifstream in(std::string(TAMSEL_TEST_DATA_DIR) + "/pages/survey_page.http",
                     std::ios::binary);
    EXPECT_TRUE(in.good());
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return AnsiToWide(bytes);
}

// The recorded page with its apCount input rewritten.
std::wstring SurveyPageWithCount(const std::wstring& countInput) {
    std::wstring page = LoadSurveyPage();
    const std::wstring original = L"<input type=\"hidden\" name=\"apCount\" value=\"3\">";
    const size_t at = page.find(original);
    EXPECT_NE(at, std::wstring::npos);
    page.replace(at, original.size(), countInput);
    return page;
}

TEST(SurveyText, CutAndHeadClampTheirCount) {
    EXPECT_EQ(CutFront(L"abcdef", -5), L"abcdef");
    EXPECT_EQ(CutFront(L"abcdef", 0), L"abcdef");
    EXPECT_EQ(CutFront(L"abcdef", 2), L"cdef");
    EXPECT_EQ(CutFront(L"abcdef", 6), L"");
    EXPECT_EQ(CutFront(L"abcdef", 99), L"");
    EXPECT_EQ(HeadOf(L"abcdef", -1), L"");
    EXPECT_EQ(HeadOf(L"abcdef", 0), L"");
    EXPECT_EQ(HeadOf(L"abcdef", 3), L"abc");
    EXPECT_EQ(HeadOf(L"abcdef", 6), L"abcdef");
    EXPECT_EQ(HeadOf(L"abcdef", 99), L"abcdef");
    EXPECT_EQ(FindText(L"abcabc", L"ca"), 2);
    EXPECT_EQ(FindText(L"abcabc", L"CA"), -1);
}

TEST(SurveyCount, DeviceCountsOneMoreThanItLists) {
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"3\">"), 2);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"2\">"), 1);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"1\">"), 1);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"0\">"), 0);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"-4\">"), 0);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"many\">"), 0);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"\">"), 0);
    // Leading integer, as the C library reads it.
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\" 4 networks\">"), 3);
}

TEST(SurveyCount, TheValueWordIsFoundAfterTheMarkerWhereverItIs) {
    // Attributes in another order: the first "value" after the marker is the count.
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" type=\"hidden\" value=\"5\">"), 4);
    // Without the word, 6 characters go and the text up to the next quote is "apCount".
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" count=\"5\">"), 0);
}

TEST(SurveyCount, AbsentMarkerOrHugeCountStayBounded) {
    // Another input's value must not be read as the count.
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"channel\" value=\"9\">"), 0);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"99999999999999999999\">"),
              kMaxSurveyNetworks);
    EXPECT_EQ(ParseSurveyCount(L"<input name=\"apCount\" value=\"-99999999999999999999\">"), 0);
}

TEST(SurveyPage, RecordedPageGivesTwoNetworksWithTrimmedFields) {
    const std::vector<SurveyNetwork> networks = ParseSurveyNetworks(LoadSurveyPage());
    ASSERT_EQ(networks.size(), 2u);

    EXPECT_EQ(networks[0].channel, L"6");
    EXPECT_EQ(networks[0].ssid, L"HomeNet");
    EXPECT_EQ(networks[0].bssid, L"00:11:22:33:44:55");
    EXPECT_EQ(networks[0].encryption, L"TKIP");
    EXPECT_EQ(networks[0].wpaKind, L"WPA2PSK");
    EXPECT_EQ(networks[0].signal, L"78");
    EXPECT_EQ(networks[0].mode, L"11b/g");
    // The kind word decides over the encryption word.
    EXPECT_EQ(networks[0].keyword, L"AES");
    EXPECT_EQ(networks[0].securityText, L"WPA2PSK-AES");

    EXPECT_EQ(networks[1].channel, L"11");
    EXPECT_EQ(networks[1].ssid, L"Guest Wifi");
    EXPECT_EQ(networks[1].bssid, L"00:aa:bb:cc:dd:ee");
    EXPECT_EQ(networks[1].encryption, L"wep");
    EXPECT_EQ(networks[1].wpaKind, L" ");  // white space only becomes a single space
    EXPECT_EQ(networks[1].mode, L"11g");
    EXPECT_EQ(networks[1].keyword, L"WEP");
    EXPECT_EQ(networks[1].securityText, L"WEP");
}

TEST(SurveyPage, CountDecidesHowManyNetworksAreRead) {
    EXPECT_EQ(ParseSurveyNetworks(
                  SurveyPageWithCount(L"<input type=\"hidden\" name=\"apCount\" value=\"1\">"))
                  .size(),
              1u);
    EXPECT_EQ(ParseSurveyFields(
                  SurveyPageWithCount(L"<input type=\"hidden\" name=\"apCount\" value=\"0\">"))
                  .size(),
              0u);
    EXPECT_EQ(ParseSurveyFields(
                  SurveyPageWithCount(L"<input type=\"hidden\" name=\"apCount\" value=\"x\">"))
                  .size(),
              0u);
    // Without the count input nothing is listed, although other inputs carry values.
    EXPECT_EQ(ParseSurveyFields(SurveyPageWithCount(L"<input type=\"hidden\" name=\"n\">")).size(),
              0u);
}

TEST(SurveyPage, PromisedNetworksWithoutCellsBecomeBlankRows) {
    const std::wstring page = SurveyPageWithCount(L"<input name=\"apCount\" value=\"9\">");
    const std::vector<std::wstring> fields = ParseSurveyFields(page);
    ASSERT_EQ(fields.size(), 8u * kSurveyFieldsPerNetwork);
    EXPECT_EQ(fields[0], L"6");
    EXPECT_EQ(fields[kSurveyFieldsPerNetwork + 1], L"Guest Wifi");
    // The text after the last cell is eaten 14 characters a field; the promised networks
    // beyond it are rows of single spaces.
    for (size_t i = 7 * kSurveyFieldsPerNetwork; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i], L" ") << "field " << i;
    }
    const std::vector<SurveyNetwork> networks = ParseSurveyNetworks(page);
    ASSERT_EQ(networks.size(), 8u);
    EXPECT_EQ(networks[7].ssid, L" ");
    EXPECT_EQ(networks[7].keyword, L"Unknown");
    EXPECT_EQ(networks[7].securityText, L"Unknown Type");
}

TEST(SurveyPage, FieldEndsAndCellSkipping) {
    // Channel and SSID end at the hidden input, the rest at "</font>"; a missing end
    // gives a blank field; the eighth cell of each network is skipped.
    const std::wstring page =
        L"<input name=\"apCount\" value=\"3\">"
        L"<font size=\"2\">1<input x></font><font size=\"2\"> a b <input y></font>"
        L"<font size=\"2\">b1</font><font size=\"2\">NONE</font><font size=\"2\"></font>"
        L"<font size=\"2\">9</font><font size=\"2\">11b</font>"
        L"<font size=\"2\">skipped</font>"
        L"<font size=\"2\">2<input z></font><font size=\"2\">last</font>";
    const std::vector<std::wstring> fields = ParseSurveyFields(page);
    const std::vector<std::wstring> expected = {
        L"1", L"a b", L"b1", L"NONE", L" ", L"9", L"11b",
        // Second network: the SSID cell lacks "<input", so it is blank, and every later
        // field runs out of cell openings and end markers.
        L"2", L" ", L" ", L" ", L" ", L" ", L" "};
    EXPECT_EQ(fields, expected);
}

TEST(SurveyPage, MissingCellOpeningDropsFourteenCharacters) {
    // No cell opening: 14 characters go (position -1 plus the opening's 15), then the
    // field runs to the next "<input".
    const std::wstring page = L"name=\"apCount\" value=\"1\"> 0123456789ABCD7<input";
    const std::vector<std::wstring> fields = ParseSurveyFields(page);
    ASSERT_EQ(fields.size(), 7u);
    // After the count cut the text starts at `1"> 0123456789`, exactly 14 characters.
    EXPECT_EQ(fields[0], L"ABCD7");
}

// A hostile page: a count, a long run of text and one cell end at the very end. Every
// field that ends at "</font>" would be the rest of the page again.
std::wstring CountThenTextThenCellEnd(size_t textLength) {
    std::wstring page = L"<input type=\"hidden\" name=\"apCount\" value=\"300\">";
    const std::wstring words = L"lorem ipsum dolor sit amet ";
    while (page.size() < textLength) {
        page += words;
    }
    return page + L"</font>";
}

TEST(SurveyPage, MegabytePageWithOneCellEndGivesRowsOfBlanks) {
    // Finishes in time and memory of the order of the page, with the capped row count.
    const std::vector<SurveyNetwork> networks =
        ParseSurveyNetworks(CountThenTextThenCellEnd(1 << 20));
    ASSERT_EQ(networks.size(), static_cast<size_t>(kMaxSurveyNetworks));
    for (const SurveyNetwork& network : networks) {
        for (const std::wstring* field :
             {&network.channel, &network.ssid, &network.bssid, &network.encryption,
              &network.wpaKind, &network.signal, &network.mode}) {
            ASSERT_EQ(*field, L" ");
        }
        ASSERT_EQ(network.keyword, L"Unknown");
    }
}

TEST(SurveyPage, FieldLengthLimitIsInclusiveAndLeavesTheOtherFields) {
    const std::wstring blanks(8, L' ');
    for (const size_t length : {kMaxSurveyFieldLength, kMaxSurveyFieldLength + 1}) {
        // The SSID cell's raw text: white space around a name, `length` characters in all.
        const std::wstring name(length - 2 * blanks.size(), L'n');
        std::wstring page = LoadSurveyPage();
        const std::wstring ssid = L"HomeNet<input";
        page.replace(page.find(ssid), ssid.size(), blanks + name + blanks + L"<input");
        const std::vector<SurveyNetwork> networks = ParseSurveyNetworks(page);
        ASSERT_EQ(networks.size(), 2u);
        EXPECT_EQ(networks[0].ssid, length <= kMaxSurveyFieldLength ? name : L" ");
        EXPECT_EQ(networks[0].channel, L"6");
        EXPECT_EQ(networks[0].bssid, L"00:11:22:33:44:55");
        EXPECT_EQ(networks[1].ssid, L"Guest Wifi");
    }
}

TEST(SurveyPage, PromisedRowsAfterTheRealOnesNeverCopyTheTail) {
    // A real page that promises more networks than it lists and ends in a long tail with
    // a cell end: the listed rows read as before, the others hold no more than a cell.
    std::wstring page = SurveyPageWithCount(L"<input name=\"apCount\" value=\"300\">");
    page += std::wstring(200000, L'x') + L"</font>";
    const std::vector<std::wstring> fields = ParseSurveyFields(page);
    ASSERT_EQ(fields.size(), static_cast<size_t>(kMaxSurveyNetworks) * kSurveyFieldsPerNetwork);
    EXPECT_EQ(fields[1], L"HomeNet");
    EXPECT_EQ(fields[kSurveyFieldsPerNetwork + 6], L"11g");
    size_t total = 0;
    for (const std::wstring& field : fields) {
        ASSERT_LE(field.size(), kMaxSurveyFieldLength);
        total += field.size();
    }
    EXPECT_LT(total, page.size());
}

struct SecurityCase {
    const wchar_t* encryption;
    const wchar_t* kind;
    const wchar_t* keyword;
    const wchar_t* text;
};

TEST(SecurityClassification, FirstMatchWinsIgnoringCase) {
    const SecurityCase cases[] = {
        {L"TKIP", L"WPA2PSK", L"AES", L"WPA2PSK-AES"},
        {L"NONE", L"wpa2psk", L"AES", L"WPA2PSK-AES"},
        {L"AES", L"WPAPSK", L"TKIP", L"WPAPSK-TKIP"},
        {L"wep", L"", L"WEP", L"WEP"},
        {L"WeP", L" ", L"WEP", L"WEP"},
        {L"none", L" ", L"NONE", L"None"},
        {L"tkip", L"", L"TKIP", L"WPAPSK-TKIP"},
        {L"Aes", L"", L"AES", L"WPA2PSK-AES"},
        // An unknown kind falls through to the encryption word.
        {L"WEP", L"WPA-EAP", L"WEP", L"WEP"},
        {L"WPA", L"", L"Unknown", L"Unknown Type"},
        {L"WEP ", L"", L"Unknown", L"Unknown Type"},
        {L"", L"", L"Unknown", L"Unknown Type"},
        // Only ASCII letters fold: the Kelvin sign is not a K.
        {L"", L"WPAPS\u212A", L"Unknown", L"Unknown Type"},
    };
    for (const SecurityCase& c : cases) {
        const auto [keyword, text] = ClassifySecurity(c.encryption, c.kind);
        EXPECT_EQ(keyword, c.keyword) << c.encryption << " / " << c.kind;
        EXPECT_EQ(text, c.text) << c.encryption << " / " << c.kind;
    }
}

}  // namespace
