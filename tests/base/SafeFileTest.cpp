#include "app/base/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

TEST(SafeFile, ReplacesWholeFileAndKeepsOldOneOnFailure)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(WriteFileAtomically(path, "first version\r\n"));
    ASSERT_TRUE(WriteFileAtomically(path, "2\r\n"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("2\r\n"));
    f.close();
    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    // A folder that does not exist cannot be written: false, nothing created.
    EXPECT_FALSE(WriteFileAtomically(dir.filePath("missing/b.txt"), "x"));
}
