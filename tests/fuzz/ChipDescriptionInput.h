#pragma once
// One input of the chip description fuzz target: read as a description twice on the same state
// (the second selection meets what the first one left) and as a chip list. Returns false when
// something that must hold whatever the input does not.
#include "chipdesc/ChipFiles.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"

namespace vek {

inline bool ChipStateIsSound(const ChipModelState &m)
{
    bool ok = m.bitRegs.Count() <= 512 && m.byteRegs.Count() <= 512 && m.wordRegs.Count() <= 512;
    int pages = 0;
    for (uint16_t n : m.chip.bitRegisterCounts)
        pages += n;
    // The page sizes describe the list whenever this reading met bit registers.
    ok = ok && (pages == 0 || pages == m.bitRegs.Count());
    ok = ok && m.currentBank >= 0 && m.currentBank <= 4 && m.currentPage >= 0 && m.currentPage <= 3;
    ok = ok && m.prep.byteGrid.RowCount() <= 2 * (511 / 9) + 2 &&
         m.prep.wordGrid.RowCount() <= 2 * (511 / 9) + 2 && m.prep.bitGrid.RowCount() <= 512;
    for (const PanelBindings *p : {&m.bindings.adc, &m.bindings.op, &m.bindings.cmp}) {
        for (const auto &[name, b] : p->All())
            ok = ok && b.address < kChipAddressCount && b.width <= 8 && b.position <= 7;
        for (const QString &label : p->vddaLabels)
            ok = ok && label.size() <= 8;
    }
    for (int i = 0; i < m.bitRegs.Count(); ++i) {
        const BitRegisterEntry *e = m.bitRegs.Item(i);
        ok = ok && e->name.size() <= kRegNameMax &&
             e->description.size() <= kRegDescriptionMax;
        for (const auto &bit : e->bits)
            ok = ok && bit.name.size() <= kRegNameMax &&
                 bit.description.size() <= kBitDescriptionMax;
    }
    for (int i = 0; i < m.byteRegs.Count(); ++i)
        ok = ok && m.byteRegs.Item(i)->description.size() <= kRegDescriptionMax;
    for (int i = 0; i < m.wordRegs.Count(); ++i)
        ok = ok && m.wordRegs.Item(i)->description.size() <= kRegDescriptionMax;
    return ok;
}

inline bool ReplayChipDescriptionInput(const QByteArray &bytes)
{
    const auto byteAt = [&](int i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0; };
    ChipModelState m;
    m.currentBank = byteAt(0) % 8 - 1;
    m.currentPage = byteAt(1) % 6 - 1;
    ChipSelectionScope scope = m.Scope(QString(), 0);
    int flukes = 0;
    scope.showInstrumentMenus = [&flukes] { ++flukes; };
    SelectFromDescription(bytes, scope);
    bool ok = ChipStateIsSound(m);
    SelectFromDescription(bytes, scope);
    ok = ok && ChipStateIsSound(m);

    const QString text = DecodeChipText(bytes);
    const QStringList list = ChipListTexts(text);
    ok = ok && list.size() <= text.count(u'\n') + 1;
    ChipListFileName(text, static_cast<int>(bytes.size() % 16));
    return ok;
}

} // namespace vek
