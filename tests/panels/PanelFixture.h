#pragma once
// A panel test's program state: the sample chip files of the source tree, a chip image in memory
// and a chip that records every register write.
#include "app/context/AppContext.h"
#include "chipdesc/SelectChip.h"
#include "panels/logic/FieldAccess.h"

#include <array>
#include <functional>
#include <vector>

namespace vek::test {

struct FakeChip {
    std::array<uint8_t, 1024> image{};
    std::vector<std::pair<uint16_t, uint8_t>> writes;
    std::array<uint8_t, 3> transfer{};
    bool readFails = false;
    std::function<void()> refresh; // what a write's refresh redraws

    PanelChip Access()
    {
        PanelChip c;
        c.imageByte = [this](int a) -> uint8_t { return (a >= 0 && a < 1024) ? image[size_t(a)] : 0; };
        c.writeRegister = [this](uint16_t a, uint8_t v) {
            writes.push_back({a, v});
            image[a] = v;
            if (refresh)
                refresh();
        };
        c.readChip = [this](uint16_t, int) { return !readFails; };
        c.transferByte = [this](int i) { return transfer[size_t(i)]; };
        c.storeAndRefresh = [this](int a, uint8_t v) {
            image[size_t(a)] = v;
            if (refresh)
                refresh();
        };
        return c;
    }
};

struct PanelContext {
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, QStringLiteral(VEK_SOURCE_DIR "/")};
    FakeChip chip;

    // Selects a model of the sample chip list (0 ZS300, 1 ZR300, 2 ZR200, 3 ZR100, 4 ZR400).
    bool Select(int model)
    {
        ctx.setup.chipModelIndex = model;
        return GetSELUP(ctx);
    }
};

} // namespace vek::test
