#include "ui/components/ValEdit.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

using tarnex::TNumberEdit;
using tarnex::TNumberEditKind;

namespace {

// Typing script: printable characters are typed as such; a few control
// characters stand for editing keys and shortcuts.
void Type(TNumberEdit& edit, const std::string& keys)
{
    for (const char c : keys) {
        switch (c) {
        case '\b': QTest::keyClick(&edit, Qt::Key_Backspace); break;
        case '\x7f': QTest::keyClick(&edit, Qt::Key_Delete); break;
        case '\x01': QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier); break;
        case '<': QTest::keyClick(&edit, Qt::Key_Home); break;
        default: QTest::keyClick(&edit, c); break;
        }
    }
}

struct TypingCase {
    const char* name;
    TNumberEditKind kind;
    std::int32_t maxValue;
    const char* start;
    std::string keys;
    const char* text;
    std::int32_t value;
    int caret;
};

std::ostream& operator<<(std::ostream& os, const TypingCase& c) { return os << c.name; }

class NumberEditTyping : public testing::TestWithParam<TypingCase> {};

TEST_P(NumberEditTyping, LeavesExpectedTextValueAndCaret)
{
    const TypingCase& c = GetParam();
    TNumberEdit edit;
    edit.SetKind(c.kind);
    edit.SetMaxValue(c.maxValue);
    edit.setText(QString::fromLatin1(c.start));
    edit.setCursorPosition(static_cast<int>(edit.text().size()));

    Type(edit, c.keys);

    EXPECT_EQ(edit.text().toStdString(), c.text);
    EXPECT_EQ(edit.Value(), c.value);
    EXPECT_EQ(edit.cursorPosition(), c.caret);
    EXPECT_FALSE(edit.hasSelectedText());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, NumberEditTyping,
    testing::Values(
        TypingCase{"LettersAndSignsDroppedInDecimal", TNumberEditKind::neDec, 0, "", "1a-2 x.", "12", 12, 2},
        TypingCase{"BackspaceAlwaysWorks", TNumberEditKind::neDec, 0, "345", "\b\b", "3", 3, 1},
        TypingCase{"BackspaceToEmptyGivesZero", TNumberEditKind::neDec, 0, "7", "\b\b", "", 0, 0},
        TypingCase{"OverMaximumRefusedCaretKept", TNumberEditKind::neDec, 100, "", "101", "10", 10, 2},
        TypingCase{"RefusedInTheMiddleKeepsCaret", TNumberEditKind::neDec, 100, "10", "<5", "10", 10, 0},
        TypingCase{"SameLengthNotAfterLimitAccepted", TNumberEditKind::neDec, 100, "", "099", "099", 99, 3},
        TypingCase{"LongerThanLimitRefused", TNumberEditKind::neDec, 100, "", "0099", "009", 9, 3},
        TypingCase{"HexLowerCaseWithinLimit", TNumberEditKind::neHex, 255, "", "ff", "ff", 255, 2},
        TypingCase{"HexUpperCaseWithinLimit", TNumberEditKind::neHex, 255, "", "FF", "FF", 255, 2},
        TypingCase{"HexOverLimitRefused", TNumberEditKind::neHex, 255, "", "100", "10", 16, 2},
        TypingCase{"HexDropsOtherLetters", TNumberEditKind::neHex, 0, "", "g1z", "1", 1, 1},
        TypingCase{"BinaryDropsOtherDigits", TNumberEditKind::neBin, 0, "", "10201", "1001", 9, 4},
        TypingCase{"SelectAllShortcutStillWorks", TNumberEditKind::neDec, 0, "12", "\x01"
                                                                                   "7",
                   "7", 7, 1},
        TypingCase{"DeleteKeyStillWorks", TNumberEditKind::neDec, 0, "12", "<\x7f", "2", 2, 0}),
    [](const testing::TestParamInfo<TypingCase>& row) { return std::string(row.param.name); });

TEST(NumberEdit, StartsAsDecimalBoxHoldingZero)
{
    TNumberEdit edit;
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
    EXPECT_EQ(edit.Kind(), TNumberEditKind::neDec);
    EXPECT_EQ(edit.AllowedChars(), QStringLiteral("0123456789"));
    EXPECT_EQ(edit.Value(), 0);
    EXPECT_EQ(edit.MaxValue(), 0);
}

TEST(NumberEdit, KindSetsAllowedCharsWithoutReformatting)
{
    TNumberEdit edit;
    edit.setText(QStringLiteral("12"));
    edit.SetKind(TNumberEditKind::neHex);
    EXPECT_EQ(edit.AllowedChars(), QStringLiteral("0123456789abcdefABCDEF"));
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
    edit.SetKind(TNumberEditKind::neBin);
    EXPECT_EQ(edit.AllowedChars(), QStringLiteral("01"));
}

TEST(NumberEdit, OnChangeFollowsEveryCheckIncludingRefusals)
{
    TNumberEdit edit;
    edit.setText(QString());
    edit.SetMaxValue(100);
    int changes = 0;
    edit.OnChange = [&](TNumberEdit* sender) {
        EXPECT_EQ(sender, &edit);
        ++changes;
    };
    Type(edit, "10");
    EXPECT_EQ(changes, 2);
    // A refusal puts the old text back, which is checked (and reported) too.
    Type(edit, "1");
    EXPECT_EQ(changes, 4);
    Type(edit, "x");
    EXPECT_EQ(changes, 4);
}

TEST(NumberEdit, ChangesByCodeAreCheckedToo)
{
    TNumberEdit edit;
    edit.setText(QStringLiteral("-42"));
    EXPECT_EQ(edit.Value(), -42) << "no limit means no lower limit either";

    edit.setText(QStringLiteral("12abc"));
    EXPECT_EQ(edit.text(), QStringLiteral("-42"));
    edit.setText(QStringLiteral("2147483648"));
    EXPECT_EQ(edit.text(), QStringLiteral("-42"));

    edit.SetMaxValue(100);
    edit.setText(QStringLiteral("-5"));
    EXPECT_EQ(edit.text(), QStringLiteral("-42")) << "negatives refused under a limit";
}

TEST(NumberEdit, ValueAndMaxValueSetters)
{
    TNumberEdit edit;
    edit.SetMaxValue(100);
    edit.SetValue(500);
    EXPECT_EQ(edit.Value(), 100);
    EXPECT_EQ(edit.text(), QStringLiteral("100"));

    edit.SetMaxValue(40);
    EXPECT_EQ(edit.Value(), 40);
    EXPECT_EQ(edit.text(), QStringLiteral("40"));

    edit.SetMaxValue(0);
    edit.SetValue(-7);
    EXPECT_EQ(edit.Value(), -7);
    EXPECT_EQ(edit.text(), QStringLiteral("-7"));

    edit.SetKind(TNumberEditKind::neHex);
    edit.SetValue(-1);
    EXPECT_EQ(edit.text(), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(edit.Value(), -1);

    int changes = 0;
    edit.OnChange = [&](TNumberEdit*) { ++changes; };
    edit.SetValue(-1);
    EXPECT_EQ(changes, 1) << "setting the same value still runs the check";
}

TEST(NumberEdit, TextFormsOfTheThreeKinds)
{
    struct Row {
        TNumberEditKind kind;
        std::int32_t value;
        const char* text;
    };
    const Row rows[] = {
        {TNumberEditKind::neDec, 0, "0"},
        {TNumberEditKind::neDec, -2147483647 - 1, "-2147483648"},
        {TNumberEditKind::neHex, 0, "0"},
        {TNumberEditKind::neHex, 255, "FF"},
        {TNumberEditKind::neHex, -1, "FFFFFFFF"},
        {TNumberEditKind::neBin, 0, "0"},
        {TNumberEditKind::neBin, 5, "101"},
        {TNumberEditKind::neBin, -2147483647 - 1, "10000000000000000000000000000000"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TNumberEdit::FormatValue(row.value, row.kind).toStdString(), row.text);
        std::int32_t back = 12345;
        EXPECT_TRUE(TNumberEdit::ParseText(QString::fromLatin1(row.text), row.kind, back));
        EXPECT_EQ(back, row.value) << row.text;
    }
}

TEST(NumberEdit, HexAndBinaryConversionWrapsAtThirtyTwoBits)
{
    std::int32_t v = 0;
    ASSERT_TRUE(TNumberEdit::ParseText(QStringLiteral("123456789"), TNumberEditKind::neHex, v));
    EXPECT_EQ(v, 0x23456789);
    ASSERT_TRUE(TNumberEdit::ParseText(QStringLiteral("fF"), TNumberEditKind::neHex, v));
    EXPECT_EQ(v, 255);
    ASSERT_TRUE(TNumberEdit::ParseText(QStringLiteral("1") + QString(32, u'0'), TNumberEditKind::neBin, v));
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(TNumberEdit::ParseText(QStringLiteral("-"), TNumberEditKind::neDec, v));
    EXPECT_FALSE(TNumberEdit::ParseText(QStringLiteral("-2147483649"), TNumberEditKind::neDec, v));
}

} // namespace
