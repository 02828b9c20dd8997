#include "app/base/ProgramDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <vector>

using namespace vek;

namespace {

void Write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A build folder (bin/ with INCLUDE/ beside the executable), an installed tree (usr/bin and
// usr/share/vek-enobtest/INCLUDE) and a home, all in one temporary folder.
struct Trees {
    QTemporaryDir root;
    QString build = root.filePath("build/bin");
    QString usrBin = root.filePath("usr/bin");
    QString shared = root.filePath("usr/share/vek-enobtest/INCLUDE");
    QString user = root.filePath("home/.local/share/vek-enobtest");

    Trees()
    {
        Write(build + "/INCLUDE/VekSel.INC", "build list");
        QDir().mkpath(usrBin);
        Write(shared + "/VekSel.INC", "package list");
        Write(shared + "/ZR300.INC", "package ZR300");
        Write(shared + "/sub/Extra.INC", "package extra");
    }
    ProgramDirPlaces Installed() const { return {usrBin, shared, user}; }
};

} // namespace

TEST(ProgramDir, BuildFolderKeepsEverythingBesideTheExecutable)
{
    Trees t;
    const ProgramDirChoice c = PrepareProgramDir({t.build, t.build + "/INCLUDE", t.user});
    EXPECT_EQ(c.dir, t.build + "/");
    EXPECT_TRUE(c.copied.isEmpty());
    EXPECT_TRUE(c.error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(t.user));
}

TEST(ProgramDir, InstalledProgramGetsAUserFolderWhoseChipFilesAreNeverOverwritten)
{
    Trees t;
    ProgramDirChoice c = PrepareProgramDir(t.Installed());
    EXPECT_EQ(c.dir, t.user + "/");
    EXPECT_TRUE(c.created);
    EXPECT_TRUE(c.error.isEmpty()) << c.error.toStdString();
    EXPECT_EQ(c.copied.size(), 3);
    EXPECT_EQ(Read(t.user + "/INCLUDE/sub/Extra.INC"), "package extra");

    // The user edits one chip file and deletes another: the next start keeps the edit and puts
    // back only what is missing (a first start cut short is completed the same way).
    Write(t.user + "/INCLUDE/VekSel.INC", "my list");
    QFile::remove(t.user + "/INCLUDE/ZR300.INC");
    c = PrepareProgramDir(t.Installed());
    EXPECT_FALSE(c.created);
    EXPECT_EQ(c.copied, QStringList{"ZR300.INC"});
    EXPECT_EQ(Read(t.user + "/INCLUDE/VekSel.INC"), "my list");
    EXPECT_EQ(Read(t.user + "/INCLUDE/ZR300.INC"), "package ZR300");
}

TEST(ProgramDir, ReadOnlyProgramFolderFallsBackToTheUserFolder)
{
    Trees t;
    QFile::setPermissions(t.build, QFile::ReadOwner | QFile::ExeOwner);
    QTemporaryFile probe(t.build + "/probe-XXXXXX");
    if (probe.open())
        GTEST_SKIP() << "this user may write into a read-only folder (root)";
    const ProgramDirChoice c = PrepareProgramDir({t.build, t.build + "/INCLUDE", t.user});
    QFile::setPermissions(t.build, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(c.dir, t.user + "/");
    EXPECT_EQ(Read(t.user + "/INCLUDE/VekSel.INC"), "build list");
}

TEST(ProgramDir, ExplicitFolderIsTakenFromTheCommandLineAndWins)
{
    Trees t;
    const QString mine = t.root.filePath("bench/run1");
    const ProgramDirChoice c = PrepareProgramDir({t.build, t.build + "/INCLUDE", t.user}, mine);
    EXPECT_EQ(c.dir, mine + "/");
    EXPECT_EQ(Read(mine + "/INCLUDE/VekSel.INC"), "build list");
    EXPECT_FALSE(QFileInfo::exists(t.user));

    // The option leaves the command line; every other argument keeps its place.
    std::vector<QByteArray> words = {"vek-enob", "--simulate", "--program-dir", "d1", "--seed", "3"};
    std::vector<char *> argv;
    for (QByteArray &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int argc = int(words.size());
    EXPECT_EQ(TakeProgramDirOption(argc, argv.data()), "");
    ASSERT_EQ(argc, 4);
    EXPECT_STREQ(argv[1], "--simulate");
    EXPECT_STREQ(argv[3], "3");
    EXPECT_EQ(argv[4], nullptr);

    for (std::vector<QByteArray> bad : {std::vector<QByteArray>{"p", "--program-dir"},
                                        std::vector<QByteArray>{"p", "--program-dir=a", "--program-dir", "b"}}) {
        std::vector<char *> v;
        for (QByteArray &w : bad)
            v.push_back(w.data());
        v.push_back(nullptr);
        int n = int(bad.size());
        EXPECT_FALSE(TakeProgramDirOption(n, v.data()).isEmpty()) << bad.back().toStdString();
        EXPECT_EQ(n, 1);
    }
}
