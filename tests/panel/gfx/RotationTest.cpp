#include "panel/gfx/Rotation.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"
#include "panel/gfx/Text.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

constexpr u16 kEntriesPerPixel = 22 + 2;

enum Code : u8 { kEll = 0, kBlock5 = 1, kChecks = 2, kBlock4 = 3 };

// Height 3 so that the glyphs are easy to picture.
BuiltTable MakeFont() {
    const GlyphArt ell{3, {"#..", "#..", "###"}};
    const GlyphArt checks{4, {"#..#", ".##.", "#..#"}};
    return BuildShortFont(3, 1, {ell, Solid(5, 3), checks, Solid(4, 3)});
}

std::vector<Rgb565> Capture() { return {std::begin(PanelFramebuffer), std::end(PanelFramebuffer)}; }

class RotationTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        SetFont(&font.record);
    }

    const BuiltTable font = MakeFont();
};

TEST_F(RotationTest, AngleZeroDrawsWhatUnrotatedTextDraws) {
    for (u16 flags : {0x0000, 0x0001, 0x8000, 0x8001}) {
        SetContextFlags(flags);
        for (u8 code : {kEll, kChecks, kBlock5}) {
            FillScreen(kSentinel);
            SetTextPosition(20, 30);
            PutChar(code);
            LcdApplyQueue();
            const std::vector<Rgb565> unrotated = Capture();
            const u16 advanced = CurrentContext().cursorX;

            FillScreen(kSentinel);
            SetTextPosition(20, 30);
            RotatedCharAt(code, 0);
            LcdApplyQueue();
            EXPECT_TRUE(Capture() == unrotated) << "flags " << flags << " code " << int(code);
            EXPECT_EQ(CurrentContext().cursorX, advanced);
            EXPECT_EQ(CurrentContext().penX, advanced);
        }
    }
}

TEST_F(RotationTest, QuarterTurnsTurnTheGlyphAndTheAdvance) {
    // Counter-clockwise: at 90 the foot that pointed right points up.
    const struct {
        u16 angle;
        int x0, y0;
        Picture picture;
        u16 cursorX, cursorY;
    } cases[] = {
        {90, 98, 98, {"..#", "..#", "###"}, 100, 97},
        {180, 98, 100, {"###", "..#", "..#"}, 97, 100},
        {2, 100, 98, {"#..", "#..", "###"}, 103, 100},  // snaps to 0
    };
    for (const auto& c : cases) {
        FillScreen(kSentinel);
        SetTextPosition(100, 100);
        RotatedCharAt(kEll, c.angle);
        LcdApplyQueue();
        EXPECT_EQ(Snapshot(c.x0, c.y0, c.x0 + 2, c.y0 + 2, kWhite, kBlack), c.picture) << c.angle;
        EXPECT_EQ(CountNot(kSentinel), 9) << c.angle;
        ExpectCursor(c.cursorX, c.cursorY);
    }
    // The advance stops at the screen edge.
    for (auto [x, y, angle, endX, endY] :
         {std::tuple{2, 100, 180, 0, 100}, {50, 3, 90, 50, 0}, {317, 100, 0, 319, 100}}) {
        SetTextPosition(static_cast<u16>(x), static_cast<u16>(y));
        RotatedCharAt(kBlock5, static_cast<u16>(angle));
        ExpectCursor(static_cast<u16>(endX), static_cast<u16>(endY));
    }

    // A character without glyph draws nothing and stays.
    LcdApplyQueue();
    SetTextPosition(40, 50);
    RotatedCharAt(99, 30);
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(CurrentContext().cursorX, 40);
}

TEST_F(RotationTest, SmallGlyphsAtSlantedAnglesGetSoftEdges) {
    SetTextPosition(100, 100);
    RotatedCharAt(kBlock4, 45);
    LcdApplyQueue();
    const int full = CountIn(0, 0, 319, 239, kWhite);
    EXPECT_GT(full, 0);
    EXPECT_GT(CountNot(kSentinel) - full - CountIn(0, 0, 319, 239, kBlack), 0);  // soft edge pixels
    // The rotated advance of 4 pixels at 45 degrees.
    ExpectCursor(103, 97);
}

TEST_F(RotationTest, EveryAngleCoversTheGlyphOnceWithoutGaps) {
    // A glyph of 160 pixels or more is sampled without the filter: every
    // pixel of a 20 x 8 solid glyph is white, and the rotation keeps its area.
    const BuiltTable big = BuildShortFont(8, 3, {Solid(20, 8)});
    SetFont(&big.record);
    for (u16 angle = 0; angle < 360; angle += 15) {
        FillScreen(kSentinel);
        SetTextPosition(160, 120);
        RotatedCharAt(0, angle);
        const int writes = LcdQueueCount() / kEntriesPerPixel;
        LcdApplyQueue();
        const int covered = CountNot(kSentinel);
        EXPECT_EQ(writes, covered) << "angle " << angle;
        EXPECT_EQ(CountIn(100, 60, 220, 180, kWhite), covered) << "angle " << angle;
        EXPECT_GE(covered, 150) << "angle " << angle;
        EXPECT_LE(covered, 170) << "angle " << angle;
    }
}

TEST_F(RotationTest, SourceSamplesOfEachPixelFormat) {
    const BuiltTable images = BuildImageTable(
        8, {ImageArt{0x42, 4, 1, {0, 1, 2, 3}}, ImageArt{0x41, 2, 1, {1, 0}}, ImageArt{0x10, 2, 1, {0xF800, 0x1234}},
            ImageArt{0x18, 2, 1, {0xFF0000, 0x0000FF}}, ImageArt{0x08, 2, 1, {0xE0, 0x03}},
            ImageArt{0x01, 2, 1, {1, 0}}, ImageArt{0x03, 2, 1, {1, 0}}});
    // Coverage as 0..255, direct colours as Rgb565, depth 1 palette data from
    // the system palette; a depth that does not divide a byte samples as 0.
    const std::vector<std::vector<u32>> samples = {{0, 85, 170, 255},
                                                   {255, 0},
                                                   {0xF800, 0x1234},
                                                   {0xF800, 0x001F},
                                                   {0xF800, 0x001F},
                                                   {RasterPalette[1], RasterPalette[0]},
                                                   {0, 0}};
    for (u8 n = 0; n < samples.size(); ++n) {
        SetupSource(LookupGlyph(n, &images.record), 0);
        for (u16 x = 0; x < samples[n].size(); ++x) EXPECT_EQ(SampleSource(x, 0), samples[n][x]) << int(n) << "," << x;
    }
    EXPECT_EQ(SetupSource(LookupGlyph(0, &images.record), 0), 0x42);
    EXPECT_EQ(SampleSource(9, 5), 255);  // clamped to the last pixel
    EXPECT_EQ(SetupSource(nullptr, 0) + SampleSource(0, 0), 0);

    // A text glyph: set and clear colours, exchanged by the inverse flag.
    SetForeColour(0x07E0);
    EXPECT_EQ(SetupSource(LookupGlyph(kEll, nullptr), 1), 1);
    EXPECT_EQ(SampleSource(1, 0), kBlack);
    SetContextFlags(kContextInverse);
    SetupSource(LookupGlyph(kEll, nullptr), 1);
    EXPECT_EQ(SampleSource(1, 0), 0x07E0);
}

}  // namespace
