#include "link/RegisterLists.h"

#include <gtest/gtest.h>

namespace vek {
namespace {

TEST(RegisterLists, HoldsAtMost512RecordsAcrossTwoChunks)
{
    TCRREGBytePtr list;
    for (int i = 0; i < 512; ++i) {
        ByteRegisterEntry e;
        e.address = uint16_t(i);
        ASSERT_EQ(list.Add(e), 0) << i;
    }
    ByteRegisterEntry extra;
    extra.address = 0x3FF;
    EXPECT_NE(list.Add(extra), 0);
    EXPECT_EQ(list.Count(), 512);
    // Records on both sides of the chunk border are intact.
    EXPECT_EQ(list.AddressOf(255), 255);
    EXPECT_EQ(list.AddressOf(256), 256);
    EXPECT_EQ(list.AddressOf(511), 511);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Item(0), nullptr);
    EXPECT_EQ(list.Add(extra), 0);
    EXPECT_EQ(list.AddressOf(0), 0x3FF);
}

TEST(RegisterLists, ItemOutsideTheListIsNothing)
{
    TCRREGBitPtr list;
    BitRegisterEntry e;
    e.address = 0x12;
    list.Add(e);
    EXPECT_EQ(list.Item(-1), nullptr);
    EXPECT_EQ(list.Item(1), nullptr);
    EXPECT_EQ(list.AddressOf(1), -1);
    ASSERT_NE(list.At(0), nullptr);
    EXPECT_EQ(list.At(0)->address, 0x12);
}

TEST(RegisterLists, WordAddressPacksHighAndLowByte)
{
    TCRREGWordPtr list;
    WordRegisterEntry e;
    e.highAddress = 0x1B;
    e.lowAddress = 0x1A;
    list.Add(e);
    EXPECT_EQ(list.AddressOf(0), 0x1B * 256 + 0x1A);
}

TEST(RegisterLists, TextsAreCutToWhatARecordHolds)
{
    TCRREGBitPtr list;
    BitRegisterEntry e;
    e.name = QString(20, 'N');
    e.description = QString(200, 'D');
    e.bits[0].name = QString(16, 'b');
    e.bits[7].description = QString(300, 'x');
    list.Add(e);
    const BitRegisterEntry *r = list.Item(0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->name.size(), 15);
    EXPECT_EQ(r->description.size(), 160);
    EXPECT_EQ(r->bits[0].name.size(), 15);
    EXPECT_EQ(r->bits[7].description.size(), 250);
    EXPECT_EQ(r->reserved, 0);
}

} // namespace
} // namespace vek
