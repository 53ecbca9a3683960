// The IPv4 field's editing rules on their own: what the keyboard commands leave in the
// octets and where they leave the caret and the selection.

#include "text/ipv4_field_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Position = Ipv4FieldModel::Position;

Ipv4FieldModel Typed(const std::wstring& keys) {
    Ipv4FieldModel model;
    for (wchar_t key : keys) {
        key == L'.' ? model.TypeSeparator() : model.TypeDigit(key);
    }
    return model;
}

Ipv4FieldModel Holding(const wchar_t* dotted) {
    Ipv4FieldModel model;
    EXPECT_TRUE(model.SetAddress(dotted));
    return model;
}

TEST(Ipv4FieldModel, ParsesOnlyFourFieldsOfAtMost255) {
    for (const wchar_t* accepted : {L"1.2.3.4", L" 10.0.0.1\t\n", L"...", L"", L"192..1."}) {
        EXPECT_TRUE(Ipv4FieldModel::ParseDotted(accepted)) << accepted;
    }
    for (const wchar_t* refused :
         {L"1.2.3", L"1.2.3.4.5", L"256.0.0.0", L"1. 2.3.4", L"+1.2.3.4", L"1234.1.1.1", L"a.b.c.d",
          L"1,2,3,4", L"\u0661.2.3.4", L"1.2.3.4/24"}) {
        EXPECT_FALSE(Ipv4FieldModel::ParseDotted(refused)) << refused;
    }
    // Leading zeros are read, and dropped.
    EXPECT_EQ(Holding(L"001.02.3.255").Text(), L"1.2.3.255");
    EXPECT_EQ(Holding(L"001.02.3.255").OctetText(0), L"1");
}

TEST(Ipv4FieldModel, TheOctetBeingTypedIsCommittedWhenLeftOrFull) {
    Ipv4FieldModel model = Typed(L"01");
    EXPECT_EQ(model.OctetText(0), L"01");
    EXPECT_EQ(model.Text(), L"1...");  // read as it will be
    model.MoveRight(false);
    EXPECT_EQ(model.OctetText(0), L"1");
    EXPECT_EQ(model.Caret(), (Position{1, 0}));

    model = Typed(L"00");
    model.Leave();
    EXPECT_EQ(model.OctetText(0), L"0");

    // A third digit typed inside the octet completes it too, but the caret stays.
    model = Typed(L"12");
    model.MoveToStart(false);
    model.TypeDigit(L'9');
    EXPECT_EQ(model.OctetText(0), L"255");
    EXPECT_EQ(model.Caret(), (Position{0, 1}));
    model = Typed(L"01");
    model.MoveToStart(false);
    model.TypeDigit(L'0');
    EXPECT_EQ(model.OctetText(0), L"1");
    EXPECT_EQ(model.Caret(), (Position{0, 0}));
}

TEST(Ipv4FieldModel, AFullOctetPassesADigitOnOnlyFromItsEnd) {
    Ipv4FieldModel model = Holding(L"192.168.1.254");
    model.Place(1, 3, 3);
    model.TypeDigit(L'7');
    EXPECT_EQ(model.Text(), L"192.168.7.254");
    model.Place(1, 1, 1);
    model.TypeDigit(L'7');
    EXPECT_EQ(model.Text(), L"192.168.7.254");
    model.Place(3, 3, 3);
    model.TypeDigit(L'7');
    EXPECT_EQ(model.Text(), L"192.168.7.254");
}

TEST(Ipv4FieldModel, TheDotAfterACompletedOctetIsSwallowedOnlyRightAfterIt) {
    Ipv4FieldModel model = Holding(L"10.20.30.40");
    model.FocusOctet(0);
    for (wchar_t key : std::wstring(L"192.")) {
        key == L'.' ? model.TypeSeparator() : model.TypeDigit(key);
    }
    EXPECT_EQ(model.Caret(), (Position{1, 2}));  // still on 20, selected
    EXPECT_EQ(model.Anchor(), (Position{1, 0}));
    // Only that one dot: the next moves on as any dot does.
    model.TypeSeparator();
    EXPECT_EQ(model.Caret(), (Position{2, 2}));
    EXPECT_EQ(model.Anchor(), (Position{2, 0}));

    model = Typed(L"192");
    model.Backspace();
    model.TypeSeparator();
    EXPECT_EQ(model.Text(), L"19...");
    EXPECT_EQ(model.Caret(), (Position{1, 0}));
}

TEST(Ipv4FieldModel, ASelectionAcrossTheDotsIsCopiedAndErasedPerOctet) {
    Ipv4FieldModel model = Holding(L"192.168.1.254");
    model.Place(0, 2, 2);
    model.MoveToEnd(true);
    EXPECT_EQ(model.SelectedText(), L"2.168.1.254");
    EXPECT_EQ(model.SelectionIn(0), (std::pair{2, 3}));
    EXPECT_EQ(model.SelectionIn(2), (std::pair{0, 1}));
    EXPECT_TRUE(model.EraseSelection());
    EXPECT_EQ(model.Text(), L"19...");
    EXPECT_EQ(model.Caret(), (Position{0, 2}));
    EXPECT_FALSE(model.HasSelection());

    // What is left after the caret's octet is committed at once.
    model = Holding(L"12.105..");
    model.Place(0, 1, 1);
    model.MoveRight(true);
    model.MoveRight(true);
    model.MoveRight(true);
    EXPECT_EQ(model.SelectedText(), L"2.1");
    model.Backspace();
    EXPECT_EQ(model.OctetText(1), L"5");
    EXPECT_EQ(model.Caret(), (Position{0, 1}));

    // Without Shift a selection collapses to the end the arrow points at.
    model = Holding(L"192.168.1.254");
    model.SelectAll();
    model.MoveLeft(false);
    EXPECT_EQ(model.Caret(), (Position{0, 0}));
    model.SelectAll();
    model.MoveRight(false);
    EXPECT_EQ(model.Caret(), (Position{3, 3}));
    EXPECT_FALSE(model.HasSelection());
}

TEST(Ipv4FieldModel, BackspaceAtAnOctetsStartOnlyMovesWhenThereIsNothingBefore) {
    Ipv4FieldModel model = Holding(L".5..");
    model.Place(1, 0, 0);
    model.Backspace();
    EXPECT_EQ(model.Text(), L".5..");
    EXPECT_EQ(model.Caret(), (Position{0, 0}));
    model.Backspace();
    EXPECT_EQ(model.Caret(), (Position{0, 0}));
}

TEST(Ipv4FieldModel, DigitsThatFillAnOctetExactlyArePastedAndTheCaretMovesOn) {
    Ipv4FieldModel model;
    EXPECT_TRUE(model.Paste(L"255"));
    EXPECT_EQ(model.OctetText(0), L"255");
    EXPECT_EQ(model.Caret(), (Position{1, 0}));
    // Into what is left of an octet, too.
    model = Typed(L"1");
    model.FocusOctet(1);
    EXPECT_TRUE(model.Paste(L"2"));
    EXPECT_TRUE(model.Paste(L"55"));
    EXPECT_EQ(model.Text(), L"1.255..");
    EXPECT_EQ(model.Caret(), (Position{2, 0}));
}

TEST(Ipv4FieldModel, ARefusedPasteChangesNothing) {
    Ipv4FieldModel model = Holding(L"192.168.1.254");
    model.Place(1, 1, 3);
    for (const wchar_t* refused : {L"123", L"1.2.3", L"-1", L"", L"\n"}) {
        EXPECT_FALSE(model.Paste(refused)) << refused;
        EXPECT_EQ(model.Text(), L"192.168.1.254");
        EXPECT_EQ(model.SelectedText(), L"68");
    }
    EXPECT_TRUE(model.Paste(L"7"));  // replaces the selection: one digit plus the 1 fits
    EXPECT_EQ(model.Text(), L"192.17.1.254");

    // Digits over a selection across the dots go in where it began.
    model.SelectAll();
    EXPECT_TRUE(model.Paste(L" 10 "));
    EXPECT_EQ(model.Text(), L"10...");
    EXPECT_EQ(model.Caret(), (Position{0, 2}));
}

TEST(Ipv4FieldModel, TextFromTheLineEditIsKeptToThreeDigitsWorthAtMost255) {
    Ipv4FieldModel model = Typed(L"01");
    model.SetOctetText(2, L"9x99", 3);
    EXPECT_EQ(model.OctetText(0), L"1");  // left, so committed
    EXPECT_EQ(model.OctetText(2), L"255");
    EXPECT_EQ(model.Caret(), (Position{2, 3}));
    EXPECT_FALSE(model.HasSelection());
}

TEST(Ipv4FieldModel, FocusOnNoOctetMeansTheFirstBlankOne) {
    Ipv4FieldModel model = Holding(L"1.2..4");
    model.FocusOctet(7);
    EXPECT_EQ(model.Caret(), (Position{2, 0}));
    model = Holding(L"1.2.3.4");
    model.FocusOctet(-1);
    EXPECT_EQ(model.Caret(), (Position{0, 1}));
    EXPECT_EQ(model.SelectedText(), L"1");
}

}  // namespace
