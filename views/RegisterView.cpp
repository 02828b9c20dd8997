#include "views/RegisterView.h"

#include "views/HexEntry.h"

namespace vek {

uint8_t ImageByte(const ChipImage &image, int address)
{
    return InTables(address) ? image[size_t(address)] : 0;
}

uint8_t MaskAt(const ChipDescription &chip, int address)
{
    return InTables(address) ? chip.addressMask[size_t(address)] : 0;
}

HeadValues ReadHead(const ChipImage &image, const Bank4Buffer *bank4)
{
    HeadValues h;
    h.work = ImageByte(image, kWorkRegister);
    h.fsr[0] = uint16_t(ImageByte(image, kFsr0High) * 256 + ImageByte(image, kFsr0Low));
    h.fsr[1] = uint16_t(ImageByte(image, kFsr1High) * 256 + ImageByte(image, kFsr1Low));
    for (int p = 0; p < 2; ++p)
        h.ind[p] = bank4 && bank4->Holds(h.fsr[p]) ? bank4->bytes[size_t(h.fsr[p] - Bank4Buffer::kFirst)]
                                                    : ImageByte(image, h.fsr[p]);
    return h;
}

namespace {

// value = image AND mask; the address is flagged when it differs from what it showed last.
uint8_t Track(const ChipImage &image, const ChipDescription &chip, ViewState &state, int address,
              bool setFlag = true)
{
    const uint8_t value = ImageByte(image, address) & MaskAt(chip, address);
    if (InTables(address)) {
        if (setFlag)
            state.ChangedFlags[size_t(address)] = value != state.LastShown[size_t(address)];
        state.LastShown[size_t(address)] = value;
    }
    return value;
}

} // namespace

void RefreshRegisters(RegisterSnapshot &snap, const ChipImage &image, const ChipDescription &chip,
                      const TCRREGBitPtr &bits, const TCRREGBytePtr &bytes, const TCRREGWordPtr &words,
                      ViewState &state, bool quiet)
{
    const HeadValues now = ReadHead(image, &state.bank4);
    const bool compare = !quiet && snap.headShown;
    snap.highlight.work = compare && now.work != snap.head.work;
    for (int p = 0; p < 2; ++p) {
        snap.highlight.fsr[p] = compare && now.fsr[p] != snap.head.fsr[p];
        snap.highlight.ind[p] = compare && now.ind[p] != snap.head.ind[p];
    }
    snap.head = now;
    snap.headShown = true;

    snap.bitValues.assign(size_t(bits.Count()), 0);
    for (int i = 0; i < bits.Count(); ++i)
        snap.bitValues[size_t(i)] = Track(image, chip, state, bits.Item(i)->address);

    snap.byteValues.assign(size_t(bytes.Count()), 0);
    for (int i = 0; i < bytes.Count(); ++i)
        snap.byteValues[size_t(i)] = Track(image, chip, state, bytes.Item(i)->address);

    snap.wordValues.assign(size_t(words.Count()), 0);
    for (int i = 0; i < words.Count(); ++i) {
        const WordRegisterEntry &w = *words.Item(i);
        const int hi = w.highAddress, lo = w.lowAddress;
        const bool hiChanged = InTables(hi) &&
                               (ImageByte(image, hi) & MaskAt(chip, hi)) != state.LastShown[size_t(hi)];
        const bool loChanged = InTables(lo) &&
                               (ImageByte(image, lo) & MaskAt(chip, lo)) != state.LastShown[size_t(lo)];
        const uint8_t high = Track(image, chip, state, hi, false);
        const uint8_t low = Track(image, chip, state, lo, false);
        if (InTables(hi))
            state.ChangedFlags[size_t(hi)] = hiChanged;
        if (InTables(lo))
            state.ChangedFlags[size_t(lo)] = !hiChanged && loChanged;
        snap.wordValues[size_t(i)] = uint16_t(high * 256 + low);
    }
}

PageSpan PageRecords(const ChipDescription &chip, int page)
{
    PageSpan s;
    if (page < 0 || page >= ChipDescription::kRegisterPages)
        return s;
    for (int p = 0; p < page; ++p)
        s.first += chip.bitRegisterCounts[size_t(p)];
    s.count = chip.bitRegisterCounts[size_t(page)];
    return s;
}

int RecordAtCell(int column, int row, int count)
{
    if (column < 0 || column >= 9 || row < 0)
        return -1;
    const int index = (row / 2) * 9 + column;
    return index < count ? index : -1;
}

bool AddressChanged(const ViewState &state, int address)
{
    return InTables(address) && state.ChangedFlags[size_t(address)];
}

bool BitMenuOffered(const BitRegisterEntry &record, int column)
{
    if (column < 1 || column > 8 || record.address == 0x31 || record.address == 0x32)
        return false;
    return record.bits[size_t(column - 1)].name != QLatin1String("-");
}

uint8_t WithBit(const ChipImage &image, int address, int bit, bool set)
{
    const uint8_t old = ImageByte(image, address);
    const uint8_t m = uint8_t(1u << (bit & 7));
    return set ? uint8_t(old | m) : uint8_t(old & ~m);
}

QString KeepLastDigits(const QString &text, int digits)
{
    QString hex;
    for (QChar c : text)
        if (const QChar d = HexDigitOf(c); !d.isNull())
            hex.append(d);
    return hex.right(digits);
}

std::vector<RegisterWrite> WordWrites(const WordRegisterEntry &record, uint16_t value)
{
    return {{record.highAddress, uint8_t(value / 256)}, {record.lowAddress, uint8_t(value % 256)}};
}

std::vector<RegisterWrite> FsrWrites(int pair, uint16_t value)
{
    const uint16_t hi = pair == 0 ? kFsr0High : kFsr1High;
    const uint16_t lo = pair == 0 ? kFsr0Low : kFsr1Low;
    return {{hi, uint8_t(value / 256)}, {lo, uint8_t(value % 256)}};
}

std::optional<uint16_t> IndTarget(const ChipImage &image, const ChipDescription &chip, int pair)
{
    const uint16_t fsr = ReadHead(image).fsr[pair == 0 ? 0 : 1];
    // Bank 4 lies beyond the image but is the chip's memory when the description has it.
    const AddressRange &bank4 = chip.ramBanks[4];
    if (fsr >= 0x400 && bank4.Defined() && fsr >= bank4.start && fsr <= bank4.end)
        return fsr;
    if (!InTables(fsr) || MaskAt(chip, fsr) == 0)
        return std::nullopt;
    return fsr;
}

} // namespace vek
