// The three analog panels inside the program on the simulated board: the chip selection prepares
// them, every click is one register write frame, and a changed chip image shows on every panel.
#include "app/Program.h"
#include "chipdesc/SelectChip.h"
#include "link/FrameTrace.h"
#include "link/ui/LinkWindows.h"
#include "panels/ui/AnalogPanels.h"
#include "sim/SimUsbBackends.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

struct SimulatedProgram {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    sim::SimUsb usb;
    FrameTrace trace{clock, QString()};
    qsizetype traceMark = 0;
    AppContext ctx{clock, dialogs, dir.path() + "/"};
    std::unique_ptr<Program> program;

    SimulatedProgram()
    {
        // The sample chip files in a program directory of our own.
        QDirIterator it(QStringLiteral(VEK_SOURCE_DIR "/INCLUDE"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = dir.path() + "/INCLUDE" + from.mid(QStringLiteral(VEK_SOURCE_DIR "/INCLUDE").size());
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
        }
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        ctx.usb.trace = &trace;
        program = std::make_unique<Program>(ctx);
        ctx.setup.interfaceIndex = 1; // SPI
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
        ctx.setup.chipModelIndex = 1; // ZR300
        EXPECT_TRUE(GetSELUP(ctx));
        usb.board.ClearFrameLog();
        traceMark = trace.Text().size();
    }
    // Register write frames in the frame trace since the last call.
    int TracedWrites()
    {
        static const QRegularExpression kWrite(QStringLiteral("-> .* (B1|BC) 40 "));
        int n = 0;
        for (const QByteArray &line : trace.Text().mid(traceMark).split('\n'))
            if (kWrite.match(QString::fromLatin1(line)).hasMatch())
                ++n;
        traceMark = trace.Text().size();
        return n;
    }
    WindowSet &W() { return program->Windows(); }
    // Register writes among the frames since the last call: (address, value).
    std::vector<std::pair<int, int>> TakeWrites()
    {
        std::vector<std::pair<int, int>> writes;
        for (const auto &f : usb.board.FrameLog())
            if (f.size() >= 6 && (f[0] == 0xB1 || f[0] == 0xBC) && f[1] == 0x40)
                writes.push_back({f[2] | f[3] << 8, f[5]});
        usb.board.ClearFrameLog();
        return writes;
    }
    template <class W = QWidget> W *Find(QWidget *form, const char *name)
    {
        W *w = form->findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

} // namespace

TEST(ProgramPanels, SelectionPreparesEachPanelAndEveryClickWritesOnce)
{
    SimulatedProgram s;
    EXPECT_EQ(s.Find<QLabel>(s.W().adc, "LINH7")->text(), "TSP");
    EXPECT_FALSE(s.Find(s.W().adc, "PTemp")->isHidden());
    EXPECT_TRUE(s.Find(s.W().op, "ImAP3")->isHidden());
    EXPECT_EQ(s.Find<QLabel>(s.W().cmp, "LCPIH2")->text(), "Float");
    EXPECT_EQ(s.Find<TogglePanel>(s.W().cmp, "PPMX")->Caption(), "PM1.7");

    s.Find<TogglePanel>(s.W().adc, "PENADC")->Click();
    EXPECT_EQ(s.TakeWrites(), (std::vector<std::pair<int, int>>{{0x30, 0x80}}));
    EXPECT_EQ(s.TracedWrites(), 1);
    EXPECT_TRUE(s.Find<TogglePanel>(s.W().adc, "PENADC")->Highlighted());
    s.Find<OptionLabel>(s.W().op, "LAI5")->Click();
    EXPECT_EQ(s.TakeWrites(), (std::vector<std::pair<int, int>>{{0x36, 0x05}}));
    EXPECT_EQ(s.TracedWrites(), 1);
    s.Find<TogglePanel>(s.W().cmp, "PDAX")->Click();
    EXPECT_EQ(s.TakeWrites(), (std::vector<std::pair<int, int>>{{0x73, 0x80}}));
    EXPECT_EQ(s.TracedWrites(), 1);
    EXPECT_EQ(s.usb.board.memory.Read(0x73), 0x80);
    // An option the chip file marks "-" does nothing.
    s.Find<Glyph>(s.W().adc, "INH100off")->Click();
    EXPECT_TRUE(s.TakeWrites().empty());
    EXPECT_EQ(s.TracedWrites(), 0);
}

TEST(ProgramPanels, AnotherModelPreparesThePanelsAgain)
{
    SimulatedProgram s;
    s.ctx.setup.chipModelIndex = 3; // ZR100: four inputs, no temperature sensor
    EXPECT_TRUE(GetSELUP(s.ctx));
    EXPECT_TRUE(s.Find(s.W().adc, "PTemp")->isHidden());
    EXPECT_FALSE(s.Find(s.W().adc, "LTemp")->isVisibleTo(s.W().adc)); // no sensor, no caption
    EXPECT_TRUE(s.Find(s.W().adc, "LINH7")->isHidden());
    EXPECT_FALSE(s.Find(s.W().adc, "INH111off")->isEnabled());
    EXPECT_EQ(s.Find<QComboBox>(s.W().adc, "TXINH")->count(), 4);
    EXPECT_TRUE(s.TakeWrites().empty());
    // ZR100 has no op-amp: nothing of ZR300's op-amp is left to click, and a click writes nothing.
    EXPECT_FALSE(s.Find(s.W().op, "PENOP")->isEnabled());
    EXPECT_TRUE(s.Find(s.W().op, "LAI5")->isHidden());
    EXPECT_EQ(s.Find<QComboBox>(s.W().op, "TXOP0N")->count(), 0);
    s.Find<OptionLabel>(s.W().op, "LAI5")->Click();
    s.Find<TogglePanel>(s.W().op, "PENOP")->Click();
    EXPECT_TRUE(s.TakeWrites().empty());
}

TEST(ProgramPanels, AChangedImageShowsOnEveryPanel)
{
    SimulatedProgram s;
    // What a RAM read brings: new register bytes in the image, then every panel redraws.
    s.W().up->SetImageByte(0x35, 0x80 | (3 << 5));
    s.W().up->SetImageByte(0x32, 0x80 | (1 << 5));
    s.W().up->SetImageByte(0x46, 0x0F);
    s.ctx.refreshPanels();
    EXPECT_EQ(s.Find<QLabel>(s.W().op, "TXENOPS")->text(), "ON");
    EXPECT_EQ(s.Find<QLabel>(s.W().op, "TXOP0MS")->text(), "Offset Negative");
    EXPECT_EQ(s.Find<QLabel>(s.W().op, "TXVDDAS")->text(), "VDDA = 2.7 V");
    EXPECT_EQ(s.Find<QLabel>(s.W().adc, "TXVDDAS")->text(), "VDDA = 2.7 V");
    EXPECT_EQ(s.Find<QLabel>(s.W().cmp, "TXVDDAS1")->text(), "VDDA = 2.7 V");
    EXPECT_TRUE(s.Find<OptionLabel>(s.W().cmp, "LCPVRS1111")->Selected());
    EXPECT_TRUE(s.TakeWrites().empty());
}
