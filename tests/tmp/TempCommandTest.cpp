// "vek-enob temperature" run in this process on the simulated bench: its arguments, its exit
// statuses, the example step set and a folder that becomes read-only in the middle of a run.
#include "app/tools/TemperatureCommand.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>

using namespace vek;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Result {
    int status = -1;
    std::string err;
};

Result Command(const QStringList &arguments, const std::function<void(int)> &afterStep = {})
{
    testing::internal::CaptureStderr();
    Result r;
    r.status = TemperatureCommand(QStringList{QStringLiteral("vek-enob")} + arguments, afterStep);
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

// Makes a folder read-only (for root too, where the file system allows it) and back.
bool MakeReadOnly(const QString &dir, bool readOnly)
{
    const QByteArray path = QFile::encodeName(dir);
    if (!readOnly) {
        std::system(("chattr -i '" + path + "' 2>/dev/null").constData());
        return QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(dir + "/probe");
    if (probe.open(QIODevice::WriteOnly)) { // root: permissions do not stop it
        probe.close();
        probe.remove();
        std::system(("chattr +i '" + path + "' 2>/dev/null").constData());
    }
    QFile again(dir + "/probe");
    return !again.open(QIODevice::WriteOnly);
}

} // namespace

TEST(TempCommand, BadArgumentsAreNamedWithStatus2BeforeAnythingRuns)
{
    QTemporaryDir dir;
    for (const QStringList &args :
         {QStringList{"--steps", "0"}, {"--steps", "-3"}, {"--steps", "abc"}, {"--steps", "10001"},
          {"--power-delay", "abc"}, {"--mode", "7"}, {"--bogus"}, {"stray"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = Command(QStringList{"--simulate", "--dir", dir.path()} + args);
        EXPECT_EQ(r.status, 2);
        const QString named = args.first().startsWith("--") ? args.first().mid(2) : args.first();
        EXPECT_NE(r.err.find(named.toStdString()), std::string::npos) << r.err;
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(TempCommand, ExampleRunsFromAnEmptyFolderAndEveryOutcomeHasItsStatus)
{
    QTemporaryDir dir;
    const QString run1 = dir.filePath("run1");
    // Without step files: status 1 and what the folder must hold.
    Result r = Command({"--simulate", "--steps", "10", "--dir", run1});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--example"), std::string::npos) << r.err;

    ASSERT_EQ(Command({"--example", run1}).status, 0);
    EXPECT_EQ(Command({"--example", run1}).status, 1); // not written over
    r = Command({"--simulate", "--steps", "10", "--dir", run1});
    EXPECT_EQ(r.status, 0) << r.err;
    const QByteArray a = ReadAll(run1 + "/VekTEMPA.CSV");
    EXPECT_TRUE(a.endsWith("\r\nRun finished: 10 of 10 steps done\r\n"));
    EXPECT_FALSE(a.contains("nan"));

    // SIGTERM after step 2: status 143, two steps on disk.
    r = Command({"--simulate", "--steps", "10", "--dir", run1}, [](int step) {
        if (step == 2)
            std::raise(SIGTERM);
    });
    EXPECT_EQ(r.status, 143);
    EXPECT_TRUE(ReadAll(run1 + "/VekTEMPB.CSV").endsWith("\r\nRun stopped after step 2 of 10\r\n"));
    r = Command({"--simulate", "--steps", "10", "--dir", run1}, [](int step) {
        if (step == 1)
            std::raise(SIGINT);
    });
    EXPECT_EQ(r.status, 130);

    // A calibrator asked for and not found (COM9 holds a meter): status 1 before the run.
    const QByteArray lastRun = ReadAll(run1 + "/VekTEMPB.CSV");
    r = Command({"--simulate", "--steps", "10", "--dir", run1, "--calibrator", "COM9"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not found: calibrator on COM9"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(run1 + "/VekTEMPB.CSV"), lastRun);

    // Every step fails (the chip has no supply): status 3.
    QFile power(run1 + "/Power.txt");
    ASSERT_TRUE(power.open(QIODevice::WriteOnly));
    power.write("   1OUTP OFF\r\n");
    power.close();
    EXPECT_EQ(Command({"--simulate", "--steps", "3", "--dir", run1, "--mode", "0"}).status, 3);

    // A register table without a step: status 1, the results of the last run untouched.
    const QByteArray before = ReadAll(run1 + "/VekTEMPA.CSV");
    QFile reg(run1 + "/Register.txt");
    ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
    reg.write("  3C\r\n\r\n");
    reg.close();
    r = Command({"--simulate", "--dir", run1});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no step to run"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(run1 + "/VekTEMPA.CSV"), before);
}

TEST(TempCommand, FolderReadOnlyAfterStep3EndsWithStatus1AndKeepsSteps1To3)
{
    QTemporaryDir dir;
    const QString run = dir.filePath("run");
    ASSERT_EQ(Command({"--example", run}).status, 0);
    bool readOnly = false;
    const Result r = Command({"--simulate", "--steps", "10", "--dir", run}, [&](int step) {
        if (step == 3)
            readOnly = MakeReadOnly(run, true);
    });
    MakeReadOnly(run, false);
    if (!readOnly)
        GTEST_SKIP() << "this file system lets the folder be written whatever its permissions";
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Run ended after step 3 of 10: Cannot write " + run.toStdString() + "/VekTEMPB.CSV"),
              std::string::npos)
        << r.err;
    const QByteArray b = ReadAll(run + "/VekTEMPB.CSV");
    for (int s = 1; s <= 3; ++s)
        EXPECT_EQ(b.count("\r\n" + QByteArray::number(s) + ", "), 2) << s;
    EXPECT_FALSE(b.mid(b.indexOf("\r\n3, ")).contains("nan, nan, nan, nan, nan, nan, nan, Test Fail"));
    EXPECT_TRUE(b.contains("\r\n4, nan, nan, nan, nan, nan, nan, nan, not run\r\n"));
    EXPECT_TRUE(b.endsWith("\r\nRun in progress: 3 of 10 steps done\r\n"));
    EXPECT_TRUE(QDir(run).entryList({"*.CSV.*", "*OVER*"}).isEmpty());
}
