// Time of one chip selection (GetSELUP) of a model whose description has 2,000 lines: chip list
// lookup, file reading and decoding, and every section. Target: under 5 ms.
#include "app/base/CommandLine.h"
#include "chipdesc/ChipSelection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace vek;

namespace {

QByteArray Description()
{
    QStringList l;
    l << "; benchmark model" << "#PRODUCT" << "ZB900" << "#ROM" << "8192" << "#REG0" << "0 7EH"
      << "#RAMBANK0" << "7FH 0FFH" << "#RAMBANK1" << "100H 17FH" << "#RAMBANK2" << "200H 2FFH";
    const char *pages[] = {"#REGBIT", "#REGBIT1", "#REGBIT2", "#REGBIT3"};
    for (int p = 0; p < 4; ++p) {
        l << pages[p];
        for (int r = 0; r < 40; ++r)
            l << QStringLiteral("%1H REG%2 B7 B6 B5 - B3 B2 B1 B0 ; register %2")
                     .arg(QString::number(0x100 + p * 40 + r, 16).toUpper().prepend('0'))
                     .arg(p * 40 + r);
    }
    l << "#REGBYTE";
    for (int r = 0; r < 100; ++r)
        l << QStringLiteral("0%1H BYTE%2 0FFH").arg(QString::number(0x200 + r, 16)).arg(r);
    l << "#REGWORD" << "0FH FSR0 10H 0 3 0FFH" << "11H FSR1 12H 0 3 0FFH";
    l << "#REGBITSTR";
    for (int r = 0; r < 150; ++r) {
        l << QStringLiteral("0%1H").arg(QString::number(0x100 + r, 16));
        l << QStringLiteral("\"Register %1 / 暫存器 %1").arg(r);
        for (int b = 7; b >= 0; --b)
            l << QStringLiteral("\"Bit %1 of register %2 / 位元 %1").arg(b).arg(r);
    }
    l << "#REGBYTESTR";
    for (int r = 0; r < 100; ++r)
        l << QStringLiteral("0%1H").arg(QString::number(0x200 + r, 16))
          << QStringLiteral("\"Byte register %1 / 位元組 %1").arg(r);
    l << "#ADC0S" << "37H IN0H 3 3 AI0 AI1 AI2 AI3 - - TSN TSP" << "37H IN0L 3 0 AI0 AI1"
      << "30H ENADC0 1 7" << "3CH AD0GN 3 0" << "3BH ADC0OH" << "37H TEMPERATURE";
    l << "#OP0S" << "35H OP0P 2 0 A B C D" << "35H ENOP 1 7";
    l << "#CMP0S" << "45H CPIL 3 0 -- A B" << "72H PTMX PM1.7 1 7";
    while (l.size() < 2000)
        l << "; padding comment line";
    return l.join("\r\n").toUtf8() + "\r\n";
}

// Processor time of this thread, in ms: unlike the wall clock it does not count the time other
// programs on a busy machine take.
double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (const int rc = vek::RefuseEveryArgument("chip_select_bench", argc, argv))
        return rc;
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/INCLUDE");
    const QByteArray text = Description();
    QFile d(dir.path() + "/INCLUDE/ZB900.INC");
    QFile list(dir.path() + "/INCLUDE/VekSel.INC");
    if (!d.open(QIODevice::WriteOnly) || !list.open(QIODevice::WriteOnly))
        return 1;
    d.write(text);
    list.write("zb900.inc ZB900 (8K)\r\n");
    d.close();
    list.close();

    ChipModelState m;
    ChipSelectionScope scope = m.Scope(dir.path() + '/', 0);
    if (!GetSELUP(scope)) {
        std::printf("selection failed\n");
        return 1;
    }
    const int lines = static_cast<int>(text.count('\n'));
    std::vector<double> ms;
    constexpr int kRuns = 200;
    const double cpuStart = ThreadCpuMs();
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        GetSELUP(scope);
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    const double cpuMs = (ThreadCpuMs() - cpuStart) / kRuns;
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("chip selection, %d-line description, %d bit / %d byte registers: "
                "wall clock mean %.3f ms, median %.3f ms, max %.3f ms; processor time mean %.3f ms "
                "(target < 5 ms)\n",
                lines, m.bitRegs.Count(), m.byteRegs.Count(), sum / ms.size(), ms[ms.size() / 2],
                ms.back(), cpuMs);
    return 0;
}
