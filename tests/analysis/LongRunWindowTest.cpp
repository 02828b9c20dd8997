// The "Long Run" window on the simulated board: Start returns at once, the figures, histogram,
// trace and Allan deviation fill, Stop keeps what came.
#include "analysis/ui/LongRunWindow.h"
#include "app/context/AppContext.h"
#include "sim/SimAdc.h"
#include "sim/SimUsbBackends.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace vek;

TEST(LongRunWindow, RunsToItsCountAndStopKeepsWhatCame)
{
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, dir.path());
    sim::SimUsb usb;
    usb.board.keepFrameLog = false;
    sim::SimAdc adc(usb.board, clock);
    ctx.usb.hid = &usb.hid;
    ctx.usb.driver = &usb.driver;
    LinkIo io = ctx.Link();
    uint8_t status = 0xFF;
    ASSERT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
    LongRunWindow w(ctx);
    std::vector<bool> menus;
    w.setBoardMenusEnabled = [&](bool on) { menus.push_back(on); };
    auto runUntil = [](const std::function<bool()> &done) {
        QElapsedTimer wall;
        wall.start();
        while (!done() && wall.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    };

    w.AmountEdit()->setText(QStringLiteral("300000"));
    w.StartButton()->click();
    EXPECT_FALSE(w.Running()) << "the run must not start inside the click";
    ASSERT_TRUE(runUntil([&] { return w.ProgressText()->text().startsWith(QStringLiteral("Finished")); }))
        << w.ProgressText()->text().toStdString();
    ASSERT_TRUE(w.Stats());
    EXPECT_EQ(w.Stats()->Count(), 300000);
    EXPECT_TRUE(w.FiguresText()->text().startsWith(QStringLiteral("Samples 300000")));
    EXPECT_EQ(w.AllanPlot()->graph(0)->dataCount(), int(w.Stats()->Allan().size()));
    EXPECT_GE(w.AllanPlot()->graph(0)->dataCount(), 14);
    EXPECT_GT(w.TracePlot()->graph(0)->dataCount(), 500);
    EXPECT_EQ(menus, (std::vector<bool>{false, true}));
    const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
    if (!shots.isEmpty()) {
        w.resize(w.FrameRect().size());
        QCoreApplication::processEvents();
        w.grab().save(shots + QStringLiteral("/long_run.png"));
    }

    // A run of ten minutes, stopped after a while: what came is kept and shown.
    w.ModeBox()->setCurrentIndex(1);
    w.AmountEdit()->setText(QStringLiteral("10m"));
    w.StartButton()->click();
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (w.Running() && w.Stats() && w.Stats()->Count() > 50000)
            w.StopButton()->click();
    });
    stopper.start(0);
    ASSERT_TRUE(runUntil([&] { return w.ProgressText()->text().startsWith(QStringLiteral("Stopped")); }));
    EXPECT_GT(w.Stats()->Count(), 50000);
    EXPECT_LT(w.Stats()->Count(), 10 * 60 * 10240);
    EXPECT_TRUE(w.FiguresText()->text().contains(QStringLiteral("ENOB")));
}
