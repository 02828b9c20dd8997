// The program keeps every capture in its results history; the History window lists the records
// and plots the figures of those that measured.
#include "analysis/ui/TAnxADC.h"
#include "app/Program.h"
#include "app/SimulatedSetup.h"
#include "app/context/AppContext.h"
#include "history/ui/HistoryWindow.h"
#include "sim/SimulatedBoard.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace vek;

TEST(HistoryWindow, CapturesOfTheWindowAreRecordsThatTheHistoryListsAndPlots)
{
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, dir.path() + QLatin1Char('/'));
    sim::SimulatedBoard board(clock);
    board.adc.asFastAsPossible = true;
    UseSimulatedBoard(ctx, board);
    Program program(ctx);
    program.KeepHistory();
    LinkIo io = ctx.Link();
    uint8_t status = 0xFF;
    ASSERT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
    TAnxADC &anx = *program.Windows().anx;
    anx.SetNPointIndex(3);
    anx.CatchADCClick();
    ASSERT_EQ(ctx.status.Text(2), QStringLiteral("Read Compelete"));
    const double enob = ctx.analysisResults.enob;
    // A board pulled out in the middle: a failed record, with its reason and no figures.
    board.usb.board.faults.unplugAfterFrames = board.usb.board.FramesReceived() + 5;
    anx.CatchADCClick();
    ASSERT_EQ(ctx.status.Text(2), QStringLiteral("Read Error !!!!!"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("VekHistory.db"))));

    HistoryWindow &history = *program.Windows().history;
    history.RefreshClick();
    ASSERT_EQ(history.Records().size(), 2u);
    EXPECT_TRUE(history.Records()[0].ok);
    EXPECT_EQ(history.Records()[0].figures.value(QStringLiteral("enob")).toDouble(), enob);
    EXPECT_FALSE(history.Records()[1].ok);
    EXPECT_EQ(history.Records()[1].failure, QStringLiteral("Read Error !!!!!"));
    EXPECT_EQ(history.Table()->rowCount(), 2);
    EXPECT_EQ(history.Plot()->graph(0)->dataCount(), 1); // only what measured is plotted
    const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
    if (!shots.isEmpty()) {
        history.resize(history.FrameRect().size());
        history.Plot()->replot();
        history.grab().save(shots + QStringLiteral("/history.png"));
    }
    // Against the temperature step: only records that have one.
    {
        QString error;
        const std::unique_ptr<ResultsStore> store = ResultsStore::OpenSqlite(dir.filePath(QStringLiteral("VekHistory.db")), error);
        MeasurementRecord step;
        step.kind = QStringLiteral("temperature-step");
        step.ok = true;
        step.registers = QJsonObject{{QStringLiteral("step"), 7}};
        step.figures = QJsonObject{{QStringLiteral("enob"), 18.25}};
        ASSERT_TRUE(store && store->Record(step, error));
    }
    history.RefreshClick();
    auto *axis = history.findChild<QComboBox *>(QStringLiteral("HistoryAxis"));
    axis->setCurrentIndex(2);
    emit axis->activated(2);
    ASSERT_EQ(history.Plot()->graph(0)->dataCount(), 1);
    EXPECT_EQ(history.Plot()->graph(0)->data()->begin()->key, 7.0);
    history.KindBox()->setCurrentIndex(history.KindBox()->findText(QStringLiteral("noise-table")));
    history.RefreshClick();
    EXPECT_EQ(history.Table()->rowCount(), 0);
    EXPECT_EQ(history.StatusText()->text(), QStringLiteral("0 records"));
}
