// The instrument link and the instrument search against the simulated instruments on real
// pseudo-terminals, with their faults switched on. Instruments that answer run on a clock five
// times faster than real time; silent ones on the fake clock.
#include "instruments/InstrumentLink.h"
#include "instruments/SetupPorts.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/MeterSim.h"
#include "sim/instruments/PowerSupplySim.h"
#include "sim/instruments/PtyInstrument.h"
#include "sim/instruments/SimulatedBench.h"
#include "tests/instruments/TestSupport.h"

#include <gtest/gtest.h>

using namespace vek;
using namespace vek::sim;
using vek::test::ScaledClock;

namespace {

struct PtyBench {
    explicit PtyBench(Clock &c) : clock(c) {}
    Clock &clock;
    SerialPorts ports;
    InstrumentBuffers buffers;
    InstrumentPorts records{};
    InstrumentLink link{ports, clock, buffers, records};

    std::unique_ptr<PtyInstrument> Put(const QString &com, std::unique_ptr<InstrumentProtocol> p)
    {
        auto pty = PtyInstrument::Start(std::move(p));
        EXPECT_NE(pty, nullptr);
        if (pty)
            ports.ProgramEntries().Set(com, pty->DevicePath());
        return pty;
    }
    double Cost(const std::function<void()> &fn)
    {
        const double start = clock.NowDays();
        fn();
        return (clock.NowDays() - start) * kMsPerDay;
    }
};

std::unique_ptr<CalibratorSim> Calibrator(CalibratorFault f)
{
    auto c = std::make_unique<CalibratorSim>();
    c->SetFault(f);
    return c;
}

std::unique_ptr<PowerSupplySim> Supply(PowerSupplyFault f, const QByteArray &id = {})
{
    auto p = std::make_unique<PowerSupplySim>();
    p->SetFault(f);
    if (!id.isEmpty())
        p->SetIdentity(id);
    return p;
}

} // namespace

TEST(PtyInstruments, CalibratorIsFoundAndObeysItsCommands)
{
    ScaledClock clock(5);
    PtyBench b(clock);
    auto pty = b.Put("COM7", Calibrator(CalibratorFault::None));
    InstrumentPort &rec = b.records[kCalibratorPort];
    const SelectOutcome o = SelectCalibrator(b.link, b.ports, rec, "COM7");
    EXPECT_EQ(o.statusText, "Successful Select Fluke In COM7");
    EXPECT_TRUE(o.messageText.isEmpty());
    EXPECT_TRUE(rec.present);

    // The range lock sequence and an output step, as the bench test sends them.
    for (const char *cmd : {"STBY", "RANGELCK OFF", "OUT 600 mV ,0 Hz ", "RANGELCK ON", "OPER"}) {
        b.link.SendText(rec, cmd);
        b.link.SendText(rec, "\r");
    }
    b.link.WaitSpan(0.5 / 86400);
    ASSERT_TRUE(vek::test::Eventually([&] {
        return pty->With<CalibratorSim>([](CalibratorSim &c) { return c.State().commands; }) >= 6;
    }));
    const CalibratorState s = pty->With<CalibratorSim>([](CalibratorSim &c) { return c.State(); });
    EXPECT_DOUBLE_EQ(s.volts, 0.6);
    EXPECT_TRUE(s.operate);
    EXPECT_TRUE(s.rangeLocked);
    EXPECT_EQ(s.errors, 0);
}

TEST(PtyInstruments, CalibratorThatDoesNotIdentifyIsRefusedAndClosed)
{
    for (CalibratorFault f : {CalibratorFault::NoEcho, CalibratorFault::Garbage}) {
        ScaledClock clock(5);
        PtyBench b(clock);
        auto pty = b.Put("COM2", Calibrator(f));
        InstrumentPort &rec = b.records[kCalibratorPort];
        const SelectOutcome o = SelectCalibrator(b.link, b.ports, rec, "COM2");
        EXPECT_EQ(o.statusText, "Fail Select Fluke COM2") << int(f);
        EXPECT_EQ(o.messageText, "此通道連接的不是Fluke5500A!!");
        EXPECT_FALSE(rec.present);
        EXPECT_EQ(rec.handle, -1);
        EXPECT_EQ(b.ports.OpenCount(), 0);
        // The port was given back: it opens again.
        const int64_t again = b.ports.Open("COM2");
        EXPECT_GT(again, 0);
    }
}

TEST(PtyInstruments, SilentCalibratorCostsTheReplyTimeOnTheFakeClock)
{
    FakeClock clock;
    PtyBench b(clock);
    auto pty = b.Put("COM2", Calibrator(CalibratorFault::Silent));
    InstrumentPort &rec = b.records[kCalibratorPort];
    SelectOutcome o;
    const double ms = b.Cost([&] { o = SelectCalibrator(b.link, b.ports, rec, "COM2"); });
    EXPECT_EQ(o.statusText, "Fail Select Fluke COM2");
    // Two texts (20 ms each), the half second, then 5 s for a reply line.
    EXPECT_NEAR(ms, 40 + 500 + 5000, 5);
}

TEST(PtyInstruments, PowerSupplyIsFoundAndLeftSafe)
{
    ScaledClock clock(5);
    PtyBench b(clock);
    auto pty = b.Put("COM8", Supply(PowerSupplyFault::None));
    pty->With<PowerSupplySim>([](PowerSupplySim &p) {
        p.Feed("SYST:REM\nVOLT 12\nOUTP ON\nSYST:LOC\n"); // left on by a previous user
        return 0;
    });
    InstrumentPort &rec = b.records[kPowerSupplyPort];
    const SelectOutcome o = SelectPowerSupply(b.link, b.ports, rec, "COM8");
    EXPECT_EQ(o.statusText, "Successful Select Power Supply In COM8");
    EXPECT_TRUE(rec.present);
    const PowerSupplyState s = pty->With<PowerSupplySim>([](PowerSupplySim &p) { return p.State(); });
    EXPECT_TRUE(s.remote);
    EXPECT_EQ(s.volts, 0);
    EXPECT_EQ(s.amps, 0);
    EXPECT_FALSE(s.output);

    QByteArray reply;
    ASSERT_TRUE(b.link.QueryText(rec, "VOLT 2.5;VOLT?", reply));
    EXPECT_EQ(reply, "+2.50000000E+00\r\n");
}

TEST(PtyInstruments, PowerSupplyThatDoesNotIdentifyIsRefused)
{
    struct Case {
        PowerSupplyFault fault;
        QByteArray identity;
    } cases[] = {{PowerSupplyFault::Garbage, {}}, {PowerSupplyFault::None, "HEWLETT-PACK"}};
    for (const Case &c : cases) {
        ScaledClock clock(5);
        PtyBench b(clock);
        auto pty = b.Put("COM3", Supply(c.fault, c.identity));
        InstrumentPort &rec = b.records[kPowerSupplyPort];
        const SelectOutcome o = SelectPowerSupply(b.link, b.ports, rec, "COM3");
        EXPECT_EQ(o.statusText, "Fail Select Power Supply COM3");
        EXPECT_EQ(o.messageText, "此通道連接的不是Power Supply!!");
        EXPECT_FALSE(rec.present);
        EXPECT_EQ(b.ports.OpenCount(), 0);
    }
}

TEST(PtyInstruments, SilentPowerSupplyCostsFourQueries)
{
    FakeClock clock;
    PtyBench b(clock);
    auto pty = b.Put("COM3", Supply(PowerSupplyFault::Silent));
    SelectOutcome o;
    const double ms =
        b.Cost([&] { o = SelectPowerSupply(b.link, b.ports, b.records[kPowerSupplyPort], "COM3"); });
    EXPECT_EQ(o.statusText, "Fail Select Power Supply COM3");
    EXPECT_NEAR(ms, 2000, 1);
}

TEST(PtyInstruments, PortThatCannotOpen)
{
    FakeClock clock;
    PtyBench b(clock);
    auto pty = b.Put("COM5", Calibrator(CalibratorFault::None));
    const int64_t taken = b.ports.Open("COM5"); // someone else has it
    ASSERT_GT(taken, 0);
    const SelectOutcome o = SelectCalibrator(b.link, b.ports, b.records[0], "COM5");
    EXPECT_EQ(o.statusText, "Fluke Uart  not  found");
    EXPECT_TRUE(o.messageText.isEmpty());
    b.ports.ProgramEntries().Set("COM6", "/dev/no-such-port");
    EXPECT_EQ(SelectPowerSupply(b.link, b.ports, b.records[1], "COM6").statusText,
              "Power Supply Uart  not  found");
    EXPECT_EQ(b.records[1].handle, -1);
}

TEST(PtyInstruments, MeterOverAPseudoTerminal)
{
    struct Case {
        MeterFault fault;
        bool ok;
    } cases[] = {{MeterFault::None, true},
                 {MeterFault::Split, true},
                 {MeterFault::Partial, false},
                 {MeterFault::NoStart, false},
                 {MeterFault::Short, false}};
    for (const Case &c : cases) {
        ScaledClock clock(5);
        PtyBench b(clock);
        auto meter = std::make_unique<MeterSim>();
        meter->SetFault(c.fault);
        meter->SetSplitDelayMs(20); // 100 ms on the test's clock
        MeterDisplay d;
        d.reading = " 3.3000 ";
        meter->SetDisplay(d);
        auto pty = b.Put("COM9", std::move(meter));
        b.records[kFirstMeterPort].handle = b.ports.Open("COM9");
        MeterReading r;
        const double v = b.link.ReadMeterValue(kFirstMeterPort, r);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, 3.3) << int(c.fault);
            EXPECT_FALSE(r.error);
        } else {
            EXPECT_EQ(v, 0) << int(c.fault);
        }
    }
}

TEST(PtyInstruments, SilentMeterCostsAboutTwoAndAHalfSeconds)
{
    FakeClock clock;
    PtyBench b(clock);
    auto meter = std::make_unique<MeterSim>();
    meter->SetFault(MeterFault::Silent);
    auto pty = b.Put("COM9", std::move(meter));
    b.records[kFirstMeterPort].handle = b.ports.Open("COM9");
    MeterReading r;
    double v = 1;
    const double ms = b.Cost([&] { v = b.link.ReadMeterValue(kFirstMeterPort, r); });
    EXPECT_EQ(v, 0);
    EXPECT_NEAR(ms, 2500, 5);
}

TEST(PtyInstruments, InstrumentThatVanishesUnderUs)
{
    ScaledClock clock(5);
    PtyBench b(clock);
    auto pty = b.Put("COM7", Calibrator(CalibratorFault::None));
    InstrumentPort &rec = b.records[kCalibratorPort];
    ASSERT_EQ(SelectCalibrator(b.link, b.ports, rec, "COM7").statusText,
              "Successful Select Fluke In COM7");
    pty->Vanish();
    b.link.SendText(rec, "STBY");
    b.link.SendText(rec, "\r");
    b.link.ClearReply();
    EXPECT_EQ(b.link.ReadReplyLine(rec), 0);
    QByteArray reply = "kept";
    EXPECT_FALSE(b.link.QueryText(rec, "OUT?", reply));
    EXPECT_EQ(reply, "kept");
    b.records[kFirstMeterPort].handle = rec.handle;
    MeterReading m;
    EXPECT_EQ(b.link.ReadMeterValue(kFirstMeterPort, m), 0);
    b.ports.Close(rec.handle);
}

TEST(SimulatedBench, PutsTwoInstrumentsUnderTwoComNames)
{
    ScaledClock clock(5);
    PtyBench b(clock);
    QString error;
    auto bench = SimulatedBench::Start(b.ports.ProgramEntries(), "COM7", "COM8", &error);
    ASSERT_NE(bench, nullptr) << error.toStdString();
    EXPECT_EQ(b.ports.DevicePath("COM7"), bench->Calibrator().DevicePath());
    EXPECT_EQ(b.ports.DevicePath("COM8"), bench->PowerSupply().DevicePath());
    InstrumentPort &cal = b.records[kCalibratorPort];
    ASSERT_TRUE(SelectCalibrator(b.link, b.ports, cal, "COM7").messageText.isEmpty());
    ASSERT_TRUE(SelectPowerSupply(b.link, b.ports, b.records[1], "COM8").messageText.isEmpty());
    EXPECT_EQ(bench->CalibratorOutputVolts(), 0);
    for (const char *cmd : {"OUT 250 mV ,0 Hz", "OPER"}) {
        b.link.SendText(cal, cmd);
        b.link.SendText(cal, "\r");
    }
    // What a simulated ADC would read as its input.
    EXPECT_TRUE(vek::test::Eventually([&] { return bench->CalibratorOutputVolts() == 0.25; }));
    QByteArray reply;
    b.link.QueryText(b.records[1], "VOLT 5", reply);
    b.link.QueryText(b.records[1], "OUTP ON", reply);
    EXPECT_TRUE(vek::test::Eventually([&] { return bench->PowerSupplyOutputVolts() == 5; }));
}
