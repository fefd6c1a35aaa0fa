#include "panel/gfx/Context.h"

#include <gtest/gtest.h>

#include "panel/gfx/Raster.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

constexpr Rgb565 kWhite = 0xFFFF;
constexpr Rgb565 kBlack = 0x0000;
constexpr Rgb565 kRed = 0xF800;
constexpr u16 kEntriesPerPixel = 22 + 2;  // a window and one pixel

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitContexts();
        LcdApplyQueue();
        FillScreen(kSentinel);
    }
};

TEST(ContextStartTest, ColourSettersBeforeInitialisationSetUpTheContexts) {
    EXPECT_EQ(SetForeColour(kRed), kWhite);
    EXPECT_EQ(CurrentContext().foreColour, kRed);
    EXPECT_EQ(CurrentContext().font, &Font0);
    EXPECT_EQ(RasterForeground, kRed);
    EXPECT_EQ(RasterBackground, kBlack);
}

TEST_F(ContextTest, DefaultsAfterInitialisation) {
    const GfxContext& c = CurrentContext();
    EXPECT_EQ(c.clipLeft, 0);
    EXPECT_EQ(c.clipTop, 0);
    EXPECT_EQ(c.clipRight, 319);
    EXPECT_EQ(c.clipBottom, 239);
    EXPECT_EQ(c.cursorX, 0);
    EXPECT_EQ(c.cursorY, 7);
    EXPECT_EQ(c.flags, 0);
    EXPECT_EQ(c.foreColour, kWhite);
    EXPECT_EQ(c.backColour, kBlack);
    EXPECT_EQ(c.check, 0);
    EXPECT_EQ(GetFont(), &Font0);
    EXPECT_EQ(GetRangeMap(), Font0.mapOrPalette);
    EXPECT_EQ(FontRecordHeight(nullptr), 8);
    EXPECT_EQ(CurrentFontHeight(), 8);
}

TEST_F(ContextTest, ResetModesAndTheFiveContexts) {
    const BuiltTable tall = BuildShortFont(24, 3, {Solid(10, 24)});
    SetForeColour(kRed);
    SetContextFlags(0x8001);
    SetFont(&tall.record);
    SetTextPosition(100, 100);

    ResetContext(2);  // geometry only
    EXPECT_EQ(CurrentContext().cursorX, 0);
    EXPECT_EQ(CurrentContext().cursorY, 23);
    EXPECT_EQ(GetFont(), &tall.record);
    EXPECT_EQ(GetContextFlags(), 0x8001);
    EXPECT_EQ(CurrentContext().foreColour, kRed);

    ResetContext(1);  // all but the colours
    EXPECT_EQ(CurrentContext().cursorY, 7);
    EXPECT_EQ(GetFont(), &Font0);
    EXPECT_EQ(GetContextFlags(), 0);
    EXPECT_EQ(CurrentContext().foreColour, kRed);

    ResetContext(0);
    EXPECT_EQ(CurrentContext().foreColour, kWhite);

    // The other contexts keep their own state, and selecting one loads its
    // colours into the raster layer.
    SetBackColour(kRed);
    ASSERT_TRUE(SelectContext(3));
    EXPECT_EQ(CurrentContext().backColour, kBlack);
    EXPECT_EQ(RasterBackground, kBlack);
    SetTextPosition(50, 60);
    ASSERT_TRUE(SelectContext(0));
    EXPECT_EQ(CurrentContext().backColour, kRed);
    EXPECT_EQ(RasterBackground, kRed);
    EXPECT_EQ(CurrentContext().cursorX, 0);
    EXPECT_FALSE(SelectContext(5));
    EXPECT_EQ(CurrentContext().backColour, kRed);
}

TEST_F(ContextTest, SetFontMovesATooHighCursorLineDown) {
    const BuiltTable tall = BuildShortFont(24, 3, {Solid(10, 24)}, {1, 32, 32, 32, 0});
    EXPECT_EQ(SetFont(&tall.record), &Font0);
    EXPECT_EQ(CurrentContext().cursorY, 23);
    EXPECT_EQ(CurrentContext().penY, 23);
    EXPECT_EQ(GetRangeMap(), tall.extra.data());
    EXPECT_EQ(CurrentFontHeight(), 24);

    EXPECT_EQ(SetFont(nullptr), &tall.record);
    EXPECT_EQ(GetFont(), &Font0);
    EXPECT_EQ(CurrentContext().cursorY, 23);

    // In a window too short for the font the line stops at the clip bottom.
    SetClipWindow(20, 100, 200, 110);
    EXPECT_EQ(CurrentContext().cursorY, 107);
    SetFont(&tall.record);
    EXPECT_EQ(CurrentContext().cursorY, 110);
}

TEST_F(ContextTest, SetTextPositionStaysInsideTheClipWindow) {
    SetTextPosition(400, 10);
    EXPECT_EQ(CurrentContext().cursorX, 319);
    EXPECT_EQ(CurrentContext().cursorY, 10);
    EXPECT_EQ(CurrentContext().penX, 319);
    EXPECT_EQ(CurrentContext().penY, 10);

    SetClipWindow(10, 20, 100, 80);
    SetTextPosition(0, 0);
    EXPECT_EQ(CurrentContext().cursorX, 10);
    EXPECT_EQ(CurrentContext().cursorY, 20);
    SetTextPosition(65535, 255);
    EXPECT_EQ(CurrentContext().cursorX, 100);
    EXPECT_EQ(CurrentContext().cursorY, 80);

    // A window given backwards or beyond the screen is ordered and limited.
    SetClipWindow(400, 250, 300, 200);
    EXPECT_EQ(CurrentContext().clipLeft, 300);
    EXPECT_EQ(CurrentContext().clipRight, 319);
    EXPECT_EQ(CurrentContext().clipTop, 200);
    EXPECT_EQ(CurrentContext().clipBottom, 239);
}

TEST_F(ContextTest, TabStopsEvery53ColumnsFromTheClipLeft) {
    EXPECT_EQ(NextTabStop(0), 53);
    EXPECT_EQ(NextTabStop(52), 53);
    EXPECT_EQ(NextTabStop(53), 106);
    SetClipWindow(10, 0, 319, 239);
    EXPECT_EQ(NextTabStop(10), 63);
    EXPECT_EQ(NextTabStop(62), 63);
    EXPECT_EQ(NextTabStop(63), 116);
}

TEST_F(ContextTest, StraightLinesAndPoints) {
    MoveTo(5, 5);
    LineTo(5, 5);
    LcdApplyQueue();
    EXPECT_EQ(CountNot(kSentinel), 1);
    EXPECT_EQ(Px(5, 5), kWhite);

    FillScreen(kSentinel);
    MoveTo(300, 10);
    LineTo(400, 10);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(300, 10, 319, 10, kWhite), 20);
    EXPECT_EQ(CountNot(kSentinel), 20);
    EXPECT_EQ(CurrentContext().penX, 400);

    // The inverse flag draws in the background colour.
    FillScreen(kSentinel);
    SetContextFlags(kContextInverse);
    MoveTo(40, 20);
    LineTo(40, 30);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(40, 20, 40, 30, kBlack), 11);
    EXPECT_EQ(CountNot(kSentinel), 11);
}

TEST_F(ContextTest, SlantedLineFollowsBresenham) {
    MoveTo(0, 0);
    LineTo(3, 1);
    LcdApplyQueue();
    EXPECT_EQ(Px(0, 0), kWhite);
    EXPECT_EQ(Px(1, 0), kWhite);
    EXPECT_EQ(Px(2, 1), kWhite);
    EXPECT_EQ(Px(3, 1), kWhite);
    EXPECT_EQ(CountNot(kSentinel), 4);

    // Steep and backwards: one pixel per row, ending on the end point.
    FillScreen(kSentinel);
    MoveTo(20, 40);
    LineTo(17, 30);
    LcdApplyQueue();
    EXPECT_EQ(CountNot(kSentinel), 11);
    EXPECT_EQ(Px(20, 40), kWhite);
    EXPECT_EQ(Px(17, 30), kWhite);
    for (int y = 30; y <= 40; ++y) EXPECT_EQ(CountIn(17, y, 20, y, kWhite), 1) << "row " << y;
}

TEST_F(ContextTest, LinesAreCutToTheClipWindow) {
    SetClipWindow(50, 50, 99, 99);

    // Slanted, leaving the window on the right: only the part inside.
    MoveTo(0, 0);
    LineTo(80, 40);
    LcdApplyQueue();
    EXPECT_EQ(Px(50, 50), kWhite);
    EXPECT_EQ(CountNot(kSentinel), 50);
    EXPECT_EQ(CountIn(50, 50, 99, 99, kWhite), 50);

    // Horizontal below the window: nothing at all, not a frame at the edge.
    FillScreen(kSentinel);
    MoveTo(0, 60);
    LineTo(40, 60);
    LcdApplyQueue();
    EXPECT_EQ(CountNot(kSentinel), 0);

    // Vertical through the bottom edge, and horizontal drawn leftwards from
    // beyond the right edge.
    MoveTo(10, 0);
    LineTo(10, 200);
    MoveTo(100, 10);
    LineTo(20, 10);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(60, 50, 60, 99, kWhite), 50);
    EXPECT_EQ(CountIn(70, 60, 99, 60, kWhite), 30);
    EXPECT_EQ(CountNot(kSentinel), 50 + 30);
}

TEST_F(ContextTest, PenLeftOfTheScreenDoesNotWrapToTheRight) {
    // A caller's x - 15 at x = 0 arrives as 65521.
    MoveTo(static_cast<u16>(-15), 50);
    LineTo(25, 50);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(0, 50, 25, 50, kWhite), 26);
    EXPECT_EQ(CountNot(kSentinel), 26);

    FillScreen(kSentinel);
    MoveTo(static_cast<u16>(-10), 60);
    LineTo(10, 80);
    LcdApplyQueue();
    EXPECT_EQ(Px(0, 70), kWhite);
    EXPECT_EQ(Px(10, 80), kWhite);
    EXPECT_EQ(CountNot(kSentinel), 11);
}

TEST_F(ContextTest, NewLineAndPartialLines) {
    SetTextPosition(40, 100);
    EXPECT_EQ(NewLine(0), 0);
    EXPECT_EQ(CurrentContext().cursorY, 108);
    EXPECT_EQ(CurrentContext().cursorX, 0);

    SetTextPosition(40, 235);
    BeginCharOutput();
    EXPECT_EQ(NoPartialLine(), 1);
    EXPECT_EQ(NewLine(8), 1);
    EXPECT_EQ(CurrentContext().cursorY, 235);
    EXPECT_EQ(CurrentContext().cursorX, 40);
    EndCharOutput();

    SetContextFlags(kContextPartialLine);
    BeginCharOutput();
    EXPECT_EQ(NoPartialLine(), 0);
    EXPECT_EQ(NewLine(8), 0);
    EXPECT_EQ(CurrentContext().cursorY, 243);
    EXPECT_EQ(CurrentContext().cursorX, 0);
    // Already at the bottom: no further line.
    EXPECT_EQ(NewLine(8), 1);
    EndCharOutput();
    EXPECT_EQ(CurrentContext().cursorY, 239);
    EXPECT_EQ(CurrentContext().penY, 239);

    // A line whose baseline would not fit the 8-bit row is refused.
    SetTextPosition(0, 238);
    BeginCharOutput();
    EXPECT_EQ(NewLine(30), 1);
    EndCharOutput();
    EXPECT_EQ(CurrentContext().cursorY, 238);
}

TEST_F(ContextTest, QuadrantsOfRadiusZero) {
    DrawQuadrants(100, 100, 0, 0xF0);
    EXPECT_EQ(LcdQueueCount(), 4 * kEntriesPerPixel);
    LcdApplyQueue();
    EXPECT_EQ(CountNot(kSentinel), 1);
    EXPECT_EQ(Px(100, 100), kWhite);

    // With the inside filled there is no inside: still the one pixel.
    FillScreen(kSentinel);
    DrawQuadrants(100, 100, 0, 0xF2);
    LcdApplyQueue();
    EXPECT_EQ(CountNot(kSentinel), 1);
    EXPECT_EQ(Px(100, 100), kWhite);

    FillScreen(kSentinel);
    DrawQuadrants(100, 100, -4, 0xF3);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST_F(ContextTest, SolidQuadrantFillsInTheFillColour) {
    SetBackColour(kRed);
    DrawQuadrants(100, 100, 3, kQuadTopLeft | kQuadSolid);
    LcdApplyQueue();
    const std::vector<std::string> expected = {
        "..##.",  // row 97
        ".###.",  // row 98
        "####.",  // row 99
        "####.",  // row 100
        ".....",  // row 101
    };
    EXPECT_EQ(Snapshot(97, 97, 101, 101, kRed, kSentinel), expected);

    // Inverse: the fill takes the foreground colour.
    FillScreen(kSentinel);
    SetContextFlags(kContextInverse);
    DrawQuadrants(200, 100, 3, 0xF1);
    LcdApplyQueue();
    // Rows at offsets 0, 1, 2, 3 reach 3, 3, 2 and 1 columns to each side.
    EXPECT_EQ(CountIn(197, 97, 203, 103, kWhite), 7 + 2 * 7 + 2 * 5 + 2 * 3);
    EXPECT_EQ(CountNot(kSentinel), 7 + 2 * 7 + 2 * 5 + 2 * 3);
}

TEST_F(ContextTest, OutlineQuadrantWithTheInsideFilled) {
    SetBackColour(kRed);
    DrawQuadrants(100, 100, 3, kQuadBottomRight | kQuadFilled);
    LcdApplyQueue();
    const std::vector<std::string> expected = {
        "rrr#",  // row 100
        "rrr#",  // row 101
        "rr#?",  // row 102
        "##??",  // row 103
    };
    std::vector<std::string> shown = Snapshot(100, 100, 103, 103, kWhite, kRed);
    for (std::string& row : shown)
        for (char& ch : row) ch = ch == '.' ? 'r' : ch;
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(CountNot(kSentinel), 13);
}

TEST_F(ContextTest, QuadrantsNearTheScreenEdgeDoNotWrapRound) {
    DrawQuadrants(3, 3, 20, 0xF3);
    DrawQuadrants(315, 235, 20, 0xF0);
    LcdApplyQueue();
    EXPECT_EQ(Px(0, 3), kBlack);    // the solid fill's colour
    EXPECT_EQ(Px(3, 22), kBlack);
    EXPECT_EQ(Px(295, 235), kWhite);  // outline
    EXPECT_EQ(CountIn(24, 0, 290, 239, kSentinel), (290 - 24 + 1) * 240);
    EXPECT_EQ(CountIn(0, 24, 319, 214, kSentinel), 320 * (214 - 24 + 1));
    EXPECT_EQ(CountIn(300, 0, 319, 30, kSentinel), 20 * 31);
    EXPECT_EQ(CountIn(0, 200, 30, 239, kSentinel), 31 * 40);
}

}  // namespace
