#include "link/UsbTransport.h"

#include <algorithm>
#include <cstring>

namespace vek {

namespace {

// Largest report the HID path handles; the board's are 65 bytes.
constexpr int kMaxReportBytes = 1024;

NoHidBackend g_noHid;
NoUsbDriverBackend g_noDriver;

HidBackend &Hid(LinkIo &io) { return io.bus.hid ? *io.bus.hid : g_noHid; }
UsbDriverBackend &Driver(LinkIo &io) { return io.bus.driver ? *io.bus.driver : g_noDriver; }

// The HID flag decides the path, except for a link that the driver search opened.
bool OnHidPath(const LinkIo &io, const UsbLink &link) { return io.hidMode != 0 && !link.openedByDriver; }

void Trace(LinkIo &io, FrameTrace::Direction d, int count, bool ok)
{
    if (io.bus.trace)
        io.bus.trace->Frame(d, io.buffer.data(), size_t(std::clamp(count, 0, kFrameBytes)), ok);
}

void Note(LinkIo &io, const QString &text)
{
    if (io.bus.trace)
        io.bus.trace->Note(text);
}

uint16_t Le16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }

void PutFrame(TransferBuffer &b, std::initializer_list<uint8_t> bytes)
{
    int i = 0;
    for (uint8_t v : bytes)
        b[size_t(i++)] = v;
}

} // namespace

void StorePipeEntry(const PipeEntry &e, uint8_t *out)
{
    auto put32 = [](uint8_t *p, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[i] = uint8_t(v >> (8 * i));
    };
    out[0] = uint8_t(e.maxPacketSize);
    out[1] = uint8_t(e.maxPacketSize >> 8);
    out[2] = e.endpointAddress;
    out[3] = e.interval;
    put32(out + 4, e.pipeType);
    put32(out + 8, e.pipeHandle);
    put32(out + 12, e.maxTransferSize);
    put32(out + 16, e.flags);
}

PipeEntry LoadPipeEntry(const uint8_t *in)
{
    auto get32 = [](const uint8_t *p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    };
    PipeEntry e;
    e.maxPacketSize = Le16(in);
    e.endpointAddress = in[2];
    e.interval = in[3];
    e.pipeType = get32(in + 4);
    e.pipeHandle = get32(in + 8);
    e.maxTransferSize = get32(in + 12);
    e.flags = get32(in + 16);
    return e;
}

void ResetLink(LinkIo &io, UsbLink &link)
{
    const bool hidPath = OnHidPath(io, link);
    const int err = hidPath ? Hid(io).LastError() : Driver(io).LastError();
    if (err != 0)
        io.bus.lastError = err;
    if (HandleValid(link.handle) && link.connected) {
        if (hidPath)
            Hid(io).Close(link.handle);
        else
            Driver(io).Close(link.handle);
        Note(io, QStringLiteral("link closed"));
    }
    link.handle = -1;
    link.deviceName.clear();
    link.state = -1;
    link.index = -1;
    link.openMarker = 0;
    // Vendor id, product id and device release of the descriptor copy.
    std::fill(link.deviceDescriptor.begin() + 8, link.deviceDescriptor.begin() + 14, uint8_t(0));
    link.connected = 0;
}

bool LinkWrite(LinkIo &io, UsbLink &link, int count)
{
    if (count < 0 || count > kFrameBytes)
        return false;
    bool ok;
    if (OnHidPath(io, link)) {
        const int length = io.bus.outputReportLength;
        ok = length >= 2 && length <= kMaxReportBytes;
        if (ok) {
            std::array<uint8_t, kMaxReportBytes> report{};
            report[0] = 0; // report id
            std::memcpy(report.data() + 1, io.buffer.data(), size_t(std::min(length - 1, kFrameBytes)));
            ok = Hid(io).WriteReport(link.handle, report.data(), size_t(length));
        }
    } else {
        // Pipe 1 must be the OUT pipe.
        ok = (link.pipes[1][2] & 0x80) == 0;
        if (ok) {
            io.bus.byteCount = 0;
            ok = Driver(io).BulkWrite(link.handle, 1, io.buffer.data(), size_t(count), io.bus.byteCount);
        }
    }
    Trace(io, FrameTrace::Direction::ToBoard, count, ok);
    if (!ok)
        ResetLink(io, link);
    return ok;
}

bool LinkRead(LinkIo &io, UsbLink &link, int count, int needed)
{
    if (count < 0 || count > kFrameBytes)
        return false;
    if (needed < 0 || needed > count)
        needed = count;
    bool ok;
    if (OnHidPath(io, link)) {
        const int length = io.bus.inputReportLength;
        ok = length >= 2 && length <= kMaxReportBytes;
        if (ok) {
            std::array<uint8_t, kMaxReportBytes> report{};
            // A report shorter than the device's input report length is a broken reply.
            ok = Hid(io).ReadReport(link.handle, report.data(), size_t(length)) == length;
            if (ok)
                std::memcpy(io.buffer.data(), report.data() + 1, size_t(std::min(length - 1, kFrameBytes)));
        }
    } else {
        // Pipe 0 must be the IN pipe.
        ok = (link.pipes[0][2] & 0x80) != 0;
        if (ok) {
            io.bus.byteCount = 0;
            ok = Driver(io).BulkRead(link.handle, 0, io.buffer.data(), size_t(count), io.bus.byteCount);
            // A reply without the bytes the caller examines would leave the frame's own bytes
            // where the reply is expected.
            ok = ok && io.bus.byteCount >= uint32_t(needed);
        }
    }
    Trace(io, FrameTrace::Direction::FromBoard, count, ok);
    if (!ok)
        ResetLink(io, link);
    return ok;
}

bool BoardCommand(LinkIo &io, UsbLink &link, uint8_t code, uint16_t &value)
{
    PutFrame(io.buffer, {0xF9, code, uint8_t(value), uint8_t(value >> 8)});
    if (!LinkWrite(io, link, 4) || !LinkRead(io, link, 8, 2)) // only the value is examined
        return false;
    value = uint16_t(io.buffer[0] + 256 * io.buffer[1]);
    return true;
}

bool IdentifyBoard(LinkIo &io, UsbLink &link)
{
    if (!link.connected)
        return false;
    PutFrame(io.buffer, {0xF9, kIdentity});
    if (!LinkWrite(io, link, 2) || !LinkRead(io, link, 8))
        return false;
    return std::memcmp(io.buffer.data(), kBoardIdentity, 8) == 0;
}

namespace {

// The board is free, or still holds the number this program gave it on this path.
bool BoardAvailable(uint16_t number, int candidate, int32_t ownClaim)
{
    return number == kFreeBoardNumber || (ownClaim == candidate && number == candidate);
}

// The claim tail that both paths share: the two initialisation frames, whose replies are not
// examined.
void SendInitialisation(LinkIo &io, UsbLink &link)
{
    PutFrame(io.buffer, {0xC5, 0xFF, 0x01, 0x00});
    if (!LinkWrite(io, link, 4) || !LinkRead(io, link, 64, 0))
        return;
    PutFrame(io.buffer, {0xC5, 0xFF, 0x00, 0x00});
    if (!LinkWrite(io, link, 4) || !LinkRead(io, link, 64, 0))
        return;
}

bool TryDriverDevice(LinkIo &io, UsbLink &link, int n, uint8_t &status)
{
    UsbDriverBackend &driver = Driver(io);
    link.deviceName = QStringLiteral("VekUSB-%1").arg(n);
    link.openedByDriver = true;
    const int64_t handle = driver.OpenDevice(link.deviceName);
    link.handle = handle;
    bool ok = HandleValid(handle);
    if (ok) {
        DeviceDescriptorBuffer descriptor{};
        ok = driver.GetDeviceDescriptor(handle, descriptor);
        link.deviceDescriptor = descriptor;
        ok = ok && Le16(descriptor.data() + 8) == kDriverVendorId &&
             Le16(descriptor.data() + 10) == kDriverProductId;
    }
    if (ok) {
        PipeInfoBuffer info{};
        if (driver.GetPipeInfo(handle, info)) {
            std::memcpy(link.interfaceInfo.data(), info.data(), kPipeInfoHeaderBytes);
            std::memcpy(link.pipes[0].data(), info.data() + kPipeInfoHeaderBytes, kPipeEntryBytes);
        }
        info.fill(0);
        if (driver.GetPipeInfo(handle, info))
            std::memcpy(link.pipes[1].data(), info.data() + kPipeInfoHeaderBytes + kPipeEntryBytes,
                        kPipeEntryBytes);
        uint16_t number = 0;
        ok = BoardCommand(io, link, kQueryBoardNumber, number);
        io.bus.boardHeldElsewhere |= ok && !BoardAvailable(number, n, io.bus.ownDriverClaim);
        ok = ok && BoardAvailable(number, n, io.bus.ownDriverClaim);
    }
    if (!ok) {
        ResetLink(io, link);
        if (HandleValid(handle))
            driver.Close(handle);
        return false;
    }
    link.connected = 1;
    link.state = 1;
    link.openMarker = 1;
    Note(io, QStringLiteral("board claimed on %1").arg(link.deviceName));
    status = 1;
    io.bus.ownDriverClaim = n;
    uint16_t value = uint16_t(n);
    if (BoardCommand(io, link, kSetBoardNumber, value) && BoardCommand(io, link, kClaimFollowUp4, value))
        SendInitialisation(io, link);
    return true;
}

bool TryHidDevice(LinkIo &io, UsbLink &link, int i, uint8_t &status)
{
    HidBackend &hid = Hid(io);
    link.openedByDriver = false;
    uint8_t found = 0;
    const int64_t handle = hid.Hid_GetDeviceH(found, i);
    link.handle = handle;
    bool ok = found != 0 && HandleValid(handle);
    if (ok) {
        uint16_t in = 0, out = 0;
        HidAttributes att;
        ok = hid.Hid_Get_att(handle, in, out, att);
        if (ok) {
            io.bus.inputReportLength = in;
            io.bus.outputReportLength = out;
            io.bus.hidAttributes = att;
        }
        ok = ok && att.vendorId == kHidVendorId && att.productId == kHidProductId &&
             att.versionNumber == kHidVersion;
    }
    if (ok) {
        io.hidMode = 1;
        uint16_t number = 0;
        ok = BoardCommand(io, link, kQueryBoardNumber, number);
        io.bus.boardHeldElsewhere |= ok && !BoardAvailable(number, i, io.bus.ownHidClaim);
        ok = ok && BoardAvailable(number, i, io.bus.ownHidClaim);
    }
    if (!ok) {
        ResetLink(io, link);
        if (HandleValid(handle))
            hid.Close(handle);
        return false;
    }
    link.connected = 1;
    link.state = 1;
    link.openMarker = 1;
    Note(io, QStringLiteral("board claimed on HID device %1").arg(i));
    io.bus.ownHidClaim = i;
    uint16_t value = uint16_t(i);
    const bool claimed = BoardCommand(io, link, kSetBoardNumber, value) &&
                         BoardCommand(io, link, kClaimFollowUp4, value) &&
                         BoardCommand(io, link, kClaimFollowUp6, value);
    status = 1;
    const uint16_t packet = uint16_t(io.bus.inputReportLength - 1);
    for (auto &pipe : link.pipes) {
        pipe[0] = uint8_t(packet);
        pipe[1] = uint8_t(packet >> 8);
    }
    if (claimed)
        SendInitialisation(io, link);
    return true;
}

} // namespace

bool ConnectLink(LinkIo &io, UsbLink &link, uint8_t &status)
{
    status = 0xFF;
    if (HandleValid(link.handle) && IdentifyBoard(io, link)) {
        status = 0;
        return true;
    }
    // The transfers worked but the board gave another identity: no search.
    if (link.connected)
        return false;
    bool found = false;
    io.bus.boardHeldElsewhere = false;
    for (int n = 0; n < kDriverDeviceCount && !found; ++n)
        found = TryDriverDevice(io, link, n, status);
    for (int i = 0; i < kHidDeviceCount && !found; ++i)
        found = TryHidDevice(io, link, i, status);
    // A transfer of the claim sequence that failed has closed the link again: that is no
    // connection, whatever the search saw before.
    if (found && !link.connected) {
        status = 0xFF;
        return false;
    }
    return found;
}

namespace {

// Gives back the number of a board that this program claimed on one path but whose link failed
// since: the device is opened once more and, when it still holds that number, released.
void ReleaseLeftClaim(LinkIo &io, UsbLink &link, bool hidPath)
{
    int32_t &own = hidPath ? io.bus.ownHidClaim : io.bus.ownDriverClaim;
    if (own < 0)
        return;
    const int candidate = own;
    own = -1;
    int64_t handle = -1;
    bool ok = false;
    if (hidPath) {
        link.openedByDriver = false;
        uint8_t found = 0;
        handle = Hid(io).Hid_GetDeviceH(found, candidate);
        HidAttributes att;
        uint16_t in = 0, out = 0;
        ok = found != 0 && HandleValid(handle) && Hid(io).Hid_Get_att(handle, in, out, att) &&
             att.vendorId == kHidVendorId && att.productId == kHidProductId;
        if (ok) {
            io.bus.inputReportLength = in;
            io.bus.outputReportLength = out;
            io.hidMode = 1;
        }
    } else {
        link.openedByDriver = true;
        handle = Driver(io).OpenDevice(QStringLiteral("VekUSB-%1").arg(candidate));
        DeviceDescriptorBuffer descriptor{};
        PipeInfoBuffer info{};
        ok = HandleValid(handle) && Driver(io).GetDeviceDescriptor(handle, descriptor) &&
             Le16(descriptor.data() + 8) == kDriverVendorId && Le16(descriptor.data() + 10) == kDriverProductId &&
             Driver(io).GetPipeInfo(handle, info);
        if (ok) {
            std::memcpy(link.pipes[0].data(), info.data() + kPipeInfoHeaderBytes, kPipeEntryBytes);
            std::memcpy(link.pipes[1].data(), info.data() + kPipeInfoHeaderBytes + kPipeEntryBytes,
                        kPipeEntryBytes);
        }
    }
    link.handle = handle;
    uint16_t number = 0;
    if (ok && BoardCommand(io, link, kQueryBoardNumber, number) && number == uint16_t(candidate)) {
        uint16_t value = kFreeBoardNumber;
        if (BoardCommand(io, link, kSetBoardNumber, value))
            Note(io, QStringLiteral("board number %1 given back").arg(candidate));
    }
    ResetLink(io, link);
    if (HandleValid(handle) && hidPath)
        Hid(io).Close(handle);
    else if (HandleValid(handle))
        Driver(io).Close(handle);
}

} // namespace

void ReleaseBoard(LinkIo &io, UsbLink &link)
{
    if (HandleValid(link.handle) && link.connected) {
        const bool hidPath = OnHidPath(io, link);
        uint16_t value = kFreeBoardNumber;
        BoardCommand(io, link, kSetBoardNumber, value);
        ResetLink(io, link);
        (hidPath ? io.bus.ownHidClaim : io.bus.ownDriverClaim) = -1;
    }
    // A claim whose link broke (a failed transfer closes the link without a word to the board)
    // would leave the board looking taken to the next program that searches for it.
    if (!link.connected) {
        ReleaseLeftClaim(io, link, false);
        ReleaseLeftClaim(io, link, true);
    }
}

bool SupervisionTickDue(int &tickCount)
{
    if (++tickCount < 15)
        return false;
    tickCount = 0;
    return true;
}

bool SuperviseLink(LinkIo &io, UsbLink &link)
{
    uint8_t status = 0;
    if (ConnectLink(io, link, status))
        return true;
    // A board that answers but names itself wrongly gets its number back before the link is
    // given up; the next check claims it afresh.
    if (link.connected)
        ReleaseBoard(io, link);
    ResetLink(io, link);
    return false;
}

bool ScanForBoard(LinkIo &io, UsbLink &link)
{
    uint8_t status = 0;
    return ConnectLink(io, link, status) && IdentifyBoard(io, link);
}

bool UsesUsbBoard(InterfaceKind kind)
{
    return kind == InterfaceKind::SPI || kind == InterfaceKind::Special || kind == InterfaceKind::UART;
}

} // namespace vek
