#include "panel/app/NumberFormat.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <string>

namespace {

std::string Format(u8 descriptor, i32 value) {
    char out[kNumberTextMax] = {};
    FormatNumber(NumberFormats[descriptor], value, out);
    return out;
}

std::string Clock(u8 hour, u8 minute, u8 colonOn) {
    char out[7] = {};
    FormatClock(hour, minute, colonOn, out);
    return out;
}

TEST(NumberFormat, DescriptorsPrintTheirExamples) {
    const struct {
        u8 descriptor;
        i32 value;
        const char* text;
    } examples[] = {
        // clang-format off
        // Temperatures in tenths: sign column and comma; digits beyond the format are dropped.
        {12, 235, " 23,5"}, {12, -5, "-0,5"}, {12, 12345, " 234,5"}, {12, INT32_MIN, "-364,8"},
        // Zero prints one digit, or a zero before the separator.
        {12, 0, " 0,0"}, {19, 0, "0"}, {6, 0, "0,00"}, {22, 7, "0,007"}, {4, 7, "007"},
        // The sign column is blank for positive values.
        {9, 5, " 5"}, {9, -123, "-123"}, {9, 1234, " 234"},
        // Separator kinds and dropped low digits.
        {25, 12345, "12,3"}, {26, 999, "0"}, {7, 1234, "2.34"}, {24, 123456789, "1234567,89"}, {18, 65535, "65535"},
        // Negative values in unsigned formats print the unsigned low digits of 4294967295.
        {3, -1, "7295"}, {25, -1, "4294967,2"}, {26, INT32_MIN, "2147483"},
        // Packed BCD prints its nibbles.
        {8, 0x0123, "1.23"}, {15, 0x2359, "23:59"}, {16, 0x0905, "9 05"}, {17, 0x0001, "0.01"},
        // clang-format on
    };
    for (const auto& e : examples)
        EXPECT_EQ(Format(e.descriptor, e.value), e.text) << int(e.descriptor) << " " << e.value;
}

TEST(NumberFormat, ClockKeepsItsWidthWhenTheColonBlinks) {
    // Out-of-range fields keep their last two digits.
    const struct {
        u8 hour, minute, colonOn;
        const char* text;
    } cases[] = {
        {9, 5, 1, "9:05"}, {0, 5, 0, "0 05"}, {14, 30, 1, "14:30"}, {23, 59, 0, "23 59"}, {255, 199, 1, "55:99"}};
    for (const auto& c : cases) EXPECT_EQ(Clock(c.hour, c.minute, c.colonOn), c.text) << c.text;
}

TEST(NumberFormat, PackedBcdHoldsTenDigitsLowNibbleFirst) {
    const struct {
        u32 value;
        std::array<u8, kPackedBytes> bcd;
    } cases[] = {{1234567890u, {0x90, 0x78, 0x56, 0x34, 0x12}}, {4294967295u, {0x95, 0x72, 0x96, 0x94, 0x42}}};
    for (const auto& c : cases) {
        std::array<u8, kPackedBytes> bcd;
        bcd.fill(0xEE);
        ToPackedBcd(c.value, bcd.data());
        EXPECT_EQ(bcd, c.bcd) << c.value;
    }
}

constexpr char kCanary = '\x5A';
constexpr u8 kGuardBytes = 8;

// Formats into a buffer of exactly the size NumberBufferSize asks for,
// followed by guard bytes, and checks the text ends inside the buffer and the
// guard is intact.
void ExpectBounded(const NumberFormat& format, i32 value) {
    const u8 size = NumberBufferSize(format);
    char buffer[kNumberTextMax + kGuardBytes];
    std::memset(buffer, kCanary, sizeof buffer);
    FormatNumber(format, value, buffer);
    const void* end = std::memchr(buffer, '\0', size);
    ASSERT_NE(end, nullptr) << "no terminator within " << int(size) << " bytes for " << value;
    for (u8 i = size; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], kCanary) << "wrote byte " << int(i) << " for " << value;
}

const i32 kExtremes[] = {0,          1,          -1,         9,         -9,        10,
                         99,         100,        -100,       12345,     -12345,    65535,
                         999999999,  -999999999, 1000000000, INT32_MAX, INT32_MIN, INT32_MIN + 1,
                         0x12345678, 0x09999999, 0x7FFFFFF0};

// The table's descriptors over a sweep of values, and descriptors outside the
// table (separator at the first digit, digit positions past ten, a last digit
// of 0), keep to the same bound.
TEST(NumberFormat, EveryDescriptorStaysWithinItsBuffer) {
    for (u8 d = 0; d < kNumberFormatCount; ++d) {
        SCOPED_TRACE(int(d));
        for (i32 value : kExtremes) ExpectBounded(NumberFormats[d], value);
        for (i32 value = -2000; value <= 2000; value += 7) ExpectBounded(NumberFormats[d], value);
    }
    const u8 flagSet[] = {0x00, 0x80, 0x40, 0xC0, 0x21, 0xA2, 0xE3};
    for (u8 flags : flagSet)
        for (u8 first = 0; first <= 12; ++first)
            for (u8 last = 0; last <= 12; ++last)
                for (i8 sep = -1; sep <= 12; ++sep)
                    for (i32 value : kExtremes) ExpectBounded(NumberFormat{flags, first, last, sep}, value);
}

}  // namespace
