// The "Switch ADC Channel Test" window on the simulated board, and how the main window loads and
// saves its settings.
#include "analysis/ui/TAnxADC.h"
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/config/ConfigFile.h"
#include "app/context/AppContext.h"
#include "bench/SwitchGridModel.h"
#include "bench/ui/TWeightCAL.h"
#include "app/base/SafeFile.h"
#include "sim/SimAdc.h"
#include "sim/SimBlockTransfer.h"
#include "sim/SimSwitchTest.h"
#include "sim/SimUsbBackends.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QJsonArray>
#include <gtest/gtest.h>

using namespace vek;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Bench {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    sim::SimBlockTransfer transfer{usb.board.memory};
    sim::SimSwitchTest firmware{usb.board, adc, clock, transfer};

    Bench()
    {
        usb.board.keepFrameLog = false;
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
    }
};

void Choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

TEST(SwitchWindow, ChannelsOneAndThreeCapturedSentRunShownAndSaved)
{
    Bench b;
    TWeightCAL w(b.ctx);
    w.resize(w.FrameRect().size());
    b.adc.inputVolts = 0.001;
    for (int ch : {0, 2}) {
        w.SwitCh(ch)->click();
        // The chip image holds gain 1 for channel 1 and gain 16 for channel 3 when "Set" is pressed.
        SetImageByte(b.ctx.chipSlots, 0x30, ch == 0 ? 0x03 : 0x01, 0);
        SetImageByte(b.ctx.chipSlots, 0x3C, ch == 0 ? 0x02 : 0x06, 0);
        SetImageByte(b.ctx.chipSlots, 0x34, uint8_t(0x40 + ch), 0);
        w.PSwitchSetClick(ch);
    }
    EXPECT_GE(b.clock.SleptMs(), 4000); // two seconds before each capture
    EXPECT_EQ(w.Test().sets[2].values, (std::array<uint8_t, 11>{0, 1, 0, 6, 0, 0, 0, 0, 0, 0, 0x42}));
    Choose(w.EvStepLen(), 4); // S = 16
    Choose(w.LoopStep(), 2);  // L = 4
    EXPECT_EQ(w.GridModel()->columnCount(), 16);
    EXPECT_EQ(w.GridModel()->rowCount(), 4);

    w.SendTOZR200()->click();
    EXPECT_EQ(b.ctx.status.Text(2), "Data Send OK");
    // "Begin" returns before the run; the settings stay locked until it is over.
    bool lockedDuringRun = false;
    b.ctx.status.onText = [&](int field, const QString &text) {
        if (field == 2 && text == "Test Begining .......")
        {
            lockedDuringRun = !w.EvStepLen()->isEnabled() && !w.SwitCh(0)->isEnabled() &&
                              !w.SaveExcel()->isEnabled() && w.LockNote()->isVisibleTo(&w);
            const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
            if (!shots.isEmpty())
                w.grab().save(shots + "/switch_during_run.png");
        }
    };
    std::vector<MeasurementRecord> records;
    b.ctx.recordMeasurement = [&records](MeasurementRecord r) { records.push_back(std::move(r)); };
    w.TestBegin()->click();
    EXPECT_EQ(b.firmware.RunsStarted(), 0);
    EXPECT_TRUE(w.StartQueued());
    EXPECT_FALSE(w.LoopStep()->isEnabled());
    while (w.StartQueued() || w.Running())
        QCoreApplication::processEvents();
    b.ctx.status.onText = nullptr;
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(w.LoopStep()->isEnabled());
    EXPECT_TRUE(w.PSwitchSet(0)->isEnabled());
    EXPECT_FALSE(w.PSwitchSet(1)->isEnabled()); // channel 2 not checked
    EXPECT_FALSE(w.LockNote()->isVisibleTo(&w));
    ASSERT_EQ(w.LastRun().end, SwitchRunEnd::Complete);
    EXPECT_EQ(b.ctx.status.Text(2), "Test OK");
    EXPECT_FALSE(b.ctx.status.GaugeVisible());
    // STEP-1 shows channel 1's results; STEP-3 channel 3's, whose gain is sixteen times larger.
    const auto &r0 = w.Test().sets[0].results, &r2 = w.Test().sets[2].results;
    EXPECT_EQ(w.GridModel()->CellText(3, 15), QString::number(r0[63]));
    w.PStep(2)->onClick();
    EXPECT_EQ(w.ShownStepNow(), 2);
    EXPECT_EQ(w.GridModel()->CellText(1, 2), QString::number(r2[18]));
    EXPECT_NEAR(double(r2[18] - 37) / double(r0[18] - 37), 16.0, 1.5);
    // The run is one record of the results history: each checked channel's mean.
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].ok);
    const QJsonArray channels = records[0].figures.value(QStringLiteral("channels")).toArray();
    ASSERT_EQ(channels.size(), 2);
    EXPECT_NEAR((channels[1][QStringLiteral("mean")].toDouble() - 37) / (channels[0][QStringLiteral("mean")].toDouble() - 37),
                16.0, 1.5);

    w.SaveExcel()->click();
    EXPECT_TRUE(b.dialogs.asked.empty());
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(ReadAll(b.ctx.ProgramFile(SwitchCsvName(k))), SwitchCsvText(w.Test().sets[size_t(k)], 16, 4));
    const QByteArray csv = ReadAll(b.ctx.ProgramFile("VekADCSW2.CSV"));
    EXPECT_TRUE(csv.startsWith("  , Data 0, Data 1, Data 2, "));
    EXPECT_TRUE(csv.contains("\r\n4, " + QByteArray::number(r2[48]) + ", "));
    // A result file that cannot be replaced is named, and no file changes.
    ASSERT_TRUE(QFile::remove(b.ctx.ProgramFile("VekADCSW3.CSV")));
    ASSERT_TRUE(QDir(b.dir.path()).mkdir("VekADCSW3.CSV"));
    w.Test().sets[0].results[0] = 424242;
    w.SaveExcel()->click();
    ASSERT_EQ(b.dialogs.asked.size(), 1u);
    EXPECT_EQ(b.dialogs.asked[0].text, "Please Close VekADCSW3.CSV !!!!");
    EXPECT_FALSE(ReadAll(b.ctx.ProgramFile("VekADCSW0.CSV")).contains("424242"));
}

TEST(SwitchWindow, StopDuringTheWaitEndsTheRunWithinASecond)
{
    Bench b;
    TWeightCAL w(b.ctx);
    w.SwitCh(0)->click();
    b.firmware.neverFinish = true;
    double stopAt = 0;
    std::function<void()> poke = [&] {
        if (b.firmware.Running()) {
            stopAt = b.clock.NowDays();
            w.PSTP()->onClick();
        } else {
            QTimer::singleShot(0, &w, poke);
        }
    };
    QTimer::singleShot(0, &w, poke);
    w.RunTest();
    EXPECT_EQ(w.LastRun().end, SwitchRunEnd::Failed);
    EXPECT_EQ(b.ctx.status.Text(2), "Test Fail");
    ASSERT_GT(stopAt, 0);
    EXPECT_LT((b.clock.NowDays() - stopAt) * 86400, 1.0);
}

TEST(SwitchWindow, StepsPanelsShiftAndSize)
{
    Bench b;
    TWeightCAL w(b.ctx);
    w.show();
    for (int ch : {0, 2})
        w.SwitCh(ch)->click();
    EXPECT_FALSE(w.PSwitchSet(1)->isEnabled());
    EXPECT_FALSE(w.PSwReview(1)->Raised());
    EXPECT_EQ(w.PSwReview(1)->TextColour(), TWeightCAL::kSilver);
    EXPECT_TRUE(w.PSwitchSet(2)->Raised());
    // STEP-4 with channel 4 unchecked shows STEP-1; the stored step stays.
    w.PStepClick(3);
    EXPECT_EQ(w.ShownStepNow(), 0);
    EXPECT_EQ(w.Test().currentStep, 3);
    EXPECT_EQ(w.PStep(0)->BackgroundColour(), TWeightCAL::kBlue);
    EXPECT_FALSE(w.PStep(0)->Raised());
    EXPECT_NE(w.PStep(3)->BackgroundColour(), TWeightCAL::kBlue);
    EXPECT_FALSE(w.PStep(3)->Raised());
    EXPECT_EQ(w.PStep(3)->TextColour(), TWeightCAL::kSilver);
    EXPECT_TRUE(w.PStep(2)->Raised());

    // The shift list: code that sets it writes nothing; the user's choice writes 0xAD.
    w.SetADShiftIndex(3);
    EXPECT_EQ(b.usb.board.memory.Read(0xAD), 0);
    Choose(w.ADShift(), 5);
    EXPECT_EQ(b.usb.board.memory.Read(0xAD), 5);

    // A board that is gone: the send fails with its box and status text.
    b.usb.board.Unplug();
    w.SendTOZR200()->click();
    ASSERT_EQ(b.dialogs.asked.size(), 1u);
    EXPECT_EQ(b.dialogs.asked[0].text, "Data Send Fail!!");
    EXPECT_EQ(b.ctx.status.Text(2), "Data Send Fail");

    w.resize(300, 200);
    EXPECT_EQ(w.size(), QSize(400, 300));
    w.resize(900, 600);
    EXPECT_EQ(w.SGDS()->geometry(), QRect(10, 91, 880, 440));
}

TEST(SwitchWindow, MainWindowLoadsAndSavesStepFileAndLinksTheScale)
{
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    ConfigSettings stored;
    stored.ADShift = 3;
    ASSERT_TRUE(WriteFileAtomically(ctx.ProgramFile("VekADC.cfg"), SerializeConfig({}, stored)));
    Program program{ctx};
    TWeightCAL &w = *program.Windows().weightCal;
    program.Activate();
    // A missing "StepADC.txt" is written from the start-up state: S = 4, L = 1, no channel.
    const QByteArray defaults = ReadAll(ctx.ProgramFile("StepADC.txt"));
    EXPECT_TRUE(defaults.startsWith("   2   0\r\n   0   0   0   0   0   0   0   0\r\n"));
    EXPECT_EQ(defaults, SerializeStepFile(SwitchTest{}));
    EXPECT_EQ(ctx.config.ADShift, 3);
    EXPECT_EQ(w.ADShiftIndex(), 3);
    // The "Scale" lists follow each other both ways.
    Choose(w.TXScale(), 8);
    EXPECT_EQ(program.Windows().anx->TXScaleIndex(), 8);
    EXPECT_EQ(ctx.samples.ScaleDivisor, 256);
    program.Windows().anx->SetTXScaleIndex(2);
    EXPECT_EQ(w.TXScaleIndex(), 2);

    w.SwitCh(1)->click();
    Choose(w.LoopStep(), 8);
    program.Main().close();
    const QByteArray saved = ReadAll(ctx.ProgramFile("StepADC.txt"));
    EXPECT_TRUE(saved.startsWith("   2   8\r\n   0   1   0   0   0   0   0   0\r\n"));

    // An index out of its list read at start-up gives S = 4 and no selection.
    QByteArray edited = saved;
    edited.replace(0, 8, "  99   8");
    ASSERT_TRUE(WriteFileAtomically(ctx.ProgramFile("StepADC.txt"), edited));
    ASSERT_TRUE(w.LoadConfig(ctx.ProgramFile("StepADC.txt")));
    EXPECT_EQ(w.EvStepLen()->currentIndex(), -1);
    EXPECT_EQ(w.Test().Samples(), 4);
    EXPECT_TRUE(w.SwitCh(1)->isChecked());
}
