// COM map file text of any shape: parsed, looked up, and rewritten with entries put in.
#include "instruments/serial/ComNameMap.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    ComNameMap map;
    map.Parse(text);
    for (int i = 1; i <= 17; ++i) {
        const QString path = map.DevicePath(QStringLiteral("COM%1").arg(i));
        if (i <= 16 && !path.startsWith('/'))
            std::abort();
    }
    const QByteArray rewritten =
        ComNameMap::WithEntries(text, {{"COM7", "/dev/pts/7"}, {"COM8", "/dev/pts/8"}});
    ComNameMap again;
    again.Parse(rewritten);
    if (again.DevicePath("COM7") != "/dev/pts/7" || again.DevicePath("COM8") != "/dev/pts/8")
        std::abort();
    return 0;
}
