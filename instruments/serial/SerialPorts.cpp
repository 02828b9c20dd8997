#include "instruments/serial/SerialPorts.h"

#include "instruments/serial/PosixSerialPort.h"

namespace vek {

SerialPorts::SerialPorts() = default;
SerialPorts::~SerialPorts() = default;

QString SerialPorts::DevicePath(const QString &comName) const
{
    const QString name = ComNameMap::CanonicalName(comName);
    if (name.isEmpty())
        return {};
    if (m_programEntries.Contains(name))
        return m_programEntries.DevicePath(name);
    ComNameMap fileMap;
    if (!m_mapFile.isEmpty())
        fileMap.LoadFile(m_mapFile);
    return fileMap.DevicePath(name);
}

std::unique_ptr<SerialPort> SerialPorts::OpenDevice(const QString &comName) const
{
    const QString path = DevicePath(comName);
    if (path.isEmpty())
        return nullptr;
    return PosixSerialPort::Open(path);
}

int64_t SerialPorts::Open(const QString &comName)
{
    std::unique_ptr<SerialPort> port = m_opener ? m_opener(comName) : OpenDevice(comName);
    if (!port)
        return -1;
    const int64_t handle = m_nextHandle++;
    m_ports.emplace(handle, std::move(port));
    return handle;
}

SerialPort *SerialPorts::Port(int64_t handle) const
{
    const auto it = m_ports.find(handle);
    return it != m_ports.end() ? it->second.get() : nullptr;
}

void SerialPorts::Close(int64_t handle)
{
    m_ports.erase(handle);
}

} // namespace vek
