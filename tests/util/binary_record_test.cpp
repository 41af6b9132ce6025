#include "util/binary_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tavrine {
namespace {

// The record readers rely on this: once a field is cut short, no later field is read, even a
// smaller one that would fit in the bytes left, so fields never shift onto the wrong bytes.
TEST(RecordReader, AFieldCutShortEndsTheRecord) {
    RecordWriter out;
    out.int32(-7);
    out.reserved(2);
    out.int16(0x1234);
    const std::vector<uint8_t> bytes = out.bytes();
    ASSERT_EQ(bytes.size(), 8u);
    EXPECT_EQ(bytes[4] | bytes[5], 0) << "reserved bytes are written as zero";

    RecordReader in(bytes.data(), bytes.size());
    int32_t first = 0, cut = 99;
    EXPECT_TRUE(in.int32(first));
    EXPECT_TRUE(in.reserved(2));
    EXPECT_TRUE(in.complete());
    EXPECT_EQ(first, -7);
    EXPECT_FALSE(in.int32(cut));  // two bytes are left
    EXPECT_EQ(cut, 99);
    int16_t after = 5;
    uint8_t byte = 5;
    EXPECT_FALSE(in.int16(after));
    EXPECT_FALSE(in.byte(byte));
    EXPECT_FALSE(in.skip(0));
    EXPECT_EQ(after, 5);
    EXPECT_EQ(byte, 5);
    EXPECT_FALSE(in.complete());
}

}  // namespace
}  // namespace tavrine
