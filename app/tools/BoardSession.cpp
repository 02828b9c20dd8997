#include "app/tools/BoardSession.h"

#include "chipdesc/ChipList.h"

namespace vek {

BoardSession::~BoardSession()
{
    if (m_connected)
        ReleaseBoard(*m_io, m_chips[0].link);
}

bool BoardSession::Open(const BoardSessionOptions &options, QString &error)
{
    if (options.simulate) {
        if (!options.realTime)
            m_clock = &m_fakeClock;
        m_simBoard = std::make_unique<sim::SimulatedBoard>(*m_clock);
        // The converter keeps its data rate on either clock.
        m_simBoard->adc.asFastAsPossible = false;
        // A capture at given settings gives the same codes wherever it comes in a run.
        m_simBoard->adc.restartNoiseEachStream = true;
        if (!m_simBoard->SetUpConverter(options.seed, QString(), &error))
            return false;
        m_bus.hid = &m_simBoard->usb.hid;
        m_bus.driver = &m_simBoard->usb.driver;
    } else {
        m_realHid = std::make_unique<HidapiBackend>();
        m_realDriver = std::make_unique<LibusbBackend>();
        m_bus.hid = m_realHid.get();
        m_bus.driver = m_realDriver.get();
    }
    const int chipIndex = ChipIndexFromChoice(options.programDir, options.chip);
    if (chipIndex < 0) {
        error = QStringLiteral("no chip model %1 in the chip list").arg(options.chip);
        return false;
    }
    ChipSelectionScope scope = m_model.Scope(options.programDir, chipIndex);
    if (!GetSELUP(scope)) {
        error = QStringLiteral("cannot read the description of chip model %1").arg(options.chip);
        return false;
    }
    InterfaceKind kind = options.kind;
    if (m_model.interfaceIndex == int(InterfaceKind::Special) && !options.kindGiven)
        kind = InterfaceKind::Special;
    if (m_simBoard)
        m_simBoard->SetUpForChip(m_model.chip.productName, chipIndex, m_model.bindings);
    m_chips[0].chipModel = uint16_t(chipIndex);
    m_chips[0].interfaceKind = kind;
    m_io = std::make_unique<LinkIo>(LinkIo{m_bus, m_buffer, m_hidMode, *m_clock});
    m_port = std::make_unique<ChipPort>(
        ChipPort{*m_io, m_chips, false, m_model.chip.productName, m_scaleDmm, m_noRefresh, nullptr, nullptr});
    uint8_t status = 0xFF;
    if (!ConnectLink(*m_io, m_chips[0].link, status)) {
        error = QStringLiteral("no evaluation board found");
        return false;
    }
    m_connected = true;
    // As the link supervisor does: a board that does not name itself is not measured.
    if (!IdentifyBoard(*m_io, m_chips[0].link)) {
        error = QStringLiteral("the board did not answer with its identity");
        return false;
    }
    return true;
}

} // namespace vek
