// The "Noise Table" window on the simulated board: Start returns at once, the table fills point by
// point with the progress bar, Stop ends the sweep, the registers come back.
#include "PanelFixture.h"
#include "analysis/ui/NoiseTableWindow.h"
#include "sim/SimAdc.h"
#include "sim/SimUsbBackends.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vek;
using namespace vek::test;

namespace {

struct SweepWindowRig : PanelContext {
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    std::unique_ptr<NoiseTableWindow> window;
    std::vector<bool> menus;

    SweepWindowRig()
    {
        usb.board.keepFrameLog = false;
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        ctx.chipSlots[0].interfaceKind = InterfaceKind::SPI;
        EXPECT_TRUE(Select(1)); // ZR300
        adc.fields = sim::AdcFieldsFrom(ctx.bindings);
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
        window = std::make_unique<NoiseTableWindow>(ctx);
        window->setBoardMenusEnabled = [this](bool on) { menus.push_back(on); };
    }
    void Choose(const char *prefix, std::initializer_list<int> on)
    {
        for (QCheckBox *c : window->findChildren<QCheckBox *>())
            if (c->objectName().startsWith(QLatin1String(prefix)))
                c->setChecked(std::find(on.begin(), on.end(), c->objectName().mid(int(strlen(prefix))).toInt()) != on.end());
    }
    bool RunUntil(const std::function<bool()> &done)
    {
        QElapsedTimer wall;
        wall.start();
        while (!done() && wall.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
};

} // namespace

TEST(NoiseTableWindow, StartFillsTheTableWithProgressAndStopEndsTheSweep)
{
    SweepWindowRig rig;
    rig.Choose("OSR", {0, 7});
    rig.Choose("Gain", {2, 6}); // x1 and x16
    const uint8_t before = rig.usb.board.memory.Read(0x3C);
    // The time is known before the start (from the settings the program knows the chip has).
    EXPECT_TRUE(rig.window->ProgressText()->text().startsWith(QStringLiteral("4 points, about ")))
        << rig.window->ProgressText()->text().toStdString();

    rig.window->StartButton()->click();
    EXPECT_FALSE(rig.window->Running()) << "the sweep must not run inside the click";
    int filledWhileRunning = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (rig.window->Running() && rig.window->Progress()->value() == 2 && filledWhileRunning < 0)
            filledWhileRunning = int(rig.window->Table()->findItems(QStringLiteral("."), Qt::MatchContains).size());
    });
    watch.start(0);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.window->ProgressText()->text().startsWith(QStringLiteral("Finished")); }));
    EXPECT_EQ(filledWhileRunning, 2); // the table fills as it runs
    EXPECT_EQ(rig.window->Progress()->value(), 4);
    QTableWidget *t = rig.window->Table();
    ASSERT_EQ(t->rowCount(), 2);
    ASSERT_EQ(t->columnCount(), 2);
    EXPECT_EQ(t->horizontalHeaderItem(1)->text(), QStringLiteral("x16"));
    EXPECT_TRUE(t->verticalHeaderItem(1)->text().startsWith(QStringLiteral("OSR 7  80.000 Hz")));
    // Input-referred noise: lower at OSR 7 than at OSR 0, lower at x16 than at x1.
    auto value = [t](int r, int c) { return t->item(r, c)->text().toDouble(); };
    EXPECT_LT(value(1, 0), value(0, 0));
    EXPECT_LT(value(0, 1), value(0, 0));
    EXPECT_EQ(rig.usb.board.memory.Read(0x3C), before);
    EXPECT_EQ(rig.menus, (std::vector<bool>{false, true}));

    // Stop after the first point of a second sweep.
    rig.Choose("OSR", {0, 1, 2, 3, 4, 5, 6, 7});
    rig.window->StartButton()->click();
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (rig.window->Running() && rig.window->Progress()->value() >= 1)
            rig.window->StopButton()->click();
    });
    ASSERT_TRUE(rig.RunUntil([&] { return rig.window->ProgressText()->text().startsWith(QStringLiteral("Stopped")); }));
    EXPECT_LT(rig.window->LastRun().points.size(), 16u);
    EXPECT_TRUE(rig.window->LastRun().restored);
    EXPECT_TRUE(rig.window->StartButton()->isEnabled());

    const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
    if (!shots.isEmpty()) {
        rig.window->resize(rig.window->FrameRect().size());
        rig.window->grab().save(shots + QStringLiteral("/noise_table.png"));
    }
}
