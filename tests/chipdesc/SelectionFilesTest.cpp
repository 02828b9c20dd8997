// Chip files on disk: the chip list, finding description files, decoding, GetSELUP's failures.
#include "chipdesc/ChipFiles.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

// "中文說明" in Big5 (code page 950).
const QByteArray kBig5Chinese("\xA4\xA4\xA4\xE5\xBB\xA1\xA9\xFA");
const QString kChinese = QStringLiteral("中文說明");

struct ProgramDir {
    QTemporaryDir dir;
    QString Path() const { return dir.path() + '/'; }
    void Write(const QString &relative, const QByteArray &bytes)
    {
        const QString full = dir.path() + '/' + relative;
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile f(full);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

} // namespace

TEST(ChipList, FileTextsUpperCasedAndEndAtAShortFirstToken)
{
    EXPECT_EQ(ChipListTexts("zr100.inc zr100 (2k)\r\nZR200.INC ZR200 (4K) ; comment\r\n"
                            "ab x y\r\nZR300.INC ZR300 (8K)\r\n"),
              (QStringList{"ZR100  (2K)", "ZR200  (4K)"}));
    EXPECT_EQ(ChipListTexts("A.INC ZR1\n\nB.INC ZR2 (4K)\n"), (QStringList{"ZR1  "}));
    EXPECT_EQ(ChipListTexts(""), QStringList());
    EXPECT_EQ(ChipListFileName("a.inc A\r\nfamily\\b.inc B\r\n", 1), "FAMILY\\B.INC");
    EXPECT_EQ(ChipListFileName("a.inc A\n", 1), QString());
    EXPECT_EQ(ChipListFileName("a.inc A\n", -1), QString());
}

TEST(ChipList, FallbackListWhenTheFileIsMissing)
{
    ProgramDir p;
    const QStringList list = ReadChipList(p.Path());
    ASSERT_EQ(list.size(), 64);
    const QStringList four = {"ZS300 (16k)", "ZR300  (8k)", "ZR200  (4k)", "ZR100  (2k)"};
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(list[i], four[i % 4]) << i;
    p.Write("INCLUDE/VekSel.INC", "X.INC ZR9 (1K)\r\n");
    EXPECT_EQ(ReadChipList(p.Path()), QStringList{"ZR9  (1K)"});
}

TEST(ChipFiles, NamesResolveWithoutLetterCaseAndBackslashes)
{
    ProgramDir p;
    p.Write("INCLUDE/Family/Zr200.inc", "x");
    p.Write("INCLUDE/ZR100.INC", "x");
    p.Write("INCLUDE/zr100.inc", "y"); // an exact match wins over another letter case
    p.Write("secret.inc", "s");
    const QString inc = IncludeDirectory(p.Path());
    EXPECT_EQ(ResolveIncludeName(inc, "FAMILY\\ZR200.INC"), inc + "Family/Zr200.inc");
    EXPECT_EQ(ResolveIncludeName(inc, "family/zr200.INC"), inc + "Family/Zr200.inc");
    EXPECT_EQ(ResolveIncludeName(inc, "\\\\Family\\\\zr200.inc"), inc + "Family/Zr200.inc");
    EXPECT_EQ(ResolveIncludeName(inc, "zr100.inc"), inc + "zr100.inc");
    EXPECT_EQ(ResolveIncludeName(inc, "ZR100.INC"), inc + "ZR100.INC");
    EXPECT_TRUE(ResolveIncludeName(inc, "Zr100.Inc").endsWith(".inc", Qt::CaseInsensitive));
    // Nothing outside INCLUDE, no folders, nothing missing.
    EXPECT_EQ(ResolveIncludeName(inc, "..\\SECRET.INC"), QString());
    EXPECT_EQ(ResolveIncludeName(inc, "FAMILY\\..\\..\\secret.inc"), QString());
    EXPECT_EQ(ResolveIncludeName(inc, "FAMILY"), QString());
    EXPECT_EQ(ResolveIncludeName(inc, "NONE.INC"), QString());
    EXPECT_EQ(ResolveIncludeName(inc, ""), QString());
}

TEST(ChipFiles, IncludeFolderInAnotherLetterCase)
{
    ProgramDir p;
    p.Write("include/VEKSEL.INC", "A.INC ZR7 (2K)\r\n");
    EXPECT_EQ(IncludeDirectory(p.Path()), p.Path() + "include/");
    EXPECT_EQ(ReadChipList(p.Path()), QStringList{"ZR7  (2K)"});
}

TEST(ChipFiles, Big5AndUtf8Texts)
{
    // UTF-8 stays UTF-8 (also with a byte order mark); anything else is read as Big5.
    EXPECT_EQ(DecodeChipText(kChinese.toUtf8()), kChinese);
    EXPECT_EQ(DecodeChipText("\xEF\xBB\xBF#ID"), "#ID");
    EXPECT_EQ(DecodeChipText("\"" + kBig5Chinese + "\r\n"), "\"" + kChinese + "\r\n");
    EXPECT_EQ(DecodeBig5(kBig5Chinese), kChinese);
    // The C library's converter gives the same text, and survives broken bytes.
    EXPECT_EQ(DecodeBig5WithIconv("ab" + kBig5Chinese), "ab" + kChinese);
    const QString broken = DecodeBig5WithIconv(QByteArray("x\xA4") + "\xFF\xFF" + kBig5Chinese);
    EXPECT_TRUE(broken.startsWith('x'));
    EXPECT_TRUE(broken.endsWith(kChinese));
    EXPECT_TRUE(broken.contains(QChar(QChar::ReplacementCharacter)));
    EXPECT_EQ(DecodeBig5WithIconv(QByteArray(20000, 'a')).size(), 20000);
    EXPECT_EQ(SplitTextLines("a\r\nb\nc"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(SplitTextLines("a\r\n\r\n"), (QStringList{"a", ""}));
}

TEST(ChipFiles, ReadChipFileRefusesFoldersAndHugeFiles)
{
    ProgramDir p;
    QByteArray bytes = "left";
    EXPECT_FALSE(ReadChipFile(p.Path(), bytes));
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_FALSE(ReadChipFile(QString(), bytes));
    p.Write("big.inc", QByteArray());
    QFile big(p.Path() + "big.inc");
    ASSERT_TRUE(big.resize(kMaxChipFileBytes + 1));
    EXPECT_FALSE(ReadChipFile(p.Path() + "big.inc", bytes));
    ASSERT_TRUE(big.resize(10));
    EXPECT_TRUE(ReadChipFile(p.Path() + "big.inc", bytes));
    EXPECT_EQ(bytes.size(), 10);
}

TEST(GetSELUP, MissingFilesFailAfterClearingOnlyTheMasks)
{
    ProgramDir p;
    ChipModelState m;
    m.chip.productName = "OLD";
    m.chip.addressMask.fill(0xFF);
    m.chip.romSize = 8192;
    m.currentPage = 2;
    ChipSelectionScope s = m.Scope(p.Path(), 0);
    EXPECT_FALSE(GetSELUP(s)); // no chip list
    EXPECT_EQ(m.chip.addressMask[5], 0);
    EXPECT_EQ(m.chip.productName, "OLD");
    EXPECT_EQ(m.chip.romSize, 8192u);
    EXPECT_EQ(m.currentPage, 2);

    p.Write("INCLUDE/VekSel.INC", "ZR1.INC ZR1 (2K)\r\nMISSING.INC ZR2 (4K)\r\n");
    m.chip.addressMask.fill(0xFF);
    EXPECT_FALSE(GetSELUP(s)); // the listed description file is missing
    EXPECT_EQ(m.chip.addressMask[5], 0);
    s.chipModelIndex = 1;
    EXPECT_FALSE(GetSELUP(s));
    s.chipModelIndex = 2; // no such line
    EXPECT_FALSE(GetSELUP(s));
    EXPECT_EQ(m.chip.productName, "OLD");
}

TEST(GetSELUP, SelectsTheListedModelThroughOtherLetterCaseAndBig5)
{
    ProgramDir p;
    p.Write("INCLUDE/VekSel.INC", "Zr1.Inc ZR1 (2K)\r\nSUB\\ZR2.INC ZR2 (4K)\r\n");
    p.Write("INCLUDE/zr1.inc", "#PRODUCT\r\nZR1\r\n");
    p.Write("INCLUDE/Sub/zr2.inc", "#PRODUCT\r\nZR2\r\n#REGBIT\r\n23H INTE a b c d e f g h\r\n"
                                   "#REGBITSTR\r\n23H\r\n\"" + kBig5Chinese + "\r\n");
    ChipModelState m;
    ChipSelectionScope s = m.Scope(p.Path(), 1);
    const uint32_t generation = m.prep.generation;
    ASSERT_TRUE(GetSELUP(s));
    EXPECT_EQ(m.chip.productName, "ZR2");
    EXPECT_EQ(m.bitRegs.Item(0)->description, kChinese);
    EXPECT_GT(m.prep.generation, generation);
    s.chipModelIndex = 0;
    ASSERT_TRUE(GetSELUP(s));
    EXPECT_EQ(m.chip.productName, "ZR1");
}
