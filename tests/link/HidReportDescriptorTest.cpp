#include "link/HidReportDescriptor.h"

#include <gtest/gtest.h>
#include <vector>

namespace vek {
namespace {

HidReportLengths Parse(const std::vector<uint8_t> &d) { return ParseHidReportDescriptor(d.data(), d.size()); }

// A vendor-defined device with one 64-byte input and one 64-byte output report, no report ids,
// as such boards usually describe themselves.
const std::vector<uint8_t> kVendor64 = {
    0x06, 0x00, 0xFF, // usage page (vendor)
    0x09, 0x01,       // usage
    0xA1, 0x01,       // collection (application)
    0x15, 0x00,       // logical minimum 0
    0x26, 0xFF, 0x00, // logical maximum 255
    0x75, 0x08,       // report size 8
    0x95, 0x40,       // report count 64
    0x09, 0x01, 0x81, 0x02, // usage, input
    0x95, 0x40,             // report count 64
    0x09, 0x01, 0x91, 0x02, // usage, output
    0xC0,                   // end collection
};

TEST(HidReportDescriptor, LengthsCountTheReportIdByte)
{
    const HidReportLengths l = Parse(kVendor64);
    EXPECT_TRUE(l.valid);
    EXPECT_FALSE(l.usesReportIds);
    EXPECT_EQ(l.input, 65);
    EXPECT_EQ(l.output, 65);
}

TEST(HidReportDescriptor, LongestReportOfSeveralIdsWins)
{
    const std::vector<uint8_t> d = {
        0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, // id 1: 8 input bytes
        0x85, 0x02, 0x95, 0x20, 0x81, 0x02,             // id 2: 32 input bytes
        0x75, 0x01, 0x95, 0x03, 0x91, 0x02,             // id 2: 3 output bits
        0xA4, 0x85, 0x03, 0xB4,                         // push, id 3, pop
        0x95, 0x05, 0x91, 0x02,                         // id 2 again: 5 more bits
    };
    const HidReportLengths l = Parse(d);
    EXPECT_TRUE(l.valid);
    EXPECT_TRUE(l.usesReportIds);
    EXPECT_EQ(l.input, 33);
    EXPECT_EQ(l.output, 2);
}

TEST(HidReportDescriptor, BrokenDescriptorsAreNotValid)
{
    const std::vector<std::vector<uint8_t>> broken = {
        {0x75},             // item data cut off
        {0x27, 0x01, 0x02}, // four-byte item cut off
        {0xFE, 0x05, 0x00}, // long item cut off
        {0xB4},             // pop without push
    };
    for (const auto &d : broken)
        EXPECT_FALSE(Parse(d).valid) << d.size();
    std::vector<uint8_t> deep;
    for (int i = 0; i < 17; ++i)
        deep.push_back(0xA4);
    EXPECT_FALSE(Parse(deep).valid);
    EXPECT_EQ(Parse({}).input, 0); // nothing declared
}

TEST(HidReportDescriptor, HugeCountsStayBounded)
{
    const std::vector<uint8_t> d = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02};
    const HidReportLengths l = Parse(d);
    EXPECT_TRUE(l.valid);
    EXPECT_EQ(l.input, 65535);
}

} // namespace
} // namespace vek
