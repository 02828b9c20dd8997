#pragma once
// The PC parallel port as the chip link sees it: three registers (data at the base address,
// status at base + 1, control at base + 2) and the switch to byte mode. One implementation goes
// through the kernel's ppdev driver, one touches the registers directly (root only, where ppdev is
// missing), and the simulated parallel chip sits behind the same interface.
#include <QString>
#include <cstdint>
#include <memory>

namespace vek {

enum class ParallelRegister : uint8_t { Data = 0, Status = 1, Control = 2 };

// An open port that this program has claimed. Every call is one register access (one ioctl on
// ppdev); false when the access failed.
class ParallelPort {
public:
    virtual ~ParallelPort() = default;
    virtual bool Read(ParallelRegister reg, uint8_t &value) = 0;
    // The status register cannot be written; writing it fails.
    virtual bool Write(ParallelRegister reg, uint8_t value) = 0;
    // Byte (bidirectional PS/2) mode where the port has an extended control register; true with
    // nothing to do on a port without one.
    virtual bool SetByteMode() = 0;
};

// Why a port could not be opened.
enum class ParallelOpenError { None, Missing, Permission, Busy, Failed };

struct ParallelOpening {
    std::unique_ptr<ParallelPort> port; // null when the port could not be opened
    QString device;                     // what was opened or tried ("/dev/parport0")
    ParallelOpenError error = ParallelOpenError::None;
    QString reason;       // the system's words for a failure, when it gave any
    bool fallback = false; // no port at the base asked for; the first port is used instead
};

// Opens and claims the port at a base address (0x378, 0x278, 0x3BC or any other).
class ParallelPlatform {
public:
    virtual ~ParallelPlatform() = default;
    virtual ParallelOpening Open(uint16_t base) = 0;
};

// The status text of an opening: the device, and what went wrong.
QString ParallelOpeningText(const ParallelOpening &opening, uint16_t base);

} // namespace vek
