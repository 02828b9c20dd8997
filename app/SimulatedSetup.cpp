#include "app/SimulatedSetup.h"

#include "app/context/AppContext.h"
#include "sim/SimulatedBoard.h"

namespace vek {

void UseSimulatedBoard(AppContext &ctx, sim::SimulatedBoard &board)
{
    ctx.usb.hid = &board.usb.hid;
    ctx.usb.driver = &board.usb.driver;
    ctx.setUpBoardForChip = [&ctx, &board]() {
        board.SetUpForChip(ctx.chip.productName, ctx.setup.chipModelIndex, ctx.bindings);
    };
    // A model selected before the board was attached gets its set-up now.
    if (!ctx.chip.productName.isEmpty())
        ctx.setUpBoardForChip();
}

} // namespace vek
