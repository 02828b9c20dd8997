#include "sim/BoardProtocol.h"
#include "sim/SimBoard.h"

#include <gtest/gtest.h>

namespace vek::sim {
namespace {

std::vector<uint8_t> Send(BoardProtocol &p, std::vector<uint8_t> frame, size_t padTo = 0)
{
    if (frame.size() < padTo)
        frame.resize(padTo, 0);
    return p.Handle(frame.data(), frame.size());
}

TEST(BoardProtocol, IdentityNumberAndText)
{
    SimChipMemory mem;
    BoardProtocol p(mem);
    const std::vector<uint8_t> id = Send(p, {0xF9, 0xAC});
    EXPECT_EQ(std::string(id.begin(), id.end()), "Quorvast");
    EXPECT_EQ(Send(p, {0xF9, 0x02, 0, 0}), (std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    Send(p, {0xF9, 0x01, 0x05, 0x00});
    EXPECT_EQ(p.state.boardNumber, 5);
    EXPECT_EQ(Send(p, {0xF9, 0x02, 0, 0})[0], 5);
    Send(p, {0xF9, 0x01, 0xFF, 0xFF});
    EXPECT_EQ(p.state.boardNumber, 0xFFFF);
    const std::vector<uint8_t> text = Send(p, {0xF9, 0x05, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(std::string(text.begin(), text.end()), "ENOB-SIM");
    EXPECT_EQ(Send(p, {0xC5, 0xFF, 0x01, 0x00}).size(), 64u);
    EXPECT_EQ(Send(p, {0xC5, 0xFF, 0x00, 0x00}).size(), 64u);
    EXPECT_EQ(p.state.initFrames, 2);
}

TEST(BoardProtocol, SpecialHeaderCarriesTheHighAddressBits)
{
    SimChipMemory mem;
    BoardProtocol p(mem);
    // Banked write of two bytes at 0x2C5 (header (2*4)&0x7C = 0x08), then read (0x88).
    Send(p, {0xBA, 0x08, 0xC5, 0x02, 0x02, 0x11, 0x22});
    EXPECT_EQ(mem.Read(0x2C5), 0x11);
    EXPECT_EQ(mem.Read(0x2C6), 0x22);
    EXPECT_EQ(Send(p, {0xBE, 0x88, 0xC5, 0x02, 0x02}), (std::vector<uint8_t>{0x11, 0x22}));
    // A chip with the plain header reaches bank 0 only.
    p.state.plainSpecialHeader = true;
    mem.Write(0xC5, 0x33);
    EXPECT_EQ(Send(p, {0xBE, 0xC0, 0xC5, 0x01, 0x01}), (std::vector<uint8_t>{0x33}));
    EXPECT_TRUE(Send(p, {0xBE, 0x88, 0xC5, 0x01, 0x01}).empty());
}

TEST(BoardProtocol, BrokenOrUnknownFramesGetNoReply)
{
    SimChipMemory mem;
    BoardProtocol p(mem);
    const std::vector<std::vector<uint8_t>> frames = {
        {},
        {0x00, 0x01, 0x02},
        {0xF9},
        {0xF9, 0x02},                        // number query without its argument
        {0xF9, 0x33, 0, 0},                  // unknown management code
        {0xB1, 0xC0, 0x00, 0x00},            // header cut short
        {0xB1, 0x40, 0x00, 0x00, 0x03, 1},   // fewer data bytes than announced
        {0xB1, 0xC0, 0x00, 0x00, 0x00},      // nothing to read
        {0xB1, 0xC0, 0x00, 0x00, 0x41},      // more than a frame
        {0xBA, 0x80, 0x00, 0x02, 0x03},      // the two counts disagree
        {0xBA, 0x81, 0x00, 0x01, 0x01},      // not a header byte
        {0xC1, 0x80, 0x00, 0x00, 0x40},      // no room for the status byte
        {0xC0, 0x00, 0x00, 0x06, 0x81, 0x03},
        {0xC5, 0xFF, 0x02, 0x00},
        {0xB5, 0x09, 0x00},
    };
    for (const auto &f : frames)
        EXPECT_TRUE(p.Handle(f.data(), f.size()).empty()) << f.size();
    EXPECT_EQ(p.state.initFrames, 0);
}

TEST(BoardProtocol, UartRepliesAndResetLine)
{
    SimChipMemory mem;
    BoardProtocol p(mem);
    int resets = 0;
    p.onChipReset = [&resets]() { ++resets; };
    EXPECT_EQ(Send(p, {0xC1, 0x00, 0x10, 0x04, 0x01, 0x9C}, 64), (std::vector<uint8_t>{0xAA}));
    EXPECT_EQ(mem.Read(0x410), 0x9C); // bank 4
    EXPECT_EQ(Send(p, {0xC1, 0x80, 0x10, 0x04, 0x01}, 64), (std::vector<uint8_t>{0x9C, 0xFA}));
    EXPECT_EQ(Send(p, {0xC1, 0x80, 0x00, 0x05, 0x01}), (std::vector<uint8_t>{0x00, 0xFA})); // none there
    Send(p, {0xB5, 0x01, 0x01});
    Send(p, {0xB5, 0x01, 0x00});
    EXPECT_FALSE(p.state.resetLineHigh);
    Send(p, {0xB5, 0x01, 0x01});
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(p.state.chipResets, 1);
}

TEST(SimBoardDevice, FaultsShapeTheReplies)
{
    SimBoard b;
    const uint8_t query[4] = {0xF9, 0x02, 0, 0};
    std::vector<uint8_t> r;
    b.faults.garbledReply = true;
    b.Receive(query, 4);
    ASSERT_TRUE(b.TakeReply(r));
    EXPECT_EQ(r[0], 0x00);
    b.faults = {};
    b.faults.shortReply = true;
    b.Receive(query, 4);
    ASSERT_TRUE(b.TakeReply(r));
    EXPECT_EQ(r.size(), 7u);
    b.faults = {};
    b.faults.noReply = true;
    b.Receive(query, 4);
    EXPECT_FALSE(b.TakeReply(r));
    b.faults = {};
    b.faults.unplugAfterFrames = b.FramesReceived() + 1;
    const int generation = b.Generation();
    EXPECT_TRUE(b.Receive(query, 4));
    EXPECT_FALSE(b.Plugged());
    EXPECT_FALSE(b.TakeReply(r));
    EXPECT_FALSE(b.Receive(query, 4));
    b.protocol.state.boardNumber = 3;
    b.Plug();
    EXPECT_NE(b.Generation(), generation);
    EXPECT_EQ(b.protocol.state.boardNumber, 0xFFFF);
    EXPECT_TRUE(b.Receive(query, 4));
    EXPECT_TRUE(b.TakeReply(r));
}

} // namespace
} // namespace vek::sim
