// The parallel link's replies: status bits of any shape under the streamed capture's count and
// fetch and a chip read, and the text of the kernel's parport files.
#include "analysis/Acquisition.h"
#include "link/LinuxParallelPort.h"
#include "link/ParallelLink.h"

#include <cstdlib>

using namespace vek;

namespace {

// Status reads take the next input byte; when the input runs out every access fails.
struct InputPort final : ParallelPort {
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
    uint8_t control = 0x06;
    InputPort(const uint8_t *d, size_t n) : data(d), size(n) {}
    bool Read(ParallelRegister reg, uint8_t &value) override
    {
        if (pos >= size)
            return false;
        value = reg == ParallelRegister::Status ? data[pos++] : reg == ParallelRegister::Control ? control : 0;
        return true;
    }
    bool Write(ParallelRegister reg, uint8_t value) override
    {
        if (pos >= size)
            return false;
        if (reg == ParallelRegister::Control)
            control = value;
        return reg != ParallelRegister::Status;
    }
    bool SetByteMode() override { return true; }
};

struct InputPlatform final : ParallelPlatform {
    const uint8_t *data;
    size_t size;
    ParallelOpening Open(uint16_t) override
    {
        ParallelOpening o;
        o.port = std::make_unique<InputPort>(data, size);
        return o;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    uint16_t base = 0;
    ParseParportBaseAddress(text, base);
    ModesListEcp(text);

    InputPlatform platform;
    platform.data = data;
    platform.size = size;
    ParallelLink link;
    link.platform = &platform;
    if (!link.InitParallel(0x378))
        return 0;
    FakeClock clock;
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    chips[0].interfaceKind = InterfaceKind::Parallel;
    ScaleDmmMemory scaleDmm;
    const std::function<void()> refresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, QString(), scaleDmm, refresh, nullptr, &link};
    static SampleStore store; // large: made once
    store.TargetCount = 64;
    store.CaptureIdle = false;
    AcquisitionIo acq(port);
    acq.kind = InterfaceKind::Parallel;
    acq.idleTimeoutMs = 20;
    ReadADCALL(acq, store);
    if (store.SampleCount < 0 || store.SampleCount > 64 + 84)
        std::abort();
    return 0;
}
