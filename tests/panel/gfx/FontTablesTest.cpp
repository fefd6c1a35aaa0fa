// The text fonts as stored bytes: record sizes, glyph headers, range maps and
// the glyphs that the texts of every language depend on.
#include <gtest/gtest.h>

#include <vector>

#include "panel/gfx/fonts/Fonts.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using gfxtest::RecordOf;

namespace {

const FontRecord* const kFonts[] = {&Font1, &Font2, &Font3, &Font4};

u16 StoredWidth(const u8* record) { return static_cast<u16>(record[0] | record[1] << 8); }

bool Blank(const FontRecord& font, const u8* record) {
    for (u32 i = 0; i < font.glyphBytes; ++i)
        if (record[kShortHeaderBytes + i] != 0) return false;
    return true;
}

// Whether any pixel lies in a column at or beyond the glyph's advance width.
bool InkBeyondWidth(const FontRecord& font, const u8* record) {
    const u32 stride = font.glyphBytes / font.height;
    const u16 width = StoredWidth(record);
    for (u32 y = 0; y < font.height; ++y)
        for (u32 x = width; x < stride * 8; ++x)
            if (record[kShortHeaderBytes + y * stride + x / 8] & (0x80 >> (x % 8))) return true;
    return false;
}

// What the drawing code relies on: one range from the space, covering every
// glyph; rows as wide as the advance; no ink past it; spaces blank, visible
// characters not.
TEST(FontTables, RangeMapsCoverTheGlyphsAndEveryGlyphFitsItsRows) {
    for (const FontRecord* font : kFonts) {
        SCOPED_TRACE(font->height);
        ASSERT_NE(font->glyphs, nullptr);
        ASSERT_NE(font->mapOrPalette, nullptr);
        const u8* map = font->mapOrPalette;
        EXPECT_EQ((std::vector<int>{map[0], map[1], map[2], map[4], map[3] - map[2] + 1}),
                  (std::vector<int>{1, 32, 32, 0, font->count}));
        const u32 stride = font->glyphBytes / font->height;
        EXPECT_EQ(stride * font->height, font->glyphBytes);
        EXPECT_TRUE(Blank(*font, RecordOf(*font, 0)));
        for (u16 g = 0; g < font->count; ++g) {
            SCOPED_TRACE(g + 32);
            const u8* record = RecordOf(*font, g);
            EXPECT_GT(StoredWidth(record), 1);
            // Columns past a stored row would be read from the next row.
            EXPECT_LE(StoredWidth(record), stride * 8);
            EXPECT_EQ(record[2], font->height);
            EXPECT_FALSE(InkBeyondWidth(*font, record));
            if (g > 0 && g < 95) {
                EXPECT_FALSE(Blank(*font, record));
            }
        }
    }
}

TEST(FontTables, ExtendedFontsDrawThePolishLettersAndTheDegreeSign) {
    const u8 codes[] = {0x85, 0x87, 0x89, 0x8B, 0x8D, 0x8E, 0x8F, 0x91, 0x93, 0xB0, 0xC4,
                        0xD6, 0xDC, 0xDF, 0xE4, 0xE7, 0xE9, 0xF1, 0xF6, 0xFC, 0xBA, 0xBF};
    for (const FontRecord* font : {&Font1, &Font3, &Font4}) {
        SCOPED_TRACE(font->height);
        for (u8 code : codes) {
            SCOPED_TRACE(code);
            EXPECT_FALSE(Blank(*font, RecordOf(*font, static_cast<u16>(code - 32))));
        }
        // Codes that are neither ISO 8859-1 nor Polish letters stay blank.
        for (u8 code : {0x7F, 0x83, 0x94, 0x9F})
            EXPECT_TRUE(Blank(*font, RecordOf(*font, static_cast<u16>(code - 32))));
        EXPECT_TRUE(Blank(*font, RecordOf(*font, 0xA0 - 32)));
    }
}

}  // namespace
