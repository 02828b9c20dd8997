#pragma once
// Puts a simulated instrument's protocol on a pseudo-terminal, so the program (or a person)
// opens it like any serial device. A thread of its own answers as bytes come in.
#include "sim/instruments/InstrumentProtocol.h"

#include <QString>
#include <memory>
#include <mutex>
#include <thread>

namespace vek::sim {

class PtyInstrument {
public:
    // Makes a pseudo-terminal in raw mode and starts answering on it. Null (with the reason in
    // error) when no terminal can be made.
    static std::unique_ptr<PtyInstrument> Start(std::unique_ptr<InstrumentProtocol> protocol,
                                                QString *error = nullptr);
    ~PtyInstrument();
    PtyInstrument(const PtyInstrument &) = delete;
    PtyInstrument &operator=(const PtyInstrument &) = delete;

    // The device to open, for example /dev/pts/5.
    QString DevicePath() const { return m_path; }

    // Runs fn on the protocol while the answering thread leaves it alone.
    template <typename P, typename F>
    auto With(F &&fn)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return fn(static_cast<P &>(*m_protocol));
    }

    // The instrument goes away as an unplugged device would: the terminal is closed and the
    // program's open port loses its line.
    void Vanish();

private:
    PtyInstrument(int master, int slave, QString path, std::unique_ptr<InstrumentProtocol> p);
    void Run();
    void Stop();

    int m_master;
    int m_slave; // kept open so the terminal lives on while the program has it closed
    int m_wake[2] = {-1, -1};
    QString m_path;
    std::mutex m_mutex;
    std::unique_ptr<InstrumentProtocol> m_protocol;
    std::thread m_thread;
};

} // namespace vek::sim
