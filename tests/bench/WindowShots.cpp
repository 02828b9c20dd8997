// Pictures of every window of the program on the simulated board, as a user meets them: the main
// window at a given size with one window shown in it at its own place, the RAM and register panels
// together, and the setup dialog on its own. tools/screenshots.sh runs it for the README's tour.
//
//   window_shots OUTDIR [WIDTHxHEIGHT] [MODEL]
//
// Without a size the main window keeps its designed size; MODEL is the position in the chip list
// (default: the first model whose description asks for the instruments).
#include "analysis/ui/LongRunWindow.h"
#include "analysis/ui/NoiseTableWindow.h"
#include "history/ui/HistoryWindow.h"
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/SimulatedSetup.h"
#include "app/context/AppContext.h"
#include "chipdesc/SelectChip.h"
#include "chipdesc/ui/TOption.h"
#include "sim/SimulatedBoard.h"
#include "views/ui/ViewWindows.h"
#include "widgets/PanelWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMdiArea>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

using namespace vek;

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool Save(QWidget *w, const QString &path)
{
    Settle();
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_shots OUTDIR [WIDTHxHEIGHT] [MODEL]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QSize size;
    if (argc > 2) {
        const QStringList wh = QString::fromLatin1(argv[2]).split(QLatin1Char('x'));
        if (wh.size() == 2)
            size = QSize(wh[0].toInt(), wh[1].toInt());
    }
    const QString tag = size.isValid() ? QStringLiteral("%1x%2").arg(size.width()).arg(size.height())
                                       : QStringLiteral("default");

    // A program directory of its own with the chip files.
    QTemporaryDir dir;
    const QString source = QStringLiteral(VEK_SOURCE_DIR "/INCLUDE");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = dir.path() + QStringLiteral("/INCLUDE") + from.mid(source.size());
        QDir().mkpath(QFileInfo(to).path());
        QFile::copy(from, to);
    }
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, dir.path() + QStringLiteral("/"));
    sim::SimulatedBoard board(clock);
    board.adc.asFastAsPossible = true;
    UseSimulatedBoard(ctx, board);
    Program program(ctx);
    program.Activate();
    TMainPanel &main = program.Main();
    WindowSet &w = program.Windows();
    ctx.setup.chipModelIndex = argc > 3 ? QString::fromLatin1(argv[3]).toInt() : 4;
    w.option->CbSeluP()->setCurrentIndex(ctx.setup.chipModelIndex);
    GetSELUP(ctx);
    if (size.isValid())
        main.resize(size);
    main.show();
    Settle();
    if (size.isValid())
        main.resize(size);
    main.Menu_ReadRAMClick();

    struct Shot {
        const char *name;
        std::function<void()> show;
    };
    const Shot shots[] = {
        {"main", [] {}},
        {"ram", [&] { main.SMenu_RAMClick(); }},
        {"ram-reg", [&] {
             main.SMenu_RAMClick();
             main.SMenu_REGClick();
         }},
        {"reg", [&] { main.SMenu_REGClick(); }},
        {"reg-page2", [&] {
             main.SMenu_REGClick();
             w.reg->SelectPage(1);
         }},
        {"adc", [&] { main.SMenu_ADCClick(); }},
        {"op", [&] { main.SMenu_OPClick(); }},
        {"cmp", [&] { main.SMenu_CMPClick(); }},
        {"analysis", [&] { main.Menu_ReadAdcClick(); }},
        {"noise-table", [&] { main.Menu_NoiseTableClick(); }},
        {"long-run", [&] { main.Menu_LongRunClick(); }},
        {"history", [&] { main.Menu_HistoryClick(); }},
        {"switch-test", [&] { main.MCALWClick(); }},
        {"fluke", [&] { main.Fluke1Click(); }},
        {"power", [&] { main.Power1Click(); }},
        {"temperature", [&] { main.RegistClick(); }},
    };
    const auto hideAll = [&] {
        for (PanelWindow *p : w.PanelsInHideOrder())
            main.SetPanelShown(p, false);
        main.SetPanelShown(w.noiseTable, false);
        main.SetPanelShown(w.longRun, false);
        main.SetPanelShown(w.history, false);
    };
    bool ok = true;
    for (const Shot &s : shots) {
        hideAll();
        s.show();
        ok = Save(&main, QStringLiteral("%1/%2-%3.png").arg(out, tag, QLatin1String(s.name))) && ok;
    }
    hideAll();
    // The setup dialog as it opens from "Option" / "Setup", on its own.
    TOption *option = w.option;
    option->setParent(nullptr, Qt::Window);
    option->setGeometry(option->FrameRect());
    option->show();
    ok = Save(option, QStringLiteral("%1/%2-setup.png").arg(out, tag)) && ok;
    option->hide();
    return ok ? 0 : 1;
}
