// The simulated instruments' protocols (no I/O).
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/MeterSim.h"
#include "sim/instruments/PowerSupplySim.h"

#include <gtest/gtest.h>

using namespace vek::sim;

namespace {

QByteArray All(const Replies &replies)
{
    QByteArray out;
    for (const TimedReply &r : replies)
        out += r.bytes;
    return out;
}

} // namespace

TEST(CalibratorSim, EchoesEachLineAndAnswersOptions)
{
    CalibratorSim c;
    // A command may arrive in pieces; the echo comes when the line ends.
    EXPECT_EQ(All(c.Feed("*OP")), "");
    EXPECT_EQ(All(c.Feed("T")), "");
    EXPECT_EQ(All(c.Feed("\r")), "*OPT\r\n0\r\n");
    EXPECT_EQ(All(c.Feed("STBY\r\n")), "STBY\r\n");
    EXPECT_EQ(c.State().errors, 0);
}

TEST(CalibratorSim, OutputCommandsTable)
{
    struct Case {
        const char *command;
        double volts, hertz;
        bool accepted;
    } cases[] = {
        {"OUT 600 mV ,0 Hz ", 0.6, 0, true},
        {"OUT 100 mV ,0 Hz ", 0.1, 0, true},
        {"OUT 0 V ,0 Hz", 0, 0, true},
        {"OUT 1.5V, 60 Hz", 1.5, 60, true},
        {"out -2.5 v", -2.5, 60, true}, // frequency kept when not given
        {"OUT 3E-1 V ,1 kHz", 0.3, 1000, true},
        {"OUT 10 uV", 1e-5, 1000, true},
        {"OUT", 1e-5, 1000, false},
        {"OUT abc V", 1e-5, 1000, false},
        {"OUT 5 A", 1e-5, 1000, false},
        {"OUT 1 V ,2 Hz ,3", 1e-5, 1000, false},
        {"OUT 5000 V", 1e-5, 1000, false},
    };
    CalibratorSim c;
    int errors = 0;
    for (const Case &k : cases) {
        const QByteArray line = QByteArray(k.command) + "\r";
        EXPECT_EQ(All(c.Feed(line)), QByteArray(k.command) + "\r\n") << k.command;
        errors += k.accepted ? 0 : 1;
        EXPECT_NEAR(c.State().volts, k.volts, 1e-12) << k.command;
        EXPECT_NEAR(c.State().hertz, k.hertz, 1e-9) << k.command;
        EXPECT_EQ(c.State().errors, errors) << k.command;
    }
}

TEST(CalibratorSim, KeepsOperateStateAndRangeLock)
{
    CalibratorSim c;
    c.Feed("OUT 600 mV ,0 Hz\r");
    EXPECT_EQ(c.OutputVolts(), 0); // standby after power-on
    c.Feed("OPER\r");
    EXPECT_DOUBLE_EQ(c.OutputVolts(), 0.6);
    c.Feed("OUT 100 mV ,0 Hz\r"); // a new value while operating stays operating
    EXPECT_DOUBLE_EQ(c.OutputVolts(), 0.1);
    EXPECT_EQ(All(c.Feed("OPER?\r")), "OPER?\r\n1\r\n");
    c.Feed("STBY\r");
    EXPECT_EQ(c.OutputVolts(), 0);
    EXPECT_DOUBLE_EQ(c.State().volts, 0.1);
    c.Feed("RANGELCK ON\r");
    EXPECT_TRUE(c.State().rangeLocked);
    EXPECT_EQ(All(c.Feed("RANGELCK?\r")), "RANGELCK?\r\nON\r\n");
    c.Feed("rangelck off\r");
    EXPECT_FALSE(c.State().rangeLocked);
    c.Feed("RANGELCK MAYBE\r");
    EXPECT_EQ(c.State().errors, 1);
    EXPECT_EQ(All(c.Feed("OUT?\r")), "OUT?\r\n1.000000E-01,V,0.00E+00\r\n");
}

TEST(CalibratorSim, Faults)
{
    CalibratorSim silent, noEcho, garbage;
    silent.SetFault(CalibratorFault::Silent);
    noEcho.SetFault(CalibratorFault::NoEcho);
    garbage.SetFault(CalibratorFault::Garbage);
    EXPECT_EQ(All(silent.Feed("*OPT\rOPER\r")), "");
    EXPECT_TRUE(silent.State().operate); // it still obeys
    EXPECT_EQ(All(noEcho.Feed("*OPT\r")), "0\r\n");
    EXPECT_EQ(All(noEcho.Feed("STBY\r")), "");
    const QByteArray g = All(garbage.Feed("*OPT\r"));
    EXPECT_FALSE(g.startsWith("*OPT"));
    EXPECT_TRUE(g.endsWith("\r\n"));
}

TEST(CalibratorSim, OverlongLineIsThrownAway)
{
    CalibratorSim c;
    EXPECT_EQ(All(c.Feed(QByteArray(300, 'A'))), "");
    EXPECT_EQ(All(c.Feed("OPER\r")), ""); // still the overlong line
    EXPECT_FALSE(c.State().operate);
    EXPECT_EQ(All(c.Feed("OPER\r")), "OPER\r\n");
    EXPECT_TRUE(c.State().operate);
}

TEST(PowerSupplySim, IgnoresTheLineUntilRemote)
{
    PowerSupplySim p;
    EXPECT_EQ(All(p.Feed("*IDN?\r\n")), "");
    EXPECT_EQ(All(p.Feed("VOLT 5\r\n")), "");
    EXPECT_EQ(p.State().volts, 0);
    EXPECT_EQ(All(p.Feed("SYST:REM\r\n*IDN?\r\n")),
              "HEWLETT-PACKARD,E3632A,0,1.4-5.0-1.0\r\n");
    EXPECT_TRUE(p.State().remote);
}

TEST(PowerSupplySim, KeepsVoltageCurrentAndOutput)
{
    PowerSupplySim p;
    p.Feed("SYST:REM\r\n");
    struct Case {
        const char *command;
        const char *reply;
    } cases[] = {
        {"VOLT 3.3", ""},
        {"VOLT?", "+3.30000000E+00\r\n"},
        {"CURR 0.5", ""},
        {"CURX?", ""}, // not a command it knows: an error, no reply
        {"CURR?", "+5.00000000E-01\r\n"},
        {"OUTP?", "0\r\n"},
        {"MEAS:VOLT?", "+0.00000000E+00\r\n"},
        {"OUTP ON", ""},
        {"MEAS:VOLT?", "+3.30000000E+00\r\n"},
        {"VOLT 99", ""}, // out of range: refused
        {"VOLT?", "+3.30000000E+00\r\n"},
        {"SYST:ERR?", "-113,\"Undefined header\"\r\n"},
        {"SYST:ERR?", "-113,\"Undefined header\"\r\n"},
        {"SYST:ERR?", "+0,\"No error\"\r\n"},
        {"VOLT 1;OUTP OFF;VOLT?", "+1.00000000E+00\r\n"},
        {"OUTP?", "0\r\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(All(p.Feed(QByteArray(c.command) + "\r\n")), c.reply) << c.command;
    EXPECT_FALSE(p.State().output);
    EXPECT_DOUBLE_EQ(p.State().amps, 0.5);
}

TEST(PowerSupplySim, IdentityAndFaults)
{
    PowerSupplySim shortId, silent, garbage;
    shortId.SetIdentity("HEWLETT");
    silent.SetFault(PowerSupplyFault::Silent);
    garbage.SetFault(PowerSupplyFault::Garbage);
    EXPECT_EQ(All(shortId.Feed("SYST:REM\r\n*IDN?\r\n")), "HEWLETT\r\n");
    EXPECT_EQ(All(silent.Feed("SYST:REM\r\n*IDN?\r\nVOLT 2\r\n")), "");
    EXPECT_DOUBLE_EQ(silent.State().volts, 2);
    const QByteArray g = All(garbage.Feed("SYST:REM\r\n*IDN?\r\n"));
    EXPECT_FALSE(g.startsWith("HEWLETT"));
    EXPECT_FALSE(g.isEmpty());
}

TEST(MeterSim, FrameLayout)
{
    MeterDisplay d;
    d.reading = "-1.2345";
    d.statusA = 0x12;
    d.statusB = 0x34;
    d.exponentSign = '-';
    d.exponentDigit = '4';
    const QByteArray f = MeterSim::Frame(d);
    ASSERT_EQ(f.size(), 22);
    EXPECT_EQ(f.left(2), QByteArray("\x10\x02", 2));
    EXPECT_EQ(uint8_t(f[4]), 0x12);
    EXPECT_EQ(uint8_t(f[5]), 0x34);
    EXPECT_EQ(f.mid(8, 8), "-1.2345 ");
    EXPECT_EQ(f[17], '-');
    EXPECT_EQ(f[18], '4');
    EXPECT_EQ(f.right(2), QByteArray("\x10\x03", 2));
}

TEST(MeterSim, AnswersRequestsHoweverTheyAreCut)
{
    MeterSim m;
    const QByteArray request("\x10\x02\x00\x00\x00\x00\x10\x03", 8);
    EXPECT_TRUE(m.Feed(request.left(1)).empty());
    EXPECT_TRUE(m.Feed(request.mid(1, 5)).empty());
    EXPECT_EQ(All(m.Feed(request.mid(6))), MeterSim::Frame(MeterDisplay{}));
    EXPECT_EQ(All(m.Feed("noise" + request + request)).size(), 44);
    EXPECT_EQ(m.Requests(), 3);
    EXPECT_TRUE(m.Feed(QByteArray(1000, '\x10')).empty()); // never a request, never an answer
}

TEST(MeterSim, FaultReplies)
{
    const QByteArray request("\x10\x02\x00\x00\x00\x00\x10\x03", 8);
    const QByteArray full = MeterSim::Frame(MeterDisplay{});
    MeterSim split;
    split.SetFault(MeterFault::Split);
    split.SetSplitDelayMs(30);
    const Replies r = split.Feed(request);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].delayMs, 0);
    EXPECT_EQ(r[1].delayMs, 30);
    EXPECT_EQ(r[0].bytes + r[1].bytes, full);

    MeterSim retry;
    retry.SetFault(MeterFault::AnswerRetryOnly);
    EXPECT_TRUE(retry.Feed(request).empty());
    EXPECT_EQ(All(retry.Feed(request)), full);

    MeterSim partial, noStart, shortFrame;
    partial.SetFault(MeterFault::Partial);
    noStart.SetFault(MeterFault::NoStart);
    shortFrame.SetFault(MeterFault::Short);
    EXPECT_EQ(All(partial.Feed(request)), full.left(14));
    EXPECT_FALSE(All(noStart.Feed(request)).contains(QByteArray("\x10\x02", 2)));
    EXPECT_EQ(All(shortFrame.Feed(request)).size(), 16);
}
