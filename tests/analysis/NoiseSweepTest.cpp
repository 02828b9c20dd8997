// The noise table's sweep on the simulated board: each point's figures against a single capture at
// the same settings, the trends of the converter model, the registers put back, a stop, and
// "vek-enob sweep".
#include "analysis/NoiseSweep.h"
#include "app/tools/BoardSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace vek;

namespace {

struct SweepRig {
    BoardSession session;
    SampleStore store;

    SweepRig()
    {
        BoardSessionOptions o;
        o.simulate = true;
        o.seed = 7;
        o.chip = QStringLiteral("ZR300");
        o.programDir = QStringLiteral(VEK_SOURCE_DIR "/");
        QString error;
        EXPECT_TRUE(session.Open(o, error)) << error.toStdString();
    }
    sim::SimBoard &Board() { return session.simulatedBoard()->usb.board; }
    SweepIo Io()
    {
        ChipModelState &m = session.model();
        return SweepIo{session.port(), session.kind(), m.bindings.adc, m.chip, session.clock(), store, {}, {}, {}};
    }
};

} // namespace

TEST(NoiseSweep, PointsMatchSingleCapturesFollowTheModelAndPutTheRegistersBack)
{
    SweepRig rig;
    auto &memory = rig.Board().memory;
    memory.Write(0x30, 0x85); // converter on, OSR code 5
    memory.Write(0x3C, 0x0A); // PGA x2, ADGN x4
    // The converter sets its flag (0x30 bit 6) on its own: the settings are what must come back.
    auto settings = [&] { return std::array<int, 3>{memory.Read(0x30) & 0xBF, memory.Read(0x33), memory.Read(0x3C)}; };
    const std::array<int, 3> before = settings();

    SweepOptions o;
    o.osrCodes = {0, 3, 7};
    ASSERT_TRUE(ParseSweepGains(QStringLiteral("0.25,1,16,128"), o.gains));
    o.samples = 2048;
    int reported = 0;
    SweepIo io = rig.Io();
    io.pointDone = [&](const SweepPoint &, int index, int total) {
        EXPECT_EQ(index, reported++);
        EXPECT_EQ(total, 12);
    };
    const SweepRun run = RunNoiseSweep(io, o);
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    ASSERT_EQ(run.points.size(), 12u);
    EXPECT_EQ(reported, 12);
    EXPECT_EQ(settings(), before);

    auto at = [&](int osr, double gain) -> const SweepPoint & {
        for (const SweepPoint &p : run.points)
            if (p.osr == osr && p.gain.Gain() == gain)
                return p;
        throw std::runtime_error("no point");
    };
    for (const SweepPoint &p : run.points) {
        EXPECT_TRUE(p.rate.fromSettings);
        EXPECT_NEAR(p.gainRead, p.gain.Gain(), 1e-12); // the gain registers took the column's gain
        EXPECT_GT(p.settleMs, 0);
    }
    // Noise in codes falls with the oversampling as sqrt(OSR) (white noise): 8x per 3 codes.
    EXPECT_NEAR(at(0, 1).results.sigma / at(3, 1).results.sigma, std::sqrt(8.0), 0.4);
    EXPECT_NEAR(at(0, 0.25).results.sigma / at(3, 0.25).results.sigma, std::sqrt(8.0), 0.4);
    // Input-referred noise falls with the gain until the front end's own noise dominates.
    EXPECT_GT(at(3, 0.25).results.rmsNv, 2 * at(3, 16).results.rmsNv);
    EXPECT_NEAR(at(3, 16).results.rmsNv / at(3, 128).results.rmsNv, 1.0, 0.25);

    // One point again as a single capture at the same settings: the same figures within what
    // another stretch of the same noise gives (sigma of 2048 samples: 1.6 %).
    SweepRig single;
    auto &m = single.Board().memory;
    m.Write(0x30, uint8_t(0x80 | 3));
    m.Write(0x3C, uint8_t(0x06)); // ADGN x16, PGA off
    m.Write(0x33, uint8_t(m.Read(0x33) | 0x20)); // input shorted
    EnobOptions e;
    e.samples = 2048;
    AnalysisResults results;
    const EnobRun alone = MeasureEnob(single.session.port(), InterfaceKind::SPI, single.store, e, results);
    ASSERT_TRUE(alone.ok) << alone.error.toStdString();
    const SweepPoint &cell = at(3, 16);
    EXPECT_NEAR(cell.results.sigma / alone.results.sigma, 1.0, 0.06);
    EXPECT_NEAR(cell.results.rmsNv / alone.results.rmsNv, 1.0, 0.06);
    EXPECT_NEAR(cell.results.mean, alone.results.mean, 5 * alone.results.sigma / std::sqrt(2048.0));
}

TEST(NoiseSweep, AStopEndsTheSweepAndStillPutsTheRegistersBack)
{
    SweepRig rig;
    auto &memory = rig.Board().memory;
    memory.Write(0x30, 0x82);
    const int before = memory.Read(0x30) & 0xBF;
    SweepOptions o;
    o.osrCodes = {0, 1};
    o.samples = 512;
    int points = 0;
    SweepIo io = rig.Io();
    io.pointDone = [&](const SweepPoint &, int, int) { ++points; };
    io.stopRequested = [&] { return points >= 3; };
    const SweepRun run = RunNoiseSweep(io, o);
    EXPECT_TRUE(run.stopped);
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.restored);
    EXPECT_EQ(run.points.size(), 3u);
    EXPECT_EQ(memory.Read(0x30) & 0xBF, before);

    // Options the sweep cannot take.
    std::vector<int> codes;
    EXPECT_TRUE(ParseOsrCodes(QStringLiteral("0-2,5"), codes));
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 2, 5}));
    for (const char *bad : {"", "8", "3-1", "a", "0-7-1", "-1"})
        EXPECT_FALSE(ParseOsrCodes(QString::fromLatin1(bad), codes)) << bad;
    std::vector<SweepGain> gains;
    EXPECT_TRUE(ParseSweepGains(QStringLiteral("1/4,128"), gains));
    EXPECT_EQ(gains.size(), 2u);
    for (const char *bad : {"3", "0", "x2", ""})
        EXPECT_FALSE(ParseSweepGains(QString::fromLatin1(bad), gains)) << bad;
}

TEST(NoiseSweep, CommandLinePrintsTheTableWritesEveryPointAndRefusesBadArguments)
{
    QTemporaryDir dir;
    auto run = [](const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr) {
        QProcess p;
        p.start(QStringLiteral(VEK_ENOB_EXE), QStringList{QStringLiteral("sweep")} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    };
    const QString csv = dir.filePath(QStringLiteral("table.csv"));
    QByteArray out;
    ASSERT_EQ(run({"--simulate", "--osr", "0,7", "--gain", "1,16", "--samples", "1024", "--json", "--csv", csv}, &out),
              0);
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    EXPECT_TRUE(o[QStringLiteral("finished")].toBool());
    EXPECT_TRUE(o[QStringLiteral("registersRestored")].toBool());
    const QJsonArray points = o[QStringLiteral("points")].toArray();
    ASSERT_EQ(points.size(), 4);
    for (const QJsonValue &p : points)
        EXPECT_GT(p[QStringLiteral("figures")][QStringLiteral("rmsNoiseNv")].toDouble(), 0);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), 5); // header and four points

    // The table is printed even when its file cannot be written; exit 1.
    QByteArray err;
    EXPECT_EQ(run({"--simulate", "--osr", "0", "--gain", "1", "--samples", "256", "--csv", "/nonexistent/t.csv"}, &out,
                  &err),
              1);
    EXPECT_TRUE(out.contains("OSR 0"));
    EXPECT_TRUE(err.contains("/nonexistent/t.csv"));
    for (const QStringList &bad : {QStringList{"--osr", "8"}, QStringList{"--gain", "3"}, QStringList{"--samples", "0"},
                                   QStringList{"--chopper", "maybe"}, QStringList{"--figure", "snr"},
                                   QStringList{"--ref", "-1"}, QStringList{"--seed", "1"}, QStringList{"stray"}}) {
        err.clear();
        EXPECT_EQ(run(bad, nullptr, &err), 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(err.contains(bad.first().toUtf8())) << err.toStdString();
    }
}

TEST(NoiseSweep, EveryCellIsTheSingleCaptureAtItsSettings)
{
    QProcess sweep;
    sweep.start(QStringLiteral(VEK_ENOB_EXE), {"sweep", "--simulate", "--seed", "5", "--osr", "2,6", "--gain", "0.5,32",
                                               "--samples", "2048", "--json"});
    ASSERT_TRUE(sweep.waitForFinished(60000));
    ASSERT_EQ(sweep.exitCode(), 0);
    const QJsonArray points = QJsonDocument::fromJson(sweep.readAllStandardOutput()).object()[QStringLiteral("points")].toArray();
    ASSERT_EQ(points.size(), 4);
    for (const QJsonValue &p : points) {
        // The same settings by hand: OSR in 0x30 (converter on), gains in 0x3C, the input shorted (0x33 bit 5).
        const int osr = p[QStringLiteral("osr")].toInt();
        const int gains = p[QStringLiteral("pga")].toInt() << 3 | p[QStringLiteral("adgn")].toInt();
        QProcess single;
        single.start(QStringLiteral(VEK_ENOB_EXE),
                     {"--simulate", "--seed", "5", "--samples", "2048", "--json", "--reg",
                      QStringLiteral("30=%1").arg(0x80 | osr, 0, 16), "--reg", QStringLiteral("3C=%1").arg(gains, 0, 16),
                      "--reg", "33=20"});
        ASSERT_TRUE(single.waitForFinished(60000));
        ASSERT_EQ(single.exitCode(), 0) << single.readAllStandardError().toStdString();
        const QJsonObject figures = QJsonDocument::fromJson(single.readAllStandardOutput()).object()[QStringLiteral("figures")].toObject();
        const QJsonObject cell = p[QStringLiteral("figures")].toObject();
        for (const char *key : {"average", "sigma", "vppCount", "rmsNoiseNv", "vppNoiseNv", "enob", "noiseFree"})
            EXPECT_EQ(cell[QLatin1String(key)], figures[QLatin1String(key)])
                << key << " at OSR " << osr << " gains " << gains;
    }
}
