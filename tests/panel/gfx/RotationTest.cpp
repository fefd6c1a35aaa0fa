#include "panel/gfx/Rotation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"
#include "panel/gfx/Text.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

constexpr Rgb565 kWhite = 0xFFFF;
constexpr Rgb565 kBlack = 0x0000;
constexpr u16 kEntriesPerPixel = 22 + 2;

enum Code : u8 { kEll = 0, kBlock5 = 1, kChecks = 2, kBlock4 = 3 };

// Height 3 so that the glyphs are easy to picture.
BuiltTable MakeFont() {
    const GlyphArt ell{3, {"#..", "#..", "###"}};
    const GlyphArt checks{4, {"#..#", ".##.", "#..#"}};
    return BuildShortFont(3, 1, {ell, Solid(5, 3), checks, Solid(4, 3)});
}

using Screen = std::array<Rgb565, kScreenWidth * kScreenHeight>;

Screen Capture() {
    Screen s;
    std::copy(std::begin(PanelFramebuffer), std::end(PanelFramebuffer), s.begin());
    return s;
}

class RotationTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitContexts();
        LcdApplyQueue();
        FillScreen(kSentinel);
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
            const Screen unrotated = Capture();
            const u16 advanced = CurrentContext().cursorX;

            FillScreen(kSentinel);
            SetTextPosition(20, 30);
            RotatedCharAt(code, 0);
            LcdApplyQueue();
            EXPECT_TRUE(Capture() == unrotated) << "flags " << flags << " code " << int(code);
            EXPECT_EQ(CurrentContext().cursorX, advanced);
            EXPECT_EQ(CurrentContext().cursorY, 30);
            EXPECT_EQ(CurrentContext().penX, advanced);
        }
    }
}

TEST_F(RotationTest, QuarterTurnsTurnTheGlyphAndTheAdvance) {
    SetTextPosition(100, 100);
    RotatedCharAt(kEll, 90);
    LcdApplyQueue();
    // Counter-clockwise: the foot that pointed right points up.
    EXPECT_EQ(Snapshot(98, 98, 100, 100, kWhite, kBlack), (std::vector<std::string>{"..#", "..#", "###"}));
    EXPECT_EQ(CountNot(kSentinel), 9);
    EXPECT_EQ(CurrentContext().cursorX, 100);
    EXPECT_EQ(CurrentContext().cursorY, 97);

    FillScreen(kSentinel);
    SetTextPosition(100, 100);
    RotatedCharAt(kEll, 180);
    LcdApplyQueue();
    EXPECT_EQ(Snapshot(98, 100, 100, 102, kWhite, kBlack), (std::vector<std::string>{"###", "..#", "..#"}));
    EXPECT_EQ(CountNot(kSentinel), 9);
    EXPECT_EQ(CurrentContext().cursorX, 97);
    EXPECT_EQ(CurrentContext().cursorY, 100);

    SetTextPosition(100, 100);
    RotatedCharAt(kBlock5, 270);
    EXPECT_EQ(CurrentContext().cursorX, 100);
    EXPECT_EQ(CurrentContext().cursorY, 105);
}

TEST_F(RotationTest, AnglesSnapToTheFiveDegreeTable) {
    SetRotation(2);
    EXPECT_EQ(RotationSin(), 0);
    EXPECT_EQ(RotationCos(), 65536);
    SetRotation(3);
    EXPECT_EQ(RotationSin(), 5632);
    SetRotation(93);
    const i32 sin93 = RotationSin();
    const i32 cos93 = RotationCos();
    SetRotation(95);
    EXPECT_EQ(sin93, RotationSin());
    EXPECT_EQ(cos93, RotationCos());
    SetRotation(270);
    EXPECT_EQ(RotationSin(), -65536);
    EXPECT_EQ(RotationCos(), 0);
    SetRotation(180);
    EXPECT_EQ(RotationSin(), 0);
    EXPECT_EQ(RotationCos(), -65536);

    // Angle 2 draws as angle 0.
    SetTextPosition(20, 30);
    RotatedCharAt(kEll, 2);
    LcdApplyQueue();
    EXPECT_EQ(Snapshot(20, 28, 22, 30, kWhite, kBlack), (std::vector<std::string>{"#..", "#..", "###"}));
}

TEST_F(RotationTest, AdvanceStopsAtTheScreenEdge) {
    SetTextPosition(2, 100);
    RotatedCharAt(kBlock5, 180);
    EXPECT_EQ(CurrentContext().cursorX, 0);
    SetTextPosition(50, 3);
    RotatedCharAt(kBlock5, 90);
    EXPECT_EQ(CurrentContext().cursorY, 0);
    SetTextPosition(317, 100);
    RotatedCharAt(kBlock5, 0);
    EXPECT_EQ(CurrentContext().cursorX, 319);
}

TEST_F(RotationTest, CharacterWithoutGlyphDrawsNothingAndStays) {
    SetTextPosition(40, 50);
    RotatedCharAt(99, 30);
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(CurrentContext().cursorX, 40);
    EXPECT_EQ(CurrentContext().cursorY, 50);
}

TEST_F(RotationTest, SmallGlyphsAtSlantedAnglesGetSoftEdges) {
    SetTextPosition(100, 100);
    RotatedCharAt(kBlock4, 45);
    LcdApplyQueue();
    int soft = 0;
    int full = 0;
    for (Rgb565 p : PanelFramebuffer) {
        if (p == kWhite)
            ++full;
        else if (p != kSentinel && p != kBlack)
            ++soft;
    }
    EXPECT_GT(soft, 0);
    EXPECT_GT(full, 0);
    // The rotated advance of 4 pixels at 45 degrees.
    EXPECT_EQ(CurrentContext().cursorX, 103);
    EXPECT_EQ(CurrentContext().cursorY, 97);

    // A glyph of 160 pixels or more is sampled without the filter.
    const BuiltTable big = BuildShortFont(10, 2, {Solid(16, 10)});
    SetFont(&big.record);
    FillScreen(kSentinel);
    SetTextPosition(200, 100);
    RotatedCharAt(0, 45);
    LcdApplyQueue();
    int other = 0;
    for (Rgb565 p : PanelFramebuffer) other += (p != kWhite && p != kSentinel) ? 1 : 0;
    EXPECT_EQ(other, 0);
    EXPECT_GT(CountNot(kSentinel), 140);
}

TEST_F(RotationTest, EveryAngleCoversTheGlyphOnceWithoutGaps) {
    // A 20 x 8 solid glyph is too big for the filter: every pixel is white,
    // and the rotation keeps its area.
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
    EXPECT_EQ(SetupSource(LookupGlyph(0, &images.record), 0), 0x42);
    EXPECT_EQ(SampleSource(0, 0), 0);
    EXPECT_EQ(SampleSource(1, 0), 85);
    EXPECT_EQ(SampleSource(2, 0), 170);
    EXPECT_EQ(SampleSource(3, 0), 255);
    EXPECT_EQ(SampleSource(9, 5), 255);  // clamped to the last pixel

    EXPECT_EQ(SetupSource(LookupGlyph(1, &images.record), 0), 0x41);
    EXPECT_EQ(SampleSource(0, 0), 255);
    EXPECT_EQ(SampleSource(1, 0), 0);

    SetupSource(LookupGlyph(2, &images.record), 0);
    EXPECT_EQ(CurrentSource().direct, 1);
    EXPECT_EQ(SampleSource(0, 0), 0xF800);
    EXPECT_EQ(SampleSource(1, 0), 0x1234);

    SetupSource(LookupGlyph(3, &images.record), 0);
    EXPECT_EQ(SampleSource(0, 0), 0xF800);
    EXPECT_EQ(SampleSource(1, 0), 0x001F);

    SetupSource(LookupGlyph(4, &images.record), 0);
    EXPECT_EQ(SampleSource(0, 0), 0xF800);
    EXPECT_EQ(SampleSource(1, 0), 0x001F);

    // Depth 1 palette data reads the system palette.
    SetupSource(LookupGlyph(5, &images.record), 0);
    EXPECT_EQ(SampleSource(0, 0), RasterPalette[1]);
    EXPECT_EQ(SampleSource(1, 0), RasterPalette[0]);

    // A depth that does not divide a byte cannot be sampled.
    SetupSource(LookupGlyph(6, &images.record), 0);
    EXPECT_EQ(CurrentSource().depth, 0);
    EXPECT_EQ(SampleSource(0, 0), 0);

    EXPECT_EQ(SetupSource(nullptr, 0), 0);
    EXPECT_EQ(SampleSource(0, 0), 0);

    // A text glyph: set and clear colours, exchanged by the inverse flag.
    SetForeColour(0x07E0);
    EXPECT_EQ(SetupSource(LookupGlyph(kEll, nullptr), 1), 1);
    EXPECT_EQ(SampleSource(0, 0), 0x07E0);
    EXPECT_EQ(SampleSource(1, 0), kBlack);
    SetContextFlags(kContextInverse);
    SetupSource(LookupGlyph(kEll, nullptr), 1);
    EXPECT_EQ(SampleSource(0, 0), kBlack);
    EXPECT_EQ(SampleSource(1, 0), 0x07E0);
}

}  // namespace
