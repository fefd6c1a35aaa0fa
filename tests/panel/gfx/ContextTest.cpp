#include "panel/gfx/Context.h"

#include <gtest/gtest.h>

#include <vector>

#include "panel/gfx/Raster.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

class ContextTest : public ScreenTest {
protected:
    // Draws a line from a fresh screen; returns the pixels it set.
    static int Line(u16 x0, u16 y0, u16 x1, u16 y1) {
        FillScreen(kSentinel);
        MoveTo(x0, y0);
        LineTo(x1, y1);
        LcdApplyQueue();
        return CountNot(kSentinel);
    }
};

TEST(ContextStartTest, ColourSettersBeforeInitialisationSetUpTheContexts) {
    EXPECT_EQ(SetForeColour(kRed), kWhite);
    EXPECT_EQ(CurrentContext().font, &Font0);
    EXPECT_EQ(RasterForeground, kRed);
    EXPECT_EQ(RasterBackground, kBlack);
}

TEST_F(ContextTest, DefaultsResetModesAndTheFiveContexts) {
    const GfxContext& c = CurrentContext();
    EXPECT_EQ((std::vector<u16>{c.clipRight, c.clipBottom, c.cursorX, c.cursorY, c.flags, c.foreColour, c.backColour}),
              (std::vector<u16>{319, 239, 0, 7, 0, kWhite, kBlack}));

    const BuiltTable tall = BuildShortFont(24, 3, {Solid(10, 24)});
    SetForeColour(kRed);
    SetContextFlags(0x8001);
    SetFont(&tall.record);
    SetTextPosition(100, 100);
    ResetContext(2);  // geometry only
    ExpectCursor(0, 23);
    EXPECT_EQ(GetFont(), &tall.record);
    EXPECT_EQ(GetContextFlags(), 0x8001);
    ResetContext(1);  // all but the colours
    ExpectCursor(0, 7);
    EXPECT_EQ(GetFont(), &Font0);
    EXPECT_EQ(GetContextFlags(), 0);
    EXPECT_EQ(CurrentContext().foreColour, kRed);
    ResetContext(0);
    EXPECT_EQ(CurrentContext().foreColour, kWhite);

    // The other contexts keep their own state; selecting one loads its colours.
    SetBackColour(kRed);
    ASSERT_TRUE(SelectContext(3));
    EXPECT_EQ(RasterBackground, kBlack);
    SetTextPosition(50, 60);
    ASSERT_TRUE(SelectContext(0));
    EXPECT_EQ(RasterBackground, kRed);
    EXPECT_EQ(CurrentContext().cursorX, 0);
    EXPECT_FALSE(SelectContext(5));
    EXPECT_EQ(CurrentContext().backColour, kRed);
}

TEST_F(ContextTest, SetFontMovesATooHighCursorLineDown) {
    const BuiltTable tall = BuildShortFont(24, 3, {Solid(10, 24)}, {1, 32, 32, 32, 0});
    EXPECT_EQ(SetFont(&tall.record), &Font0);
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

TEST_F(ContextTest, SetTextPositionAndTabStopsStayInsideTheClipWindow) {
    SetTextPosition(400, 10);
    ExpectCursor(319, 10);
    EXPECT_EQ(CurrentContext().penX, 319);
    EXPECT_EQ(NextTabStop(0), 53);
    EXPECT_EQ(NextTabStop(53), 106);

    SetClipWindow(10, 20, 100, 80);
    SetTextPosition(0, 0);
    ExpectCursor(10, 20);
    SetTextPosition(65535, 255);
    ExpectCursor(100, 80);
    for (auto [from, stop] : {std::pair{10, 63}, {62, 63}, {63, 116}}) EXPECT_EQ(NextTabStop(from), stop) << from;

    // A window given backwards or beyond the screen is ordered and limited.
    SetClipWindow(400, 250, 300, 200);
    const GfxContext& c = CurrentContext();
    EXPECT_EQ((std::vector<u16>{c.clipLeft, c.clipTop, c.clipRight, c.clipBottom}),
              (std::vector<u16>{300, 200, 319, 239}));
}

TEST_F(ContextTest, StraightAndSlantedLines) {
    EXPECT_EQ(Line(300, 10, 400, 10), 20);
    EXPECT_EQ(CountIn(300, 10, 319, 10, kWhite), 20);
    EXPECT_EQ(CurrentContext().penX, 400);

    EXPECT_EQ(Line(0, 0, 3, 1), 4);
    EXPECT_EQ(Snapshot(0, 0, 3, 1, kWhite, kSentinel), (Picture{"##..", "..##"}));
    // Steep and backwards: one pixel per row, ending on the end point.
    EXPECT_EQ(Line(20, 40, 17, 30), 11);
    EXPECT_EQ(Px(20, 40), kWhite);
    EXPECT_EQ(Px(17, 30), kWhite);
    for (int y = 30; y <= 40; ++y) EXPECT_EQ(CountIn(17, y, 20, y, kWhite), 1) << "row " << y;

    // A pen left of the screen (x - 15 at x = 0 arrives as 65521) does not wrap to the right.
    EXPECT_EQ(Line(static_cast<u16>(-15), 50, 25, 50), 26);
    EXPECT_EQ(CountIn(0, 50, 25, 50, kWhite), 26);

    // The inverse flag draws in the background colour.
    SetContextFlags(kContextInverse);
    EXPECT_EQ(Line(40, 20, 40, 30), 11);
    EXPECT_EQ(CountIn(40, 20, 40, 30, kBlack), 11);
}

TEST_F(ContextTest, LinesAreCutToTheClipWindow) {
    SetClipWindow(50, 50, 99, 99);
    // Slanted, leaving the window on the right: only the part inside.
    EXPECT_EQ(Line(0, 0, 80, 40), 50);
    EXPECT_EQ(Px(50, 50), kWhite);
    EXPECT_EQ(CountIn(50, 50, 99, 99, kWhite), 50);
    // Horizontal below the window: nothing at all, not a frame at the edge.
    EXPECT_EQ(Line(0, 60, 40, 60), 0);

    // Vertical through the bottom edge, and horizontal leftwards from beyond the right edge.
    MoveTo(10, 0);
    LineTo(10, 200);
    MoveTo(100, 10);
    LineTo(20, 10);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(60, 50, 60, 99, kWhite), 50);
    EXPECT_EQ(CountIn(70, 60, 99, 60, kWhite), 30);
    EXPECT_EQ(CountNot(kSentinel), 50 + 30);
}

TEST_F(ContextTest, NewLineAndPartialLines) {
    SetTextPosition(40, 100);
    EXPECT_EQ(NewLine(0), 0);
    ExpectCursor(0, 108);

    SetTextPosition(40, 235);
    BeginCharOutput();
    EXPECT_EQ(NoPartialLine(), 1);
    EXPECT_EQ(NewLine(8), 1);
    ExpectCursor(40, 235);
    EndCharOutput();

    SetContextFlags(kContextPartialLine);
    BeginCharOutput();
    EXPECT_EQ(NoPartialLine(), 0);
    EXPECT_EQ(NewLine(8), 0);
    ExpectCursor(0, 243);
    EXPECT_EQ(NewLine(8), 1);  // already at the bottom
    EndCharOutput();
    EXPECT_EQ(CurrentContext().penY, 239);

    // A line whose baseline would not fit the 8-bit row is refused.
    SetTextPosition(0, 238);
    BeginCharOutput();
    EXPECT_EQ(NewLine(30), 1);
    EndCharOutput();
    EXPECT_EQ(CurrentContext().cursorY, 238);
}

TEST_F(ContextTest, QuadrantsOfRadiusZeroAreOnePixel) {
    for (u8 mode : {0xF0, 0xF2}) {  // outline, and with the (empty) inside filled
        FillScreen(kSentinel);
        DrawQuadrants(100, 100, 0, mode);
        EXPECT_EQ(LcdQueueCount(), 4 * (22 + 2));  // a window and one pixel per quadrant
        LcdApplyQueue();
        EXPECT_EQ(CountNot(kSentinel), 1);
        EXPECT_EQ(Px(100, 100), kWhite);
    }
    DrawQuadrants(100, 100, -4, 0xF3);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST_F(ContextTest, SolidAndFilledQuadrants) {
    SetBackColour(kRed);
    DrawQuadrants(150, 100, 3, kQuadBottomRight | kQuadFilled);
    LcdApplyQueue();
    // Outline with the inside in the fill colour.
    EXPECT_EQ(Show(150, 100, 154, 104, {{'#', kWhite}, {'r', kRed}, {'-', kSentinel}}),
              (Picture{"rrr#-", "rrr#-", "rr#--", "##---", "-----"}));

    // Inverse: the solid fill takes the foreground colour. Rows at offsets
    // 0..3 reach 3, 3, 2 and 1 columns to each side.
    FillScreen(kSentinel);
    SetContextFlags(kContextInverse);
    DrawQuadrants(200, 100, 3, 0xF1);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(197, 97, 203, 103, kWhite), 7 + 2 * 7 + 2 * 5 + 2 * 3);
    EXPECT_EQ(CountNot(kSentinel), 7 + 2 * 7 + 2 * 5 + 2 * 3);
}

TEST_F(ContextTest, QuadrantsNearTheScreenEdgeDoNotWrapRound) {
    DrawQuadrants(3, 3, 20, 0xF3);
    DrawQuadrants(315, 235, 20, 0xF0);
    LcdApplyQueue();
    EXPECT_EQ(Px(0, 3), kBlack);  // the solid fill's colour
    EXPECT_EQ(Px(3, 22), kBlack);
    EXPECT_EQ(Px(295, 235), kWhite);
    EXPECT_EQ(CountIn(24, 0, 290, 239, kSentinel), (290 - 24 + 1) * 240);
    EXPECT_EQ(CountIn(0, 24, 319, 214, kSentinel), 320 * (214 - 24 + 1));
    EXPECT_EQ(CountIn(300, 0, 319, 30, kSentinel) + CountIn(0, 200, 30, 239, kSentinel), 20 * 31 + 31 * 40);
}

}  // namespace
