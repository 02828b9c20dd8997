#include "app/base/NumberText.h"

#include <gtest/gtest.h>

using namespace vek;

TEST(ParseNumber, RecognisesRadixFromText)
{
    struct Case {
        const char *text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {"123", true, 123},  {"-5", true, -5},     {"+5", true, 5},      {"12d", true, 12},
        {"0FFh", true, 255}, {"1Ah", true, 26},    {"3F", false, 0},     {"1010b", true, 10},
        {"FFh", false, 0},   {"0x1F", false, 0},   {"", false, 0},       {"h", false, 0},
        {"5h", true, 5},     {"-0Ah", false, 0},   {"0102b", true, 0},   {"12AB", false, 0},
        {"0ffH", true, 255}, {"1B", true, 1},      {"0", true, 0},       {"-", true, 0},
        {"1 2", false, 0},   {"4G", false, 0},     {"12-", false, 0},    {"9D", true, 9},
    };
    for (const Case &c : cases) {
        int32_t v = 777;
        EXPECT_EQ(ParseNumber(QString::fromLatin1(c.text), v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 777) << c.text << " (a rejected text leaves the value alone)";
    }
}

TEST(ParseDigits, FixedRadixParsers)
{
    EXPECT_EQ(ParseHex("0G"), 0);
    EXPECT_EQ(ParseHex("fF"), 255);
    EXPECT_EQ(ParseHex("FFFFFFFF"), -1); // wraps silently
    EXPECT_EQ(ParseHex(""), 0);
    EXPECT_EQ(ParseDecimal("-123"), -123);
    EXPECT_EQ(ParseDecimal("+42"), 42);
    EXPECT_EQ(ParseDecimal("4-2"), 0);
    EXPECT_EQ(ParseDecimal("4294967297"), 1);
    EXPECT_EQ(ParseBinary("1101"), 13);
    EXPECT_EQ(ParseBinary("102"), 0);
    EXPECT_EQ(CharClass('7'), 0);
    EXPECT_EQ(CharClass('z'), 1);
    EXPECT_EQ(CharClass('-'), 2);
    EXPECT_EQ(CharClass(QChar(0x4E2D)), 2);
}

TEST(FormatHex, PadsButNeverCuts)
{
    EXPECT_EQ(FormatHex(4660, 2), "1234");
    EXPECT_EQ(FormatHex(10, 4), "000A");
    EXPECT_EQ(FormatHex(0x12345, 1), "2345");
    EXPECT_EQ(FormatHex(0, 0), "0");
    EXPECT_EQ(FormatHex(-1, 2), "FFFF");
    EXPECT_EQ(FormatHex(0xAB, 1), "AB");
}

TEST(FitRectToScreen, PullsWindowOntoScreen)
{
    // Too big and off the right/bottom edge.
    ScreenRect r = FitRectToScreen({2000, 1500, 1200, 900}, 1024, 768);
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 768);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    // Within the screen but inside the last 20 pixels.
    r = FitRectToScreen({1010, 760, 100, 100}, 1024, 768);
    EXPECT_EQ(r.left, 1004);
    EXPECT_EQ(r.top, 748);
    // Well placed windows are left alone.
    r = FitRectToScreen({10, 10, 300, 200}, 1024, 768);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.width, 300);
}
