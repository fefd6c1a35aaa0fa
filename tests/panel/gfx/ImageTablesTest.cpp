#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <vector>

#include "panel/gfx/images/ImagePacking.h"
#include "panel/gfx/images/Images.h"

namespace {

const u8* RecordAt(const FontRecord& table, int index) {
    return table.glyphs + static_cast<std::size_t>(index) * (kLongHeaderBytes + table.glyphBytes);
}

u16 Width(const u8* record) { return static_cast<u16>(record[3] | (record[4] << 8)); }

u32 Stride(const u8* record) { return (Width(record) * (record[2] & kFormatDepthMask) + 7u) / 8u; }

// Pixel value at (x, y), read the way the blit reads a record: rows of the
// record's own stride, most significant bits first.
u8 PixelAt(const u8* record, int x, int y) {
    const u32 depth = record[2] & kFormatDepthMask;
    const u32 bit = static_cast<u32>(x) * depth;
    const u8 byte = record[kLongHeaderBytes + static_cast<u32>(y) * Stride(record) + bit / 8];
    return static_cast<u8>((byte >> (8 - depth - bit % 8)) & ((1u << depth) - 1));
}

std::vector<u8> Pixels(const u8* record) {
    std::vector<u8> out;
    for (int y = 0; y < record[5]; ++y)
        for (int x = 0; x < Width(record); ++x) out.push_back(PixelAt(record, x, y));
    return out;
}

// What the blit relies on: every record carries its table's format, its rows
// fit the record, a palette has one colour per pixel value, and no image is
// empty. The art itself is checked by the page pictures.
TEST(ImageTablesTest, EveryRecordFitsItsTableAndDrawsSomething) {
    for (const FontRecord* table :
         {&ImageTable0, &ImageTable1, &ImageTable2, &ImageTable3, &ImageTable4, &ImageTable5, &ImageTable6}) {
        SCOPED_TRACE(table->width);
        ASSERT_NE(table->glyphs, nullptr);
        ASSERT_GT(table->count, 0);
        const u8 format = RecordAt(*table, 0)[2];
        const u32 depth = format & kFormatDepthMask;
        EXPECT_EQ(table->glyphBytes, table->height * ((table->width * depth + 7u) / 8u));
        for (int i = 0; i < table->count; ++i) {
            SCOPED_TRACE(i);
            const u8* r = RecordAt(*table, i);
            EXPECT_EQ((std::vector<u8>{r[0], r[1], r[2]}), (std::vector<u8>{0, 0, format}));
            EXPECT_LE(Width(r), table->width);
            EXPECT_LE(r[5], table->height);
            EXPECT_LE(Stride(r) * r[5], table->glyphBytes);
            const std::vector<u8> pixels = Pixels(r);
            EXPECT_NE(std::count(pixels.begin(), pixels.end(), pixels[0]), static_cast<long>(pixels.size()));
        }
        // Coverage formats blend and need no palette.
        if (format & kFormatCoverage) {
            EXPECT_EQ(table->mapOrPalette, nullptr);
        } else {
            ASSERT_NE(table->mapOrPalette, nullptr);
            EXPECT_EQ(table->mapOrPalette[0] | (table->mapOrPalette[1] << 8), static_cast<int>(depth));
        }
    }
}

// Icons and banners that share a table must be told apart, and the pump must
// actually change between consecutive animation phases.
TEST(ImageTablesTest, ImagesOfATableAreDistinct) {
    for (const FontRecord* table : {&ImageTable0, &ImageTable2, &ImageTable3, &ImageTable4, &ImageTable6}) {
        std::set<std::vector<u8>> seen;
        for (int i = 0; i < table->count; ++i) seen.insert(Pixels(RecordAt(*table, i)));
        EXPECT_EQ(seen.size(), table->count) << "table with " << table->count << " images";
    }
}

// The pump sits in the vertical pipe whose middle is image column 12 (screen
// x 218): in every phase the wheel reaches equally far to both sides of it
// and touches the pipe ends above and below.
TEST(ImageTablesTest, PumpWheelIsCentredOnThePipe) {
    for (int phase = 0; phase < 4; ++phase) {
        const u8* r = RecordAt(ImageTable0, phase);
        int left = 24, right = -1;
        for (int x = 0; x < 24; ++x) {
            if (PixelAt(r, x, 12) != 0) {
                if (x < left) left = x;
                right = x;
            }
        }
        EXPECT_EQ(12 - left, right - 12) << "phase " << phase;
        EXPECT_NE(PixelAt(r, 12, 0), 0) << "wheel reaches the pipe above, phase " << phase;
        EXPECT_NE(PixelAt(r, 12, 23), 0) << "wheel reaches the pipe below, phase " << phase;
    }
}

// Areas that the page draws over or clears must stay unpainted in the art.
TEST(ImageTablesTest, PicturesLeaveFreeTheAreasThePagesUse) {
    const u8* fault = RecordAt(ImageTable5, 0);
    for (int y = 27; y <= 74; ++y)
        for (int x = 90; x <= 219; ++x) {
            const u8 v = PixelAt(fault, x, y);
            ASSERT_TRUE(v == 1 || v == 3) << "banner box painted at " << x << "," << y;
        }
    // The collector temperature field (150, 37)-(210, 55) is cleared over the
    // collector's top two rows at screen x 183..210.
    const u8* collector = RecordAt(ImageTable1, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x <= 27; ++x) ASSERT_EQ(PixelAt(collector, x, y), 0) << x << "," << y;
}

TEST(ImageTablesTest, PackerWritesLongHeadersAndMostSignificantBitsFirst) {
    constexpr std::array<std::string_view, 2> arts = {R"(
.#Wb.
b..#.
)",
                                                      R"(
W
)"};
    constexpr u32 glyphBytes = ImagePacking::GlyphBytesOf(2, arts);
    static_assert(glyphBytes == 4);
    constexpr auto bytes = ImagePacking::PackImageTable<glyphBytes>(0x02, ".#Wb", arts);
    const std::array<u8, 20> expected = {
        0, 0, 0x02, 5, 0, 2, 0b00011011, 0b00000000, 0b11000001, 0b00000000,  // rows of 2 bytes
        0, 0, 0x02, 1, 0, 1, 0b10000000, 0,          0,          0,           // padded to 4 bytes
    };
    EXPECT_EQ(std::vector<u8>(bytes.begin(), bytes.end()), std::vector<u8>(expected.begin(), expected.end()));

    constexpr auto palette = ImagePacking::PackPalette<2>({0x1234, 0xF800});
    const std::array<u8, 6> expectedPalette = {1, 0, 0x34, 0x12, 0x00, 0xF8};
    EXPECT_EQ(std::vector<u8>(palette.begin(), palette.end()),
              std::vector<u8>(expectedPalette.begin(), expectedPalette.end()));
}

}  // namespace
