#include <gtest/gtest.h>

#include <string>

#include "sim/sha256.h"
#include "sim/text_codec.h"

TEST(Sha256, KnownDigestsWhateverThePieces) {
    EXPECT_EQ(Sha256().FinishHex(),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    Sha256 abc;
    abc.Update("abc");
    EXPECT_EQ(abc.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    // One million 'a' fed in uneven pieces that straddle block boundaries.
    Sha256 million;
    std::string piece(997, 'a');
    size_t fed = 0;
    while (fed + piece.size() <= 1000000) {
        million.Update(piece);
        fed += piece.size();
    }
    million.Update(std::string(1000000 - fed, 'a'));
    EXPECT_EQ(million.FinishHex(),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Base64, DecodesWithAndWithoutPaddingAndRejectsForeignCharacters) {
    EXPECT_EQ(DecodeBase64("YWRtaW46YWRtaW4="), "admin:admin");
    EXPECT_EQ(DecodeBase64("YWRtaW46YWRtaW4"), "admin:admin");
    EXPECT_EQ(DecodeBase64(""), "");
    EXPECT_EQ(DecodeBase64("6Q=="), "\xe9");  // Windows-1252 bytes pass through
    EXPECT_FALSE(DecodeBase64("YWRt aW4="));
    EXPECT_FALSE(DecodeBase64("!!!!"));
    EXPECT_FALSE(DecodeBase64("YWRta"));  // a dangling sixth of a byte
}

TEST(FormDecoding, PlusPercentAndRawBytes) {
    EXPECT_EQ(DecodeFormValue("Cafe+Guest+%26+Co"), "Cafe Guest & Co");
    EXPECT_EQ(DecodeFormValue("%2fa%2Fb"), "/a/b");
    EXPECT_EQ(DecodeFormValue("caf\xe9"), "caf\xe9");
    EXPECT_EQ(DecodeFormValue("%E9t%e9"), "\xe9t\xe9");
    // Broken escapes stay as they were.
    EXPECT_EQ(DecodeFormValue("100%"), "100%");
    EXPECT_EQ(DecodeFormValue("%4"), "%4");
    EXPECT_EQ(DecodeFormValue("%zz"), "%zz");
    EXPECT_EQ(DecodeFormValue("%00x"), std::string("\0x", 2));
}

TEST(FormDecoding, FieldsInOrderWithEmptyAndValuelessPairs) {
    FormFields fields = ParseFormBody("command=COMMAND+flash+default&getID=&&flag&a%3Db=c%26d");
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0], (std::pair<std::string, std::string>{"command", "COMMAND flash default"}));
    EXPECT_EQ(fields[1], (std::pair<std::string, std::string>{"getID", ""}));
    EXPECT_EQ(fields[2], (std::pair<std::string, std::string>{"flag", ""}));
    EXPECT_EQ(fields[3], (std::pair<std::string, std::string>{"a=b", "c&d"}));
    EXPECT_EQ(FindField(fields, "getID"), "");
    EXPECT_FALSE(FindField(fields, "GETID"));
}

TEST(Ipv4, ParsesOnlyFourDecimalOctets) {
    EXPECT_EQ(ParseIpv4("192.168.1.50"), 0xc0a80132u);
    EXPECT_EQ(ParseIpv4("0.0.0.0"), 0u);
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1.2.3.", "a.b.c.d", "1.2.3.4 ",
                            "1..3.4", "1234.1.1.1", ""}) {
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
    }
    EXPECT_EQ(FormatIpv4(0xc0a80132u), "192.168.1.50");
    EXPECT_TRUE(IsContiguousMask(0xffffff00u));
    EXPECT_TRUE(IsContiguousMask(0x80000000u));
    EXPECT_TRUE(IsContiguousMask(0xffffffffu));
    EXPECT_FALSE(IsContiguousMask(0));
    EXPECT_FALSE(IsContiguousMask(0xff00ff00u));
}
