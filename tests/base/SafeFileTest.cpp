#include "app/base/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
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

TEST(SafeFile, StaleTemporariesOfOwnFilesAreRemovedAndNothingElse)
{
    QTemporaryDir dir;
    const QStringList names = {"StepADC.txt", "StepADC.txt.a1B2c3", "VekADC.cfg.Zz9Yy8", "VekADCSW3.CSV.q0w9e8",
                               "notes.doc.a1B2c3", "StepADC.txt.a1B2", "StepADC.txt.new", "VekADC.cfg"};
    for (const QString &n : names)
        ASSERT_TRUE(WriteFileAtomically(dir.filePath(n), "x"));
    const QStringList removed = RemoveStaleTemporaries(dir.path(), {"txt", "cfg", "csv"});
    EXPECT_EQ(removed.size(), 3);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"StepADC.txt", "StepADC.txt.a1B2", "StepADC.txt.new", "VekADC.cfg", "notes.doc.a1B2c3"}));
}

// A program killed with SIGKILL in the middle of saving leaves the old file or the new one,
// never a mixture or a cut-off file.
TEST(SafeFile, KillDuringSaveLeavesOldOrNewFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("VekADC.cfg");
    const QByteArray a(300000, 'a'), b(200000, 'b');
    int killedMidWay = 0;
    for (int round = 0; round < 20; ++round) {
        QProcess probe;
        probe.start(VEK_SAFE_WRITE_PROBE, {path});
        ASSERT_TRUE(probe.waitForReadyRead(10000)); // the first save is done
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        probe.kill();
        probe.waitForFinished(10000);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        killedMidWay += probe.exitStatus() == QProcess::CrashExit;
    }
    EXPECT_EQ(killedMidWay, 20);
}
