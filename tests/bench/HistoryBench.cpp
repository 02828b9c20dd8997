// The results history on the embedded database: the cost of recording one measurement (target
// under 5 ms) and of listing 100,000 records (target under 1 s).
#include "history/ResultsStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace vek;
using Steady = std::chrono::steady_clock;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1) {
        std::fprintf(stderr, "history_bench: takes no arguments\n");
        return 2;
    }
    QTemporaryDir dir;
    QString error;
    std::unique_ptr<ResultsStore> store = ResultsStore::OpenSqlite(dir.filePath(QStringLiteral("bench.db")), error);
    if (!store) {
        std::fprintf(stderr, "history_bench: %s\n", qPrintable(error));
        return 1;
    }
    MeasurementRecord r;
    r.kind = QStringLiteral("enob");
    r.chip = QStringLiteral("ZR300");
    r.board = QStringLiteral("simulated");
    r.interfaceName = QStringLiteral("SPI");
    r.registers = QJsonObject{{QStringLiteral("OSR0"), 3}, {QStringLiteral("AD0GN"), 2}};
    r.samples = 4096;
    r.ok = true;
    r.figures = QJsonObject{{QStringLiteral("enob"), 18.5}, {QStringLiteral("sigma"), 31.2}};
    // Each record on its own, as a measurement writes it.
    std::vector<double> ms;
    for (int i = 0; i < 200; ++i) {
        const auto t = Steady::now();
        if (!store->Record(r, error)) {
            std::fprintf(stderr, "history_bench: %s\n", qPrintable(error));
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - t).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("recording one measurement: median %.3f ms, worst %.3f ms (target < 5 ms) %s\n", ms[ms.size() / 2],
                ms.back(), ms[ms.size() / 2] < 5 ? "ok" : "MISSED");
    // Fill up to 100,000 records, then list them all.
    for (int i = 200; i < 100000; ++i)
        store->Record(r, error);
    const auto t = Steady::now();
    const std::vector<MeasurementRecord> all = store->List(HistoryFilter{}, error);
    const double listMs = std::chrono::duration<double, std::milli>(Steady::now() - t).count();
    std::printf("listing %zu records: %.1f ms (target < 1000 ms) %s\n", all.size(), listMs,
                listMs < 1000 ? "ok" : "MISSED");
    return 0;
}
