#include "panel/gfx/PixelArt.h"
#include "panel/gfx/fonts/Fonts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "tests/panel/gfx/GfxTestSupport.h"

namespace {

const u8* Rows(u32 code) { return gfxtest::RecordOf(Font0, code) + kShortHeaderBytes; }

int SetPixels(u32 code) {
    int n = 0;
    for (u32 row = 0; row < 8; ++row) n += __builtin_popcount(Rows(code)[row]);
    return n;
}

// The record layout itself is proven by the raw-message pixels (RasterTest).
TEST(Font0, DrawsEveryPrintableCodeLegiblyInsideItsCell) {
    ASSERT_EQ(Font0.count, 128);
    for (u32 code = 0; code < 32; ++code) EXPECT_EQ(SetPixels(code), 0) << code;
    EXPECT_EQ(SetPixels(' '), 0);
    EXPECT_EQ(SetPixels(127), 0);
    EXPECT_GT(SetPixels('A'), 10);
    EXPECT_GT(SetPixels('g'), 10);

    std::set<std::string> shapes;
    const std::string_view descenders = ",gjpqy";
    for (u32 code = 33; code < 127; ++code) {
        EXPECT_GT(SetPixels(code), 0) << static_cast<char>(code);
        // The sixth column stays free as letter spacing, and only descenders
        // reach into the bottom row that separates the lines.
        for (u32 row = 0; row < 8; ++row) EXPECT_EQ(Rows(code)[row] & 0x07, 0) << static_cast<char>(code);
        const bool descends = descenders.find(static_cast<char>(code)) != std::string_view::npos;
        EXPECT_EQ(Rows(code)[7] != 0, descends) << static_cast<char>(code);
        shapes.insert(std::string(reinterpret_cast<const char*>(Rows(code)), 8));
    }
    EXPECT_EQ(shapes.size(), 94u) << "two printable codes share a glyph";
}

TEST(PixelArt, PacksRectanglesOfASheetMostSignificantBitFirst) {
    constexpr std::string_view sheet = R"(
#..#.####|
.##......|
:+#.
)";
    constexpr auto oneBit = PixelArt::Pack<9, 2>(sheet, ".#", 0, 1);
    static_assert(oneBit.size() == 4);
    EXPECT_EQ(oneBit[0], 0b10010111);
    EXPECT_EQ(oneBit[1], 0b10000000);
    EXPECT_EQ(oneBit[2], 0b01100000);
    EXPECT_EQ(oneBit[3], 0b00000000);

    constexpr auto twoBits = PixelArt::Pack<4, 1, 2>(sheet, ".:+#", 0, 3);
    static_assert(twoBits.size() == 1 && twoBits[0] == 0b01101100);
    constexpr auto offset = PixelArt::Pack<3, 1>(sheet, ".#", 1, 1);
    static_assert(offset[0] == 0b00100000);
    EXPECT_EQ(PixelArt::SheetLine(sheet, 2), ".##......|");
    EXPECT_EQ(PixelArt::SheetLine(sheet, 9), "");
    EXPECT_EQ(PixelArt::RowBytes(9, 1), 2u);
    EXPECT_EQ(PixelArt::RowBytes(5, 4), 3u);
}

}  // namespace
