#include "link/RealUsbBackends.h"

#include "link/HidReportDescriptor.h"
#include "link/UsbTransport.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <hidapi.h>
#include <libusb.h>
#include <unistd.h>

namespace vek {

QString PermissionNoticeText(const QString &deviceNode)
{
    return QStringLiteral(
               "vek-enobtest: the evaluation board is at %1 but this user may not open it "
               "(permission denied). Install the udev rule tools/udev/70-vek-enobtest.rules as "
               "the README says, then unplug the board and plug it in again.")
        .arg(deviceNode);
}

void PermissionNotice::Report(const QString &deviceNode)
{
    if (m_reported.contains(deviceNode))
        return;
    m_reported.insert(deviceNode);
    const QString text = PermissionNoticeText(deviceNode);
    if (sink)
        sink(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

namespace {

// True when the node exists but this user may not read and write it.
bool PermissionDenied(const char *node)
{
    return ::access(node, R_OK | W_OK) != 0 && errno == EACCES;
}

// The report descriptor of a hidraw node, as the kernel publishes it.
HidReportLengths ReportLengthsOf(const std::string &path)
{
    const QString node = QFileInfo(QString::fromStdString(path)).fileName();
    QFile f(QStringLiteral("/sys/class/hidraw/%1/device/report_descriptor").arg(node));
    if (!node.startsWith(QLatin1String("hidraw")) || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray d = f.read(4096);
    return ParseHidReportDescriptor(reinterpret_cast<const uint8_t *>(d.constData()), size_t(d.size()));
}

} // namespace

// ---- HID path on hidapi ----

HidapiBackend::HidapiBackend()
{
    hid_init();
}

HidapiBackend::~HidapiBackend()
{
    for (auto &[handle, open] : m_open)
        hid_close(open.device);
    m_open.clear();
    hid_exit();
}

void HidapiBackend::Enumerate()
{
    m_listed.clear();
    hid_device_info *all = hid_enumerate(0, 0);
    for (hid_device_info *d = all; d; d = d->next)
        m_listed.push_back({d->path ? d->path : "",
                            HidAttributes{d->vendor_id, d->product_id, d->release_number}});
    hid_free_enumeration(all);
}

int64_t HidapiBackend::Hid_GetDeviceH(uint8_t &found, int index)
{
    found = 0;
    // Index 0 starts a search: list the devices afresh; the later indexes use that list.
    if (index == 0)
        Enumerate();
    if (index < 0 || size_t(index) >= m_listed.size())
        return -1;
    found = 1;
    const Listed &l = m_listed[size_t(index)];
    hid_device *device = hid_open_path(l.path.c_str());
    if (!device) {
        m_lastError = errno;
        if (l.attributes.vendorId == kHidVendorId && l.attributes.productId == kHidProductId &&
            PermissionDenied(l.path.c_str()))
            notice.Report(QString::fromStdString(l.path));
        return -1;
    }
    Open open;
    open.device = device;
    open.attributes = l.attributes;
    const HidReportLengths lengths = ReportLengthsOf(l.path);
    if (lengths.valid) {
        open.inputLength = lengths.input;
        open.outputLength = lengths.output;
        open.usesReportIds = lengths.usesReportIds;
    }
    const int64_t handle = m_nextHandle++;
    m_open.emplace(handle, open);
    return handle;
}

bool HidapiBackend::Hid_Get_att(int64_t handle, uint16_t &inputLength, uint16_t &outputLength,
                                  HidAttributes &attributes)
{
    auto it = m_open.find(handle);
    if (it == m_open.end())
        return false;
    inputLength = it->second.inputLength;
    outputLength = it->second.outputLength;
    attributes = it->second.attributes;
    return true;
}

bool HidapiBackend::WriteReport(int64_t handle, const uint8_t *report, size_t length)
{
    auto it = m_open.find(handle);
    if (it == m_open.end())
        return false;
    const int n = hid_write(it->second.device, report, length);
    if (n != int(length)) {
        m_lastError = errno;
        return false;
    }
    return true;
}

int HidapiBackend::ReadReport(int64_t handle, uint8_t *report, size_t length)
{
    auto it = m_open.find(handle);
    if (it == m_open.end() || length < 1)
        return -1;
    // hidraw hands over reports of a device without report ids without the id byte.
    const bool ids = it->second.usesReportIds;
    uint8_t *into = ids ? report : report + 1;
    const size_t room = ids ? length : length - 1;
    const int n = hid_read_timeout(it->second.device, into, room, kReplyTimeoutMs);
    if (n <= 0) {
        m_lastError = n == 0 ? ETIMEDOUT : errno;
        return -1;
    }
    if (ids)
        return n;
    report[0] = 0;
    return n + 1;
}

void HidapiBackend::Close(int64_t handle)
{
    auto it = m_open.find(handle);
    if (it == m_open.end())
        return;
    hid_close(it->second.device);
    m_open.erase(it);
}

// ---- Driver path on libusb ----

LibusbBackend::LibusbBackend()
{
    if (libusb_init(&m_context) != 0)
        m_context = nullptr;
}

LibusbBackend::~LibusbBackend()
{
    for (auto &[handle, open] : m_open) {
        if (open.claimed)
            libusb_release_interface(open.device, 0);
        libusb_close(open.device);
    }
    m_open.clear();
    if (m_context)
        libusb_exit(m_context);
}

int64_t LibusbBackend::OpenDevice(const QString &name)
{
    static const QString kPrefix = QStringLiteral("VekUSB-");
    if (!m_context || !name.startsWith(kPrefix))
        return -1;
    bool ok = false;
    const int n = name.mid(kPrefix.size()).toInt(&ok);
    if (!ok || n < 0)
        return -1;
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context, &list);
    if (count < 0)
        return -1;
    int64_t handle = -1;
    if (n < count) {
        libusb_device *dev = list[n];
        libusb_device_handle *device = nullptr;
        const int rc = libusb_open(dev, &device);
        if (rc == 0) {
            Open open;
            open.device = device;
            libusb_config_descriptor *config = nullptr;
            if (libusb_get_active_config_descriptor(dev, &config) == 0) {
                if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
                    const libusb_interface_descriptor &alt = config->interface[0].altsetting[0];
                    for (int e = 0; e < alt.bNumEndpoints; ++e) {
                        const libusb_endpoint_descriptor &ep = alt.endpoint[e];
                        open.endpoints.push_back(
                            {ep.bEndpointAddress, ep.bmAttributes, ep.wMaxPacketSize, ep.bInterval});
                    }
                }
                libusb_free_config_descriptor(config);
            }
            handle = m_nextHandle++;
            m_open.emplace(handle, std::move(open));
        } else {
            m_lastError = rc;
            libusb_device_descriptor d{};
            if (rc == LIBUSB_ERROR_ACCESS && libusb_get_device_descriptor(dev, &d) == 0 &&
                d.idVendor == kDriverVendorId && d.idProduct == kDriverProductId)
                notice.Report(QStringLiteral("/dev/bus/usb/%1/%2")
                                  .arg(libusb_get_bus_number(dev), 3, 10, QLatin1Char('0'))
                                  .arg(libusb_get_device_address(dev), 3, 10, QLatin1Char('0')));
        }
    }
    libusb_free_device_list(list, 1);
    return handle;
}

LibusbBackend::Open *LibusbBackend::Find(int64_t handle)
{
    auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : &it->second;
}

bool LibusbBackend::GetDeviceDescriptor(int64_t handle, DeviceDescriptorBuffer &buffer)
{
    Open *open = Find(handle);
    if (!open)
        return false;
    libusb_device_descriptor d{};
    const int rc = libusb_get_device_descriptor(libusb_get_device(open->device), &d);
    if (rc != 0) {
        m_lastError = rc;
        return false;
    }
    const uint8_t bytes[18] = {d.bLength,
                               d.bDescriptorType,
                               uint8_t(d.bcdUSB),
                               uint8_t(d.bcdUSB >> 8),
                               d.bDeviceClass,
                               d.bDeviceSubClass,
                               d.bDeviceProtocol,
                               d.bMaxPacketSize0,
                               uint8_t(d.idVendor),
                               uint8_t(d.idVendor >> 8),
                               uint8_t(d.idProduct),
                               uint8_t(d.idProduct >> 8),
                               uint8_t(d.bcdDevice),
                               uint8_t(d.bcdDevice >> 8),
                               d.iManufacturer,
                               d.iProduct,
                               d.iSerialNumber,
                               d.bNumConfigurations};
    std::memcpy(buffer.data(), bytes, sizeof bytes);
    return true;
}

bool LibusbBackend::GetPipeInfo(int64_t handle, PipeInfoBuffer &buffer)
{
    Open *open = Find(handle);
    if (!open)
        return false;
    buffer.fill(0);
    const size_t pipes = std::min<size_t>(open->endpoints.size(), kMaxPipeEntries);
    const uint16_t length = uint16_t(kPipeInfoHeaderBytes + kPipeEntryBytes * pipes);
    buffer[0] = uint8_t(length);
    buffer[1] = uint8_t(length >> 8);
    buffer[12] = uint8_t(pipes); // number of pipes, u32 at byte 12
    for (size_t i = 0; i < pipes; ++i) {
        const Endpoint &ep = open->endpoints[i];
        PipeEntry e;
        e.maxPacketSize = ep.maxPacketSize;
        e.endpointAddress = ep.address;
        e.interval = ep.interval;
        e.pipeType = ep.attributes & 3;
        e.pipeHandle = uint32_t(i + 1);
        e.maxTransferSize = 4096;
        StorePipeEntry(e, buffer.data() + kPipeInfoHeaderBytes + kPipeEntryBytes * i);
    }
    return true;
}

bool LibusbBackend::Transfer(int64_t handle, uint32_t pipe, uint8_t *data, size_t length, bool in,
                             uint32_t &transferred)
{
    transferred = 0;
    Open *open = Find(handle);
    if (!open || pipe >= open->endpoints.size())
        return false;
    const Endpoint &ep = open->endpoints[pipe];
    if (bool(ep.address & 0x80) != in)
        return false;
    if (!open->claimed) {
        libusb_set_auto_detach_kernel_driver(open->device, 1);
        const int rc = libusb_claim_interface(open->device, 0);
        if (rc != 0) {
            m_lastError = rc;
            return false;
        }
        open->claimed = true;
    }
    int done = 0;
    const bool interrupt = (ep.attributes & 3) == LIBUSB_TRANSFER_TYPE_INTERRUPT;
    const int rc = interrupt ? libusb_interrupt_transfer(open->device, ep.address, data, int(length),
                                                         &done, kReplyTimeoutMs)
                             : libusb_bulk_transfer(open->device, ep.address, data, int(length), &done,
                                                    kReplyTimeoutMs);
    transferred = uint32_t(std::max(done, 0));
    if (rc != 0) {
        m_lastError = rc;
        return false;
    }
    return true;
}

bool LibusbBackend::BulkWrite(int64_t handle, uint32_t pipe, const uint8_t *data, size_t length,
                              uint32_t &transferred)
{
    // libusb takes a non-const buffer for both directions; an OUT transfer only reads it.
    return Transfer(handle, pipe, const_cast<uint8_t *>(data), length, false, transferred) &&
           transferred == length;
}

bool LibusbBackend::BulkRead(int64_t handle, uint32_t pipe, uint8_t *data, size_t length,
                             uint32_t &transferred)
{
    return Transfer(handle, pipe, data, length, true, transferred);
}

void LibusbBackend::Close(int64_t handle)
{
    auto it = m_open.find(handle);
    if (it == m_open.end())
        return;
    if (it->second.claimed)
        libusb_release_interface(it->second.device, 0);
    libusb_close(it->second.device);
    m_open.erase(it);
}

} // namespace vek
