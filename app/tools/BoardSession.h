#pragma once
// A connection to the evaluation board (or the simulated one on simulated time) with a chip model
// selected, for the command-line tools: the clock, the link, the chip's slot 0 and its port. The
// board is released when the session ends.
#include "app/base/Clock.h"
#include "chipdesc/ChipSelection.h"
#include "link/ChipAccess.h"
#include "link/RealUsbBackends.h"
#include "link/UsbTransport.h"
#include "sim/SimulatedBoard.h"

#include <QString>
#include <memory>

namespace vek {

struct BoardSessionOptions {
    bool simulate = false;
    bool realTime = false;  // the simulated board on the wall clock
    qulonglong seed = 1;    // noise seed of the simulated converter
    QString chip = QStringLiteral("0");
    InterfaceKind kind = InterfaceKind::SPI;
    bool kindGiven = false; // otherwise a model that names its own interface keeps it
    QString programDir;
};

class BoardSession {
public:
    BoardSession() = default;
    ~BoardSession();
    BoardSession(const BoardSession &) = delete;
    BoardSession &operator=(const BoardSession &) = delete;

    // Selects the chip model, connects the USB link and checks the board's identity. False with
    // the reason otherwise (the board released again).
    bool Open(const BoardSessionOptions &options, QString &error);

    Clock &clock() { return *m_clock; }
    ChipPort &port() { return *m_port; }
    ChipModelState &model() { return m_model; }
    InterfaceKind kind() const { return m_chips[0].interfaceKind; }
    sim::SimulatedBoard *simulatedBoard() { return m_simBoard.get(); }

private:
    SystemClock m_systemClock;
    FakeClock m_fakeClock;
    Clock *m_clock = &m_systemClock;
    UsbBus m_bus;
    TransferBuffer m_buffer{};
    uint8_t m_hidMode = 0;
    std::unique_ptr<sim::SimulatedBoard> m_simBoard;
    std::unique_ptr<HidapiBackend> m_realHid;
    std::unique_ptr<LibusbBackend> m_realDriver;
    ChipModelState m_model;
    ChipSlots m_chips{};
    ScaleDmmMemory m_scaleDmm;
    std::function<void()> m_noRefresh;
    std::unique_ptr<LinkIo> m_io;
    std::unique_ptr<ChipPort> m_port;
    bool m_connected = false;
};

} // namespace vek
