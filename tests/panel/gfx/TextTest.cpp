#include "panel/gfx/Text.h"

#include <gtest/gtest.h>

#include "panel/gfx/Context.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

constexpr Rgb565 kWhite = 0xFFFF;
constexpr Rgb565 kBlack = 0x0000;

enum Code : u8 { kBlock5 = 0, kDiagonal = 1, kBlock10 = 2, kChecks = 3, kEmpty = 4 };

BuiltTable MakeTextFont() {
    const GlyphArt diagonal{8, {"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.",
                                ".......#"}};
    const GlyphArt checks{4, {"#..#", ".##.", "#..#", ".##.", "#..#", ".##.", "#..#", ".##."}};
    return BuildShortFont(8, 2, {Solid(5, 8), diagonal, Solid(10, 8), checks, GlyphArt{0, {}}});
}

// Glyph number n of a font as a pointer, for the lookup tests.
const u8* Record(const FontRecord& f, u32 n, u32 header) { return f.glyphs + n * (f.glyphBytes + header); }

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitContexts();
        LcdApplyQueue();
        FillScreen(kSentinel);
        SetFont(&font.record);
    }

    const BuiltTable font = MakeTextFont();
};

TEST(GlyphLookupTest, ThreeRangesAndAFallbackWithoutGlyph) {
    std::vector<GlyphArt> glyphs(78, Solid(1, 1));
    const BuiltTable f = BuildShortFont(1, 1, glyphs);
    const std::vector<u8> map = {3, 63, 32, 57, 0, 65, 90, 26, 97, 122, 52};
    EXPECT_EQ(GlyphLookup(98, &f.record, map.data()), Record(f.record, 53, 3));
    EXPECT_EQ(GlyphLookup(40, &f.record, map.data()), Record(f.record, 8, 3));
    EXPECT_EQ(GlyphLookup(32, &f.record, map.data()), Record(f.record, 0, 3));
    EXPECT_EQ(GlyphLookup(57, &f.record, map.data()), Record(f.record, 25, 3));
    EXPECT_EQ(GlyphLookup(65, &f.record, map.data()), Record(f.record, 26, 3));
    EXPECT_EQ(GlyphLookup(122, &f.record, map.data()), Record(f.record, 77, 3));
    // 60 is not covered, and neither is its fallback 63.
    EXPECT_EQ(GlyphLookup(60, &f.record, map.data()), nullptr);
    EXPECT_EQ(GlyphLookup(63, &f.record, map.data()), nullptr);
    EXPECT_EQ(GlyphLookup(255, &f.record, map.data()), nullptr);

    const std::vector<u8> empty = {0, 32};
    EXPECT_EQ(GlyphLookup(40, &f.record, empty.data()), nullptr);
    EXPECT_EQ(GlyphLookup(40, nullptr, map.data()), nullptr);
}

TEST(GlyphLookupTest, HalvingSearchFindsEveryRangeAndFallsBack) {
    std::vector<GlyphArt> glyphs(200, Solid(1, 1));
    const BuiltTable f = BuildShortFont(1, 1, glyphs);
    // Seven ranges of five codes, ten codes apart, glyphs numbered in order;
    // the fallback is the first code of the fourth range.
    std::vector<u8> map = {7, 70};
    for (u8 r = 0; r < 7; ++r) {
        map.push_back(static_cast<u8>(10 + 20 * r));
        map.push_back(static_cast<u8>(14 + 20 * r));
        map.push_back(static_cast<u8>(5 * r));
    }
    for (int code = 0; code < 256; ++code) {
        const int r = (code - 10) / 20;
        const bool covered = code >= 10 && r < 7 && (code - 10) % 20 < 5;
        const u32 expected = covered ? static_cast<u32>(5 * r + (code - 10) % 20) : 15;
        EXPECT_EQ(GlyphLookup(static_cast<u8>(code), &f.record, map.data()), Record(f.record, expected, 3))
            << "code " << code;
    }
}

TEST(GlyphLookupTest, MapBeyondTheFontsGlyphsFindsNothing) {
    std::vector<GlyphArt> glyphs(10, Solid(1, 1));
    const BuiltTable f = BuildShortFont(1, 1, glyphs);
    const std::vector<u8> map = {1, 100, 32, 255, 0};
    EXPECT_EQ(GlyphLookup(41, &f.record, map.data()), Record(f.record, 9, 3));
    EXPECT_EQ(GlyphLookup(42, &f.record, map.data()), nullptr);
    // The fallback 100 would be glyph 68.
    EXPECT_EQ(GlyphLookup(20, &f.record, map.data()), nullptr);
}

TEST(GlyphLookupTest, FontsWithoutMapAndImageTables) {
    EXPECT_NE(GlyphLookup(127, &Font0, Font0.mapOrPalette), nullptr);
    EXPECT_EQ(GlyphLookup(127, &Font0, Font0.mapOrPalette), Record(Font0, 127, 3));
    EXPECT_EQ(GlyphLookup(128, &Font0, Font0.mapOrPalette), nullptr);
    EXPECT_EQ(GlyphLookup(200, &Font0, Font0.mapOrPalette), nullptr);
    EXPECT_EQ(GlyphWidth(GlyphLookup('A', &Font0, nullptr)), 6);
    EXPECT_EQ(GlyphHeight(GlyphLookup('A', &Font0, nullptr)), 8);

    const BuiltTable images = BuildImageTable(
        20, {ImageArt{0x02, 4, 3, std::vector<u32>(12, 1)}, ImageArt{0x41, 7, 2, std::vector<u32>(14, 1)},
             ImageArt{0x01, 300, 1, std::vector<u32>(300, 0)}});
    const u8* second = LookupGlyph(1, &images.record);
    EXPECT_EQ(second, Record(images.record, 1, 6));
    EXPECT_TRUE(HasLongHeader(second));
    EXPECT_EQ(GlyphWidth(second), 7);
    EXPECT_EQ(GlyphHeight(second), 2);
    EXPECT_EQ(GlyphWidth(LookupGlyph(2, &images.record)), 300);
    EXPECT_EQ(LookupGlyph(3, &images.record), nullptr);
    EXPECT_EQ(GlyphWidth(nullptr), 0);
    EXPECT_EQ(GlyphHeight(nullptr), 0);
}

TEST_F(TextTest, LookupWithoutFontUsesTheContextsFontAndMap) {
    EXPECT_EQ(LookupGlyph(kChecks, nullptr), Record(font.record, kChecks, 3));
    const BuiltTable mapped = BuildShortFont(8, 1, {Solid(3, 8), Solid(4, 8)}, {1, 65, 65, 66, 0});
    SetFont(&mapped.record);
    EXPECT_EQ(GlyphWidth(LookupGlyph('B', nullptr)), 4);
    EXPECT_EQ(GlyphWidth(LookupGlyph('x', nullptr)), 3);  // fallback 'A'
    // With a font given, no map: the code is the glyph number.
    EXPECT_EQ(GlyphWidth(LookupGlyph(1, &mapped.record)), 4);
}

TEST_F(TextTest, GlyphSitsOnTheBaselineRow) {
    SetTextPosition(20, 30);
    PutChar(kBlock5);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(20, 23, 24, 30, kWhite), 5 * 8);
    EXPECT_EQ(CountNot(kSentinel), 5 * 8);
    EXPECT_EQ(CurrentContext().cursorX, 25);
    EXPECT_EQ(CurrentContext().cursorY, 30);
    EXPECT_EQ(CurrentContext().penX, 25);

    // Opaque: clear bits in the background colour.
    PutChar(kChecks);
    LcdApplyQueue();
    const std::vector<std::string> checks = {"#..#", ".##.", "#..#", ".##.", "#..#", ".##.", "#..#", ".##."};
    EXPECT_EQ(Snapshot(25, 23, 28, 30, kWhite, kBlack), checks);
    EXPECT_EQ(CurrentContext().cursorX, 29);
}

TEST_F(TextTest, TransparentAndInverseGlyphs) {
    SetContextFlags(kContextTransparent);
    SetTextPosition(0, 7);
    PutChar(kChecks);
    LcdApplyQueue();
    EXPECT_EQ(Snapshot(0, 0, 3, 0, kWhite, kSentinel), std::vector<std::string>{"#..#"});
    EXPECT_EQ(CountNot(kSentinel), 16);

    // Transparent inverse: the set pixels in the background colour, nothing else.
    FillScreen(kSentinel);
    SetContextFlags(kContextTransparent | kContextInverse);
    SetTextPosition(0, 7);
    PutChar(kChecks);
    LcdApplyQueue();
    EXPECT_EQ(Snapshot(0, 0, 3, 1, kBlack, kSentinel), (std::vector<std::string>{"#..#", ".##."}));
    EXPECT_EQ(CountNot(kSentinel), 16);
}

TEST_F(TextTest, TabFillsTheGapToTheNextStop) {
    SetTextPosition(60, 30);
    PutChar(9);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(60, 23, 106, 30, kBlack), 47 * 8);
    EXPECT_EQ(CountNot(kSentinel), 47 * 8);
    EXPECT_EQ(CurrentContext().cursorX, 106);

    // Inverse fills in the foreground; near the top the fill starts at the clip top.
    FillScreen(kSentinel);
    SetContextFlags(kContextInverse);
    SetTextPosition(0, 3);
    PutChar(9);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(0, 0, 53, 3, kWhite), 54 * 4);
    EXPECT_EQ(CountNot(kSentinel), 54 * 4);

    // Past the last stop the fill runs to the screen edge and the cursor stops at the clip right.
    FillScreen(kSentinel);
    SetContextFlags(0);
    SetTextPosition(318, 30);
    PutChar(9);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(318, 23, 319, 30, kBlack), 2 * 8);
    EXPECT_EQ(CountNot(kSentinel), 2 * 8);
    EXPECT_EQ(CurrentContext().cursorX, 319);
}

TEST_F(TextTest, GlyphThatDoesNotFitWrapsToANewLine) {
    SetTextPosition(315, 30);
    BeginCharOutput();
    EXPECT_EQ(PutGlyph(kBlock10), 1);
    EndCharOutput();
    EXPECT_EQ(LcdQueueCount(), 0);

    PutChar(kBlock10);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(0, 31, 9, 38, kWhite), 80);
    EXPECT_EQ(CountNot(kSentinel), 80);
    EXPECT_EQ(CurrentContext().cursorX, 10);
    EXPECT_EQ(CurrentContext().cursorY, 38);
}

TEST_F(TextTest, NoWrapFlagDropsTheGlyph) {
    SetContextFlags(kContextNoWrap);
    SetTextPosition(315, 30);
    PutChar(kBlock10);
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(CurrentContext().cursorX, 315);
    EXPECT_EQ(CurrentContext().cursorY, 30);
}

TEST_F(TextTest, OverrunFlagDrawsTheGlyphCutAtTheRightEdge) {
    SetContextFlags(kContextOverrun);
    SetTextPosition(315, 30);
    PutChar(kBlock10);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(315, 23, 319, 30, kWhite), 40);
    EXPECT_EQ(CountNot(kSentinel), 40);
    EXPECT_EQ(CurrentContext().cursorX, 319);
    EXPECT_EQ(CurrentContext().cursorY, 30);
}

TEST_F(TextTest, PartialLastLineOnlyWithItsFlag) {
    SetTextPosition(315, 235);
    PutChar(kBlock10);
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(CurrentContext().cursorX, 315);

    SetContextFlags(kContextPartialLine);
    PutChar(kBlock10);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(0, 236, 9, 239, kWhite), 40);
    EXPECT_EQ(CountNot(kSentinel), 40);
    EXPECT_EQ(CurrentContext().cursorX, 10);
    EXPECT_EQ(CurrentContext().cursorY, 239);
}

TEST_F(TextTest, GlyphCutAtTheClipTop) {
    SetClipWindow(0, 50, 319, 239);
    SetTextPosition(10, 3);  // baseline row 53: four of the eight rows are visible
    PutChar(kDiagonal);
    LcdApplyQueue();
    const std::vector<std::string> expected = {"....#...", ".....#..", "......#.", ".......#"};
    EXPECT_EQ(Snapshot(10, 50, 17, 53, kWhite, kBlack), expected);
    EXPECT_EQ(CountNot(kSentinel), 32);
    EXPECT_EQ(CurrentContext().cursorX, 18);
}

TEST_F(TextTest, ControlCodesAndCodesWithoutGlyph) {
    SetTextPosition(40, 30);
    PutChar(10);
    EXPECT_EQ(CurrentContext().cursorX, 0);
    EXPECT_EQ(CurrentContext().cursorY, 38);
    SetTextPosition(40, 30);
    PutChar(13);
    EXPECT_EQ(CurrentContext().cursorX, 0);
    EXPECT_EQ(CurrentContext().cursorY, 30);

    SetTextPosition(40, 30);
    PutChar(100);  // beyond the font
    PutChar(kEmpty);
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(CurrentContext().cursorX, 40);
}

TEST_F(TextTest, HeaderWiderThanItsRowsDrawsOnlyWhatTheRowsHold) {
    GlyphArt wide = Solid(8, 2);
    wide.width = 12;
    const BuiltTable narrow = BuildShortFont(2, 1, {Solid(3, 2), wide});
    SetFont(&narrow.record);
    SetContextFlags(kContextOverrun);
    SetTextPosition(100, 50);
    PutChar(1);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(100, 49, 107, 50, kWhite), 16);
    EXPECT_EQ(CountNot(kSentinel), 16);
}

class ImageTest : public TextTest {
protected:
    const std::vector<Rgb565> colours = {0x1111, 0x2222, 0x3333, 0x4444};
    // 4 x 3 palette image whose pixel values count 0..3 along each row.
    const BuiltTable table =
        BuildImageTable(3, {ImageArt{0x02, 4, 3, {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1}},
                            ImageArt{0x42, 4, 1, {0, 1, 2, 3}}},
                        PaletteRecordOf(2, colours));
};

TEST_F(ImageTest, PaletteImageAtAPointInsideTheWindow) {
    DrawImageAt(100, 50, LookupGlyph(0, &table.record), table.record.mapOrPalette, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Px(100, 50), 0x1111);
    EXPECT_EQ(Px(103, 50), 0x4444);
    EXPECT_EQ(Px(100, 52), 0x3333);
    EXPECT_EQ(Px(103, 52), 0x2222);
    EXPECT_EQ(CountNot(kSentinel), 12);

    // Relative to the clip window, cut at its right edge.
    FillScreen(kSentinel);
    SetClipWindow(50, 50, 99, 99);
    DrawImageAt(48, 10, LookupGlyph(0, &table.record), table.record.mapOrPalette, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Px(98, 60), 0x1111);
    EXPECT_EQ(Px(99, 60), 0x2222);
    EXPECT_EQ(CountNot(kSentinel), 6);

    // A slice: the second row alone.
    FillScreen(kSentinel);
    DrawImageAt(0, 0, LookupGlyph(0, &table.record), table.record.mapOrPalette, 2, 1);
    LcdApplyQueue();
    EXPECT_EQ(Px(50, 51), 0x2222);
    EXPECT_EQ(CountNot(kSentinel), 4);
}

TEST_F(ImageTest, ImageStartingOutsideTheWindowIsNotDrawn) {
    SetClipWindow(50, 50, 99, 99);
    const u8* image = LookupGlyph(0, &table.record);
    DrawImageAt(static_cast<u16>(-2), 10, image, table.record.mapOrPalette, 0, 0);  // left of the window
    DrawImageAt(10, 50, image, table.record.mapOrPalette, 0, 0);                    // below it
    DrawImageAt(60, 10, image, table.record.mapOrPalette, 0, 0);                    // right of it
    DrawImageAt(10, 10, nullptr, table.record.mapOrPalette, 0, 0);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST_F(ImageTest, CoverageImageSwapsColoursWhenInverse) {
    const u8* image = LookupGlyph(1, &table.record);
    DrawImageAt(10, 10, image, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Px(10, 10), kBlack);
    EXPECT_EQ(Px(13, 10), kWhite);
    EXPECT_EQ(Px(11, 10), 0x52AA);  // a third of white over black

    SetContextFlags(kContextInverse);
    DrawImageAt(10, 11, image, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Px(10, 11), kWhite);
    EXPECT_EQ(Px(13, 11), kBlack);
}

}  // namespace
