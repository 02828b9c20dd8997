// Arbitrary bytes as "VekADC.cfg": reading never crashes or hangs, what is read applies to the
// context, and what the program then saves reads back to exactly the same file.
#include "app/config/ConfigFile.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FakeClock clock;
    static ScriptedDialogs dialogs;
    static AppContext ctx(clock, dialogs, QStringLiteral("/nonexistent/"));
    ctx.setup = SetupChoices{};
    ctx.config = ConfigSettings{};

    const ConfigLoad load =
        ParseConfig(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (load.lastLine < 0 || load.lastLine > kConfigLineCount ||
        (!load.titleMatched && load.lastLine != 0))
        std::abort();
    ApplyLoadedConfig(ctx, load);

    const QByteArray saved = SerializeConfig(ctx.setup, ctx.config);
    if (saved.count("\r\n") != kConfigLineCount)
        std::abort();
    const ConfigLoad again = ParseConfig(saved);
    if (!again.titleMatched || again.lastLine != kConfigLineCount)
        std::abort();
    if (SerializeConfig(again.setup, again.settings) != saved)
        std::abort();
    return 0;
}
