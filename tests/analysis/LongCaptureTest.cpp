// Long captures: the running figures against a two-pass computation on the streamed codes, the
// Allan deviation of white noise and of noise with a 1/f part, and the histogram that widens.
#include "analysis/LongCapture.h"
#include "app/tools/BoardSession.h"
#include "app/tools/LongCommand.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstring>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace vek;

namespace {

double Slope(const std::vector<AllanPoint> &a, size_t from, size_t to)
{
    return std::log(a[to].adevCodes / a[from].adevCodes) / std::log(double(a[to].tauSamples) / a[from].tauSamples);
}

} // namespace

TEST(LongCapture, RunningFiguresEqualATwoPassComputationOnTheStreamedCodes)
{
    BoardSession session;
    BoardSessionOptions o;
    o.simulate = true;
    o.chip = QStringLiteral("ZR300");
    o.programDir = QStringLiteral(VEK_SOURCE_DIR "/");
    QString error;
    ASSERT_TRUE(session.Open(o, error)) << error.toStdString();
    QTemporaryDir dir;
    StreamingStats stats(20);
    LongCaptureOptions options;
    options.samples = 200000;
    options.streamPath = dir.filePath(QStringLiteral("codes.bin"));
    int blocks = 0;
    options.progress = [&](const StreamingStats &) { ++blocks; };
    const LongCaptureRun run = RunLongCapture(session.port(), session.kind(), stats, options);
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    EXPECT_EQ(stats.Count(), 200000);
    EXPECT_GT(blocks, 1000); // figures after every block

    QFile f(options.streamPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 200000 * 4);
    std::vector<int32_t> codes(200000);
    std::memcpy(codes.data(), bytes.constData(), size_t(bytes.size()));
    // Two passes over the codes scaled to 20 bits (toward zero).
    double mean = 0, sq = 0;
    int32_t lo = codes[0], hi = codes[0];
    for (int32_t c : codes) {
        mean += c / 16;
        lo = std::min(lo, c);
        hi = std::max(hi, c);
    }
    mean /= double(codes.size());
    for (int32_t c : codes)
        sq += (c / 16 - mean) * (c / 16 - mean);
    const double sigma = std::sqrt(sq / double(codes.size()));
    EXPECT_NEAR(stats.Mean(), mean, std::abs(mean) * 1e-9);
    EXPECT_NEAR(stats.Sigma(), sigma, sigma * 1e-9);
    EXPECT_EQ(stats.Lowest(), lo);
    EXPECT_EQ(stats.Highest(), hi);
    const Figures fig = stats.CurrentFigures(MeasureSettings{});
    EXPECT_NEAR(fig.enob, 19 - std::log2(sigma), 1e-9);
    EXPECT_EQ(fig.vppCount, std::abs(std::nearbyint(hi / 16.0) - std::nearbyint(lo / 16.0)));
    int64_t counted = 0;
    for (int64_t n : stats.Histogram())
        counted += n;
    EXPECT_EQ(counted, 200000);

    // A file that cannot be written fails before anything is captured and leaves nothing.
    StreamingStats none;
    options.streamPath = QStringLiteral("/nonexistent/codes.bin");
    const LongCaptureRun bad = RunLongCapture(session.port(), session.kind(), none, options);
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(bad.error.contains(QStringLiteral("/nonexistent/codes.bin")));
    EXPECT_EQ(none.Count(), 0);
}

TEST(LongCapture, AllanDeviationOfWhiteNoiseFallsAsTheRootOfTauAndFlattensWithFlicker)
{
    FakeClock clock;
    sim::SimulatedBoard board(clock);
    board.adc.Seed(11);
    StreamingStats white;
    for (int i = 0; i < 400000; ++i)
        white.Add(board.adc.NextCode());
    const std::vector<AllanPoint> a = white.Allan();
    ASSERT_GE(a.size(), 12u);
    EXPECT_EQ(a.back().tauSamples * 10 <= 400000, true);
    for (size_t k = 1; k <= 4; ++k) // four octaves
        EXPECT_NEAR(a[k].adevCodes * std::sqrt(double(a[k].tauSamples)) / a[0].adevCodes, 1.0, 0.05) << k;

    // 1/f noise at 10 Hz of 10240 Hz: white below about 1 / (4 ln 2 * 10 Hz) = 370 samples, flat well above.
    board.adc.flickerCornerHz = 10;
    StreamingStats flicker;
    for (int i = 0; i < 1 << 20; ++i)
        flicker.Add(board.adc.NextCode());
    const std::vector<AllanPoint> b = flicker.Allan();
    ASSERT_GE(b.size(), 17u);
    EXPECT_LT(Slope(b, 0, 4), -0.4);   // tau 1 .. 16: white
    EXPECT_GT(Slope(b, 13, 16), -0.15); // tau 8192 .. 65536: flat
    EXPECT_GT(b[16].adevCodes, 2 * a[0].adevCodes / std::sqrt(65536.0));
}

TEST(LongCapture, CommandLinePrintsTheFiguresAndTheAllanTableAndRefusesBadArguments)
{
    QTemporaryDir dir;
    const QString codes = dir.filePath(QStringLiteral("codes.txt"));
    QProcess p;
    p.start(QStringLiteral(VEK_ENOB_EXE), {"--simulate", "--long", "50000", "--stream-codes", codes, "--stream-format",
                                          "text", "--json"});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(o[QStringLiteral("samples")].toInteger(), 50000);
    EXPECT_EQ(o[QStringLiteral("dataRateSource")].toString(), QStringLiteral("settings"));
    const QJsonArray allan = o[QStringLiteral("allan")].toArray();
    ASSERT_EQ(allan.size(), 13); // tau 1 .. 4096, a tenth of the record
    EXPECT_NEAR(allan[1][QStringLiteral("tauSeconds")].toDouble(), 2 / 10240.0, 1e-12);
    std::vector<int32_t> written;
    ASSERT_TRUE(sim::LoadReplayCodes(codes, written, nullptr)); // the text form reads back as a replay
    EXPECT_EQ(written.size(), 50000u);

    for (const QStringList &bad : {QStringList{"--long", "0"}, QStringList{"--long", "2000000000"},
                                   QStringList{"--duration", "1x"}, QStringList{"--long", "10", "--flicker", "5"},
                                   QStringList{"--long", "10", "--stream-format", "csv"}}) {
        QProcess q;
        q.start(QStringLiteral(VEK_ENOB_EXE), bad);
        ASSERT_TRUE(q.waitForFinished(30000));
        EXPECT_EQ(q.exitCode(), 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(q.readAllStandardError().contains(bad[bad.size() - 2].toUtf8())) << bad.join(' ').toStdString();
    }
    EXPECT_EQ(ParseDurationSeconds(QStringLiteral("1.5h")), 5400.0);
    EXPECT_EQ(ParseDurationSeconds(QStringLiteral("30m")), 1800.0);
}
