#include "link/RegisterLists.h"

namespace vek {

int32_t RecordAddress(const BitRegisterEntry &r) { return r.address; }
int32_t RecordAddress(const ByteRegisterEntry &r) { return r.address; }
int32_t RecordAddress(const WordRegisterEntry &r) { return int32_t(r.highAddress) * 256 + r.lowAddress; }

namespace {
void Cut(QString &text, int max)
{
    if (text.size() > max)
        text.truncate(max);
}
} // namespace

void CutTexts(BitRegisterEntry &r)
{
    Cut(r.name, kRegNameMax);
    Cut(r.description, kRegDescriptionMax);
    for (BitSlot &b : r.bits) {
        Cut(b.name, kRegNameMax);
        Cut(b.description, kBitDescriptionMax);
    }
}

void CutTexts(ByteRegisterEntry &r) { Cut(r.description, kRegDescriptionMax); }
void CutTexts(WordRegisterEntry &r) { Cut(r.description, kRegDescriptionMax); }

} // namespace vek
