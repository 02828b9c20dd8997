#include "link/RegisterLists.h"

#include <gtest/gtest.h>

using namespace vek;

TEST(RegisterLists, AppendOnlyUpTo512RecordsAndAddresses)
{
    TCRREGWordPtr words;
    WordRegisterEntry w;
    w.highAddress = 0x0F;
    w.lowAddress = 0x10;
    EXPECT_EQ(words.Add(w), TCRREGWordPtr::kAdded);
    EXPECT_EQ(words.AddressOf(0), 0x0F10);
    EXPECT_EQ(words.AddressOf(1), -1);
    EXPECT_EQ(words.AddressOf(-1), -1);
    EXPECT_EQ(words.Item(1), nullptr);

    TCRREGBitPtr bits;
    BitRegisterEntry b;
    for (int i = 0; i < 600; ++i) {
        b.address = static_cast<uint16_t>(i);
        EXPECT_EQ(bits.Add(b), i < 512 ? TCRREGBitPtr::kAdded : TCRREGBitPtr::kFull) << i;
    }
    EXPECT_EQ(bits.Count(), 512);
    EXPECT_EQ(bits.AddressOf(511), 511);
    bits.Clear();
    EXPECT_EQ(bits.Count(), 0);
    EXPECT_EQ(bits.Item(0), nullptr);

    TCRREGBytePtr bytes;
    ByteRegisterEntry e;
    e.address = 0x29;
    bytes.Add(e);
    bytes.Item(0)->description = "Work";
    EXPECT_EQ(bytes.Item(0)->description, "Work");
    EXPECT_EQ(bytes.AddressOf(0), 0x29);
}
