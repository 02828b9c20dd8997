#include "app/config/ConfigFile.h"

#include <gtest/gtest.h>

using namespace vek;

namespace {

// The file a first run writes: every setting at its start-up value.
const QByteArray kDefaultFile = "Vek-ENOBTEST V1.7 HID\r\n"
                                "   0   1   0   5   0\r\n"
                                "FALSE\r\nFALSE\r\nFALSE\r\nFALSE\r\nFALSE\r\nFALSE\r\n"
                                " 0\r\n"
                                " 0\r\n"
                                "0\r\n"
                                "7\r\n"
                                "   3  16\r\n"
                                "FALSE\r\n"
                                "   0\r\n"
                                "   0\r\n"
                                "  500000   50000\r\n"
                                "   0   0   0   0   0   0\r\n"
                                "   0   0   0   0   0   0\r\n"
                                "   0\r\n"
                                "   7\r\n"
                                "   1\r\n"
                                "1.2\r\n"
                                "   0\r\n"
                                "   0\r\n"
                                "   0   0\r\n";

// A file with a non-default value on every line; loading and saving it again changes nothing.
const QByteArray kCustomFile = "Vek-ENOBTEST V1.7 HID\r\n"
                               "   2   0  15   9   2\r\n"
                               "TRUE\r\nFALSE\r\nTRUE\r\nFALSE\r\nFALSE\r\nTRUE\r\n"
                               " 3\r\n"
                               " 4\r\n"
                               "1\r\n"
                               "16\r\n"
                               "  11   0\r\n"
                               "FALSE\r\n"
                               "   3\r\n"
                               "   2\r\n"
                               "    1200 -8388608\r\n"
                               "  60  61  62  63  64 255\r\n"
                               "   1   2   3   4   5   6\r\n"
                               "   1\r\n"
                               "  15\r\n"
                               "   0\r\n"
                               "2.5 V ref\r\n"
                               "   5\r\n"
                               "   1\r\n"
                               "4660 171\r\n";

// The bytes of kDefaultFile with line n (1-based) replaced.
QByteArray WithLine(int n, const QByteArray &text, const QByteArray &base = kDefaultFile)
{
    QList<QByteArray> lines = base.split('\n');
    lines[n - 1] = text + '\r';
    return lines.join('\n');
}

struct Ctx {
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, QStringLiteral("/nonexistent/")};
    QByteArray Saved() const { return SerializeConfig(ctx.setup, ctx.config); }
    ConfigLoad Load(const QByteArray &bytes)
    {
        ConfigLoad load = ParseConfig(bytes);
        ApplyLoadedConfig(ctx, load);
        return load;
    }
};

} // namespace

TEST(ConfigFile, StartUpSettingsWriteTheDocumentedLines)
{
    EXPECT_EQ(SerializeConfig(SetupChoices{}, ConfigSettings{}), kDefaultFile);
    ConfigSettings spectrum;
    spectrum.FrequencyView = true;
    EXPECT_EQ(SerializeConfig({}, spectrum).split('\n')[13], "TRUE\r");
}

TEST(ConfigFile, LoadAndSaveAgainIsByteIdentical)
{
    for (const QByteArray &file : {kDefaultFile, kCustomFile}) {
        Ctx c;
        const ConfigLoad load = c.Load(file);
        EXPECT_TRUE(load.titleMatched);
        EXPECT_EQ(load.lastLine, 26);
        EXPECT_EQ(c.Saved(), file);
    }
}

TEST(ConfigFile, CustomFileLandsInTheNamedSettings)
{
    Ctx c;
    c.Load(kCustomFile);
    const ConfigSettings &s = c.ctx.config;
    EXPECT_EQ(c.ctx.setup.chipModelIndex, 2);
    EXPECT_EQ(c.ctx.setup.interfaceIndex, 0);
    EXPECT_EQ(c.ctx.setup.comIndex, 15);
    EXPECT_EQ(c.ctx.setup.baudIndex, 9);
    EXPECT_EQ(c.ctx.setup.parityIndex, 2);
    EXPECT_EQ(s.ReservedFlags, (std::array<bool, 6>{true, false, true, false, false, true}));
    EXPECT_EQ(s.CurrentPage, 3);
    EXPECT_EQ(s.CurrentBank, 4);
    EXPECT_EQ(s.TXADCOMD, 1);
    EXPECT_EQ(s.TXADCObit, 16);
    EXPECT_EQ(s.NPointIndex, 11);
    EXPECT_EQ(s.TXScale, 0);
    EXPECT_EQ(s.CFunADC, 3);
    EXPECT_EQ(s.CLPT, 2);
    EXPECT_EQ(c.ctx.setup.lptBaseAddress, 0x3BC);
    EXPECT_EQ(s.CalInput, 1200);
    EXPECT_EQ(s.CalResult, -8388608);
    EXPECT_EQ(s.ModeRegisters[0], (std::array<uint8_t, 6>{60, 61, 62, 63, 64, 255}));
    EXPECT_EQ(s.ModeRegisters[1], (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(s.ComFun, 1);
    EXPECT_EQ(s.ADShift, 15);
    EXPECT_FALSE(s.Photo);
    EXPECT_EQ(s.EREFV, "2.5 V ref");
    EXPECT_EQ(s.CMAVR, 5);
    EXPECT_TRUE(s.CHFULL);
    EXPECT_EQ(s.EKEYADDR, "1234");
    EXPECT_EQ(s.EKEYDATA, "AB");
    // "65536" samples of 8 bits.
    EXPECT_EQ(c.ctx.samples.TargetCount, 65536);
    EXPECT_EQ(c.ctx.samples.ScaleDivisor, 65536);
    EXPECT_EQ(c.ctx.samples.MagnitudeBits, 7);
}

TEST(ConfigFile, AForeignTitleChangesNothing)
{
    for (const QByteArray &title :
         {QByteArray("Vek-ENOBTEST V1.8 HID"), QByteArray("Vek-ENOBTEST V1.7 HID "),
          QByteArray("vek-enobtest v1.7 hid"), QByteArray("")}) {
        Ctx c;
        const QByteArray before = c.Saved();
        const int targetBefore = c.ctx.samples.TargetCount;
        const ConfigLoad load = c.Load(WithLine(1, title, kCustomFile));
        EXPECT_FALSE(load.titleMatched) << title.constData();
        EXPECT_FALSE(load.Has(2));
        EXPECT_EQ(c.Saved(), before) << title.constData();
        EXPECT_EQ(c.ctx.samples.TargetCount, targetBefore);
    }
}

TEST(ConfigFile, FlagsAreTrueOnlyForTheWordTrueInAnyCase)
{
    const struct {
        QByteArray text;
        bool on;
    } cases[] = {{"TRUE", true},   {"true", true},   {"True", true},   {"YES", false},
                 {"1", false},     {" TRUE", false}, {"TRUE ", false}, {"", false},
                 {"FALSE", false}, {"TRUEX", false}};
    for (const auto &t : cases) {
        Ctx c;
        c.ctx.config.ReservedFlags[3] = !t.on;
        c.Load(WithLine(6, t.text));
        EXPECT_EQ(c.ctx.config.ReservedFlags[3], t.on) << t.text.constData();
    }
}

// Each case loads the start-up file with one line replaced and saves again: the line as saved
// shows what loading made of it.
TEST(ConfigFile, LoadRulesOfSingleLines)
{
    const struct {
        int line;
        QByteArray loaded, saved;
        const char *what;
    } cases[] = {
        {17, "       0    1234", "  500000   50000", "a zero input gives the standard pair"},
        {17, "    1234       0", "  500000   50000", "a zero result gives the standard pair"},
        {17, "-7 9", "      -7       9", "a pair without zero is kept"},
        {16, "   7", "  -1", "port 7 is no choice"},
        {22, "   2", "   0", "Photo only for exactly 1"},
        {22, "1", "   1", "Photo by 1"},
        {25, "   2", "   1", "CHFULL by anything but 0"},
        {25, "  -1", "   1", "CHFULL by -1"},
        {18, " 256 300  -1   0   0 511", "   0  44 255   0   0 255", "registers cut to 8 bits"},
        {19, "1 2 3 4 5 6 7 8", "   1   2   3   4   5   6", "numbers after the sixth skipped"},
        {26, "74565  -1", "9029 65535", "key texts keep 16 bits"},
        {13, "  20  17", "  -1  -1", "positions outside the lists choose nothing"},
        {11, "5", "-1", "output notation 5 is no choice"},
        {24, "   6", "  -1", "averaging 6 is no choice"},
        {21, "  15", "  15", "shift 15"},
        {14, "TRUE", "FALSE", "the spectrum view is cleared"},
        {2, "99999 -5 200 -1 3", "99999  -5 200  -1   3", "line 2 keeps its numbers"},
    };
    for (const auto &t : cases) {
        Ctx c;
        c.ctx.config.FrequencyView = true;
        const ConfigLoad load = c.Load(WithLine(t.line, t.loaded));
        EXPECT_EQ(load.lastLine, 26) << t.what;
        EXPECT_EQ(c.Saved().split('\n')[t.line - 1], t.saved + '\r') << t.what;
    }
}

TEST(ConfigFile, LoadedLinesReachTheirEffects)
{
    const struct {
        int line;
        QByteArray text;
        int targetCount, scaleDivisor, magnitudeBits;
        uint16_t lptBaseAddress;
        QString keyAddress, keyData;
    } cases[] = {
        {16, "   7", 256, 1, 23, 0x378, "", ""},
        {16, "   1", 256, 1, 23, 0x278, "", ""},
        {16, "  -3", 256, 1, 23, 0x378, "", ""},
        {13, "  20  17", 4242, 3, 5, 0x111, "", ""}, // no choice changes nothing
        {13, "  13  16", 16, 1, 23, 0x111, "", ""},  // "16" samples of 24 bits
        {13, "   0   4", 32, 4096, 11, 0x111, "", ""},
        {26, "74565  -1", 256, 1, 23, 0x378, "2345", "FFFF"},
        {26, "   0  10", 256, 1, 23, 0x378, "0000", "0A"},
    };
    for (const auto &t : cases) {
        Ctx c;
        c.ctx.samples.TargetCount = 4242;
        c.ctx.samples.ScaleDivisor = 3;
        c.ctx.samples.MagnitudeBits = 5;
        c.ctx.setup.lptBaseAddress = 0x111;
        // The file ends with the line under test.
        const QList<QByteArray> lines = WithLine(t.line, t.text).split('\n').mid(0, t.line);
        c.Load(lines.join('\n'));
        const AppContext &x = c.ctx;
        const std::string what = std::to_string(t.line) + ": " + t.text.toStdString();
        EXPECT_EQ(x.samples.TargetCount, t.targetCount) << what;
        EXPECT_EQ(x.samples.ScaleDivisor, t.scaleDivisor) << what;
        EXPECT_EQ(x.samples.MagnitudeBits, t.magnitudeBits) << what;
        EXPECT_EQ(x.setup.lptBaseAddress, t.lptBaseAddress) << what;
        EXPECT_EQ(x.config.EKEYADDR, t.keyAddress) << what;
        EXPECT_EQ(x.config.EKEYDATA, t.keyData) << what;
    }
}

TEST(ConfigFile, AShortFileAppliesTheLinesItHas)
{
    Ctx c;
    c.ctx.config.CurrentPage = 2;
    const QByteArray file = "Vek-ENOBTEST V1.7 HID\r\n   4   2   1   3   1\r\nTRUE\r\ntrue\r\nTRUE";
    const ConfigLoad load = c.Load(file);
    EXPECT_EQ(load.lastLine, 5);
    EXPECT_EQ(c.ctx.setup.chipModelIndex, 4);
    EXPECT_EQ(c.ctx.setup.interfaceIndex, 2);
    EXPECT_EQ(c.ctx.config.ReservedFlags,
              (std::array<bool, 6>{true, true, true, false, false, false}));
    EXPECT_EQ(c.ctx.config.CurrentPage, 2); // line 9 was not there

    // A line cut off in the middle of its numbers is not applied.
    Ctx d;
    const ConfigLoad cut = d.Load("Vek-ENOBTEST V1.7 HID\r\n   4   2   1");
    EXPECT_EQ(cut.lastLine, 1);
    EXPECT_TRUE(cut.titleMatched);
    EXPECT_EQ(d.ctx.setup.chipModelIndex, 0);

    // Only the title.
    Ctx e;
    EXPECT_EQ(e.Load("Vek-ENOBTEST V1.7 HID").lastLine, 1);
    EXPECT_EQ(e.Saved(), kDefaultFile);
}

TEST(ConfigFile, ReadingStopsAtAGarbledNumber)
{
    Ctx c;
    // Line 9 holds no number: lines 2 to 8 are applied, nothing after.
    QByteArray file = WithLine(9, " x", kCustomFile);
    const ConfigLoad load = c.Load(file);
    EXPECT_EQ(load.lastLine, 8);
    EXPECT_EQ(c.ctx.setup.chipModelIndex, 2);
    EXPECT_TRUE(c.ctx.config.ReservedFlags[5]);
    EXPECT_EQ(c.ctx.config.CurrentPage, 0);
    EXPECT_EQ(c.ctx.config.EREFV, "1.2");
    // A line with a number missing runs into the next line's text and stops there too.
    EXPECT_EQ(ParseConfig(WithLine(13, "   3")).lastLine, 12);
    // A number that does not fit 32 bits.
    EXPECT_EQ(ParseConfig(WithLine(17, "99999999999 5")).lastLine, 16);
    // After the numbers the rest of a line is skipped.
    EXPECT_EQ(ParseConfig(WithLine(15, "   2 and a comment")).settings.CFunADC, 2);
}

TEST(ConfigFile, LinesAfterTheLastAreIgnored)
{
    const QByteArray tail = "garbage\r\n1 2 3\r\n" + QByteArray(10000, '\n');
    const ConfigLoad a = ParseConfig(kCustomFile);
    const ConfigLoad b = ParseConfig(kCustomFile + tail);
    EXPECT_EQ(b.lastLine, 26);
    EXPECT_EQ(SerializeConfig(a.setup, a.settings), SerializeConfig(b.setup, b.settings));
}

TEST(ConfigFile, AcceptsOtherLineEnds)
{
    QByteArray lf = kCustomFile;
    lf.replace("\r\n", "\n");
    QByteArray cr = kCustomFile;
    cr.replace("\r\n", "\r");
    for (const QByteArray &file : {lf, cr}) {
        const ConfigLoad load = ParseConfig(file);
        EXPECT_EQ(load.lastLine, 26);
        EXPECT_EQ(SerializeConfig(load.setup, load.settings), kCustomFile);
    }
}

TEST(ConfigFile, WideNumbersStayApartAndLineEndsCannotSplitALine)
{
    Ctx c;
    c.ctx.setup.chipModelIndex = 12345;
    c.ctx.setup.interfaceIndex = -1000;
    c.ctx.config.CalInput = -12345678;
    c.ctx.config.CalResult = 123456789;
    c.ctx.config.EKEYADDR = "7FFFFFFF";
    c.ctx.config.EREFV = "1.2\r\nTRUE";
    const QByteArray saved = c.Saved();
    EXPECT_TRUE(saved.contains("\r\n12345 -1000   0   5   0\r\n"));
    EXPECT_TRUE(saved.contains("\r\n-12345678 123456789\r\n"));
    EXPECT_TRUE(saved.contains("\r\n1.2\r\n   0\r\n"));
    EXPECT_EQ(saved.count("\r\n"), 26);
    const ConfigLoad load = ParseConfig(saved);
    EXPECT_EQ(load.lastLine, 26);
    EXPECT_EQ(load.setup.chipModelIndex, 12345);
    EXPECT_EQ(load.setup.interfaceIndex, -1000);
    EXPECT_EQ(load.settings.CalInput, -12345678);
    EXPECT_EQ(load.settings.CalResult, 123456789);
    EXPECT_EQ(load.settings.EKEYADDR, "FFFF");
}
