#pragma once
// The real platform behind the two USB doors: the HID path on hidapi (hidraw) and the driver
// path on libusb-1.0.
#include "link/UsbPlatform.h"

#include <QSet>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

struct hid_device_;
struct libusb_context;
struct libusb_device_handle;

namespace vek {

// How long a read waits for the board's reply before it counts as failed. The board answers in
// a few milliseconds; a board that never answers must not hang the program.
constexpr int kReplyTimeoutMs = 1000;

// Tells the user once per device node that the board is there but cannot be opened for lack of
// permission, naming the node and the udev rule that grants access.
class PermissionNotice {
public:
    // Where the notice goes (standard error unless replaced).
    std::function<void(const QString &)> sink;
    void Report(const QString &deviceNode);

private:
    QSet<QString> m_reported;
};

QString PermissionNoticeText(const QString &deviceNode);

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;

    int64_t Hid_GetDeviceH(uint8_t &found, int index) override;
    bool Hid_Get_att(int64_t handle, uint16_t &inputLength, uint16_t &outputLength,
                       HidAttributes &attributes) override;
    bool WriteReport(int64_t handle, const uint8_t *report, size_t length) override;
    int ReadReport(int64_t handle, uint8_t *report, size_t length) override;
    void Close(int64_t handle) override;
    int LastError() const override { return m_lastError; }

    PermissionNotice notice;

private:
    struct Listed {
        std::string path;
        HidAttributes attributes;
    };
    struct Open {
        hid_device_ *device = nullptr;
        HidAttributes attributes;
        uint16_t inputLength = 65;
        uint16_t outputLength = 65;
        bool usesReportIds = false;
    };
    void Enumerate();

    std::vector<Listed> m_listed;
    std::map<int64_t, Open> m_open;
    int64_t m_nextHandle = 1;
    int m_lastError = 0;
};

class LibusbBackend final : public UsbDriverBackend {
public:
    LibusbBackend();
    ~LibusbBackend() override;

    int64_t OpenDevice(const QString &name) override;
    bool GetDeviceDescriptor(int64_t handle, DeviceDescriptorBuffer &buffer) override;
    bool GetPipeInfo(int64_t handle, PipeInfoBuffer &buffer) override;
    bool BulkWrite(int64_t handle, uint32_t pipe, const uint8_t *data, size_t length,
                   uint32_t &transferred) override;
    bool BulkRead(int64_t handle, uint32_t pipe, uint8_t *data, size_t length,
                  uint32_t &transferred) override;
    void Close(int64_t handle) override;
    int LastError() const override { return m_lastError; }

    PermissionNotice notice;

private:
    struct Endpoint {
        uint8_t address = 0;
        uint8_t attributes = 0;
        uint16_t maxPacketSize = 0;
        uint8_t interval = 0;
    };
    struct Open {
        libusb_device_handle *device = nullptr;
        bool claimed = false;
        std::vector<Endpoint> endpoints; // interface 0, alternate setting 0, in order
    };
    Open *Find(int64_t handle);
    bool Transfer(int64_t handle, uint32_t pipe, uint8_t *data, size_t length, bool in,
                  uint32_t &transferred);

    libusb_context *m_context = nullptr;
    std::map<int64_t, Open> m_open;
    int64_t m_nextHandle = 1;
    int m_lastError = 0;
};

} // namespace vek
