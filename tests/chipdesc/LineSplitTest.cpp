#include "chipdesc/LineSplit.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace vek;

namespace {

QStringList Tokens(const ParsedLine &l)
{
    QStringList out;
    for (int k = 1; k <= l.tokenCount; ++k)
        out << l.Token(k);
    return out;
}

} // namespace

TEST(CutLIPara, TokensAndCommentsTableDriven)
{
    struct Case {
        const char *line;
        QStringList tokens;
        const char *comment; // nullptr: no comment
    };
    const Case cases[] = {
        {"", {}, nullptr},
        {"   \t  ", {}, nullptr},
        {"0fh  Status\tz c", {"0FH", "STATUS", "Z", "C"}, nullptr},
        {"  12h name ; the rest \"here\"", {"12H", "NAME"}, "; THE REST \"HERE\""},
        {"12h \"quoted; text", {"12H"}, "\"QUOTED; TEXT"},
        {"\"only a comment", {}, "\"ONLY A COMMENT"},
        {";", {}, ";"},
        {"a;b", {"A"}, ";B"},
        {"x\"", {"X"}, "\""},
    };
    for (const Case &c : cases) {
        const ParsedLine l = SplitLine(QString::fromUtf8(c.line));
        EXPECT_EQ(Tokens(l), c.tokens) << c.line;
        EXPECT_EQ(l.HasComment(), c.comment != nullptr) << c.line;
        EXPECT_EQ(l.Comment(), c.comment ? QString::fromUtf8(c.comment) : QString()) << c.line;
        EXPECT_EQ(l.original, QString::fromUtf8(c.line));
    }
}

TEST(CutLIPara, FieldTableHoldsPositionsAndLengths)
{
    const ParsedLine l = SplitLine(QStringLiteral(" ab  cde ;x"));
    EXPECT_EQ(l.fields[1].start, 10);
    EXPECT_EQ(l.fields[1].length, 2);
    EXPECT_EQ(l.fields[2].start, 0); // entries 2 and 3 stay unused
    EXPECT_EQ(l.fields[3].start, 0);
    EXPECT_EQ(l.fields[4].start, 2);
    EXPECT_EQ(l.fields[4].length, 2);
    EXPECT_EQ(l.fields[5].start, 6);
    EXPECT_EQ(l.fields[5].length, 3);
    EXPECT_EQ(l.fields[6].start, 0);
    EXPECT_EQ(l.Token(3), QString());
    EXPECT_EQ(l.FieldText(0), QString());
    EXPECT_EQ(l.FieldText(33), QString());
}

TEST(CutLIPara, AtMost29TokensAnd160Characters)
{
    QString many;
    for (int i = 1; i <= 40; ++i)
        many += QStringLiteral("t%1 ").arg(i);
    const ParsedLine l = SplitLine(many);
    EXPECT_EQ(l.tokenCount, 29);
    EXPECT_EQ(l.Token(29), "T29");
    EXPECT_EQ(l.Token(30), QString());

    // A comment marker behind character 160 is cut away with the rest of the line.
    const QString longLine = QString(158, u'a') + QStringLiteral(" bcd;comment");
    const ParsedLine cut = SplitLine(longLine);
    EXPECT_EQ(cut.text.size(), 160);
    EXPECT_FALSE(cut.HasComment());
    EXPECT_EQ(cut.Token(2), "B");
    EXPECT_EQ(cut.original, longLine);

    // A huge line is handled like a 160-character one.
    const ParsedLine huge = SplitLine(QString(5'000'000, u'x'));
    EXPECT_EQ(huge.tokenCount, 1);
    EXPECT_EQ(huge.Token(1).size(), 160);
}

TEST(CutLIPara, UpperCasesButKeepsOriginalAndChinese)
{
    const ParsedLine l = SplitLine(QStringLiteral("#product zr200 \"說明 Text"));
    EXPECT_EQ(l.Token(1), "#PRODUCT");
    EXPECT_EQ(l.Token(2), "ZR200");
    EXPECT_EQ(l.Comment(), QStringLiteral("\"說明 TEXT"));
    EXPECT_EQ(l.original, QStringLiteral("#product zr200 \"說明 Text"));
}

TEST(IsPseudo, AllCodesExactAndCaseSensitive)
{
    const char *const keywords[] = {
        "#PRODUCT",     "#COMPILER",     "#ID",          "#ROM",         "#REG0",
        "#REG1",        "#RAMBANK0",     "#RAMBANK1",    "#RAMBANK2",    "#RAMBANK3",
        "#RAMBANK4",    "#REGBIT",       "#REGBIT1",     "#REGBIT2",     "#REGBIT3",
        "#REGBYTE",     "#REGWORD",      "#REG3BYTE",    "#STACK",       "#SBMADDR",
        "#SIMIC",       "#REGBITSTR",    "#REGBYTESTR",  "#REGWORDSTR",  "#REGBITSTRCN",
        "#REGBYTESTRCN", "#REGWORDSTRCN", "#ADC0S",      "#OP0S",        "#CMP0S",
        "#FLUKE",       "#ADCCLK"};
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(IsPseudo(QLatin1String(keywords[i])), i + 1) << keywords[i];
        EXPECT_EQ(IsPseudo(QLatin1String(keywords[i]).toString().toLower()), 255) << keywords[i];
    }
    for (const char *other : {"", "#", "#REGBIT4", "#RAMBANK5", "PRODUCT", "#PRODUCTS", "#FLUKE "})
        EXPECT_EQ(IsPseudo(QLatin1String(other)), 255) << other;
}
