#include "app/base/SettingsText.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

TEST(SettingsText, LinesEndWithCrLfLfOrCr)
{
    TextReader r("one\r\ntwo\nthree\rfour\r\r\nlast");
    for (const char *expected : {"one", "two", "three", "four", "", "last"}) {
        ASSERT_FALSE(r.AtEnd()) << expected;
        EXPECT_EQ(r.ReadLine(), QByteArray(expected));
    }
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.ReadLine(), QByteArray());
}

TEST(SettingsText, NumbersInFreeFormat)
{
    const struct {
        QByteArray text;
        TextReader::Number result;
        int32_t value;
    } cases[] = {
        {"  12 rest", TextReader::Number::Ok, 12},
        {"\r\n\t -7", TextReader::Number::Ok, -7},
        {"+5", TextReader::Number::Ok, 5},
        {"2147483647", TextReader::Number::Ok, INT32_MAX},
        {"-2147483648", TextReader::Number::Ok, INT32_MIN},
        {"2147483648", TextReader::Number::Bad, 99},
        {"-2147483649", TextReader::Number::Bad, 99},
        {"99999999999999999999", TextReader::Number::Bad, 99},
        {"12x", TextReader::Number::Bad, 99},
        {"1.2", TextReader::Number::Bad, 99},
        {"-", TextReader::Number::Bad, 99},
        {"0x1F", TextReader::Number::Bad, 99},
        {"", TextReader::Number::End, 99},
        {"  \r\n  ", TextReader::Number::End, 99},
    };
    for (const auto &c : cases) {
        TextReader r(c.text);
        int32_t v = 99;
        EXPECT_EQ(r.ReadInt(v), c.result) << c.text.constData();
        EXPECT_EQ(v, c.value) << c.text.constData();
    }
    // The rest of a line is skipped, then the next line's number follows.
    TextReader r("1 2 words\r\n3");
    int32_t a = 0, b = 0, c = 0;
    ASSERT_EQ(r.ReadInt(a), TextReader::Number::Ok);
    ASSERT_EQ(r.ReadInt(b), TextReader::Number::Ok);
    r.SkipLine();
    ASSERT_EQ(r.ReadInt(c), TextReader::Number::Ok);
    EXPECT_EQ((std::array{a, b, c}), (std::array{1, 2, 3}));
}

TEST(SettingsText, ReadsOnlyRegularFilesAndOnlyTheirHead)
{
    QTemporaryDir dir;
    QByteArray bytes = "x";
    EXPECT_FALSE(ReadSettingsFile(dir.path(), bytes)); // a folder
    EXPECT_FALSE(ReadSettingsFile(dir.filePath("missing"), bytes));
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(QProcess::execute("mkfifo", {fifo}), 0);
    EXPECT_FALSE(ReadSettingsFile(fifo, bytes)); // would block forever if opened
    QFile big(dir.filePath("big"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(kSettingsFileReadLimit + 100, 'a'));
    big.close();
    ASSERT_TRUE(ReadSettingsFile(big.fileName(), bytes));
    EXPECT_EQ(bytes.size(), kSettingsFileReadLimit);
}
