#include "sim/SimUsbBackends.h"

#include <algorithm>
#include <cstring>

namespace vek::sim {

// ---- HID bus ----

std::vector<size_t> SimHidBackend::Listing() const
{
    std::vector<size_t> listed;
    for (size_t i = 0; i < devices.size(); ++i)
        if (!devices[i].board || devices[i].board->Plugged())
            listed.push_back(i);
    return listed;
}

SimBoard *SimHidBackend::LiveBoard(const Open &open) const
{
    if (open.device >= devices.size())
        return nullptr;
    SimBoard *b = devices[open.device].board;
    return b && b->Plugged() && b->Generation() == open.generation ? b : nullptr;
}

int64_t SimHidBackend::Hid_GetDeviceH(uint8_t &found, int index)
{
    ++m_opensTried;
    found = 0;
    const std::vector<size_t> listed = Listing();
    if (index < 0 || size_t(index) >= listed.size())
        return -1;
    found = 1;
    const SimHidDevice &d = devices[listed[size_t(index)]];
    if (!d.openable)
        return -1;
    const int64_t handle = m_nextHandle++;
    m_open.emplace(handle, Open{listed[size_t(index)], d.board ? d.board->Generation() : 0});
    return handle;
}

bool SimHidBackend::Hid_Get_att(int64_t handle, uint16_t &inputLength, uint16_t &outputLength,
                                  HidAttributes &attributes)
{
    auto it = m_open.find(handle);
    if (it == m_open.end())
        return false;
    const SimHidDevice &d = devices[it->second.device];
    inputLength = d.inputLength;
    outputLength = d.outputLength;
    attributes = d.attributes;
    return true;
}

bool SimHidBackend::WriteReport(int64_t handle, const uint8_t *report, size_t length)
{
    auto it = m_open.find(handle);
    if (it == m_open.end() || length < 1)
        return false;
    SimBoard *b = LiveBoard(it->second);
    if (!b || length != devices[it->second.device].outputLength)
        return false;
    return b->Receive(report + 1, length - 1);
}

int SimHidBackend::ReadReport(int64_t handle, uint8_t *report, size_t length)
{
    auto it = m_open.find(handle);
    if (it == m_open.end() || length < 1)
        return -1;
    SimBoard *b = LiveBoard(it->second);
    std::vector<uint8_t> reply;
    // Nothing to read stands for the read timing out.
    if (!b || !b->TakeReply(reply))
        return -1;
    std::memset(report, 0, length);
    const size_t n = std::min(reply.size(), length - 1);
    std::memcpy(report + 1, reply.data(), n);
    // A board that cuts its reply short sends a short report.
    if (b->faults.shortReply)
        return int(1 + n);
    return int(std::min<size_t>(length, devices[it->second.device].inputLength));
}

void SimHidBackend::Close(int64_t handle)
{
    m_open.erase(handle);
}

// ---- Driver bus ----

const SimUsbDriverBackend::Open *SimUsbDriverBackend::Find(int64_t handle) const
{
    auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : &it->second;
}

SimBoard *SimUsbDriverBackend::LiveBoard(const Open &open) const
{
    if (open.device >= devices.size())
        return nullptr;
    SimBoard *b = devices[open.device].board;
    return b && b->Plugged() && b->Generation() == open.generation ? b : nullptr;
}

int64_t SimUsbDriverBackend::OpenDevice(const QString &name)
{
    ++m_opensTried;
    static const QString kPrefix = QStringLiteral("VekUSB-");
    if (!name.startsWith(kPrefix))
        return -1;
    bool ok = false;
    const int n = name.mid(kPrefix.size()).toInt(&ok);
    if (!ok || n < 0 || size_t(n) >= devices.size())
        return -1;
    const SimDriverDevice &d = devices[size_t(n)];
    if (d.board && !d.board->Plugged())
        return -1;
    const int64_t handle = m_nextHandle++;
    m_open.emplace(handle, Open{size_t(n), d.board ? d.board->Generation() : 0});
    return handle;
}

bool SimUsbDriverBackend::GetDeviceDescriptor(int64_t handle, DeviceDescriptorBuffer &buffer)
{
    const Open *open = Find(handle);
    if (!open)
        return false;
    const SimDriverDevice &d = devices[open->device];
    const uint8_t bytes[18] = {18,   1, 0x00, 0x02, 0xFF, 0, 0, 64, uint8_t(d.vendorId), uint8_t(d.vendorId >> 8),
                               uint8_t(d.productId), uint8_t(d.productId >> 8), 0x00, 0x01, 1, 2, 0, 1};
    std::memcpy(buffer.data(), bytes, sizeof bytes);
    return true;
}

uint8_t SimUsbDriverBackend::PipeEndpoint(const SimDriverDevice &d, uint32_t pipe) const
{
    const bool in = (pipe == 0) != d.pipesSwapped;
    return in ? 0x81 : 0x01;
}

bool SimUsbDriverBackend::GetPipeInfo(int64_t handle, PipeInfoBuffer &buffer)
{
    const Open *open = Find(handle);
    if (!open)
        return false;
    const SimDriverDevice &d = devices[open->device];
    buffer.fill(0);
    const uint16_t length = kPipeInfoHeaderBytes + 2 * kPipeEntryBytes;
    buffer[0] = uint8_t(length);
    buffer[1] = uint8_t(length >> 8);
    buffer[4] = 0xFF; // vendor-specific interface class
    buffer[12] = 2;   // two pipes
    for (uint32_t pipe = 0; pipe < 2; ++pipe) {
        PipeEntry e;
        e.maxPacketSize = 64;
        e.endpointAddress = PipeEndpoint(d, pipe);
        e.pipeType = 2; // bulk
        e.pipeHandle = pipe + 1;
        e.maxTransferSize = 4096;
        StorePipeEntry(e, buffer.data() + kPipeInfoHeaderBytes + kPipeEntryBytes * pipe);
    }
    return true;
}

bool SimUsbDriverBackend::BulkWrite(int64_t handle, uint32_t pipe, const uint8_t *data, size_t length,
                                    uint32_t &transferred)
{
    transferred = 0;
    const Open *open = Find(handle);
    if (!open || pipe > 1 || (PipeEndpoint(devices[open->device], pipe) & 0x80))
        return false;
    SimBoard *b = LiveBoard(*open);
    if (!b || !b->Receive(data, length))
        return false;
    transferred = uint32_t(length);
    return true;
}

bool SimUsbDriverBackend::BulkRead(int64_t handle, uint32_t pipe, uint8_t *data, size_t length,
                                   uint32_t &transferred)
{
    transferred = 0;
    const Open *open = Find(handle);
    if (!open || pipe > 1 || !(PipeEndpoint(devices[open->device], pipe) & 0x80))
        return false;
    SimBoard *b = LiveBoard(*open);
    std::vector<uint8_t> reply;
    if (!b || !b->TakeReply(reply))
        return false;
    // More than asked for is an overflow, as on a real bus.
    if (reply.size() > length)
        return false;
    std::memcpy(data, reply.data(), reply.size());
    transferred = uint32_t(reply.size());
    return true;
}

void SimUsbDriverBackend::Close(int64_t handle)
{
    m_open.erase(handle);
}

} // namespace vek::sim
