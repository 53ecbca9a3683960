#include "web/input_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/string_ids.h"

namespace {

struct AddressCase {
    const wchar_t* ip;
    const wchar_t* mask;
    int message;
    InputFocus focus;
    int octet;
};

TEST(LanAddress, ChecksRunInPageOrderWithTheirFocus) {
    const AddressCase cases[] = {
        {L"192.168.2.1", L"255.255.255.0", 0, InputFocus::None, -1},
        {L"223.255.255.254", L"255.255.255.0", 0, InputFocus::None, -1},
        {L"1.0.0.1", L"255.0.0.0", 0, InputFocus::None, -1},
        {L"0.1.2.3", L"255.255.255.0", 142, InputFocus::IpAddress, 0},
        {L"224.0.0.1", L"255.255.255.0", 142, InputFocus::IpAddress, 0},
        {L"", L"255.255.255.0", 142, InputFocus::IpAddress, 0},  // blank control
        {L"...", L"255.255.255.0", 142, InputFocus::IpAddress, 0},
        {L"192.168.2.0", L"255.255.255.0", 145, InputFocus::IpAddress, 3},
        {L"192.168.2.255", L"255.255.255.0", 145, InputFocus::IpAddress, 3},
        {L"192.168.2.", L"255.255.255.0", 145, InputFocus::IpAddress, 3},
        // The IP address is judged before the mask.
        {L"0.0.0.0", L"0.0.0.0", 142, InputFocus::IpAddress, 0},
        {L"10.0.0.0", L"255.0.255.0", 145, InputFocus::IpAddress, 3},
        {L"10.0.0.1", L"255.255.255.255", 146, InputFocus::SubnetMask, 0},
        {L"10.0.0.1", L"0.0.0.0", 146, InputFocus::SubnetMask, 0},
        {L"10.0.0.1", L"255.0.255.0", 146, InputFocus::SubnetMask, 0},
        {L"10.0.0.1", L"255.255.255.1", 146, InputFocus::SubnetMask, 0},
        {L"10.0.0.1", L"127.0.0.0", 146, InputFocus::SubnetMask, 0},
        {L"10.0.0.1", L"128.0.0.0", 0, InputFocus::None, -1},
        {L"10.0.0.1", L"255.255.255.254", 0, InputFocus::None, -1},
        {L"10.0.0.1", L"255.255.254.0", 0, InputFocus::None, -1},
        // Text no address control could hold is refused on the field it is in.
        {L"10.0.0.300", L"255.255.255.0", 142, InputFocus::IpAddress, 0},
        {L"10.0.0.1", L"255.255.255.0.0", 146, InputFocus::SubnetMask, 0},
        {L"0.0.0.1", L"garbage", 142, InputFocus::IpAddress, 0},
    };
    for (const AddressCase& c : cases) {
        const InputVerdict verdict = CheckLanAddressText(c.ip, c.mask);
        EXPECT_EQ(verdict.messageId, c.message) << c.ip << " / " << c.mask;
        EXPECT_EQ(verdict.focus, c.focus) << c.ip << " / " << c.mask;
        EXPECT_EQ(verdict.octet, c.octet) << c.ip << " / " << c.mask;
        EXPECT_EQ(verdict.Accepted(), c.message == 0);
    }
}

TEST(LanAddress, EveryPrefixFromOneToThirtyOneIsAMask) {
    for (int prefix = 0; prefix <= 32; ++prefix) {
        const uint64_t bits = prefix == 0 ? 0 : (0xFFFFFFFFULL << (32 - prefix)) & 0xFFFFFFFFULL;
        const Ipv4Octets mask = {static_cast<int>(bits >> 24), static_cast<int>((bits >> 16) & 255),
                                 static_cast<int>((bits >> 8) & 255), static_cast<int>(bits & 255)};
        EXPECT_EQ(IsValidSubnetMask(mask), prefix >= 1 && prefix <= 31) << "prefix " << prefix;
    }
}

TEST(DottedText, ReadsLikeAnAddressControlAndRefusesTheRest) {
    EXPECT_EQ(ParseDottedOctets(L"192.168.2.254"), (Ipv4Octets{192, 168, 2, 254}));
    EXPECT_EQ(ParseDottedOctets(L"192..2."), (Ipv4Octets{192, 0, 2, 0}));
    EXPECT_EQ(ParseDottedOctets(L""), (Ipv4Octets{0, 0, 0, 0}));
    EXPECT_EQ(ParseDottedOctets(L"010.001.0.255"), (Ipv4Octets{10, 1, 0, 255}));
    for (const wchar_t* bad :
         {L"1.2.3", L"1.2.3.4.5", L"256.1.1.1", L"1.2.3.4 ", L" 1.2.3.4", L"0001.2.3.4",
          L"-1.2.3.4", L"+1.2.3.4", L"a.b.c.d", L"1,2,3,4", L"\uFF11.2.3.4", L"1.2.3.4/24"}) {
        EXPECT_EQ(ParseDottedOctets(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(FormatDottedOctets({10, 0, 255, 1}), L"10.0.255.1");
}

struct PasswordCase {
    const wchar_t* typed;
    const wchar_t* device;
    const wchar_t* newPassword;
    const wchar_t* repeat;
    int message;
    InputFocus focus;
};

TEST(PasswordChange, CurrentThenRepeatThenEmpty) {
    const PasswordCase cases[] = {
        {L"admin", L"admin", L"s3cret", L"s3cret", 0, InputFocus::None},
        {L"Admin", L"admin", L"s3cret", L"s3cret", 138, InputFocus::CurrentPassword},
        {L"admin ", L"admin", L"s3cret", L"s3cret", 138, InputFocus::CurrentPassword},
        {L"", L"admin", L"s3cret", L"s3cret", 138, InputFocus::CurrentPassword},
        {L"", L"", L"s3cret", L"s3cret", 0, InputFocus::None},
        // The current password is checked before the new ones are looked at.
        {L"wrong", L"admin", L"a", L"b", 138, InputFocus::CurrentPassword},
        {L"admin", L"admin", L"s3cret", L"s3cret ", 141, InputFocus::NewPassword},
        {L"admin", L"admin", L"s3cret", L"S3cret", 141, InputFocus::NewPassword},
        {L"admin", L"admin", L"s3cret", L"", 141, InputFocus::NewPassword},
        {L"admin", L"admin", L"", L"", 141, InputFocus::NewPassword},
    };
    for (const PasswordCase& c : cases) {
        const InputVerdict verdict =
            CheckPasswordChange(c.typed, c.device, c.newPassword, c.repeat);
        EXPECT_EQ(verdict.messageId, c.message)
            << c.typed << " " << c.newPassword << "/" << c.repeat;
        EXPECT_EQ(verdict.focus, c.focus) << c.typed << " " << c.newPassword << "/" << c.repeat;
    }
}

TEST(WepKey, LengthAndDigitsDecideValidityAndFlags) {
    struct {
        const wchar_t* key;
        int format, length;
    } const valid[] = {{L"a b!~", 0, 0},
                       {L"Thirteen char", 0, 1},
                       {L"0123456789", 1, 0},
                       {L"abcdefABCDEF0123456789aBcD", 1, 1}};
    for (const auto& c : valid) {
        const std::optional<WepKeyFlags> flags = ReadWepKey(c.key);
        ASSERT_TRUE(flags) << c.key;
        EXPECT_EQ(flags->format, c.format) << c.key;
        EXPECT_EQ(flags->length, c.length) << c.key;
    }
    EXPECT_FALSE(ReadWepKey(L"012345678g"));
    EXPECT_FALSE(ReadWepKey(L"0123456789abcdef012345678 "));
    for (size_t length : {0, 1, 4, 6, 9, 11, 12, 14, 25, 27, 64}) {
        EXPECT_FALSE(ReadWepKey(std::wstring(length, L'a'))) << length;
    }
}

TEST(PreSharedKey, SixtyFourHexDigitsOrEightToSixtyThreeCharacters) {
    const std::wstring hex64 = L"0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789ABCDEF";
    EXPECT_EQ(ReadPreSharedKeyFormat(hex64), 1);
    std::wstring notHex = hex64;
    notHex[40] = L'g';
    EXPECT_EQ(ReadPreSharedKeyFormat(notHex), std::nullopt);
    EXPECT_EQ(ReadPreSharedKeyFormat(std::wstring(63, L'#')), 0);
    EXPECT_EQ(ReadPreSharedKeyFormat(L"8 chars!"), 0);
    EXPECT_EQ(ReadPreSharedKeyFormat(std::wstring(7, L'x')), std::nullopt);
    EXPECT_EQ(ReadPreSharedKeyFormat(std::wstring(65, L'a')), std::nullopt);
    EXPECT_EQ(ReadPreSharedKeyFormat(L""), std::nullopt);
}

TEST(BridgeKey, KeywordSelectsTheRuleAndTheRequestValues) {
    BridgeSecurity open = CheckBridgeKey(L"none", L"anything at all");
    EXPECT_TRUE(open.Accepted());
    EXPECT_EQ(open.encryptionType, 0);

    BridgeSecurity wep = CheckBridgeKey(L"WEP", L"Thirteen char");
    EXPECT_TRUE(wep.Accepted());
    EXPECT_EQ(wep.encryptionType, 1);
    EXPECT_EQ(wep.wepKeyFormat, 0);
    EXPECT_EQ(wep.wepKeyLength, 1);
    EXPECT_EQ(wep.pskFormat, 0);

    wep = CheckBridgeKey(L"wep", L"a1b2c3d4e5");
    EXPECT_EQ(wep.wepKeyFormat, 1);
    EXPECT_EQ(wep.wepKeyLength, 0);
    EXPECT_EQ(CheckBridgeKey(L"WEP", L"a1b2c3d4eX").messageId, 202);
    // A valid pre-shared key is not a WEP key.
    EXPECT_EQ(CheckBridgeKey(L"WEP", L"passphrase").messageId, 202);

    BridgeSecurity tkip = CheckBridgeKey(L"TKIP", L"passphrase");
    EXPECT_TRUE(tkip.Accepted());
    EXPECT_EQ(tkip.encryptionType, 2);
    EXPECT_EQ(tkip.wpaCipher, 0);
    EXPECT_EQ(tkip.pskFormat, 0);

    BridgeSecurity aes = CheckBridgeKey(L"aes", std::wstring(64, L'F'));
    EXPECT_TRUE(aes.Accepted());
    EXPECT_EQ(aes.encryptionType, 2);
    EXPECT_EQ(aes.wpaCipher, 1);
    EXPECT_EQ(aes.pskFormat, 1);
    EXPECT_EQ(aes.wepKeyLength, 0);

    EXPECT_EQ(CheckBridgeKey(L"AES", L"short").messageId, 201);
    EXPECT_EQ(CheckBridgeKey(L"TKIP", std::wstring(64, L'z')).messageId, 201);
    EXPECT_EQ(CheckBridgeKey(L"Unknown", L"whatever key").messageId, 203);
    EXPECT_EQ(CheckBridgeKey(L"", L"").messageId, 203);
}

}  // namespace

// A character without a Windows-1252 byte would reach the device as '?': the device would
// be bridged with another key, or take another password, than the one typed.
TEST(DeviceCharacters, KeysAndNewPasswordsMustSurviveTheCodePage) {
    EXPECT_TRUE(ReadWepKey(L"caf\u00e9\u20ac").has_value());  // both have a byte
    EXPECT_FALSE(ReadWepKey(L"ab\u4e2dde").has_value());
    EXPECT_FALSE(ReadPreSharedKeyFormat(L"snowman\u2603").has_value());
    EXPECT_EQ(ReadPreSharedKeyFormat(L"what?what?"), 0);  // a typed '?' is itself
    EXPECT_EQ(CheckBridgeKey(L"AES", L"pass\U0001F600word").messageId, kMsgPreSharedKey);
    EXPECT_EQ(CheckBridgeKey(L"WEP", L"ab\u0100de").messageId, kMsgWepKey);

    const InputVerdict refused =
        CheckPasswordChange(L"admin", L"admin", L"n\u0153w\u2603", L"n\u0153w\u2603");
    EXPECT_EQ(refused.messageId, kMsgPasswordCharacters);
    EXPECT_EQ(refused.focus, InputFocus::NewPassword);
    EXPECT_TRUE(
        CheckPasswordChange(L"admin", L"admin", L"n\u0153w\u00e9", L"n\u0153w\u00e9").Accepted());
}
