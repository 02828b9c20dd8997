// Prints how long the panels take to redraw after one register write: the RAM, register, ADC,
// op-amp and comparator panels shown in the main window, the simulated board on a fake clock (so
// the link's pauses cost nothing), the ZS300 chip files. Target: under 5 ms.
// With "--grab DIR" it also saves pictures of the RAM panel, the register panel and the keypad,
// at their own size and enlarged.
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/base/CommandLine.h"
#include "app/context/AppContext.h"
#include "link/FrameTrace.h"
#include "link/ui/LinkWindows.h"
#include "views/ui/ViewWindows.h"
#include "sim/SimUsbBackends.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption grab(QStringLiteral("grab"),
                                  QStringLiteral("Also save pictures of the RAM and register panels and the keypad "
                                                 "into DIR."),
                                  QStringLiteral("DIR"));
    parser.addOption(grab);
    if (const QString error = vek::ParseCommandLine(parser, QCoreApplication::arguments()); !error.isEmpty())
        return vek::RefuseArguments("views_bench", error);
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return vek::kExitOk;
    }
    vek::OptionCheck check(parser);
    const QString grabDir = check.WritableFolder(grab);
    if (!check.Ok())
        return vek::RefuseArguments("views_bench", check.Error());
    QStringList unsaved;
    auto save = [&unsaved](const QPixmap &picture, const QString &path) {
        if (!picture.save(path))
            unsaved << path;
    };
    QTemporaryDir dir;
    const QString from = QStringLiteral(VEK_SOURCE_DIR "/INCLUDE");
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        const QString to = dir.path() + QStringLiteral("/INCLUDE/") + QDir(from).relativeFilePath(f);
        QDir().mkpath(QFileInfo(to).absolutePath());
        QFile::copy(f, to);
    }
    vek::FakeClock clock;
    vek::ScriptedDialogs dialogs;
    vek::sim::SimUsb usb;
    usb.board.keepFrameLog = false;
    vek::AppContext ctx(clock, dialogs, dir.path() + QLatin1Char('/'));
    ctx.usb.hid = &usb.hid;
    ctx.usb.driver = &usb.driver;
    vek::Program program(ctx);
    program.Activate();
    vek::TMainPanel &main = program.Main();
    main.resize(1400, 1000);
    main.show();
    main.SMenu_RAMClick();
    main.SMenu_REGClick();
    main.SMenu_ADCClick();
    main.SMenu_OPClick();
    main.SMenu_CMPClick();
    program.Windows().up->USBConnect();
    main.Menu_ReadRAMClick();
    QCoreApplication::processEvents();

    // The write itself costs nothing on the fake clock; what is left is the refresh and paint.
    constexpr int kRuns = 200;
    // Wall time, and the thread's processor time, which other programs on a busy machine do not
    // inflate.
    const auto cpuMs = []() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    };
    std::vector<double> writeMs, writeCpuMs, refreshMs;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuMs();
        program.Windows().up->WriteRegister(0x29, uint8_t(i));
        QCoreApplication::processEvents(); // the views paint
        writeCpuMs.push_back(cpuMs() - cpu0);
        writeMs.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        ctx.refreshPanels();
        QCoreApplication::processEvents();
        refreshMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const auto worst = [](const std::vector<double> &v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("WriteRegister + full redraw of RAM, register, ADC, OP, CMP panels (incl. paint): "
                "median %.3f ms, max %.3f ms over %d runs (target < 5 ms)\n",
                median(writeMs), worst(writeMs), kRuns);
    std::printf("the same in processor time of this thread: median %.3f ms, max %.3f ms\n", median(writeCpuMs),
                worst(writeCpuMs));
    std::printf("refreshPanels alone (incl. paint): median %.3f ms, max %.3f ms\n", median(refreshMs),
                worst(refreshMs));

    if (!grabDir.isEmpty()) {
        const QString out = grabDir + QLatin1Char('/');
        vek::WindowSet &w = program.Windows();
        // Something to look at: a few marks, a hint, a changed byte.
        w.ram->SelectBank(0);
        for (int c = 2; c <= 4; ++c) {
            w.ram->SetMouseDownCell(c, 9);
            w.ram->SetMarkClick();
        }
        w.ram->Marks().hint[0x85] = true;
        w.ram->Marks().hintText[0x85] = QStringLiteral("counter");
        // The frames of one "Read RAM", one typed byte and a second "Read RAM" go to frames.txt.
        vek::FrameTrace trace(clock, out + QStringLiteral("frames.txt"));
        ctx.usb.trace = &trace;
        usb.board.memory.Write(0x90, 0x77);
        main.Menu_ReadRAMClick();
        program.Windows().up->WriteRegister(0x23, 0x81);
        ctx.usb.trace = nullptr;
        if (!trace.Flush())
            unsaved << trace.Path();
        for (vek::PanelWindow *p : {static_cast<vek::PanelWindow *>(w.ram), static_cast<vek::PanelWindow *>(w.reg)}) {
            QMdiSubWindow *sub = p->SubWindow();
            QCoreApplication::processEvents();
            save(sub->grab(), out + p->objectName() + QStringLiteral(".png"));
            sub->resize(sub->size() * 3 / 2);
            QCoreApplication::processEvents();
            save(sub->grab(), out + p->objectName() + QStringLiteral("_large.png"));
        }
        w.popHex->onShown = [&](vek::TVekPopSelHex &pop) {
            pop.setWindowTitle(QStringLiteral("Ram0123=5A"));
            pop.DigitClick(QLatin1Char('3'));
            save(pop.grab(), out + QStringLiteral("VekPopSelHex.png"));
            pop.CancelClick();
        };
        uint16_t v = 0;
        w.popHex->Ask(100, 100, v, QStringLiteral("FF"), QStringLiteral("00~FF"), QStringLiteral("Ram0123=5A"));
        save(main.grab(), out + QStringLiteral("main.png"));
        std::printf("pictures in %s\n", qPrintable(out));
    }
    for (const QString &path : unsaved)
        std::fprintf(stderr, "views_bench: cannot write %s\n", qPrintable(path));
    return unsaved.isEmpty() ? vek::kExitOk : vek::kExitFailed;
}
