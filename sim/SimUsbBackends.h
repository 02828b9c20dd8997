#pragma once
// The simulated board behind the same two doors as real hardware: a HID bus and a driver bus,
// each a list of devices in the order the platform would list them. A device is either a
// simulated board or a foreign device that only has its ids.
#include "link/UsbPlatform.h"
#include "sim/SimBoard.h"

#include <map>
#include <vector>

namespace vek::sim {

// Ids of the simulated board.
constexpr HidAttributes kBoardHidAttributes{0x04D8, 0x2008, 0x0727};
constexpr uint16_t kBoardDriverVendor = 0x0547;
constexpr uint16_t kBoardDriverProduct = 0x1004;

struct SimHidDevice {
    HidAttributes attributes = kBoardHidAttributes;
    SimBoard *board = nullptr; // null: a foreign device that never answers
    bool openable = true;      // false: listed but cannot be opened (no permission)
    uint16_t inputLength = 65;
    uint16_t outputLength = 65;
};

class SimHidBackend final : public HidBackend {
public:
    std::vector<SimHidDevice> devices;

    int64_t Hid_GetDeviceH(uint8_t &found, int index) override;
    bool Hid_Get_att(int64_t handle, uint16_t &inputLength, uint16_t &outputLength,
                       HidAttributes &attributes) override;
    bool WriteReport(int64_t handle, const uint8_t *report, size_t length) override;
    int ReadReport(int64_t handle, uint8_t *report, size_t length) override;
    void Close(int64_t handle) override;

    int OpenHandles() const { return int(m_open.size()); }
    int OpensTried() const { return m_opensTried; }

private:
    struct Open {
        size_t device;
        int generation;
    };
    // The devices as listed now: an unplugged board is not listed.
    std::vector<size_t> Listing() const;
    SimBoard *LiveBoard(const Open &open) const;

    std::map<int64_t, Open> m_open;
    int64_t m_nextHandle = 1;
    int m_opensTried = 0;
};

struct SimDriverDevice {
    uint16_t vendorId = kBoardDriverVendor;
    uint16_t productId = kBoardDriverProduct;
    SimBoard *board = nullptr;
    bool pipesSwapped = false; // pipe 0 OUT and pipe 1 IN, which the search must refuse
};

class SimUsbDriverBackend final : public UsbDriverBackend {
public:
    std::vector<SimDriverDevice> devices;

    int64_t OpenDevice(const QString &name) override;
    bool GetDeviceDescriptor(int64_t handle, DeviceDescriptorBuffer &buffer) override;
    bool GetPipeInfo(int64_t handle, PipeInfoBuffer &buffer) override;
    bool BulkWrite(int64_t handle, uint32_t pipe, const uint8_t *data, size_t length,
                   uint32_t &transferred) override;
    bool BulkRead(int64_t handle, uint32_t pipe, uint8_t *data, size_t length,
                  uint32_t &transferred) override;
    void Close(int64_t handle) override;

    int OpenHandles() const { return int(m_open.size()); }
    int OpensTried() const { return m_opensTried; }

private:
    struct Open {
        size_t device;
        int generation;
    };
    const Open *Find(int64_t handle) const;
    SimBoard *LiveBoard(const Open &open) const;
    // The endpoint address of a pipe number (pipe 0 IN 0x81, pipe 1 OUT 0x01 unless swapped).
    uint8_t PipeEndpoint(const SimDriverDevice &d, uint32_t pipe) const;

    std::map<int64_t, Open> m_open;
    int64_t m_nextHandle = 1;
    int m_opensTried = 0;
};

} // namespace vek::sim

namespace vek::sim {

// One simulated board on the HID bus and an empty driver bus: what the program talks to when
// it runs on the simulated board.
struct SimUsb {
    SimBoard board;
    SimHidBackend hid;
    SimUsbDriverBackend driver;
    SimUsb() { hid.devices.push_back(SimHidDevice{kBoardHidAttributes, &board}); }
};

} // namespace vek::sim
