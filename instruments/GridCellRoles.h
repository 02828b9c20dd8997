#pragma once
// What the table models tell the grid about each cell beyond its text, so that one cell editor
// serves every table: how long an entry may be, whether it takes hexadecimal digits only, and
// whether the cell is a fixed label (drawn like a header, never edited).
#include <Qt>

namespace vek {

enum GridCellRole {
    kCellMaxLengthRole = Qt::UserRole + 1, // int
    kCellHexOnlyRole,                      // bool
    kCellFixedRole,                        // bool
};

} // namespace vek
