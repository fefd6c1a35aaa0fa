#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "panel/gfx/images/ImagePacking.h"
#include "panel/gfx/images/Images.h"
#include "tests/panel/gfx/GfxTestSupport.h"

namespace {

const u8* RecordAt(const FontRecord& table, int index) {
    return gfxtest::RecordOf(table, static_cast<u32>(index), kLongHeaderBytes);
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
// empty. The art itself, where the pages draw over it included, is pinned by
// the page pictures.
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
