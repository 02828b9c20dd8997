#pragma once
// The open serial ports of the program, each known by a handle number (as the port records of
// the setup dialog and the chip slot keep it). Ports are opened by COM name; the COM map file in
// the program directory and the entries put in by the program itself say which device a name is.
#include "instruments/serial/ComNameMap.h"
#include "instruments/serial/SerialPort.h"

#include <functional>
#include <map>
#include <memory>

namespace vek {

class SerialPorts {
public:
    // Turns a COM name into an open port, or null when it cannot.
    using Opener = std::function<std::unique_ptr<SerialPort>(const QString &comName)>;

    SerialPorts();
    ~SerialPorts();
    SerialPorts(const SerialPorts &) = delete;
    SerialPorts &operator=(const SerialPorts &) = delete;

    // The map file; it is read afresh at every opening, so an edit needs no restart.
    void SetMapFile(const QString &path) { m_mapFile = path; }
    QString MapFile() const { return m_mapFile; }
    // Entries that win over the map file (the simulated bench puts its devices here).
    ComNameMap &ProgramEntries() { return m_programEntries; }
    // The device a COM name stands for now.
    QString DevicePath(const QString &comName) const;

    // Replaces the way names become ports (tests put in-memory ports here). An empty opener
    // goes back to the real devices.
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

    // Opens a port by COM name; returns its handle (> 0), or -1 when it cannot be opened.
    int64_t Open(const QString &comName);
    // The port of a handle, or null for a closed or unknown one.
    SerialPort *Port(int64_t handle) const;
    // Closes a port; unknown handles are ignored.
    void Close(int64_t handle);
    int OpenCount() const { return int(m_ports.size()); }

private:
    std::unique_ptr<SerialPort> OpenDevice(const QString &comName) const;

    QString m_mapFile;
    ComNameMap m_programEntries;
    Opener m_opener;
    std::map<int64_t, std::unique_ptr<SerialPort>> m_ports;
    int64_t m_nextHandle = 1;
};

} // namespace vek
