#include "sim/BoardProtocol.h"

#include <algorithm>

namespace vek::sim {

namespace {
constexpr size_t kFrame = 64;
constexpr uint8_t kAck = 0xAA;
} // namespace

std::vector<uint8_t> BoardProtocol::ReadBytes(uint32_t address, size_t count, size_t extra)
{
    std::vector<uint8_t> reply(count + extra, 0);
    for (size_t i = 0; i < count; ++i)
        reply[i] = m_memory.Read(address + uint32_t(i));
    return reply;
}

bool BoardProtocol::WriteBytes(uint32_t address, const uint8_t *data, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        m_memory.Write(address + uint32_t(i), data[i]);
    return true;
}

std::vector<uint8_t> BoardProtocol::Management(const uint8_t *f, size_t length)
{
    if (length < 2)
        return {};
    const uint8_t code = f[1];
    if (code == 0xAC) {
        std::vector<uint8_t> reply(8, 0);
        std::copy_n(state.identity.begin(), std::min<size_t>(8, state.identity.size()), reply.begin());
        return reply;
    }
    if (code == 5) {
        std::vector<uint8_t> reply(8, 0);
        std::copy_n(state.boardText.begin(), std::min<size_t>(8, state.boardText.size()), reply.begin());
        return reply;
    }
    if (length < 4)
        return {};
    const uint16_t arg = uint16_t(f[2] | (f[3] << 8));
    uint16_t value;
    switch (code) {
    case 1: // set the board number; 0xFFFF frees the board
        state.boardNumber = arg;
        value = state.boardNumber;
        break;
    case 2: // query the board number
        value = state.boardNumber;
        break;
    case 4:
        state.lastFollowUp4 = arg;
        value = arg;
        break;
    case 6:
        state.lastFollowUp6 = arg;
        value = arg;
        break;
    default:
        return {};
    }
    std::vector<uint8_t> reply(8, 0);
    reply[0] = uint8_t(value);
    reply[1] = uint8_t(value >> 8);
    return reply;
}

std::vector<uint8_t> BoardProtocol::Handle(const uint8_t *f, size_t length)
{
    if (length == 0)
        return {};
    if (beforeFrame)
        beforeFrame();
    for (const FrameHandler &h : m_handlers) {
        std::vector<uint8_t> reply;
        if (h(f, length, reply))
            return reply;
    }
    switch (f[0]) {
    case 0xF9:
        return Management(f, length);
    case 0xC5: // initialisation A (C5 FF 01 00) and B (C5 FF 00 00)
        if (length < 4 || f[1] != 0xFF || f[3] != 0x00 || f[2] > 1)
            return {};
        ++state.initFrames;
        return std::vector<uint8_t>(kFrame, 0);
    case 0xB1:
    case 0xBC: { // SPI: op, addrL, addrH, n [, data]
        if (length < 5)
            return {};
        const uint32_t address = uint32_t(f[2] | (f[3] << 8));
        const size_t n = f[4];
        if (f[1] == 0xC0 && n >= 1 && n <= kFrame)
            return ReadBytes(address, n);
        if (f[1] == 0x40 && n >= 1 && 5 + n <= length) {
            WriteBytes(address, f + 5, n);
            return {kAck};
        }
        return {};
    }
    case 0xBA:
    case 0xBE: { // Special: header, addrL, n, n [, data]
        if (length < 5 || f[3] != f[4])
            return {};
        const uint8_t h = f[1];
        const size_t n = f[3];
        bool read;
        uint32_t address;
        if (state.plainSpecialHeader) {
            if (h != 0xC0 && h != 0x40)
                return {};
            read = h == 0xC0;
            address = f[2];
        } else {
            if ((h & 0x03) != 0)
                return {};
            read = (h & 0x80) != 0;
            address = uint32_t(((h & 0x7C) >> 2) << 8 | f[2]);
        }
        if (read && n >= 1 && n <= kFrame)
            return ReadBytes(address, n);
        if (!read && n >= 1 && 5 + n <= length) {
            WriteBytes(address, f + 5, n);
            return {kAck};
        }
        return {};
    }
    case 0xC1: { // UART: op, addrL, addrH, n [, data]; reads end with 0xFA, writes answer 0xAA
        if (length < 5)
            return {};
        const uint32_t address = uint32_t(f[2] | (f[3] << 8));
        const size_t n = f[4];
        if (f[1] == 0x80 && n >= 1 && n < kFrame) {
            std::vector<uint8_t> reply = ReadBytes(address, n, 1);
            reply[n] = 0xFA;
            return reply;
        }
        if (f[1] == 0x00 && n >= 1 && 5 + n <= length) {
            WriteBytes(address, f + 5, n);
            return {kAck};
        }
        return {};
    }
    case 0xC0: // UART set-up C0 00 00 06 81 02
        if (length < 6 || f[1] != 0 || f[2] != 0 || f[3] != 6 || f[4] != 0x81 || f[5] != 2)
            return {};
        ++state.uartSetups;
        return {kAck};
    case 0xB5: // board lines and status
        if (length >= 3 && f[1] == 0x01) {
            const bool high = f[2] != 0;
            if (high && !state.resetLineHigh) {
                ++state.chipResets;
                if (onChipReset)
                    onChipReset();
            }
            state.resetLineHigh = high;
            return {kAck};
        }
        if (length >= 2 && f[1] == 0x07)
            return {0xB5, state.status[0], state.status[1], state.status[2]};
        return {};
    default:
        return {};
    }
}

} // namespace vek::sim
