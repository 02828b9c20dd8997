// Step table files of any shape: "Fluke.txt" and "Power.txt" into a step table, and
// "Register.txt", "Delay.txt" and "ACM.txt" into the register step table, each loaded, saved and
// loaded again. Byte 0 picks the step count (up to 255: the 10,000-row limit is left to the unit
// tests, as every input reaching it made a run a hundred times slower), byte 1 where the input is
// cut between the files.
#include "bench/RegisterSteps.h"
#include "instruments/StepTable.h"

#include <cstdlib>

using namespace vek;

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int count = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), int(size - 2));
    const qsizetype cut = std::min<qsizetype>(data[1] * 4, bytes.size());

    for (StepFileKind kind : {StepFileKind::Calibrator, StepFileKind::PowerSupply}) {
        StepTable table;
        const int filled = LoadStepFileBytes(table, bytes, count, kind);
        Check(filled >= 0 && filled <= count && table.Rows() >= std::min(count, kMaxStepCount));
        for (int step = 1; step <= filled; ++step) {
            const QString marker = table.Marker(step);
            Check(marker.size() <= kStepMarkerLength && HexCharacters(marker) == marker);
            Check(kind == StepFileKind::PowerSupply || !marker.isEmpty());
        }
        // What is saved loads back with every step at its place.
        StepTable again;
        LoadStepFileBytes(again, StepFileBytes(table, count), count, kind);
        for (int step = 1; step <= count; ++step) {
            Check(again.Active(step) == table.Active(step) && again.Command(step) == table.Command(step));
            Check(!table.Active(step) || again.Marker(step) == table.Marker(step));
        }
    }

    RegisterStepTable reg;
    reg.SetSteps(count);
    RegDownload(reg, bytes.left(cut));
    ReadStepColumnFile(reg, bytes.mid(cut), RegisterStepTable::kDelayColumn);
    ReadStepColumnFile(reg, bytes.mid(cut / 2), RegisterStepTable::kAcmColumn);
    for (int row = 0; row <= reg.Steps(); ++row)
        for (int column = 1; column <= RegisterStepTable::kRegisterColumns; ++column)
            Check(RegisterStepTable::FitsCell(column, reg.Cell(row, column)));
    Check(reg.UsedColumns() <= RegisterStepTable::kRegisterColumns &&
          reg.UsedRows() <= reg.Steps());
    const RegisterStepFiles files = RegisterStepFileBytes(reg);
    RegisterStepTable back;
    back.SetSteps(count);
    Check(RegDownload(back, files.registers) == reg.UsedRows());
    return 0;
}
