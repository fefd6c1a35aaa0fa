#include "panel/gfx/Text.h"

#include <gtest/gtest.h>

#include "panel/gfx/Context.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

enum Code : u8 { kBlock5 = 0, kDiagonal = 1, kBlock10 = 2, kChecks = 3, kEmpty = 4 };

BuiltTable MakeTextFont() {
    const GlyphArt diagonal{
        8, {"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#"}};
    const GlyphArt checks{4, {"#..#", ".##.", "#..#", ".##.", "#..#", ".##.", "#..#", ".##."}};
    return BuildShortFont(8, 2, {Solid(5, 8), diagonal, Solid(10, 8), checks, GlyphArt{0, {}}});
}

class TextTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        SetFont(&font.record);
    }
    // Puts one character at (x, y) on a fresh screen; returns the pixels drawn.
    static int Put(u16 x, u16 y, u8 code) {
        FillScreen(kSentinel);
        SetTextPosition(x, y);
        PutChar(code);
        LcdApplyQueue();
        return CountNot(kSentinel);
    }

    const BuiltTable font = MakeTextFont();
};

// Odd maps and fonts: a fallback that is not covered either, an empty map,
// no font, and ranges or a fallback beyond the font's glyphs.
TEST(GlyphLookupTest, AFallbackWithoutGlyphAndMapsBeyondTheFont) {
    const BuiltTable ten = BuildShortFont(1, 1, std::vector<GlyphArt>(10, Solid(1, 1)));
    const std::vector<u8> uncovered = {2, 63, 32, 57, 0, 65, 90, 9};
    const std::vector<u8> empty = {0, 32};
    const std::vector<u8> beyond = {1, 100, 32, 255, 0};
    const struct {
        const FontRecord* font;
        const std::vector<u8>& map;
        u8 code;
        int glyph;  // -1: none
    } cases[] = {{&ten.record, uncovered, 60, -1}, {&ten.record, uncovered, 255, -1}, {&ten.record, uncovered, 65, 9},
                 {&ten.record, empty, 40, -1},     {nullptr, uncovered, 40, -1},      {&ten.record, beyond, 41, 9},
                 {&ten.record, beyond, 42, -1},    {&ten.record, beyond, 20, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(GlyphLookup(c.code, c.font, c.map.data()), c.glyph < 0 ? nullptr : RecordOf(ten.record, c.glyph))
            << int(c.code);
}

TEST(GlyphLookupTest, HalvingSearchFindsEveryRangeAndFallsBack) {
    const BuiltTable f = BuildShortFont(1, 1, std::vector<GlyphArt>(200, Solid(1, 1)));
    // Seven ranges of five codes, twenty apart; the fallback is the first code of the fourth.
    std::vector<u8> map = {7, 70};
    for (u8 r = 0; r < 7; ++r) map.insert(map.end(), {u8(10 + 20 * r), u8(14 + 20 * r), u8(5 * r)});
    for (int code = 0; code < 256; ++code) {
        const int r = (code - 10) / 20;
        const bool covered = code >= 10 && r < 7 && (code - 10) % 20 < 5;
        const u32 expected = covered ? static_cast<u32>(5 * r + (code - 10) % 20) : 15;
        EXPECT_EQ(GlyphLookup(static_cast<u8>(code), &f.record, map.data()), RecordOf(f.record, expected)) << code;
    }
}

TEST(GlyphLookupTest, FontsWithoutMapAndImageTables) {
    EXPECT_EQ(GlyphLookup(127, &Font0, Font0.mapOrPalette), RecordOf(Font0, 127));
    EXPECT_EQ(GlyphLookup(128, &Font0, Font0.mapOrPalette), nullptr);

    const BuiltTable images = BuildImageTable(
        20, {ImageArt{0x02, 4, 3, std::vector<u32>(12, 1)}, ImageArt{0x41, 7, 2, std::vector<u32>(14, 1)},
             ImageArt{0x01, 300, 1, std::vector<u32>(300, 0)}});
    const u8* second = LookupGlyph(1, &images.record);
    EXPECT_EQ(second, RecordOf(images.record, 1, 6));
    EXPECT_TRUE(HasLongHeader(second));
    EXPECT_EQ(GlyphWidth(second), 7);
    EXPECT_EQ(GlyphHeight(second), 2);
    EXPECT_EQ(GlyphWidth(LookupGlyph(2, &images.record)), 300);
    EXPECT_EQ(LookupGlyph(3, &images.record), nullptr);
    EXPECT_EQ(GlyphWidth(nullptr) + GlyphHeight(nullptr), 0);
}

TEST_F(TextTest, LookupWithoutFontUsesTheContextsFontAndMap) {
    EXPECT_EQ(LookupGlyph(kChecks, nullptr), RecordOf(font.record, kChecks));
    const BuiltTable mapped = BuildShortFont(8, 1, {Solid(3, 8), Solid(4, 8)}, {1, 65, 65, 66, 0});
    SetFont(&mapped.record);
    EXPECT_EQ(GlyphWidth(LookupGlyph('B', nullptr)), 4);
    EXPECT_EQ(GlyphWidth(LookupGlyph('x', nullptr)), 3);       // fallback 'A'
    EXPECT_EQ(GlyphWidth(LookupGlyph(1, &mapped.record)), 4);  // a given font: the code is the glyph number
}

// One character on a fresh screen: what it draws (a rectangle wholly in one
// colour, nothing else) and where it leaves the cursor.
TEST_F(TextTest, CharactersDrawOnTheBaselineAndMoveTheCursor) {
    constexpr u8 kTab = 9;
    const struct {
        u16 flags;
        u16 x, y;
        u8 code;
        int drawn;
        Rgb565 colour;
        int x0, y0, x1, y1;
        u16 cursorX, cursorY;
    } cases[] = {
        {0, 20, 30, kBlock5, 5 * 8, kWhite, 20, 23, 24, 30, 25, 30},
        // A tab fills the gap to the next stop in the background colour, the
        // foreground when inverse; near the top the fill starts at the clip
        // top; past the last stop it runs to the edge.
        {0, 60, 30, kTab, 47 * 8, kBlack, 60, 23, 106, 30, 106, 30},
        {kContextInverse, 0, 3, kTab, 54 * 4, kWhite, 0, 0, 53, 3, 53, 3},
        {0, 318, 30, kTab, 2 * 8, kBlack, 318, 23, 319, 30, 319, 30},
        // Too wide for the line: wrapped, dropped (no-wrap) or cut at the edge (overrun).
        {0, 315, 30, kBlock10, 80, kWhite, 0, 31, 9, 38, 10, 38},
        {kContextNoWrap, 315, 30, kBlock10, 0, kWhite, 0, 0, 0, 0, 315, 30},
        {kContextOverrun, 315, 30, kBlock10, 40, kWhite, 315, 23, 319, 30, 319, 30},
        // Past the last full line nothing is drawn, unless a partial line is allowed.
        {0, 315, 235, kBlock10, 0, kWhite, 0, 0, 0, 0, 315, 235},
        {kContextPartialLine, 315, 235, kBlock10, 40, kWhite, 0, 236, 9, 239, 10, 239},
        // Line feed, carriage return, a code beyond the font and an empty glyph.
        {0, 40, 30, 10, 0, kWhite, 0, 0, 0, 0, 0, 38},
        {0, 40, 30, 13, 0, kWhite, 0, 0, 0, 0, 0, 30},
        {0, 40, 30, 100, 0, kWhite, 0, 0, 0, 0, 40, 30},
        {0, 40, 30, kEmpty, 0, kWhite, 0, 0, 0, 0, 40, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << int(c.code) << " at " << c.x << "," << c.y << " flags "
                                        << c.flags);
        SetContextFlags(c.flags);
        EXPECT_EQ(Put(c.x, c.y, c.code), c.drawn);
        if (c.drawn > 0) {
            EXPECT_EQ(CountIn(c.x0, c.y0, c.x1, c.y1, c.colour), c.drawn);
        }
        ExpectCursor(c.cursorX, c.cursorY);
        EXPECT_EQ(CurrentContext().penX, c.cursorX);
    }

    // The glyph alone is refused where it does not fit; the wrap is the character's.
    SetContextFlags(0);
    SetTextPosition(315, 30);
    BeginCharOutput();
    EXPECT_EQ(PutGlyph(kBlock10), 1);
    EndCharOutput();
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST_F(TextTest, OpaqueAndTransparentGlyphsInBothColours) {
    const Picture checks = {"#..#", ".##.", "#..#", ".##.", "#..#", ".##.", "#..#", ".##."};
    EXPECT_EQ(Put(25, 30, kChecks), 32);  // opaque: clear bits in the background colour
    EXPECT_EQ(Snapshot(25, 23, 28, 30, kWhite, kBlack), checks);
    EXPECT_EQ(CurrentContext().cursorX, 29);

    // Transparent: only the set bits, in the background colour when inverse.
    SetContextFlags(kContextTransparent | kContextInverse);
    EXPECT_EQ(Put(0, 7, kChecks), 16);
    EXPECT_EQ(Snapshot(0, 0, 3, 7, kBlack, kSentinel), checks);
}

TEST_F(TextTest, GlyphCutAtTheClipTop) {
    SetClipWindow(0, 50, 319, 239);
    // Baseline row 53: four of the eight rows are visible.
    EXPECT_EQ(Put(10, 3, kDiagonal), 32);
    EXPECT_EQ(Snapshot(10, 50, 17, 53, kWhite, kBlack), (Picture{"....#...", ".....#..", "......#.", ".......#"}));
    EXPECT_EQ(CurrentContext().cursorX, 18);
}

TEST_F(TextTest, HeaderWiderThanItsRowsDrawsOnlyWhatTheRowsHold) {
    GlyphArt wide = Solid(8, 2);
    wide.width = 12;
    const BuiltTable narrow = BuildShortFont(2, 1, {Solid(3, 2), wide});
    SetFont(&narrow.record);
    SetContextFlags(kContextOverrun);
    EXPECT_EQ(Put(100, 50, 1), 16);
    EXPECT_EQ(CountIn(100, 49, 107, 50, kWhite), 16);
}

class ImageTest : public TextTest {
protected:
    void Draw(u16 x, u16 y, u8 number, u16 start = 0, u16 count = 0) {
        FillScreen(kSentinel);
        const u8* image = LookupGlyph(number, &table.record);
        DrawImageAt(x, y, image, number == 0 ? table.record.mapOrPalette : nullptr, start, count);
        LcdApplyQueue();
    }
    // 4 x 3 palette image whose values count 0..3 along each row, and a coverage ramp.
    const BuiltTable table = BuildImageTable(
        3, {ImageArt{0x02, 4, 3, {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1}}, ImageArt{0x42, 4, 1, {0, 1, 2, 3}}},
        PaletteRecordOf(2, {0x1111, 0x2222, 0x3333, 0x4444}));
};

TEST_F(ImageTest, PaletteImageAtAPointInsideTheWindow) {
    Draw(100, 50, 0);
    EXPECT_EQ(Region(100, 50, 103, 50), (std::vector<Rgb565>{0x1111, 0x2222, 0x3333, 0x4444}));
    EXPECT_EQ(Region(100, 52, 103, 52), (std::vector<Rgb565>{0x3333, 0x4444, 0x1111, 0x2222}));
    EXPECT_EQ(CountNot(kSentinel), 12);

    // Relative to the clip window, cut at its right edge.
    SetClipWindow(50, 50, 99, 99);
    Draw(48, 10, 0);
    EXPECT_EQ(Region(98, 60, 99, 60), (std::vector<Rgb565>{0x1111, 0x2222}));
    EXPECT_EQ(CountNot(kSentinel), 6);
    // A slice: the second row alone.
    Draw(0, 0, 0, 2, 1);
    EXPECT_EQ(Px(50, 51), 0x2222);
    EXPECT_EQ(CountNot(kSentinel), 4);

    // Starting outside the window: not drawn.
    const u8* image = LookupGlyph(0, &table.record);
    for (auto [x, y] : {std::pair<u16, u16>{static_cast<u16>(-2), 10}, {10, 50}, {60, 10}})
        DrawImageAt(x, y, image, table.record.mapOrPalette, 0, 0);
    DrawImageAt(10, 10, nullptr, table.record.mapOrPalette, 0, 0);
    EXPECT_EQ(LcdQueueCount(), 0);
}

// The blend itself is the raster's; the image picks the context's colours.
TEST_F(ImageTest, CoverageImageSwapsColoursWhenInverse) {
    Draw(10, 10, 1);
    EXPECT_EQ(Px(10, 10), kBlack);
    EXPECT_EQ(Px(13, 10), kWhite);
    SetContextFlags(kContextInverse);
    Draw(10, 10, 1);
    EXPECT_EQ(Px(10, 10), kWhite);
    EXPECT_EQ(Px(13, 10), kBlack);
}

}  // namespace
