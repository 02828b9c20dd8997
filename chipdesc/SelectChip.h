#pragma once
// The chip selection on the program context: binds the context's records to a selection and
// tells the windows afterwards.
#include "app/context/AppContext.h"
#include "chipdesc/ChipSelection.h"

namespace vek {

inline ChipSelectionScope SelectionScope(AppContext &ctx)
{
    return ChipSelectionScope{ctx.programDir,
                              ctx.setup.chipModelIndex,
                              ctx.setup.interfaceIndex,
                              &ctx.chipSlots[0].interfaceKind,
                              ctx.chip,
                              ctx.bitRegs,
                              ctx.byteRegs,
                              ctx.wordRegs,
                              ctx.bindings,
                              ctx.panelPrep,
                              ctx.views.LastShown,
                              ctx.config.CurrentBank,
                              ctx.config.CurrentPage,
                              ctx.config.ReservedFlags[2],
                              ctx.showInstrumentMenus};
}

// Selects the model at the stored chip model index (the argument has no effect). The windows
// learn of it through ctx.onChipSelected, whatever the result.
inline bool GetSELUP(AppContext &ctx, int = 0)
{
    ChipSelectionScope scope = SelectionScope(ctx);
    const bool ok = GetSELUP(scope);
    if (ctx.setUpBoardForChip)
        ctx.setUpBoardForChip();
    if (ctx.onChipSelected)
        ctx.onChipSelected();
    return ok;
}

} // namespace vek
