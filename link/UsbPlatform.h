#pragma once
// The two doors to the evaluation board below the USB transport: the HID class and the board's
// own USB driver path. Each is a small interface with one implementation on the real platform
// (hidapi, libusb) and one on the simulated board, so the transport above runs unchanged on both.
//
// Handles are small positive numbers that an implementation hands out and never reuses, so a
// handle that was closed fails cleanly instead of reaching another device.
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

namespace vek {

// The byte layouts the driver path returns.
constexpr int kDeviceDescriptorBytes = 148;
constexpr int kPipeInfoBytes = 356;
constexpr int kPipeInfoHeaderBytes = 16;
constexpr int kPipeEntryBytes = 20;
constexpr int kMaxPipeEntries = 17;
using DeviceDescriptorBuffer = std::array<uint8_t, kDeviceDescriptorBytes>;
using PipeInfoBuffer = std::array<uint8_t, kPipeInfoBytes>;

// Vendor id, product id and release number of a HID device.
struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// The HID path. Reports are moved whole: an output report is the report id byte followed by the
// data, an input report arrives the same way (byte 0 the report id).
class HidBackend {
public:
    virtual ~HidBackend() = default;
    // Opens the index-th HID device the platform lists (index 0 starts a fresh listing). Sets
    // found to 1 and returns a handle (> 0) when a device exists there and could be opened;
    // otherwise found is 0 (no device) or the handle is -1 (cannot be opened).
    virtual int64_t Hid_GetDeviceH(uint8_t &found, int index) = 0;
    // Input and output report lengths (report id byte included) and the attributes.
    virtual bool Hid_Get_att(int64_t handle, uint16_t &inputLength, uint16_t &outputLength,
                               HidAttributes &attributes) = 0;
    // Writes one whole output report; true when all bytes went out.
    virtual bool WriteReport(int64_t handle, const uint8_t *report, size_t length) = 0;
    // Reads one input report into report (capacity length); returns the bytes received, or -1
    // on failure or when nothing arrives in time.
    virtual int ReadReport(int64_t handle, uint8_t *report, size_t length) = 0;
    virtual void Close(int64_t handle) = 0;
    // The platform's error code of the last failed call (0 when unknown).
    virtual int LastError() const { return 0; }
};

// The driver path. Devices are named "VekUSB-" and a number.
class UsbDriverBackend {
public:
    virtual ~UsbDriverBackend() = default;
    // A handle (> 0) for the named device, or -1 when there is none or it cannot be opened.
    virtual int64_t OpenDevice(const QString &name) = 0;
    // Fills the first 18 bytes of buffer with the standard USB device descriptor.
    virtual bool GetDeviceDescriptor(int64_t handle, DeviceDescriptorBuffer &buffer) = 0;
    // Interface 0 in the pipe-information layout: a 16-byte header, then 20-byte pipe entries.
    virtual bool GetPipeInfo(int64_t handle, PipeInfoBuffer &buffer) = 0;
    // Bulk transfers on the numbered pipe of interface 0; transferred receives the byte count.
    virtual bool BulkWrite(int64_t handle, uint32_t pipe, const uint8_t *data, size_t length,
                           uint32_t &transferred) = 0;
    virtual bool BulkRead(int64_t handle, uint32_t pipe, uint8_t *data, size_t length,
                          uint32_t &transferred) = 0;
    virtual void Close(int64_t handle) = 0;
    virtual int LastError() const { return 0; }
};

// A backend with nothing behind it: every open fails. The program's default until a real or
// simulated platform is chosen.
class NoHidBackend final : public HidBackend {
public:
    int64_t Hid_GetDeviceH(uint8_t &found, int) override
    {
        found = 0;
        return -1;
    }
    bool Hid_Get_att(int64_t, uint16_t &, uint16_t &, HidAttributes &) override { return false; }
    bool WriteReport(int64_t, const uint8_t *, size_t) override { return false; }
    int ReadReport(int64_t, uint8_t *, size_t) override { return -1; }
    void Close(int64_t) override {}
};

class NoUsbDriverBackend final : public UsbDriverBackend {
public:
    int64_t OpenDevice(const QString &) override { return -1; }
    bool GetDeviceDescriptor(int64_t, DeviceDescriptorBuffer &) override { return false; }
    bool GetPipeInfo(int64_t, PipeInfoBuffer &) override { return false; }
    bool BulkWrite(int64_t, uint32_t, const uint8_t *, size_t, uint32_t &) override { return false; }
    bool BulkRead(int64_t, uint32_t, uint8_t *, size_t, uint32_t &) override { return false; }
    void Close(int64_t) override {}
};

// Pipe entry helpers for the 20-byte layout: maximum packet size u16, endpoint address u8
// (bit 7 set = IN), interval u8, pipe type u32, pipe handle u32, maximum transfer size u32,
// pipe flags u32, all little-endian.
struct PipeEntry {
    uint16_t maxPacketSize = 0;
    uint8_t endpointAddress = 0;
    uint8_t interval = 0;
    uint32_t pipeType = 0;
    uint32_t pipeHandle = 0;
    uint32_t maxTransferSize = 0;
    uint32_t flags = 0;
};
void StorePipeEntry(const PipeEntry &entry, uint8_t *out20);
PipeEntry LoadPipeEntry(const uint8_t *in20);

} // namespace vek
