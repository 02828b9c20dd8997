// What a board or a chip sends during a streamed capture: count and fetch replies on the three
// USB dialects and on the chip's COM port, the serial monitor's replies to reads and writes, and
// the replay file of the simulated converter. Every run must end with a clear outcome, never
// write past the sample arrays, and never hang.
// Layout: [what to run] [sample point index], then the replies.
#include "FuzzHid.h"
#include "analysis/Acquisition.h"
#include "analysis/AnalysisSettings.h"
#include "link/SerialChipLink.h"
#include "sim/SimAdc.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static SampleStore *store = new SampleStore;
    if (size < 2)
        return 0;
    const uint8_t what = data[0];
    const uint8_t *rest = data + 2;
    const size_t restSize = size - 2;

    if (what % 5 == 4) {
        // A replay file: codes come back only when every line is a 24-bit code.
        std::vector<int32_t> codes;
        QString error;
        const bool ok = sim::ParseReplayCodes(
            QByteArray(reinterpret_cast<const char *>(rest), qsizetype(restSize)), codes, &error,
            QStringLiteral("fuzz"));
        if (ok != error.isEmpty() || (!ok && !codes.empty()))
            std::abort();
        for (int32_t c : codes)
            if (c < -8388608 || c > 8388607)
                std::abort();
        return 0;
    }

    FakeClock clock;
    fuzz::ReplayHid hid(rest, restSize);
    fuzz::ReplaySerial serial(rest, restSize);
    UsbBus bus;
    bus.hid = &hid;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    SerialChipIo serialIo;
    serialIo.port = [&](int64_t) -> SerialPort * { return &serial; };
    ChipPort port{io, chips, (what & 8) != 0, QString(), scaleDmm, refresh, &serialIo};

    static const InterfaceKind kKinds[] = {InterfaceKind::RS232, InterfaceKind::SPI,
                                           InterfaceKind::Special, InterfaceKind::UART};
    const InterfaceKind kind = kKinds[what % 5 % 4];
    chips[0].interfaceKind = kind;
    chips[0].comOpen = 1;
    chips[0].comHandle = 1;
    if (kind != InterfaceKind::RS232) {
        // The device links talk only over an open connection.
        chips[0].link.handle = 7;
        chips[0].link.connected = 1;
        chips[0].link.state = 0;
    }
    if (what & 16) {
        SerialChipRead(&serial, buffer, clock, nullptr, 0x123, 1 + data[1] % 128);
        SerialChipWrite(&serial, buffer, clock, nullptr, 0x1F0, 1 + data[1] % 59);
        return 0;
    }

    SampleStore &s = *store;
    s.TargetCount = TargetCountForIndex(data[1] % 13);
    ApplyScaleIndex(s, 16);
    s.CaptureIdle = false;
    AcquisitionIo acq(port);
    acq.kind = kind;
    acq.idleTimeoutMs = 2000; // no user here to stop a board that sends nothing forever
    const CaptureOutcome out = ReadADCALL(acq, s);
    if (!s.CaptureIdle || s.SampleCount < 0 || (out.ok() && s.SampleCount < CaptureTarget(s.TargetCount)))
        std::abort();
    return 0;
}
