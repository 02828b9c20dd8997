#include "analysis/AnalysisSettings.h"
#include "analysis/ResultJson.h"
#include "analysis/SampleGridModel.h"
#include "analysis/ui/ChartViews.h"
#include "analysis/ui/TAnxADC.h"
#include "app/context/AppContext.h"
#include "tests/analysis/SampleBytes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace vek;
using vek::test::CaptureBytes;

namespace {

struct Fixture {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    TAnxADC anx{ctx};
    std::vector<bool> menuStates;

    Fixture()
    {
        anx.hooks.setBoardMenusEnabled = [this](bool on) { menuStates.push_back(on); };
    }

    // A capture that delivers the given codes in blocks of `block` bytes, 10 ms apart, and can
    // be stopped after a number of blocks by a click on "Catch ADC".
    void FeedCapture(const std::vector<int32_t> &codes, size_t block = 60, int clickAfter = -1)
    {
        anx.hooks.streamCapture = [this, codes, block, clickAfter] {
            SampleStore &s = ctx.samples;
            BeginCapture(s, clock.NowDays());
            ctx.status.SetGauge(true, 0);
            const std::vector<uint8_t> bytes = CaptureBytes(codes);
            int blocks = 0;
            for (size_t at = 0; at < bytes.size() && !CaptureDone(s); at += block) {
                const size_t n = std::min(block, bytes.size() - at);
                anx.CaptureBlockDecoded(DecodeBlock(s, bytes.data() + at, n), int(n));
                clock.AdvanceMs(10);
                if (++blocks == clickAfter)
                    anx.CatchADCClick(); // the user's second click, seen through the pump
            }
            return FinishCapture(s, clock.NowDays(), false);
        };
    }

    QString Box(const char *name) { return anx.ResultBox(name)->text(); }
    QString Cell(int row, int col)
    {
        return anx.GridModel()->index(row, col).data().toString();
    }
};

std::vector<int32_t> Alternating(int n, int32_t a, int32_t b)
{
    std::vector<int32_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(i % 2 ? b : a);
    return v;
}

} // namespace

TEST(AnalysisWindow, ControlsWithTheirItemsAndDefaults)
{
    Fixture f;
    TAnxADC &a = f.anx;
    EXPECT_EQ(a.windowTitle(), "Analyse ADC");
    ASSERT_EQ(a.NPointIndexBox()->count(), 17);
    EXPECT_EQ(a.NPointIndexBox()->itemText(12), "131072");
    EXPECT_EQ(a.NPointIndexBox()->itemText(16), "2");
    ASSERT_EQ(a.TXScaleBox()->count(), 17);
    EXPECT_EQ(a.TXScaleBox()->itemText(0), "8");
    EXPECT_EQ(a.TXScaleBox()->itemText(16), "24");
    EXPECT_EQ(a.CMAVRBox()->count(), 6);
    EXPECT_EQ(a.CMAVRBox()->itemText(5), "32");
    EXPECT_EQ(a.EREFV()->text(), "1.2");
    EXPECT_EQ(a.ENumD()->text(), "9");
    EXPECT_EQ(a.EKEYADDR()->text(), "");
    EXPECT_FALSE(a.CKENPOLL()->isChecked());
    EXPECT_FALSE(a.CkFilter()->isChecked());
    EXPECT_EQ(a.CatchADC()->text(), "Catch ADC");
    EXPECT_EQ(a.SaveData()->text(), "Save to CSV");
    EXPECT_EQ(a.ShowChart()->text(), "Chang to Chart");
    EXPECT_EQ(a.FTChange()->text(), "Change FFT ");
    for (const char *box : {"TXENOB", "TXNFREE", "TXVRMS", "TXOffset", "TXVPP", "TXNrms"})
        EXPECT_NE(a.ResultBox(box), nullptr) << box;

    // Hidden controls exist with their texts.
    EXPECT_TRUE(a.BADC()->isHidden());
    EXPECT_EQ(a.BADC()->text(), "ADC");
    EXPECT_EQ(a.Edit1()->text(), "15");
    EXPECT_EQ(a.PreADCAddr()->text(), "D4");
    EXPECT_EQ(a.CalVal()->text(), "500");
    EXPECT_EQ(a.BCALVal()->text(), "Cal. Valtage");
    EXPECT_EQ(a.BFlashRD()->text(), "Ca.Flash");
    EXPECT_EQ(a.PreViewADC()->text(), "Int.  ADC");
    EXPECT_EQ(a.ExtADC()->text(), "Ext. ADC");
    EXPECT_TRUE(a.CFunADCBox()->isHidden());
    EXPECT_EQ(a.CFunADCBox()->itemText(3), "Chopper");
    EXPECT_EQ(a.CFunADCBox()->currentIndex(), 0);
    EXPECT_EQ(a.ComFunBox()->itemText(1), "DMM");
    EXPECT_EQ(a.ComFunBox()->currentIndex(), 0);
    EXPECT_TRUE(a.ADCPanel()->isHidden());
    EXPECT_FALSE(a.Timer1()->isActive());
    EXPECT_EQ(a.Timer1()->interval(), 1000);
    EXPECT_TRUE(f.ctx.samples.CaptureIdle);
    EXPECT_EQ(f.ctx.samples.TargetCount, 256);
}

TEST(AnalysisWindow, SamplePointSetsTheTargetAndTheGridRows)
{
    Fixture f;
    SampleGridModel *m = f.anx.GridModel();
    struct Case {
        int index, target, rows;
    } cases[] = {{0, 32, 2}, {11, 65536, 4096}, {12, 65536, 4096}, {14, 8, 1}, {16, 2, 1}};
    for (const Case &c : cases) {
        f.anx.SetNPointIndex(c.index);
        EXPECT_EQ(f.ctx.samples.TargetCount, c.target) << c.index;
        EXPECT_EQ(m->rowCount(), c.rows) << c.index;
        EXPECT_EQ(m->columnCount(), 16);
    }
    f.anx.SetNPointIndex(11);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "00");
    EXPECT_EQ(m->headerData(15, Qt::Horizontal).toString(), "0F");
    EXPECT_EQ(m->headerData(0, Qt::Vertical).toString(), "0000");
    EXPECT_EQ(m->headerData(16, Qt::Vertical).toString(), "0010"); // grid row 17
    EXPECT_EQ(m->headerData(4095, Qt::Vertical).toString(), "0FFF");
}

TEST(AnalysisWindow, ScaleSetsDivisorAndBitsAndTellsTheSwitchTest)
{
    Fixture f;
    int told = -1;
    f.anx.hooks.scaleIndexChanged = [&](int i) { told = i; };
    f.anx.SetTXScaleIndex(0);
    EXPECT_EQ(f.ctx.samples.ScaleDivisor, 65536);
    EXPECT_EQ(f.ctx.samples.MagnitudeBits, 7);
    EXPECT_EQ(told, 0);
    f.anx.SetTXScaleIndex(16);
    EXPECT_EQ(f.ctx.samples.ScaleDivisor, 1);
    EXPECT_EQ(f.ctx.samples.MagnitudeBits, 23);
    EXPECT_EQ(told, 16);
}

TEST(AnalysisWindow, CatchAdcMeasuresAndShowsTheFigures)
{
    Fixture f;
    f.anx.SetNPointIndex(0); // 32
    f.FeedCapture(Alternating(40, 97, 105), 51);
    f.anx.CatchADC()->click();
    QCoreApplication::processEvents(); // the click starts the capture from the event loop
    EXPECT_EQ(f.ctx.status.Text(2), "Read Compelete");
    EXPECT_EQ(f.Box("TXENOB"), "21.000000");
    EXPECT_EQ(f.Box("TXOffset"), "101.000000");
    EXPECT_EQ(f.Box("TXNFREE"), "20.000000");
    EXPECT_DOUBLE_EQ(f.ctx.analysisResults.sigma, 4);
    EXPECT_TRUE(f.ctx.samples.CaptureIdle);
    EXPECT_FALSE(f.ctx.status.GaugeVisible());
    // Menus and buttons are disabled for the capture and enabled again after it.
    EXPECT_EQ(f.menuStates, (std::vector<bool>{false, true}));
    EXPECT_TRUE(f.anx.SaveData()->isEnabled());
    EXPECT_TRUE(f.anx.ShowChart()->isEnabled());
    EXPECT_EQ(f.Cell(0, 0), "97");
    EXPECT_EQ(f.Cell(1, 15), "105");
    // Blocks of 51 bytes overshoot the target of 32.
    EXPECT_GE(f.ctx.samples.SampleCount, 32);
    EXPECT_EQ(f.ctx.samples.ChartCount, f.ctx.samples.SampleCount);
    EXPECT_GT(f.ctx.samples.BinSpacingHz, 0);
}

TEST(AnalysisWindow, ASecondClickStopsTheCaptureAndItEndsIdle)
{
    Fixture f;
    f.anx.SetNPointIndex(3); // 256
    f.FeedCapture(Alternating(300, 10, 30), 30, 3);
    f.anx.CatchADCClick();
    EXPECT_EQ(f.ctx.status.Text(2), "Read Error !!!!!");
    EXPECT_TRUE(f.ctx.samples.CaptureIdle);
    const int kept = f.ctx.samples.SampleCount;
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 256);
    // Figures over the kept samples, not over raw sums.
    EXPECT_EQ(f.Box("TXOffset"), "20.000000");
    // The next click starts a new capture instead of only stopping.
    int calls = 0;
    f.anx.hooks.streamCapture = [&] {
        ++calls;
        return false;
    };
    f.anx.CatchADCClick();
    EXPECT_EQ(calls, 1);
}

TEST(AnalysisWindow, AFailedCaptureIsCleanedUp)
{
    Fixture f;
    f.anx.hooks.streamCapture = [&] {
        f.ctx.status.SetGauge(true, 40);
        return false; // link failure, capture left half-way
    };
    f.anx.CatchADCClick();
    EXPECT_TRUE(f.ctx.samples.CaptureIdle);
    EXPECT_FALSE(f.ctx.status.GaugeVisible());
    EXPECT_EQ(f.ctx.status.Text(2), "Read Error !!!!!");
    EXPECT_EQ(f.Box("TXENOB"), "");
    int calls = 0;
    f.anx.hooks.streamCapture = [&] {
        ++calls;
        return false;
    };
    f.anx.CatchADCClick();
    EXPECT_EQ(calls, 1);
}

TEST(AnalysisWindow, ChartViewsAndTheirCounts)
{
    Fixture f;
    f.anx.SetNPointIndex(5); // 1024
    std::vector<int32_t> codes;
    for (int i = 0; i < 1024; ++i)
        codes.push_back(int32_t(1000 * std::sin(i * 0.3)));
    f.FeedCapture(codes, 3 * 64);
    f.anx.CatchADCClick();
    ASSERT_EQ(f.ctx.samples.ChartCount, 1024);

    f.anx.ShowChart()->click();
    EXPECT_FALSE(f.anx.GridShown());
    EXPECT_EQ(f.anx.ShowChart()->text(), "Chang to vaule");
    QCPGraph *g = f.anx.Chart1()->graph(0);
    EXPECT_EQ(g->dataCount(), 1024);
    EXPECT_EQ(f.anx.Chart1()->xAxis->label(), "Time  ms");
    EXPECT_EQ(g->pen().color(), QColor(Qt::red));

    f.anx.FTChange()->click();
    EXPECT_TRUE(f.anx.FrequencyView());
    EXPECT_EQ(f.anx.FTChange()->text(), "Change Freq.");
    EXPECT_EQ(g->dataCount(), 512);
    EXPECT_EQ(f.anx.Chart1()->xAxis->label(), "Frequence  Hz");
    EXPECT_EQ(f.anx.Chart1()->yAxis->label(), "dB");
    EXPECT_DOUBLE_EQ(f.anx.Chart1()->xAxis->range().upper, f.ctx.samples.BinSpacingHz * 512);

    f.anx.FTChange()->click();
    EXPECT_EQ(f.anx.FTChange()->text(), "Change FFT");
    EXPECT_EQ(g->dataCount(), 1024);
    f.anx.ShowChart()->click();
    EXPECT_TRUE(f.anx.GridShown());
    EXPECT_EQ(f.anx.ShowChart()->text(), "Chang to Chart");
}

TEST(AnalysisWindow, AveragingRecomputesTheFigures)
{
    Fixture f;
    f.anx.SetNPointIndex(5); // 1024
    std::vector<int32_t> codes;
    for (int i = 0; i < 1024; ++i)
        codes.push_back(i % 4 < 2 ? 100 : 104);
    f.FeedCapture(codes, 3 * 85);
    f.anx.CatchADCClick();
    EXPECT_NE(f.Box("TXENOB"), "23.000000");
    f.anx.SetCMAVRIndex(2);
    f.anx.CMAVRChange();
    // Every block of four averages to 102: no noise left.
    EXPECT_EQ(f.Box("TXENOB"), "23.000000");
    EXPECT_EQ(f.ctx.samples.ChartCount, 256);
    EXPECT_EQ(f.Cell(0, 0), "102.000000");
}

TEST(AnalysisWindow, KeyPollingStartsACaptureWhenTheChipSetsTheKey)
{
    Fixture f;
    f.anx.SetKeyAddressText("01A0");
    f.anx.SetKeyDataText("5a");
    uint8_t chipByte = 0x11;
    std::vector<std::pair<int, int>> writes;
    int reads = 0, captures = 0;
    f.anx.hooks.readChipByte = [&](int addr, uint8_t &v) {
        ++reads;
        EXPECT_EQ(addr, 0x1A0);
        v = chipByte;
        return true;
    };
    f.anx.hooks.writeChipByte = [&](int addr, uint8_t v) {
        writes.emplace_back(addr, v);
        return true;
    };
    f.anx.hooks.streamCapture = [&] {
        ++captures;
        EXPECT_FALSE(f.anx.Timer1()->isActive());
        return false;
    };
    f.anx.CKENPOLL()->click();
    EXPECT_TRUE(f.anx.Timer1()->isActive());
    f.anx.Timer1Timer();
    EXPECT_EQ(captures, 0);
    chipByte = 0x5A;
    f.anx.Timer1Timer();
    EXPECT_EQ(captures, 1);
    EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{0x1A0, 0}}));
    EXPECT_TRUE(f.anx.Timer1()->isActive());
    // No polling traffic while a capture runs.
    f.ctx.samples.CaptureIdle = false;
    f.anx.Timer1Timer();
    EXPECT_EQ(reads, 2);
    f.ctx.samples.CaptureIdle = true;
    f.anx.CKENPOLL()->click();
    EXPECT_FALSE(f.anx.Timer1()->isActive());
}

TEST(AnalysisWindow, PreviewTogglesTimerPanelAndButtons)
{
    Fixture f;
    f.anx.PreViewCom();
    EXPECT_TRUE(f.anx.Timer1()->isActive());
    EXPECT_FALSE(f.anx.ADCPanel()->isHidden());
    EXPECT_FALSE(f.anx.CatchADC()->isEnabled());
    EXPECT_FALSE(f.anx.BADC()->isEnabled());
    EXPECT_FALSE(f.anx.ShowChart()->isEnabled());
    f.anx.PreViewCom();
    EXPECT_FALSE(f.anx.Timer1()->isActive());
    EXPECT_TRUE(f.anx.ADCPanel()->isHidden());
    EXPECT_TRUE(f.anx.CatchADC()->isEnabled());
    f.anx.PreViewCom();
    f.anx.FormClose();
    EXPECT_FALSE(f.anx.Timer1()->isActive());
    EXPECT_TRUE(f.anx.ADCPanel()->isHidden());
    EXPECT_TRUE(f.anx.CatchADC()->isEnabled());
    EXPECT_TRUE(f.anx.ShowChart()->isEnabled());
}

TEST(AnalysisWindow, SaveWritesTheChosenFileOnlyWhenConfirmed)
{
    Fixture f;
    f.anx.SetNPointIndex(0);
    f.FeedCapture(Alternating(32, 1, 3), 96);
    f.anx.CatchADCClick();
    const QString path = f.dir.filePath("out.CSV");
    f.dialogs.fileAnswers.push_back(std::nullopt);
    f.anx.SaveData()->click();
    EXPECT_FALSE(QFile::exists(path));
    f.dialogs.fileAnswers.push_back(path);
    f.anx.SaveData()->click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5); // two rows, header, figures, and the end after the last CR LF
    EXPECT_TRUE(lines[0].startsWith("1, 3, 1, 3, "));
    EXPECT_TRUE(lines[2].startsWith("\xA5\xAD\xA7\xA1\xAD\xC8, VPP(nV)"));
    EXPECT_TRUE(lines[3].startsWith("2.000000,"));
    // An unwritable place is reported, not ignored.
    f.dialogs.fileAnswers.push_back(f.dir.filePath("missing/dir/x.CSV"));
    f.anx.SaveOut();
    EXPECT_EQ(f.dialogs.asked.back().kind, "message");
}

TEST(AnalysisWindow, PresetModeWritesItsRegisterRow)
{
    Fixture f;
    std::array<uint8_t, 6> written{};
    f.anx.hooks.applyRegisterPreset = [&](const std::array<uint8_t, 6> &row) { written = row; };
    f.anx.SetRegisterRow(0, {1, 2, 3, 4, 5, 6});
    f.anx.SetRegisterRow(1, {9, 8, 7, 6, 5, 4});
    f.anx.SetComFunIndex(1);
    f.anx.ComFunChange();
    EXPECT_EQ(written, (std::array<uint8_t, 6>{9, 8, 7, 6, 5, 4}));
    f.anx.SetComFunIndex(0);
    f.anx.ComFunChange();
    EXPECT_EQ(written, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
}

TEST(AnalysisWindow, GainIsReadFromTheChipNeverFromTheImage)
{
    Fixture f;
    f.ctx.chipSlots[0].image[0x3C] = 0x1F;
    f.ctx.chipSlots[0].image[0x3D] = 0x08;
    // No board: both reads fail and count as 0x02 and 0, whatever the image holds.
    EXPECT_DOUBLE_EQ(f.anx.GetGain(), 1);
}

TEST(AnalysisWindow, ResizeKeepsTheMinimumAndSizesTheGridColumns)
{
    Fixture f;
    EXPECT_EQ(f.anx.minimumSize(), QSize(714, 277));
    f.anx.resize(1000, 600);
    f.anx.show();
    QCoreApplication::processEvents();
    const int w = f.anx.MemoryF()->width();
    EXPECT_GT(w, 500);
    EXPECT_EQ(f.anx.MemoryF()->horizontalHeader()->defaultSectionSize(), (w - 35) / 17);
    EXPECT_EQ(f.anx.MemoryF()->geometry(), static_cast<QWidget *>(f.anx.Views())->geometry());
}

TEST(AnalysisWindow, GridColumnsGrowToTheWidestValue)
{
    Fixture f;
    f.anx.show(); // default size
    f.anx.SetNPointIndex(0);
    QCoreApplication::processEvents();
    QHeaderView *header = f.anx.MemoryF()->horizontalHeader();
    const int share = (f.anx.MemoryF()->width() - 35) / 17;
    EXPECT_EQ(header->defaultSectionSize(), share);
    f.FeedCapture(Alternating(40, -17345, 17345), 60);
    f.anx.CatchADC()->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(f.Cell(0, 0), "-17345");
    const int text = f.anx.MemoryF()->fontMetrics().horizontalAdvance(QStringLiteral("-17345"));
    EXPECT_GT(header->sectionSize(0), text);
    EXPECT_GE(header->sectionSize(0), share);
}

TEST(AnalysisWindow, HistogramAndWindowedSpectrumViewsExportAndJson)
{
    Fixture f;
    int index = 0;
    while (TargetCountForIndex(index) < 4096)
        ++index;
    f.anx.SetNPointIndex(index);
    // A tone of 50 cycles in 4096 samples over noise; 20 samples every 10 ms make 2000 samples/s.
    std::vector<int32_t> codes;
    uint32_t lcg = 1;
    for (int i = 0; i < 4096; ++i) {
        lcg = lcg * 1664525u + 1013904223u;
        codes.push_back(int32_t(std::lround(200000 * std::sin(2 * M_PI * 50.0 * i / 4096) + (lcg >> 22) - 512.0)));
    }
    f.FeedCapture(codes, 60);
    f.anx.resize(1000, 600);
    f.anx.show();
    f.anx.CatchADC()->click();
    QCoreApplication::processEvents();
    f.anx.ShowChart()->click();
    ChartViews *views = f.anx.Views();
    ASSERT_TRUE(views->isVisible());

    views->SetView(ChartViews::Spectrum);
    EXPECT_TRUE(views->SpectrumPlot()->isVisible());
    EXPECT_FALSE(f.anx.Chart1()->isVisible());
    // The tone at 50 cycles of the capture's rate, the SNR of the uniform noise (sigma 1024 / sqrt(12)).
    const QStringList words = views->SpectrumFigures()->text().split(' ', Qt::SkipEmptyParts);
    ASSERT_GE(words.size(), 10);
    EXPECT_NEAR(words[1].toDouble(), 50.0 * CaptureDataRateHz(f.ctx.samples) / 4096, 0.05);
    EXPECT_NEAR(words[7].toDouble(), 20 * std::log10(200000 / std::sqrt(2.0) / (1024 / std::sqrt(12.0))), 0.5);
    // The sine fit's line under the windowed figures.
    EXPECT_TRUE(views->SpectrumFigures()->text().section('\n', 1).startsWith("Sine fit: tone")) << views->SpectrumFigures()->text().toStdString();
    views->SetView(ChartViews::Histogram);
    EXPECT_TRUE(views->HistogramFigures()->text().startsWith(QStringLiteral("Samples %1").arg(f.ctx.samples.SampleCount)));
    EXPECT_GT(views->HistogramPlot()->graph(0)->dataCount(), 100);

    // The read-out follows the mouse over the plot.
    QCoreApplication::processEvents();
    QCustomPlot *plot = views->HistogramPlot();
    const QPointF centre(plot->width() / 2.0, plot->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, centre, plot->mapToGlobal(centre), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &move);
    EXPECT_TRUE(views->Readout()->text().startsWith("x: "));

    // Export by suffix; another suffix is refused with a message and writes nothing.
    const QString base = f.dir.filePath("chart");
    const std::pair<const char *, QByteArray> kinds[] = {{".png", "\x89PNG"}, {".svg", "<?xml"}, {".pdf", "%PDF"}};
    for (const auto &[suffix, magic] : kinds) {
        f.dialogs.fileAnswers.push_back(base + suffix);
        views->ExportButton()->click();
        QFile file(base + suffix);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << suffix;
        EXPECT_TRUE(file.read(8).startsWith(magic)) << suffix;
    }
    f.dialogs.fileAnswers.push_back(base + ".txt");
    views->ExportButton()->click();
    EXPECT_FALSE(QFile::exists(base + ".txt"));
    EXPECT_EQ(f.dialogs.asked.back().kind, "message");

    // "Save JSON" beside "Save to CSV": the settings, the figures and the spectrum's.
    f.dialogs.fileAnswers.push_back(f.dir.filePath("run.json"));
    f.anx.SaveJson()->click();
    QFile json(f.dir.filePath("run.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(json.readAll()).object();
    EXPECT_EQ(o["settings"]["samples"].toInt(), f.ctx.samples.SampleCount);
    EXPECT_NEAR(o["settings"]["dataRateHz"].toDouble(), 2000, 20);
    EXPECT_EQ(o["settings"]["dataRateSource"].toString(), "measured"); // no converter clock known here
    EXPECT_TRUE(o["sineFit"]["valid"].toBool());
    EXPECT_NEAR(o["figures"]["sigma"].toDouble(), f.ctx.analysisResults.sigma, 1e-9);
    EXPECT_TRUE(o["spectrum"]["valid"].toBool());
    EXPECT_EQ(o["spectrum"]["window"].toString(), "bh4");
}
