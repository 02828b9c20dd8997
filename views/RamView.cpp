#include "views/RamView.h"

#include "app/base/NumberText.h"

#include <algorithm>

namespace vek {

namespace {

bool Inside(const AddressRange &r, int address)
{
    return r.Defined() && address >= r.start && address <= r.end;
}

// The two registers that are written together and never read back.
constexpr int kSkipFirst = 0x1A;
constexpr int kSkipLast = 0x1B;

class PlanBuilder {
public:
    explicit PlanBuilder(int maxBlock) : m_max(maxBlock) {}

    // Adds the bytes start..start+count-1 in blocks of at most the interface's size, leaving out
    // 0x1A and 0x1B.
    void Add(int start, int count)
    {
        const int end = start + count; // one past the last
        if (start < kSkipFirst && end > kSkipFirst) {
            Add(start, kSkipFirst - start);
            if (end > kSkipLast + 1)
                Add(kSkipLast + 1, end - kSkipLast - 1);
            return;
        }
        if (start >= kSkipFirst && start <= kSkipLast) {
            if (end > kSkipLast + 1)
                Add(kSkipLast + 1, end - kSkipLast - 1);
            return;
        }
        for (int a = start; a < end; a += m_max)
            m_blocks.push_back({uint16_t(a), std::min(m_max, end - a)});
    }
    // Blocks of one size from start, count of them.
    void Run(int start, int size, int count)
    {
        for (int i = 0; i < count; ++i)
            Add(start + i * size, size);
    }
    std::vector<ReadBlock> Take() { return std::move(m_blocks); }

private:
    int m_max;
    std::vector<ReadBlock> m_blocks;
};

const AddressRange &Bank(const ChipDescription &chip, int n) { return chip.ramBanks[size_t(n)]; }

} // namespace

QString RamRowLabel(int bank, int row)
{
    return FormatHex(bank * 16 + row - 1, 2) + QLatin1Char('0');
}

uint8_t RamAddressMask(const ChipDescription &chip, int address)
{
    if (address >= 0 && address < kChipAddressCount)
        return chip.addressMask[size_t(address)];
    return Inside(Bank(chip, 4), address) && address < Bank4Buffer::kFirst + Bank4Buffer::kSize ? 0xFF : 0;
}

bool RamAddressEditable(const ChipDescription &chip, int address)
{
    return address >= 0 && address < kChipAddressCount && RamAddressExists(chip, address);
}

bool InRegisterArea(const ChipDescription &chip, int address)
{
    return Inside(chip.reg0, address) || Inside(chip.reg1, address);
}

QString RamBankView::Text(int index) const
{
    if (index < 0 || index >= kBankBytes || !values[size_t(index)])
        return QStringLiteral("-");
    return FormatHex(*values[size_t(index)], 2);
}

void RefreshRamView(RamBankView &view, int bank, const ChipImage &image, const ChipDescription &chip,
                    ViewState &state, bool quiet)
{
    view.bank = std::clamp(bank, 0, kRamBanks - 1);
    const int first = view.bank * kBankBytes;
    for (int i = 0; i < kBankBytes; ++i) {
        const int address = first + i;
        const uint8_t mask = RamAddressMask(chip, address);
        uint8_t raw = 0;
        uint8_t *last = nullptr;
        bool *changed = nullptr;
        if (address < kChipAddressCount) {
            raw = image[size_t(address)];
            last = &state.LastShown[size_t(address)];
            changed = &state.ChangedFlags[size_t(address)];
        } else {
            const size_t k = size_t(address - Bank4Buffer::kFirst);
            raw = state.bank4.bytes[k];
            last = &state.bank4.lastShown[k];
            changed = &state.bank4.changed[k];
        }
        const uint8_t value = raw & mask;
        view.values[size_t(i)] = mask ? std::optional<uint8_t>(value) : std::nullopt;
        *changed = !quiet && value != *last;
        if (!InRegisterArea(chip, address))
            *last = value;
    }
}

bool RamAddressChanged(const ViewState &state, int address)
{
    if (address >= 0 && address < kChipAddressCount)
        return state.ChangedFlags[size_t(address)];
    if (state.bank4.Holds(address))
        return state.bank4.changed[size_t(address - Bank4Buffer::kFirst)];
    return false;
}

std::optional<uint8_t> TypedCellValue(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    return uint8_t(ParseHex(t));
}

RamReadPlan MakeRamReadPlan(InterfaceKind kind, const ChipDescription &chip)
{
    RamReadPlan plan;
    switch (kind) {
    case InterfaceKind::UART: {
        PlanBuilder b(kFrameBytes - 1);
        plan.uartSetup = true;
        b.Add(0x00, 26);
        b.Add(0x1C, 36);
        b.Run(0x40, 48, 4);
        if (Bank(chip, 1).Defined()) {
            b.Run(0x100, 48, 2);
            b.Add(0x160, 32);
        }
        if (chip.reg1.Defined()) {
            b.Run(0x180, 48, 2);
            b.Add(0x1E0, 32);
        }
        for (int n = 2; n <= 4; ++n)
            if (Bank(chip, n).Defined()) {
                b.Run(n * 0x100, 56, 4);
                b.Add(n * 0x100 + 0xE0, 32);
            }
        plan.blocks = b.Take();
        break;
    }
    case InterfaceKind::SPI:
    case InterfaceKind::Special:
    case InterfaceKind::Parallel: {
        PlanBuilder b(kFrameBytes);
        b.Add(0x00, 26);
        b.Add(0x1C, 36);
        b.Run(0x40, 64, 3);
        if (Bank(chip, 1).Defined())
            b.Run(0x100, 64, 2);
        if (chip.reg1.Defined())
            b.Run(0x180, 64, 2);
        for (int n = 2; n <= 4; ++n)
            if (Bank(chip, n).Defined())
                b.Run(n * 0x100, 64, 4);
        plan.blocks = b.Take();
        break;
    }
    case InterfaceKind::RS232: {
        // The serial link reads up to a whole transfer buffer at once; a half range larger than
        // that is read in several blocks.
        PlanBuilder b(int(TransferBuffer().size()));
        b.Add(0x00, 26);
        b.Add(0x1C, 100);
        b.Add(0x80, 128);
        for (const AddressRange *r : {&Bank(chip, 1), &Bank(chip, 2), &chip.reg1, &Bank(chip, 3), &Bank(chip, 4)}) {
            if (!r->Defined())
                continue;
            const int total = r->end - r->start + 1;
            const int half = total / 2;
            b.Add(r->start, half);
            b.Add(r->start + half, total - half);
        }
        plan.blocks = b.Take();
        break;
    }
    }
    return plan;
}

RamReadResult RunRamRead(const RamReadPlan &plan, RamReader &reader, Bank4Buffer &bank4)
{
    if (plan.uartSetup && !(reader.setupUart && reader.setupUart()))
        return RamReadResult::Failed;
    for (const ReadBlock &block : plan.blocks) {
        if (!reader.readChip || !reader.buffer || !reader.readChip(block.start, block.count))
            return RamReadResult::Failed;
        const TransferBuffer &b = *reader.buffer;
        for (int i = 0; i < block.count && i < int(b.size()); ++i) {
            const int address = block.start + i;
            if (address < kChipAddressCount) {
                if (reader.setImageByte)
                    reader.setImageByte(address, b[size_t(i)]);
            } else if (bank4.Holds(address)) {
                bank4.bytes[size_t(address - Bank4Buffer::kFirst)] = b[size_t(i)];
            }
        }
        if (reader.afterBlock)
            reader.afterBlock();
    }
    return RamReadResult::Complete;
}

} // namespace vek
