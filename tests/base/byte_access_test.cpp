// Bounds-checked little-endian access: values, text fields, faults, sub-regions.
#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

#include "base/byte_access.hpp"
#include "base/work_buffer.hpp"

using namespace ossify;

TEST(ByteAccess, ReadsAndWritesLittleEndianAndTextFields) {
    std::vector<std::uint8_t> bytes(12, 'x');
    byte_region r{bytes.data(), bytes.size()};
    put_i32(r, 0, -2);
    put_i16(r, 4, -3);
    put_u16(r, 6, 0xBEEF);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xEF, 0xBE, 'x',
                                                'x', 'x', 'x'}));
    EXPECT_EQ(get_i16(r, 4), -3);
    EXPECT_EQ(get_u16(r, 6), 0xBEEF);
    EXPECT_EQ(get_text(r, 8, 4), "xxxx"); // unterminated: ends with the field
    put_text(r, 0, 4, "abcdef");          // cut to the field, with its NUL
    EXPECT_EQ(get_text(r, 0, 8), "abc");
    put_text(r, 4, 8, "a"); // the rest of the field is cleared
    EXPECT_EQ(bytes[11], 0);
    bytes[6] = 'x';
    put_text(r, 4, 8, "b", false); // or kept
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bytes[6], 'x');
    EXPECT_FALSE(r.fault);
}

TEST(ByteAccess, OutOfBoundsAccessIsHarmlessAndFlagged) {
    std::vector<std::uint8_t> bytes(16, 0xAA);
    byte_region r{bytes.data(), 8};
    EXPECT_EQ(get_i32(r, 5), 0);
    EXPECT_TRUE(r.fault);
    r.fault = false;
    EXPECT_EQ(get_i32(r, -1), 0);
    EXPECT_TRUE(r.fault);
    r.fault = false;
    put_i32(r, 8, 1);
    put_f32(r, INT64_MAX, 1.0f);
    copy_bytes(r, 0, r, 4, 5);
    EXPECT_TRUE(r.fault);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(16, 0xAA));
    EXPECT_TRUE(fits(r, 8, 0));
    EXPECT_FALSE(fits(r, 0, 9));
    EXPECT_FALSE(fits(r, 4, -1));

    // A sub-region is bounded by itself, and one outside its parent is empty.
    r = byte_region{bytes.data(), bytes.size()};
    byte_region inner = sub_region(r, 8, 8);
    put_i32(inner, 4, 7);
    EXPECT_EQ(get_i32(r, 12), 7);
    put_i32(inner, 6, 7);
    EXPECT_TRUE(inner.fault);
    EXPECT_FALSE(r.fault);
    const byte_region outside = sub_region(r, 12, 8);
    EXPECT_TRUE(outside.fault);
    EXPECT_TRUE(r.fault);
    EXPECT_EQ(outside.size, 0u);
}

TEST(WorkBuffer, IsZeroFilled) {
    work_buffer b = make_work_buffer(1 << 20);
    ASSERT_NE(b.region.data, nullptr);
    EXPECT_EQ(get_i32(b.region, (1 << 20) - 4), 0);
}
