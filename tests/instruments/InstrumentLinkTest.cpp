// The instrument exchanges on in-memory lines and a fake clock, and the pure frame and reply
// parsers.
#include "instruments/InstrumentLink.h"
#include "instruments/MeterFrame.h"
#include "sim/instruments/LoopbackPort.h"
#include "sim/instruments/MeterSim.h"

#include <gtest/gtest.h>

using namespace vek;
using namespace vek::sim;

namespace {

QByteArray Frame(const char *reading, char sign, char digit, uint8_t a = 0x06, uint8_t b = 0)
{
    MeterDisplay d;
    d.reading = reading;
    d.exponentSign = sign;
    d.exponentDigit = digit;
    d.statusA = a;
    d.statusB = b;
    return MeterSim::Frame(d);
}

MeterReading Parse(const QByteArray &frame)
{
    MeterReading r;
    ParseMeterFrame(reinterpret_cast<const uint8_t *>(frame.constData()), int(frame.size()), r);
    return r;
}

// A port record on a loopback line with an optional instrument behind it.
struct Bench {
    FakeClock clock;
    LoopbackBench lines{clock};
    SerialPorts ports;
    InstrumentBuffers buffers;
    InstrumentPorts records{};
    InstrumentLink link{ports, clock, buffers, records};
    std::shared_ptr<LoopbackLine> line;

    explicit Bench(std::shared_ptr<InstrumentProtocol> protocol = nullptr, int record = 0)
    {
        ports.SetOpener(lines.Opener());
        line = lines.Attach("COM1", std::move(protocol));
        records[size_t(record)].handle = ports.Open("COM1");
    }
    InstrumentPort &Record(int i = 0) { return records[size_t(i)]; }
    // Runs fn and returns the fake milliseconds it took.
    template <typename F>
    double Cost(F &&fn)
    {
        const double start = clock.NowDays();
        fn();
        return (clock.NowDays() - start) * kMsPerDay;
    }
};

// Sends back fixed bytes for every piece of input.
struct Canned : InstrumentProtocol {
    QByteArray answer;
    int delayMs = 0;
    Replies Feed(const QByteArray &) override
    {
        if (answer.isEmpty())
            return {};
        return {TimedReply{delayMs, answer}};
    }
};

} // namespace

TEST(MeterFrame, NegativeReadingWithPositiveExponent)
{
    const MeterReading r = Parse(Frame("-1.2345 ", '+', '3', 0x86, 0x02));
    EXPECT_DOUBLE_EQ(r.value, -1234.5);
    EXPECT_TRUE(r.negative);
    EXPECT_EQ(r.exponentSignFlag, 0);
    EXPECT_EQ(r.exponent, 3);
    EXPECT_EQ(r.readingText, "-1.2345");
    EXPECT_EQ(r.digitText, "12345");
    EXPECT_EQ(r.pointPosition, 1);
    EXPECT_EQ(r.statusA, 0x86);
    EXPECT_EQ(r.statusB, 0x02);
    EXPECT_FALSE(r.error);
}

TEST(MeterFrame, FieldsTable)
{
    struct Case {
        const char *reading;
        char sign, digit;
        double value;
        bool error;
        int point;
    } cases[] = {
        {" 12.345 ", '+', '0', 12.345, false, 2},
        {" 12.345 ", '-', '2', 0.12345, false, 2},  // anything but '+' divides
        {" 12.345 ", 'x', '1', 1.2345, false, 2},
        {"-0.0012 ", '+', '0', -0.0012, false, 1},
        {"  1.234 ", '+', '0', 0, false, 2},        // blank first digit: 0, no error
        {"-OL     ", '+', '0', 0, false, 0},        // overload: not a number, no error
        {" 1.2.3  ", '+', '0', 0, true, 1},         // two points
        {" 12-34  ", '+', '0', 0, true, 0},         // sign in the middle
        {" 5      ", '+', 'Z', 5, true, 0},         // exponent not a digit
        {" 1 2 3  ", '+', '1', 1230, false, 0},     // blanks are dropped
    };
    for (const Case &c : cases) {
        const MeterReading r = Parse(Frame(c.reading, c.sign, c.digit));
        EXPECT_NEAR(r.value, c.value, 1e-12) << c.reading;
        EXPECT_EQ(r.error, c.error) << c.reading;
        EXPECT_EQ(r.pointPosition, c.point) << c.reading;
    }
}

TEST(MeterFrame, ShortFrameIsAnError)
{
    const QByteArray f = Frame(" 1.0    ", '+', '0').left(21);
    MeterReading r;
    r.value = 7;
    r.statusA = 0x55;
    ParseMeterFrame(reinterpret_cast<const uint8_t *>(f.constData()), int(f.size()), r);
    EXPECT_TRUE(r.error);
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.statusA, 0x55); // nothing else is taken from a short frame
}

TEST(ReplyLine, CollectorKeepsCharactersBeforeTheCr)
{
    ReplyLineCollector c;
    EXPECT_FALSE(c.Add(reinterpret_cast<const uint8_t *>("ab"), 2));
    EXPECT_TRUE(c.Add(reinterpret_cast<const uint8_t *>("c\rxyz"), 5));
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(c.Data()), 3), "abc");
    EXPECT_TRUE(c.Add(reinterpret_cast<const uint8_t *>("more\r"), 5));
    EXPECT_EQ(c.Count(), 3);

    ReplyLineCollector big;
    const QByteArray long1(600, 'x');
    EXPECT_FALSE(big.Add(reinterpret_cast<const uint8_t *>(long1.constData()), 600));
    EXPECT_TRUE(big.Add(reinterpret_cast<const uint8_t *>("\r"), 1));
    EXPECT_EQ(big.Count(), ReplyLineCollector::kCapacity);
}

TEST(ReplyLine, IdentityChecks)
{
    const auto echo = [](const char *s) {
        return IsCalibratorEcho(int(strlen(s)), reinterpret_cast<const uint8_t *>(s));
    };
    EXPECT_TRUE(echo("*OPT"));
    EXPECT_TRUE(echo("*OPT?"));
    EXPECT_FALSE(echo("*OP"));
    EXPECT_FALSE(echo("0"));
    EXPECT_FALSE(echo("*opt"));
    EXPECT_FALSE(IsCalibratorEcho(0, nullptr));

    struct Case {
        bool answered;
        QByteArray reply;
        bool accepted;
    } cases[] = {
        {true, "HEWLETT-PACKARD,E3632A,0,1.4-5.0-1.0\r\n", true},
        {true, "HEWLETT-PACKARD", true},    // 15 characters
        {true, "HEWLETT-PACKAR\r", false},  // 15, not the name
        {true, "HEWLETT-PACK\r\n", false},  // 14
        {true, "HEWLETT\r\n", false},       // 9
        {true, "HEWLET\r\n", false},        // 8
        {true, "hewlett-packard,x\r\n", false},
        {false, "HEWLETT-PACKARD,E3632A\r\n", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsPowerSupplyIdentity(c.answered, c.reply), c.accepted) << c.reply.constData();
}

TEST(InstrumentLink, SendTextWritesExactlyTheTextThenWaits20Ms)
{
    Bench b;
    const double ms = b.Cost([&] { b.link.SendText(b.Record(), "*OPT"); });
    EXPECT_EQ(b.line->written, "*OPT");
    EXPECT_NEAR(ms, 20, 0.1);
    b.link.SendText(b.Record(), "\r");
    EXPECT_EQ(b.line->written, "*OPT\r");
}

TEST(InstrumentLink, WaitSpanIsInDays)
{
    Bench b;
    EXPECT_NEAR(b.Cost([&] { b.link.WaitSpan(0.5 / 86400.0); }), 500, 1.01);
}

TEST(InstrumentLink, ReplyLineDropsBytesAfterTheCr)
{
    auto canned = std::make_shared<Canned>();
    canned->answer = "OK\rtrailing";
    Bench b(canned);
    b.link.SendText(b.Record(), "X");
    b.link.ClearReply();
    const int n = b.link.ReadReplyLine(b.Record());
    EXPECT_EQ(n, 2);
    EXPECT_EQ(b.link.ReplyText(n), "OK");
    EXPECT_EQ(b.buffers.transmit[2], 0);
    EXPECT_TRUE(b.line->input.isEmpty()); // the trailing bytes were read and lost
}

TEST(InstrumentLink, ReplyLineCollectsPiecesUntilTheCr)
{
    Bench b;
    b.line->scheduled.push_back({b.clock.NowDays() + 30 / kMsPerDay, "12"});
    b.line->scheduled.push_back({b.clock.NowDays() + 900 / kMsPerDay, "34\r\n"});
    int n = 0;
    const double ms = b.Cost([&] { n = b.link.ReadReplyLine(b.Record()); });
    EXPECT_EQ(n, 4);
    EXPECT_EQ(b.link.ReplyText(n), "1234");
    EXPECT_NEAR(ms, 900, 2);
}

TEST(InstrumentLink, ReplyLineWithoutCrGivesNothingAfterFiveSeconds)
{
    Bench b;
    b.line->Inject("no end here");
    int n = -1;
    const double ms = b.Cost([&] { n = b.link.ReadReplyLine(b.Record()); });
    EXPECT_EQ(n, 0);
    EXPECT_NEAR(ms, 5000, 2);
}

TEST(InstrumentLink, ClosedOrVanishedPortsGiveNoReplyAndNoHang)
{
    Bench b;
    InstrumentPort closed; // handle -1
    QByteArray reply = "old";
    EXPECT_EQ(b.link.ReadReplyLine(closed), 0);
    EXPECT_FALSE(b.link.QueryText(closed, "*IDN?", reply));
    EXPECT_EQ(reply, "old");
    b.line->vanished = true;
    b.link.SendText(b.Record(), "STBY");
    EXPECT_EQ(b.link.ReadReplyLine(b.Record()), 0);
    EXPECT_FALSE(b.link.QueryText(b.Record(), "*IDN?", reply));
    MeterReading r;
    EXPECT_EQ(b.link.ReadMeterValue(0, r), 0);
    EXPECT_EQ(b.link.MeterRequest(-1).ok, false);
    EXPECT_EQ(b.link.MeterRequest(8).ok, false);
}

TEST(InstrumentLink, QueryThatNeverAnswersCosts500Ms)
{
    Bench b;
    QByteArray reply = "untouched";
    bool ok = true;
    const double ms = b.Cost([&] { ok = b.link.QueryText(b.Record(), "*IDN?", reply); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(reply, "untouched");
    EXPECT_NEAR(ms, 500, 0.1);
    EXPECT_EQ(b.line->written, "*IDN?\r\n");
}

TEST(InstrumentLink, QueryDiscardsStaleInputAndReturnsTheRawReply)
{
    auto canned = std::make_shared<Canned>();
    canned->answer = "+1.50000000E+00\r\n";
    canned->delayMs = 200;
    Bench b(canned);
    b.line->Inject("stale bytes");
    QByteArray reply;
    EXPECT_TRUE(b.link.QueryText(b.Record(), "VOLT?", reply));
    EXPECT_EQ(reply, "+1.50000000E+00\r\n");
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(b.buffers.transmit.data()), 7), "VOLT?\r\n");

    // An answer later than 500 ms does not count.
    canned->delayMs = 600;
    EXPECT_FALSE(b.link.QueryText(b.Record(), "VOLT?", reply));
}

TEST(InstrumentLink, OverlongRepliesStayInsideTheBuffers)
{
    auto canned = std::make_shared<Canned>();
    canned->answer = QByteArray(2000, 'A') + "\r";
    Bench b(canned);
    QByteArray reply;
    EXPECT_TRUE(b.link.QueryText(b.Record(), "X", reply));
    EXPECT_EQ(reply.size(), 516);
    EXPECT_TRUE(b.line->input.isEmpty());
    b.link.SendText(b.Record(), "Y");
    const int n = b.link.ReadReplyLine(b.Record());
    EXPECT_EQ(n, ReplyLineCollector::kCapacity);
}

struct MeterCase {
    const char *name;
    MeterFault fault;
    bool ok;
    double minMs, maxMs;
};

class MeterExchange : public ::testing::TestWithParam<MeterCase> {};

TEST_P(MeterExchange, ResultAndCost)
{
    const MeterCase c = GetParam();
    auto meter = std::make_shared<MeterSim>();
    meter->SetFault(c.fault);
    MeterDisplay d;
    d.reading = "-1.2345 ";
    d.exponentDigit = '3';
    meter->SetDisplay(d);
    Bench b(meter, kFirstMeterPort);
    MeterReading r;
    r.value = 99;
    double value = 99;
    const double ms = b.Cost([&] { value = b.link.ReadMeterValue(kFirstMeterPort, r); });
    EXPECT_GE(ms, c.minMs);
    EXPECT_LE(ms, c.maxMs);
    if (c.ok) {
        EXPECT_DOUBLE_EQ(value, -1234.5);
        EXPECT_FALSE(r.error);
    } else {
        EXPECT_EQ(value, 0);
        EXPECT_EQ(r.value, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MeterExchange,
    ::testing::Values(MeterCase{"answers", MeterFault::None, true, 0, 2},
                      MeterCase{"silent", MeterFault::Silent, false, 2490, 2510},
                      MeterCase{"retry", MeterFault::AnswerRetryOnly, true, 1990, 2010},
                      MeterCase{"partial", MeterFault::Partial, false, 495, 510},
                      MeterCase{"split", MeterFault::Split, true, 95, 110},
                      MeterCase{"nostart", MeterFault::NoStart, false, 49, 55}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(InstrumentLink, MeterShortFrameSetsTheErrorFlag)
{
    auto meter = std::make_shared<MeterSim>();
    meter->SetFault(MeterFault::Short);
    Bench b(meter, kFirstMeterPort);
    MeterReading r;
    EXPECT_EQ(b.link.ReadMeterValue(kFirstMeterPort, r), 0);
    EXPECT_TRUE(r.error);
    EXPECT_EQ(b.buffers.meterFrameLength, 16);
}

TEST(InstrumentLink, MeterRequestClearsStaleInputAndSendsTheRequest)
{
    auto meter = std::make_shared<MeterSim>();
    Bench b(meter, 3);
    b.line->Inject("junk before");
    const auto result = b.link.MeterRequest(3);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.frameLength, 22);
    EXPECT_EQ(b.line->written, QByteArray(reinterpret_cast<const char *>(kMeterRequest), 8));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(b.buffers.meterFrame.data()), 22),
              MeterSim::Frame(MeterDisplay{}));
}

TEST(InstrumentLink, MeterEndMarkerSplitAcrossPiecesCounts)
{
    // 21 bytes with the start, then the final ETX alone: the end pair straddles the pieces.
    auto canned = std::make_shared<Canned>();
    Bench b(canned, kFirstMeterPort);
    const QByteArray frame = Frame(" 2.5    ", '+', '0');
    b.line->scheduled.push_back({b.clock.NowDays() + 10 / kMsPerDay, frame.left(21)});
    b.line->scheduled.push_back({b.clock.NowDays() + 1300 / kMsPerDay, frame.mid(21)});
    // The first 21 bytes come at once, so the end byte is waited for.
    const auto result = b.link.MeterRequest(kFirstMeterPort);
    EXPECT_FALSE(result.ok); // 1300 ms is beyond the 500 ms allowed for the rest
    b.line->scheduled.clear();
    b.line->input.clear();
    b.line->scheduled.push_back({b.clock.NowDays() + 10 / kMsPerDay, frame.left(21)});
    b.line->scheduled.push_back({b.clock.NowDays() + 200 / kMsPerDay, frame.mid(21)});
    MeterReading r;
    EXPECT_DOUBLE_EQ(b.link.ReadMeterValue(kFirstMeterPort, r), 2.5);
}
