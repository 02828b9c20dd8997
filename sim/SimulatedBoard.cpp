#include "sim/SimulatedBoard.h"

#include "link/ChipAccess.h"

namespace vek::sim {

SimulatedBoard::SimulatedBoard(Clock &clock)
    : adc(usb.board, clock), transfer(usb.board.memory), switchTest(usb.board, adc, clock, transfer),
      recorder(usb.board, adc, clock, transfer)
{
    usb.board.keepFrameLog = false;
}

bool SimulatedBoard::SetUpConverter(uint64_t seed, const QString &replayPath, QString *error)
{
    adc.Seed(seed);
    if (replayPath.isEmpty())
        return true;
    std::vector<int32_t> codes;
    if (!LoadReplayCodes(replayPath, codes, error))
        return false;
    adc.Replay(std::move(codes));
    return true;
}

void SimulatedBoard::SetUpForChip(const QString &productName, int chipModelIndex, const FieldBindings &bindings)
{
    usb.board.protocol.state.plainSpecialHeader = UsesPlainSpecialHeader(productName, chipModelIndex);
    adc.fields = AdcFieldsFrom(bindings);
}

} // namespace vek::sim
