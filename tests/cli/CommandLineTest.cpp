// Every option of every command-line program, given a value it cannot use: the program refuses
// it before anything runs (nothing on standard output), with exit status 2 and a message on
// standard error that starts with the program's name and names the option.
#include "app/base/CommandLine.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

struct Case {
    const char *program;
    QStringList arguments;
    const char *named; // what the message must name
};

QString Bin(const char *program) { return QStringLiteral(VEK_BIN_DIR "/") + QLatin1String(program); }

QProcessEnvironment Headless()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

} // namespace

TEST(CommandLine, EveryOptionRefusesABadValueByName)
{
    QTemporaryDir dir;
    const QString shortReplay = dir.filePath(QStringLiteral("short.txt"));
    {
        QFile f(shortReplay);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\n2\n3\n4\n5\n6\n7\n8\n");
    }
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const QString noFolder = dir.filePath(QStringLiteral("no/such/folder/f.txt"));
    const QString sim = QStringLiteral("--simulate");
    const Case cases[] = {
        // vek-enob
        {"vek-enob", {"--simulate=yes"}, "--simulate"},
        {"vek-enob", {"--ref", "abc"}, "--ref"},
        {"vek-enob", {"--ref", "0"}, "--ref"},
        {"vek-enob", {"--ref", "2,5"}, "--ref"},
        {"vek-enob", {"--ref", "-1"}, "--ref"},
        {"vek-enob", {"--seed", "3"}, "--seed"},
        {"vek-enob", {sim, "--seed", "abc"}, "--seed"},
        {"vek-enob", {"--input", "1"}, "--input"},
        {"vek-enob", {sim, "--input", "inf"}, "--input"},
        {"vek-enob", {sim, "--input", "nan"}, "--input"},
        {"vek-enob", {"--real-time"}, "--real-time"},
        {"vek-enob", {"--fault", "silent"}, "--fault"},
        {"vek-enob", {sim, "--fault", "unplug-after=x"}, "--fault"},
        {"vek-enob", {sim, "--fault", "serial=noack"}, "--fault"},
        {"vek-enob", {"--sine", "0.3,50"}, "--sine"},
        {"vek-enob", {sim, "--sine", "0.3,-50"}, "--sine"},
        {"vek-enob", {sim, "--replay", missing}, "--replay"},
        {"vek-enob", {"--replay", shortReplay, "--samples", "100"}, "--replay"},
        {"vek-enob", {sim, "--chip", "NOSUCH"}, "--chip"},
        {"vek-enob", {sim, "--interface", "USB"}, "--interface"},
        {"vek-enob", {sim, "--optocoupler", "maybe"}, "--optocoupler"},
        {"vek-enob", {sim, "--interface", "UART", "--optocoupler", "off"}, "--optocoupler"},
        {"vek-enob", {sim, "--lpt", "278"}, "--lpt"},
        {"vek-enob", {sim, "--interface", "Parallel", "--lpt", "0x378"}, "--lpt"},
        {"vek-enob", {sim, "--samples", "0"}, "--samples"},
        {"vek-enob", {sim, "--samples", "65537"}, "--samples"},
        {"vek-enob", {sim, "--width", "30"}, "--width"},
        {"vek-enob", {sim, "--average", "3"}, "--average"},
        {"vek-enob", {sim, "--reg", "3C"}, "--reg"},
        {"vek-enob", {sim, "--reg", "400=1"}, "--reg"},
        {"vek-enob", {sim, "--retry", "-1"}, "--retry"},
        {"vek-enob", {sim, "--interface", "Parallel", "--retry", "1"}, "--retry"},
        {"vek-enob", {sim, "--out", ""}, "--out"},
        {"vek-enob", {sim, "--codes", ""}, "--codes"},
        {"vek-enob", {sim, "--json=yes"}, "--json"},
        {"vek-enob", {sim, "--window", "hann"}, "--window"},
        {"vek-enob", {sim, "--json", "--window", "kaiser"}, "--window"},
        {"vek-enob", {sim, "--blocks", "4"}, "--blocks"},
        {"vek-enob", {sim, "--json", "--blocks", "17"}, "--blocks"},
        {"vek-enob", {sim, "extra"}, "extra"},
        {"vek-enob", {sim, "--bogus"}, "bogus"},
        {"vek-enob", {"--program-dir"}, "--program-dir"},
        {"vek-enob", {sim, "--long", "abc"}, "--long"},
        {"vek-enob", {sim, "--duration", "x"}, "--duration"},
        {"vek-enob", {"sweep", "--bogus"}, "bogus"},
        // vek-enob temperature (a few; its own tests hold the rest)
        {"vek-enob", {"temperature", "--steps", "0"}, "--steps"},
        {"vek-enob", {"temperature", "--mode", "5"}, "--mode"},
        {"vek-enob", {"temperature", "extra"}, "extra"},
        // vek-enobtest
        {"vek-enobtest", {"--simulate=yes"}, "--simulate"},
        {"vek-enobtest", {"--trace", ""}, "--trace"},
        {"vek-enobtest", {"--trace", noFolder}, "--trace"},
        {"vek-enobtest", {"--seed", "3"}, "--seed"},
        {"vek-enobtest", {sim, "--seed", "-1"}, "--seed"},
        {"vek-enobtest", {"--replay", shortReplay}, "--replay"},
        {"vek-enobtest", {sim, "--replay", missing}, "--replay"},
        {"vek-enobtest", {"--fault", "silent"}, "--fault"},
        {"vek-enobtest", {sim, "--fault", "bogus"}, "--fault"},
        {"vek-enobtest", {"--sine", "0.3,50"}, "--sine"},
        {"vek-enobtest", {sim, "--sine", "1"}, "--sine"},
        {"vek-enobtest", {"--switch-test=yes"}, "--switch-test"},
        {"vek-enobtest", {sim, "extra"}, "extra"},
        {"vek-enobtest", {"--program-dir"}, "--program-dir"},
        // vek-benchsim
        {"vek-benchsim", {"--map", ""}, "--map"},
        {"vek-benchsim", {"--calibrator", "COM99"}, "--calibrator"},
        {"vek-benchsim", {"--power", "tty0"}, "--power"},
        {"vek-benchsim", {"--meter", "COM7"}, "--meter"},
        {"vek-benchsim", {"--fault", "meter=bogus"}, "--fault"},
        {"vek-benchsim", {"extra"}, "extra"},
        // benchmarks
        {"soak_bench", {"abc"}, "RUNS"},
        {"soak_bench", {"0"}, "RUNS"},
        {"soak_bench", {"1", "2"}, "RUNS"},
        {"panel_bench", {"--shots", "/proc/no-such-folder"}, "--shots"},
        {"panel_bench", {"extra"}, "extra"},
        {"views_bench", {"--grab", "/proc/no-such-folder"}, "--grab"},
        {"link_bench", {"x"}, "\"x\""},
        {"parallel_bench", {"x"}, "\"x\""},
        {"chip_select_bench", {"x"}, "\"x\""},
        {"switch_run_bench", {"x"}, "\"x\""},
        {"spectrum_bench", {"x"}, "\"x\""},
        {"bench_enob", {"x"}, "\"x\""},
        {"enob_capture_bench", {"x"}, "\"x\""},
    };
    for (const Case &c : cases) {
        const std::string what = std::string(c.program) + " " + c.arguments.join(' ').toStdString();
        QProcess p;
        p.setProcessEnvironment(Headless());
        p.start(Bin(c.program), c.arguments);
        ASSERT_TRUE(p.waitForFinished(30000)) << what;
        const QByteArray err = p.readAllStandardError();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << what;
        EXPECT_EQ(p.exitCode(), 2) << what << "\n" << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << what;
        const QString sub = c.arguments.value(0);
        const bool subcommand = sub == QLatin1String("temperature") || sub == QLatin1String("sweep");
        EXPECT_TRUE(err.contains(QByteArray(c.program) + (subcommand ? " " + sub.toUtf8() : QByteArray()) + ": "))
            << what << "\n" << err.toStdString();
        EXPECT_TRUE(err.contains(c.named)) << what << "\n" << err.toStdString();
    }
}

TEST(CommandLine, HelpGoesToStandardOutputWithTheExitStatuses)
{
    for (const char *program : {"vek-enob", "vek-enobtest", "vek-benchsim"}) {
        QProcess p;
        p.setProcessEnvironment(Headless());
        p.start(Bin(program), {QStringLiteral("--help")});
        ASSERT_TRUE(p.waitForFinished(30000)) << program;
        EXPECT_EQ(p.exitCode(), 0) << program;
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_TRUE(out.contains("Exit status:")) << program;
        EXPECT_TRUE(out.contains("2    a bad argument")) << program;
    }
}

// vek-benchsim's entries in a COM map lead to its terminals, which end with it: SIGTERM takes them
// out again and brings back what the map held for those names before.
TEST(CommandLine, BenchSimTakesItsMapEntriesOutWhenStopped)
{
    QTemporaryDir dir;
    const QString map = dir.filePath(QStringLiteral("ComPorts.txt"));
    const QByteArray before = "# bench\r\nCOM3 = /dev/ttyUSB0\r\nCOM8 = /dev/ttyUSB5\r\n";
    {
        QFile f(map);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    QProcess p;
    p.start(Bin("vek-benchsim"), {QStringLiteral("--map"), map});
    QByteArray out;
    for (int i = 0; i < 100 && !out.contains("# written to"); ++i) {
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("# written to")) << out.toStdString();
    QFile f(map);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("COM8 = /dev/pts/"));
    f.close();
    p.terminate(); // SIGTERM
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 143);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

// The shared reading of numbers: what a person may type and what is refused.
TEST(CommandLine, NumbersAreReadAsTypedOrRefused)
{
    using vek::ParseHexNumber;
    using vek::ParseRealNumber;
    using vek::ParseWholeNumber;
    EXPECT_EQ(ParseWholeNumber(QStringLiteral(" 12 "), 1, 65536), 12);
    for (const char *t : {"", "abc", "1.0", "1e3", "0x10", "65537", "0", "99999999999999999999"})
        EXPECT_FALSE(ParseWholeNumber(QLatin1String(t), 1, 65536)) << t;
    EXPECT_EQ(ParseHexNumber(QStringLiteral("3c"), 0, 0x3FF), 0x3C);
    for (const char *t : {"", "0x3C", "-1", "+3", "400", "3G"})
        EXPECT_FALSE(ParseHexNumber(QLatin1String(t), 0, 0x3FF)) << t;
    EXPECT_EQ(ParseRealNumber(QStringLiteral("1e-3"), 0, 5, true), 1e-3);
    EXPECT_EQ(ParseRealNumber(QStringLiteral("5"), 0, 5, true), 5.0);
    for (const char *t : {"", "2,5", "inf", "-inf", "nan", "0", "5.01", "1.2V"})
        EXPECT_FALSE(ParseRealNumber(QLatin1String(t), 0, 5, true)) << t;
}

// The README's vek-enob fault examples, run as written: each meets its fault (a failure, or the
// retry that recovers from it), none ends quietly before it.
TEST(CommandLine, ReadmeFaultExamplesShowTheirFaults)
{
    QFile readme(QStringLiteral(VEK_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    int examples = 0;
    for (const QByteArray &line : readme.readAll().split('\n')) {
        const QByteArray command = line.trimmed().split('#').value(0).trimmed();
        if (!command.startsWith("vek-enob --simulate --fault"))
            continue;
        ++examples;
        QStringList arguments = QString::fromUtf8(command).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        arguments.removeFirst();
        QProcess p;
        p.start(Bin("vek-enob"), arguments);
        ASSERT_TRUE(p.waitForFinished(30000)) << command.toStdString();
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(p.exitCode() == 1 || err.contains("; retry 1 of 1"))
            << command.toStdString() << " ended " << p.exitCode() << ":\n" << err.toStdString();
    }
    EXPECT_GE(examples, 3);
}

// SIGTERM in the middle of a capture (on the wall clock, a minute long): the capture ends at its
// next block, nothing is printed or written, status 143.
TEST(CommandLine, EnobCaptureStoppedBySigtermEndsWith143)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("r.csv"));
    QProcess p;
    p.start(Bin("vek-enob"), {QStringLiteral("--simulate"), QStringLiteral("--real-time"), QStringLiteral("--samples"),
                              QStringLiteral("65536"), QStringLiteral("--out"), out});
    ASSERT_TRUE(p.waitForStarted());
    QThread::msleep(500);
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 143) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_FALSE(QFile::exists(out));
}
