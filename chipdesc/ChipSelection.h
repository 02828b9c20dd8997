#pragma once
// Selecting a chip model: the chip description file of the model is read from scratch and fills
// the chip description, the address masks, the three register lists, the field bindings of the
// analog panels and the data that the windows apply afterwards. No widget is touched here.
#include "chipdesc/ChipDescription.h"
#include "chipdesc/FieldBindings.h"
#include "chipdesc/PanelPreparation.h"
#include "link/LinkState.h"
#include "link/RegisterLists.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace vek {

// Everything a selection reads and changes, owned elsewhere (the program context, a test, the
// simulated board).
struct ChipSelectionScope {
    QString programDir;          // the chip files are in its INCLUDE folder
    int chipModelIndex = 0;      // position of the model in the chip list
    int &interfaceIndex;         // becomes 2 ("Special") for the product "ZR100"
    InterfaceKind *slotInterface; // the same choice in chip slot 0, or nullptr
    ChipDescription &chip;
    TCRREGBitPtr &bitRegs;
    TCRREGBytePtr &byteRegs;
    TCRREGWordPtr &wordRegs;
    FieldBindings &bindings;
    PanelPreparation &prep;
    std::array<uint8_t, kChipAddressCount> &lastShown; // value last shown per address
    int &currentBank; // RAM panel bank, 0-4
    int &currentPage; // register panel page, 0-3
    bool &adcReservedFlag; // third reserved flag of the configuration; cleared without "#ADC0S"
    // Shows the main window's instrument menus ("#FLUKE"); may be empty.
    std::function<void()> showInstrumentMenus;
};

// Selects the model at scope.chipModelIndex. True when its description file was read to the end;
// false when the chip list or the description file is missing or cannot be read, in which case
// only the address masks changed (all cleared).
bool GetSELUP(ChipSelectionScope &scope);

// The selection once the description file's bytes are at hand: resets, reading of every line,
// bank and page checks, bit grid of the current page.
void SelectFromDescription(const QByteArray &description, ChipSelectionScope &scope);

// The bit grid of one register page: a row per bit register of the page with its name and the
// names of bits 7 down to 0.
NameGrid BuildBitPage(const TCRREGBitPtr &bitRegs, const std::array<uint16_t, 4> &pageCounts,
                      int page);

// Owns a complete set of what a selection fills, for code that runs without the program context
// (the simulated board, tools, tests).
struct ChipModelState {
    int interfaceIndex = 1;
    InterfaceKind slotInterface = InterfaceKind::SPI;
    ChipDescription chip;
    TCRREGBitPtr bitRegs;
    TCRREGBytePtr byteRegs;
    TCRREGWordPtr wordRegs;
    FieldBindings bindings;
    PanelPreparation prep;
    std::array<uint8_t, kChipAddressCount> lastShown{};
    int currentBank = 0;
    int currentPage = 0;
    bool adcReservedFlag = false;

    ChipSelectionScope Scope(const QString &programDir, int chipModelIndex);
};

} // namespace vek
