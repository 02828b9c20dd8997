#pragma once
// Devices whose every answer comes from the fuzz input, for the parsers of replies.
#include "instruments/serial/SerialPort.h"
#include "link/UsbTransport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vek::fuzz {

// The input, handed out a byte at a time; zeros once it is used up.
class ByteSource {
public:
    ByteSource(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    uint8_t Next() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    bool Exhausted() const { return m_pos >= m_size; }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A HID bus with one device whose attributes and replies come from the fuzz input.
class ReplayHid final : public vek::HidBackend {
public:
    ReplayHid(const uint8_t *data, size_t size) : m_in(data, size) {}
    int64_t Hid_GetDeviceH(uint8_t &found, int index) override
    {
        found = index == 0 ? 1 : 0;
        return index == 0 ? 7 : -1;
    }
    bool Hid_Get_att(int64_t, uint16_t &in, uint16_t &out, vek::HidAttributes &att) override
    {
        in = uint16_t(m_in.Next() % 80);
        out = uint16_t(m_in.Next() % 80);
        att = {0x04D8, 0x2008, 0x0727};
        if (m_in.Next() & 1)
            att.versionNumber = 0x0728;
        return true;
    }
    bool WriteReport(int64_t, const uint8_t *, size_t) override { return (m_in.Next() & 7) != 0; }
    int ReadReport(int64_t, uint8_t *report, size_t length) override
    {
        if (m_in.Exhausted())
            return -1;
        const size_t n = std::min<size_t>(m_in.Next() % (length + 1), length);
        for (size_t i = 0; i < n; ++i)
            report[i] = m_in.Next();
        return int(n);
    }
    void Close(int64_t) override {}

private:
    ByteSource m_in;
};

// A serial line whose queue counts, error flags and received bytes come from the fuzz input.
class ReplaySerial final : public vek::SerialPort {
public:
    ReplaySerial(const uint8_t *data, size_t size) : m_in(data, size) {}
    bool GetCommState(vek::CommSettings &) override { return true; }
    bool SetCommState(const vek::CommSettings &) override { return true; }
    bool ClearCommError(vek::CommStatus &status) override
    {
        if (m_in.Exhausted())
            return false;
        const uint8_t b = m_in.Next();
        status.errors = b & 0x1F;
        status.inQueue = (b & 0x80) ? m_in.Next() : 0;
        m_waiting = status.inQueue;
        return true;
    }
    bool SetDtr(bool) override { return true; }
    bool PurgeInput() override { return true; }
    int Read(uint8_t *buffer, int max) override
    {
        if (m_in.Exhausted())
            return -1;
        const int n = std::min<int>(int(m_waiting), max);
        for (int i = 0; i < n; ++i)
            buffer[i] = m_in.Next();
        m_waiting = 0;
        return n;
    }
    int Write(const uint8_t *, int count) override { return (m_in.Next() & 15) ? count : -1; }

private:
    ByteSource m_in;
    uint32_t m_waiting = 0;
};

} // namespace vek::fuzz
