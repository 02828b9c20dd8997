// vek-enob on a replay file: the printed figures and the result file against figures computed
// here from the codes of the file.
#include "sim/SimulatedBoard.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <map>
#include <random>

namespace {

std::map<QString, double> ParseFigures(const QByteArray &out)
{
    std::map<QString, double> m;
    for (const QByteArray &line : out.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0) // "name: value unit"
            m[QString::fromLatin1(line.left(colon))] = line.mid(colon + 1).trimmed().split(' ').value(0).toDouble();
    }
    return m;
}

} // namespace

TEST(EnobTool, ReplayGivesTheFiguresOfTheCodes)
{
    QTemporaryDir dir;
    const int kept = 1000;
    std::mt19937 rng(99);
    std::normal_distribution<double> noise(0, 40);
    std::vector<int32_t> codes;
    QByteArray text;
    for (int i = 0; i < kept + 6; ++i) {
        const int32_t c = i < 6 ? 8388607 : int32_t(std::lround(-123456 + noise(rng)));
        codes.push_back(c);
        text += QByteArray::number(qlonglong(c)) + '\n';
    }
    const QString replay = dir.filePath(QStringLiteral("codes.txt"));
    {
        QFile f(replay);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    for (int width : {24, 16}) {
        SCOPED_TRACE(width);
        const QString out = dir.filePath(QStringLiteral("result%1.csv").arg(width));
        const QString codesOut = dir.filePath(QStringLiteral("codes%1.txt").arg(width));
        QProcess p;
        p.start(QStringLiteral(VEK_ENOB_EXE),
                {QStringLiteral("--replay"), replay, QStringLiteral("--chip"), QStringLiteral("ZR300"),
                 QStringLiteral("--samples"), QString::number(kept), QStringLiteral("--width"),
                 QString::number(width), QStringLiteral("--ref"), QStringLiteral("2.4"),
                 QStringLiteral("--out"), out, QStringLiteral("--codes"), codesOut});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const std::map<QString, double> fig = ParseFigures(p.readAllStandardOutput());

        // The codes file holds the stream as received (the dropped codes too), whatever the
        // width, and reads back as a replay.
        std::vector<int32_t> written;
        QString error;
        ASSERT_TRUE(vek::sim::LoadReplayCodes(codesOut, written, &error)) << error.toStdString();
        EXPECT_EQ(written, codes);

        // The figures, from the codes after the six the capture drops.
        const long divisor = 1L << (24 - width);
        const int bits = width - 1;
        long double sum = 0;
        long lo = codes[6], hi = codes[6];
        std::vector<long> scaled;
        for (int i = 6; i < kept + 6; ++i) {
            scaled.push_back(codes[size_t(i)] / divisor); // C++ division truncates toward zero
            sum += scaled.back();
            lo = std::min(lo, long(codes[size_t(i)]));
            hi = std::max(hi, long(codes[size_t(i)]));
        }
        const double mean = double(sum / kept);
        long double dev = 0;
        for (long s : scaled)
            dev += (s - mean) * (s - mean);
        const double sigma = std::sqrt(double(dev / kept));
        const double vpp = std::fabs(std::nearbyint(double(hi) / divisor) - std::nearbyint(double(lo) / divisor));
        const double gain = 0.25; // gain registers at power-up
        const double scale = gain * std::ldexp(1.0, bits - 1);
        EXPECT_EQ(fig.at(QStringLiteral("Samples")), kept);
        EXPECT_NEAR(fig.at(QStringLiteral("Average")), mean, 1e-6);
        EXPECT_NEAR(fig.at(QStringLiteral("Sigma")), sigma, 1e-6);
        EXPECT_NEAR(fig.at(QStringLiteral("ENOB")), bits - std::log2(sigma), 1e-6);
        EXPECT_NEAR(fig.at(QStringLiteral("RMS Noise")), 2.4e9 * sigma / scale, 1e-3);
        EXPECT_EQ(fig.at(QStringLiteral("Vp-p Count")), vpp);
        EXPECT_NEAR(fig.at(QStringLiteral("Vp-p Noise")), 2.4e9 * vpp / scale, 1e-3);
        EXPECT_NEAR(fig.at(QStringLiteral("Noise Free")), bits - std::log2(vpp), 1e-6);

        // The result file: full rows of 16 values, a header, the seven figures.
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        ASSERT_EQ(lines.size(), kept / 16 + 3); // rows, header, figures, nothing after the last CR LF
        QByteArray firstRow;
        for (int i = 0; i < 16; ++i)
            firstRow += QByteArray::number(qlonglong(scaled[size_t(i)])) + ", ";
        EXPECT_EQ(lines[0], firstRow + '\r');
        const QList<QByteArray> last = lines[lines.size() - 2].trimmed().split(',');
        ASSERT_EQ(last.size(), 7);
        EXPECT_NEAR(last[0].toDouble(), mean, 1e-5);
        EXPECT_NEAR(last[3].toDouble(), bits - std::log2(sigma), 1e-5);
        EXPECT_NEAR(last[5].toDouble(), sigma, 1e-5);
        EXPECT_TRUE(lines.last().isEmpty());
    }

    // Under a locale that writes a decimal comma the figures and the file keep the point: the
    // same run gives the same bytes.
    auto run = [&](const char *locale, const QString &outName, QByteArray &printed, QByteArray &file) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        p.setProcessEnvironment(env);
        const QString out = dir.filePath(outName);
        p.start(QStringLiteral(VEK_ENOB_EXE), {QStringLiteral("--replay"), replay, QStringLiteral("--chip"),
                                               QStringLiteral("ZR300"), QStringLiteral("--samples"),
                                               QString::number(kept), QStringLiteral("--out"), out});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        printed = p.readAllStandardOutput();
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        file = f.readAll();
    };
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale (tools/deps.sh makes one)";
    std::setlocale(LC_ALL, "C");
    QByteArray printedC, fileC, printedDe, fileDe;
    run("C", QStringLiteral("c.csv"), printedC, fileC);
    run("de_DE.UTF-8", QStringLiteral("de.csv"), printedDe, fileDe);
    EXPECT_EQ(printedDe, printedC);
    EXPECT_EQ(fileDe, fileC);
    const QList<QByteArray> lines = fileDe.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2].split(',').size(), 7);
}

TEST(EnobTool, FilesThatCannotBeWrittenAreNamedWithTheReasonAfterTheFigures)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("no/dir/r.csv"));
    const QString codes = dir.filePath(QStringLiteral("c.txt"));
    QProcess p;
    p.start(QStringLiteral(VEK_ENOB_EXE), {QStringLiteral("--simulate"), QStringLiteral("--out"), out,
                                           QStringLiteral("--codes"), codes});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    const std::map<QString, double> fig = ParseFigures(p.readAllStandardOutput());
    EXPECT_GT(fig.count(QStringLiteral("ENOB")), 0u);
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.contains("cannot write " + out.toUtf8() + ": No such file or directory")) << err.toStdString();
    // The other file is still written.
    EXPECT_TRUE(QFile::exists(codes));
}

TEST(EnobTool, FaultsOfTheSimulatedBoardFailClearlyAndARetryRecovers)
{
    auto run = [](const QStringList &extra, QByteArray &err) {
        QProcess p;
        p.start(QStringLiteral(VEK_ENOB_EXE),
                QStringList{QStringLiteral("--simulate"), QStringLiteral("--samples"), QStringLiteral("4096")} + extra);
        EXPECT_TRUE(p.waitForFinished(30000));
        err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray err;
    EXPECT_NE(run({QStringLiteral("--fault"), QStringLiteral("unplug-after=200")}, err), 0);
    EXPECT_TRUE(err.contains("Read Error !!!!!")) << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("--fault"), QStringLiteral("unplug-after=200"), QStringLiteral("--fault"),
                   QStringLiteral("replug-after=500"), QStringLiteral("--retry"), QStringLiteral("1")},
                  err),
              0)
        << err.toStdString();
    EXPECT_NE(run({QStringLiteral("--fault"), QStringLiteral("stall-stream-after=1000")}, err), 0);
    EXPECT_TRUE(err.contains("stopped sending")) << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("--fault"), QStringLiteral("claimed")}, err), 1);
    EXPECT_TRUE(err.contains("another program holds the board")) << err.toStdString();
    EXPECT_NE(run({QStringLiteral("--fault"), QStringLiteral("wrong-identity")}, err), 0);
    EXPECT_TRUE(err.contains("identity")) << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("--fault"), QStringLiteral("unplug-after=x")}, err), 2);
    EXPECT_TRUE(err.contains("unknown fault")) << err.toStdString();
}

TEST(EnobTool, ParallelGivesTheFiguresAndResultFileOfSpi)
{
    QTemporaryDir dir;
    QByteArray text;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 25);
    for (int i = 0; i < 506; ++i)
        text += QByteArray::number(std::lround(40000 + noise(rng))) + '\n';
    const QString replay = dir.filePath(QStringLiteral("codes.txt"));
    {
        QFile f(replay);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    std::map<QString, std::map<QString, double>> figures;
    std::map<QString, QByteArray> files;
    for (const QString &kind : {QStringLiteral("SPI"), QStringLiteral("Parallel")}) {
        const QString out = dir.filePath(kind + QStringLiteral(".csv"));
        QProcess p;
        p.start(QStringLiteral(VEK_ENOB_EXE),
                {QStringLiteral("--replay"), replay, QStringLiteral("--chip"), QStringLiteral("ZR300"),
                 QStringLiteral("--samples"), QStringLiteral("500"), QStringLiteral("--interface"), kind,
                 QStringLiteral("--out"), out});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        figures[kind] = ParseFigures(p.readAllStandardOutput());
        figures[kind].erase(QStringLiteral("Elapsed")); // the two links take different times
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        files[kind] = f.readAll();
    }
    EXPECT_EQ(figures[QStringLiteral("Parallel")].at(QStringLiteral("Samples")), 500);
    EXPECT_EQ(figures[QStringLiteral("Parallel")], figures[QStringLiteral("SPI")]);
    EXPECT_FALSE(files[QStringLiteral("SPI")].isEmpty());
    EXPECT_EQ(files[QStringLiteral("Parallel")], files[QStringLiteral("SPI")]);
}

TEST(EnobTool, JsonOfASimulatedSineShowsItsToneSnrAndThd)
{
    // What the simulated converter should give for the sine at its power-up settings.
    vek::FakeClock clock;
    vek::sim::SimulatedBoard board(clock);
    const QString sine = QStringLiteral("0.3,50,-60");
    ASSERT_TRUE(board.ApplySine(sine, nullptr));
    const double expectedSnr = board.adc.ExpectedSnrDb();

    QTemporaryDir dir;
    auto run = [&](const char *locale, const QStringList &extra, QByteArray &printed) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VEK_ENOB_EXE), QStringList{QStringLiteral("--simulate"), QStringLiteral("--sine"), sine,
                                                          QStringLiteral("--samples"), QStringLiteral("16384"),
                                                          QStringLiteral("--json")} +
                                                  extra);
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        printed = p.readAllStandardOutput();
    };
    const QString codesPath = dir.filePath(QStringLiteral("codes.txt"));
    QByteArray printed;
    run("C", {QStringLiteral("--codes"), codesPath}, printed);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(printed, &parseError);
    ASSERT_EQ(parseError.error, QJsonParseError::NoError) << printed.toStdString();
    const QJsonObject settings = doc.object().value(QStringLiteral("settings")).toObject();
    const QJsonObject spectrum = doc.object().value(QStringLiteral("spectrum")).toObject();
    std::vector<int32_t> codes;
    ASSERT_TRUE(vek::sim::LoadReplayCodes(codesPath, codes, nullptr));
    EXPECT_EQ(settings.value(QStringLiteral("samples")).toInt() + 6, int(codes.size()));
    EXPECT_GE(codes.size(), 16384u);
    EXPECT_EQ(settings.value(QStringLiteral("interface")).toString(), QStringLiteral("SPI"));
    EXPECT_EQ(settings.value(QStringLiteral("route")).toString(), QStringLiteral("optocoupler")); // the window's default
    EXPECT_EQ(settings.value(QStringLiteral("gain")).toDouble(), board.adc.Gain());
    // The rate from the converter's settings: the tone reads at its frequency.
    EXPECT_EQ(settings.value(QStringLiteral("dataRateHz")).toDouble(), board.adc.DataRateHz());
    EXPECT_EQ(settings.value(QStringLiteral("dataRateSource")).toString(), QStringLiteral("settings"));
    const QJsonObject fit = doc.object().value(QStringLiteral("sineFit")).toObject();
    EXPECT_TRUE(fit.value(QStringLiteral("valid")).toBool());
    EXPECT_NEAR(fit.value(QStringLiteral("toneHz")).toDouble(), 50.0, 50.0 * 1e-4);
    EXPECT_NEAR(fit.value(QStringLiteral("snrDb")).toDouble(), expectedSnr, 0.5);
    EXPECT_NEAR(fit.value(QStringLiteral("thdDb")).toDouble(), -60.0, 0.5);

    // The codes replayed with the same options give the same figures and result file.
    const QString out1 = dir.filePath(QStringLiteral("r1.csv")), out2 = dir.filePath(QStringLiteral("r2.csv"));
    QByteArray first, again;
    run("C", {QStringLiteral("--out"), out1}, first);
    QProcess replayed;
    replayed.start(QStringLiteral(VEK_ENOB_EXE),
                   {QStringLiteral("--replay"), codesPath, QStringLiteral("--samples"), QStringLiteral("16384"),
                    QStringLiteral("--json"), QStringLiteral("--out"), out2});
    ASSERT_TRUE(replayed.waitForFinished(30000));
    ASSERT_EQ(replayed.exitCode(), 0) << replayed.readAllStandardError().toStdString();
    again = replayed.readAllStandardOutput();
    const QJsonObject a = QJsonDocument::fromJson(first).object(), b = QJsonDocument::fromJson(again).object();
    for (const char *key : {"figures", "spectrum", "sineFit"})
        EXPECT_EQ(a.value(QLatin1String(key)), b.value(QLatin1String(key))) << key;
    QFile f1(out1), f2(out2);
    ASSERT_TRUE(f1.open(QIODevice::ReadOnly) && f2.open(QIODevice::ReadOnly));
    EXPECT_EQ(f1.readAll(), f2.readAll());
    EXPECT_EQ(spectrum.value(QStringLiteral("window")).toString(), QStringLiteral("bh4"));
    EXPECT_TRUE(spectrum.value(QStringLiteral("valid")).toBool());
    EXPECT_NEAR(spectrum.value(QStringLiteral("toneHz")).toDouble(), 50.0, 0.5);
    EXPECT_NEAR(spectrum.value(QStringLiteral("snrDb")).toDouble(), expectedSnr, 0.5);
    EXPECT_NEAR(spectrum.value(QStringLiteral("thdDb")).toDouble(), -60.0, 0.5);

    QByteArray hann;
    run("C", {QStringLiteral("--window"), QStringLiteral("hann"), QStringLiteral("--blocks"), QStringLiteral("4")},
        hann);
    const QJsonObject hannSpectrum = QJsonDocument::fromJson(hann).object().value(QStringLiteral("spectrum")).toObject();
    EXPECT_EQ(hannSpectrum.value(QStringLiteral("window")).toString(), QStringLiteral("hann"));
    EXPECT_EQ(hannSpectrum.value(QStringLiteral("blocks")).toInt(), 4);
    EXPECT_EQ(hannSpectrum.value(QStringLiteral("blockLength")).toInt(), (int(codes.size()) - 6) / 4);
    QByteArray direct;
    run("C", {QStringLiteral("--optocoupler"), QStringLiteral("off")}, direct);
    const QJsonObject directSettings = QJsonDocument::fromJson(direct).object().value(QStringLiteral("settings")).toObject();
    EXPECT_EQ(directSettings.value(QStringLiteral("route")).toString(), QStringLiteral("direct"));

    // The same object under a locale with a decimal comma.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale (tools/deps.sh makes one)";
    std::setlocale(LC_ALL, "C");
    QByteArray german;
    run("de_DE.UTF-8", {}, german);
    EXPECT_EQ(german, printed);
}
