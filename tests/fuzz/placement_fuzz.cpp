// Arbitrary bytes as the window placement file: reading never crashes or hangs, keeps at most 40
// entries, every entry can be placed, and the table written back reads back unchanged.
#include "app/placement/WindowPlacement.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PlacementTable table;
    table.Parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (table.Entries().size() > kPlacementMaxEntries)
        std::abort();
    for (const PlacementEntry &e : table.Entries())
        for (bool sizeable : {false, true}) {
            const auto r = PlaceWindow(e, {10, 20, 300, 200, true, sizeable}, 1024, 768, true);
            if (!r || r->width < 0 || r->height < 0 || r->left < -1000000 || r->left > 1000000 ||
                r->top < -1000000 || r->top > 1000000)
                std::abort();
        }
    PlacementTable back;
    if (!back.Parse(table.Serialize()) || back.Entries() != table.Entries())
        std::abort();
    return 0;
}
