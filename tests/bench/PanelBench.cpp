// The analog panels' redraw times on the sample chip ZR300: a click's redraw after its register
// write (the panel redraws from the image and repaints), and the whole panel repainted at
// 1920 x 1080, once with the diagram drawn afresh and once from its kept picture.
// Targets: a click's redraw under 5 ms, the whole repaint under 10 ms.
// With "--shots DIR" it also saves each panel at its default size and enlarged as PNG files.
#include "app/base/CommandLine.h"
#include "app/context/AppContext.h"
#include "chipdesc/SelectChip.h"
#include "panels/logic/PanelTexts.h"
#include "panels/ui/AnalogPanels.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace vek;

namespace {

struct Figures {
    double median, worst, cpuMedian;
};

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Wall time per run, and the processor time this thread spent (the machine may be busy with
// other work, which stretches the wall time but not the work done).
Figures Measure(int runs, const std::function<void(int)> &step)
{
    std::vector<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const double c0 = ThreadCpuMs();
        step(i);
        cpu.push_back(ThreadCpuMs() - c0);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2]};
}

// The target holds for the median; the worst run is shown beside it.
void Print(const char *what, Figures f, double target)
{
    std::printf("%-56s median %7.3f ms (target < %.0f ms) %-6s  cpu %7.3f ms  worst %7.3f ms\n", what, f.median,
                target, f.median < target ? "ok" : "MISSED", f.cpuMedian, f.worst);
}

// Pictures that could not be saved; named at the end, status 1.
QStringList g_unsaved;

void SaveShot(const QImage &image, const QString &path)
{
    if (!image.save(path))
        g_unsaved << path;
}

template <class Form> void BenchPanel(AppContext &ctx, std::array<uint8_t, 1024> &image, const char *name,
                                      const std::function<void(Form &, int)> &click, const QSize &defaultSize,
                                      const QString &shots)
{
    Form form(ctx);
    form.chip.imageByte = [&](int a) { return image[size_t(a)]; };
    form.chip.writeRegister = [&](uint16_t a, uint8_t v) {
        image[a] = v;
        form.DataUpdate(); // the write's own refresh of every panel
    };
    form.ApplyPreparation();
    form.resize(defaultSize);
    form.show();
    QCoreApplication::processEvents();
    if (!shots.isEmpty()) {
        SaveShot(form.grab().toImage(), QStringLiteral("%1/%2-default.png").arg(shots, QString::fromLatin1(name)));
        form.resize(defaultSize * 1.6);
        QCoreApplication::processEvents();
        SaveShot(form.grab().toImage(), QStringLiteral("%1/%2-enlarged.png").arg(shots, QString::fromLatin1(name)));
        form.resize(defaultSize);
        QCoreApplication::processEvents();
    }
    // Every figure paints the whole panel, controls included, into an image of the window's size
    // (the same painting the screen gets, without waiting for the window system).
    QImage canvas(form.size(), QImage::Format_ARGB32_Premultiplied);
    const Figures c = Measure(300, [&](int i) {
        click(form, i);
        form.render(&canvas);
    });
    std::printf("%s panel\n", name);
    Print("  click: one write, redraw from the image, whole repaint", c, 5);
    form.resize(1920, 1080);
    QCoreApplication::processEvents();
    QImage big(form.size(), QImage::Format_ARGB32_Premultiplied);
    form.render(&big);
    const Figures kept = Measure(100, [&](int) { form.render(&big); });
    Print("  whole panel at 1920x1080, diagram picture kept", kept, 10);
    const Figures fresh = Measure(100, [&](int) {
        form.Canvas()->InvalidateDiagram();
        form.render(&big);
    });
    Print("  whole panel at 1920x1080, diagram drawn afresh", fresh, 10);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption shotsOption(QStringLiteral("shots"),
                                         QStringLiteral("Also save each panel as PNG (default size and enlarged) "
                                                        "into DIR."),
                                         QStringLiteral("DIR"));
    parser.addOption(shotsOption);
    if (const QString error = ParseCommandLine(parser, QCoreApplication::arguments()); !error.isEmpty())
        return RefuseArguments("panel_bench", error);
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return kExitOk;
    }
    OptionCheck check(parser);
    const QString shots = check.WritableFolder(shotsOption);
    if (!check.Ok())
        return RefuseArguments("panel_bench", check.Error());
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, QStringLiteral(VEK_SOURCE_DIR "/"));
    ctx.setup.chipModelIndex = 1;
    if (!GetSELUP(ctx)) {
        std::fprintf(stderr, "cannot select the sample chip ZR300\n");
        return 1;
    }
    // A chip image with a little of everything switched on.
    std::array<uint8_t, 1024> image{};
    image[0x30] = 0xD3; // ENADC, ADIF, chopper on, OSR 3
    image[0x31] = 0x02;
    image[0x32] = 0xC0; // supply on at 3.0 V
    image[0x33] = 0x81; // input buffer on, INX 1
    image[0x37] = (7 << 3) | 1;
    image[0x38] = (1 << 2) | 1;
    image[0x39] = 0x56;
    image[0x3A] = 0x34;
    image[0x3B] = 0x12;
    image[0x3C] = 0x1A;
    image[0x35] = 0x81 | (1 << 5);
    image[0x36] = 0x04;
    image[0x44] = 0xA0;
    image[0x45] = 0x42;
    image[0x46] = 0x95;
    image[0x72] = 0x80;
    image[0x71] = 0x80;
    BenchPanel<TADCForm>(ctx, image, "ADC",
                         [](TADCForm &f, int i) {
                             auto *osr = f.findChild<QComboBox *>(QStringLiteral("TXOSR"));
                             osr->setCurrentIndex(i % 8);
                             emit osr->activated(i % 8);
                         },
                         QSize(940, 700), shots);
    BenchPanel<TOPForm>(ctx, image, "OP",
                        [](TOPForm &f, int i) {
                            f.findChild<OptionLabel *>(QStringLiteral("LAI%1").arg(i % 6))->Click();
                        },
                        QSize(760, 520), shots);
    BenchPanel<TCMPForm>(ctx, image, "CMP",
                         [](TCMPForm &f, int i) {
                             f.findChild<OptionLabel *>(QStringLiteral("LCPVRS%1").arg(
                                 CodeText(i % 16, 4)))->Click();
                         },
                         QSize(940, 680), shots);
    for (const QString &path : g_unsaved)
        std::fprintf(stderr, "panel_bench: cannot write %s\n", qPrintable(path));
    return g_unsaved.isEmpty() ? kExitOk : kExitFailed;
}
