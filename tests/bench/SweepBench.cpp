// The noise table's own cost: a sweep of 8 OSR codes x 8 gains of 4,096 samples on the simulated
// board (simulated time) against the same 64 captures made one by one, and the wall time of the
// whole table. Prints the sweep's work per point beyond its capture (target under 1 ms) and the
// table's wall time (target under 10 s).
#include "analysis/NoiseSweep.h"
#include "app/tools/BoardSession.h"

#include <chrono>
#include <cstdio>

using namespace vek;

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool Open(BoardSession &session)
{
    BoardSessionOptions o;
    o.simulate = true;
    o.chip = QStringLiteral("ZR300");
    o.programDir = QStringLiteral(VEK_SOURCE_DIR "/");
    QString error;
    if (!session.Open(o, error))
        std::fprintf(stderr, "sweep_bench: %s\n", qPrintable(error));
    return error.isEmpty();
}

} // namespace

int main()
{
    SweepOptions options;
    options.gains.resize(8); // x1/4 .. x32
    options.samples = 4096;

    BoardSession sweepBoard, captureBoard;
    if (!Open(sweepBoard) || !Open(captureBoard))
        return 1;
    SampleStore store;
    ChipModelState &m = sweepBoard.model();
    SweepIo io{sweepBoard.port(), sweepBoard.kind(), m.bindings.adc, m.chip, sweepBoard.clock(), store, {}, {}, {}};
    auto t = std::chrono::steady_clock::now();
    const SweepRun run = RunNoiseSweep(io, options);
    const double sweepSeconds = Seconds(t);

    // The same captures alone: each point's settings put straight into the simulated chip's
    // registers (no frames), then the capture.
    EnobOptions enob;
    enob.samples = options.samples;
    auto &memory = captureBoard.simulatedBoard()->usb.board.memory;
    const PanelBindings &adc = captureBoard.model().bindings.adc;
    auto setField = [&](const char *name, int code) {
        const FieldBinding &b = adc.Get(QLatin1String(name));
        const uint8_t mask = uint8_t(((1u << b.width) - 1u) << b.position);
        memory.Write(b.address, uint8_t((memory.Read(b.address) & ~mask) | ((code << b.position) & mask)));
    };
    setField("IN0IS", 1);
    t = std::chrono::steady_clock::now();
    int captured = 0;
    for (const SweepPoint &p : run.points) {
        setField("OSR0", p.osr);
        setField("AD0GN", p.gain.adgn);
        setField("PGA0GN", p.gain.pga);
        AnalysisResults results;
        captured += MeasureEnob(captureBoard.port(), captureBoard.kind(), store, enob, results).ok ? 1 : 0;
    }
    const double captureSeconds = Seconds(t);
    const double points = double(run.points.size());
    const double beyondMs = (sweepSeconds - captureSeconds) / points * 1000.0;
    std::printf("sweep of %zu points (%s): %.3f s wall; %d captures alone: %.3f s\n", run.points.size(),
                run.ok ? "all measured" : "NOT all measured", sweepSeconds, captured, captureSeconds);
    std::printf("sweep's own work per point beyond its capture: %.3f ms (target < 1 ms) %s\n", beyondMs,
                beyondMs < 1.0 ? "ok" : "MISSED");
    std::printf("8 x 8 table of 4096 samples: %.3f s wall (target < 10 s) %s\n", sweepSeconds,
                sweepSeconds < 10 ? "ok" : "MISSED");
    return run.ok ? 0 : 1;
}
