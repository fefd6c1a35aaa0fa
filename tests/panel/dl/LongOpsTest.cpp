#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "DlTestSupport.h"
#include "panel/gfx/Context.h"

namespace dltest {
namespace {
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";  // 40 characters

// Runs with only `room` LCD entries available to each run; returns the runs.
int RunWithRoom(i32 room) {
    for (int runs = 1; runs <= 500; ++runs) {
        LeaveLcdRoom(room);
        DisplayListRun();
        if (DlBytesUsed() == 0) return runs;
    }
    return -1;
}

void QueueText() {
    DlSetFont(0);
    DlTextPos(0, 20);
    DlText(kAlphabet);
}

void QueuePicture() {
    DlSetFlags(0);
    DlImage(10, 120, 0, 5);  // the 232 x 100 picture, rows 20..119
}

void QueueRoundRect(u16 x1, u16 y1, u16 x2, u16 y2, u8 r, u8 corners) {
    DlSetForeground(0xFFFF);
    DlSetBackground(0x001F);
    DlSetFlags(kDrawOutline | kDrawFill);
    DlRoundRect(x1, y1, x2, y2, r, corners);
    DlSetBackground(0x0000);
}

// Drawn in one go or cut over many runs by a nearly full LCD queue, a long
// command ends with the same screen: each resumed step starts where the last
// one stopped (a text at the character it could not draw, a picture at its
// next band, a rounded rectangle at its next corner or band) and checks its
// room again.
TEST(LongOpsTest, ALongCommandCutOverRunsDrawsWhatTheUncutOneDraws) {
    const struct {
        const char* name;
        void (*queue)();
        i32 room;
        int minRuns;
    } cases[] = {
        {"text", QueueText, 3200, 2},
        {"picture", QueuePicture, 5000, 6},
        {"rounded rectangle", [] { QueueRoundRect(140, 114, 180, 204, 7, 15); }, 1200, 4},
        {"large rounded rectangle", [] { QueueRoundRect(5, 5, 314, 234, 60, 15); }, 14000, 6},
        {"rounded outline",
         [] {
             QueueRoundRect(20, 20, 300, 220, 40, 0x0B);
             DlSetFlags(kDrawOutline);
             DlRoundRect(60, 60, 260, 180, 30, 0x06);
         },
         6000, 20},
        {"circle", [] { DlCircle(160, 120, 90, 15); }, 14000, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boot();
        c.queue();
        RunUntilIdle();
        const std::vector<Rgb565> whole = Snapshot();
        Boot();
        c.queue();
        EXPECT_GE(RunWithRoom(c.room), c.minRuns);
        EXPECT_EQ(Snapshot(), whole);
    }
}

// A rectangle (100, 50) .. (200, 150), plain or rounded with radius 20, in
// white on blue, probed at its corners in the mask's bit order (upper left,
// lower left, upper right, lower right), the middle of the top edge, the
// centre, inside the upper left and lower right corners and on the upper left
// arc. 'W' is the white outline, 'F' the blue fill, '.' the black screen.
TEST(LongOpsTest, RectanglesDrawTheCornersTheirMaskSelectsInTheStyleOfTheirFlags) {
    constexpr int kProbes[][2] = {{100, 50},  {100, 150}, {200, 50},  {200, 150}, {150, 50},
                                  {150, 100}, {108, 58},  {192, 142}, {106, 56}};
    constexpr u8 kPlain = 0xFF;
    const struct {
        u8 flags;
        u8 corners;
        const char* colours;
    } cases[] = {
        {kDrawOutline | kDrawFill, kPlain, "WWWWWFFFF"},  // the fill inside the outline
        {kDrawFill, kPlain, "FFFFFFFFF"},                 // the fill alone covers the borders
        {0, kPlain, "........."},
        {kDrawOutline | kDrawFill, 0x0F, "....WFFFW"},
        {kDrawOutline | kDrawFill, 0x06, "W..WWFFFF"},
        {kDrawOutline, 0x09, ".WW.W...W"},
        {kDrawFill, 0x0F, "....FFFFF"},  // solid corners, no edges
        {0, 0x0F, "........W"},          // the outline corners alone
    };
    for (const auto& c : cases) {
        Boot();
        DlSetBackground(0x001F);
        DlSetFlags(c.flags);
        if (c.corners == kPlain) {
            DlRect(100, 50, 200, 150);
        } else {
            DlRoundRect(100, 50, 200, 150, 20, c.corners);
        }
        RunUntilIdle();
        std::string seen;
        for (const auto& p : kProbes) {
            const Rgb565 px = Px(p[0], p[1]);
            seen += px == 0xFFFF ? 'W' : px == 0x001F ? 'F' : px == 0x0000 ? '.' : '?';
        }
        EXPECT_EQ(seen, c.colours) << int{c.flags} << " " << int{c.corners};
    }
    // A radius larger than half the height is cut to it: the side is all arc.
    Boot();
    QueueRoundRect(100, 100, 200, 120, 60, 15);
    RunUntilIdle();
    EXPECT_EQ((std::vector<Rgb565>{Px(100, 110), Px(115, 110), Px(101, 101)}),
              (std::vector<Rgb565>{0xFFFF, 0x001F, 0x0000}));
    // Past the screen's right edge the bottom band is filled to the edge, as
    // the top band is, whether or not an outline frames the fill.
    for (const u8 flags : {u8{kDrawFill}, u8{kDrawOutline | kDrawFill}}) {
        Boot();
        DlSetBackground(0x001F);
        DlSetFlags(flags);
        DlRoundRect(200, 100, 360, 180, 10, 15);
        RunUntilIdle();
        EXPECT_EQ((std::vector<Rgb565>{Px(316, 105), Px(316, 140), Px(316, 175), Px(319, 178)}),
                  std::vector<Rgb565>(4, 0x001F))
            << int{flags};
    }
}

TEST(LongOpsTest, CircleRadiusIsLimitedForFilledStylesAndByTheClipWindow) {
    // Solid quadrants are filled with the background colour; outlined and
    // filled ones send the outline on top, and the queue estimate counts both.
    const struct {
        u8 flags;
        i32 queue;
        Rgb565 edge;
    } styles[] = {{kDrawFill, 10605, 0x001F}, {kDrawOutline | kDrawFill, 10605 + 2818, 0xFFFF}};
    for (const auto& s : styles) {
        Boot();
        DlSetFlags(s.flags);
        DlSetBackground(0x001F);
        DlCircle(160, 120, 100, 15);
        LeaveLcdRoom(0);
        DisplayListRun();
        EXPECT_EQ(PendingWorkEstimate(), 5058);
        EXPECT_EQ(PendingQueueEstimate(), s.queue);
        RunUntilIdle();
        EXPECT_EQ((std::vector<Rgb565>{Px(160, 120 - 70), Px(160, 120 - 71), Px(160 + 49, 120 + 49)}),
                  (std::vector<Rgb565>{s.edge, 0x0000, 0x001F}));
    }
    // An outline keeps its radius; left quadrants at x = 30 shrink to radius 30.
    DlSetFlags(kDrawOutline);
    DlCircle(160, 120, 100, 15);
    DlCircle(30, 120, 50, 0x03);
    RunUntilIdle();
    EXPECT_EQ((std::vector<Rgb565>{Px(160, 20), Px(0, 120), Px(30, 90), Px(30, 70)}),
              (std::vector<Rgb565>{0xFFFF, 0xFFFF, 0xFFFF, 0x0000}));
}

TEST(LongOpsTest, AnImageBeyondItsTableDrawsNothingAndIsConsumed) {
    Boot();
    FillScreen(kMarker);
    DlImage(10, 100, 200, 5);
    DlImageBox(10, 100, 1, 5);
    const u8 unregisteredSlot[] = {30, 0, 100, 0, 10, DL_IMAGE};
    DlPutBytesReversed(unregisteredSlot, sizeof unregisteredSlot);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    EXPECT_EQ(GetDrawFlags(), kDrawFill);
    EXPECT_EQ(Snapshot(), std::vector<Rgb565>(kScreenWidth * kScreenHeight, kMarker));
}

TEST(LongOpsTest, ImagesAndTextsAlignOnTheirAnchor) {
    Boot();
    const int w = ImageWidth(5, 0), h = ImageHeight(5, 0);
    FillScreen(kMarker);
    // Top row at y, centred on x.
    DlSetFlags(kDrawAlignCentreX | kDrawAlignTop);
    DlImage(160, 50, 0, 5);
    RunUntilIdle();
    EXPECT_EQ((std::vector<Rgb565>{Px(160 - w / 2 - 1, 60), Px(160, 49), Px(160, 50 + h)}),
              (std::vector<Rgb565>{kMarker, kMarker, kMarker}));

    // The box covers the w columns and the h rows that end at (x, y).
    DlSetBackground(0x07E0);
    DlImageBox(20, 200, 0, 5);
    RunUntilIdle();
    EXPECT_EQ(GetDrawFlags(), kDrawFill);
    EXPECT_EQ((std::vector<Rgb565>{Px(20 + w - 1, 200 - h + 1), Px(20 + w, 200), Px(20, 201), Px(20, 200 - h)}),
              (std::vector<Rgb565>{0x07E0, kMarker, kMarker, kMarker}));

    // Right end at x, opaque; wider than the room left of its anchor it starts
    // at the left edge; centred, transparent and inverse.
    DlSetFont(0);
    for (auto [flags, x, end] : {std::tuple{0x13, 200, 200}, {0x10, 10, 24}, {0x22, 200, 212}}) {
        DlSetFlags(static_cast<u8>(flags));
        DlTextAt(static_cast<u16>(x), 100, "abcd");
        RunUntilIdle();
        EXPECT_EQ(CurrentContext().cursorX, end) << flags;
    }
    EXPECT_EQ(CurrentContext().flags, 0);
}

// Holds the pen on (x, y) for one calibration target: lifted for 20 runs,
// touched for 120, and the run that completes the average.
int CollectTarget(int x, int y) {
    int runs = 0;
    TouchSample = kNoTouch;
    for (; runs < 20; ++runs) DisplayListRun();
    TouchSample = MakeTouchSample(x, y);
    for (const u8 phase = GetOpPhase(); GetOpPhase() == phase && runs < 1000; ++runs) DisplayListRun();
    TouchSample = kNoTouch;
    return runs;
}

TEST(LongOpsTest, TouchCalibrationStartsAgainOnAnOffCentreAverageThenSucceeds) {
    Boot();
    DlSetBackground(0x001F);
    DlTouchCalibrate();
    DlSetFlags(kDrawOutline);
    const int corners[4][4] = {{28, 33, 30, 30}, {292, 35, 290, 30}, {32, 211, 30, 210}, {290, 213, 290, 210}};
    // A centre average 13 columns off starts the calibration again from the clear.
    for (const int centreX : {173, 163}) {
        FillScreen(kMarker);
        int clearRuns = 0;
        for (; GetOpPhase() != 3 && clearRuns < 20; ++clearRuns) DisplayListRun();
        EXPECT_EQ(clearRuns, 6);
        EXPECT_EQ(IsCalibrating(), 1);
        EXPECT_EQ((std::vector<Rgb565>{Px(0, 239), Px(10, 30), Px(30, 10)}),
                  (std::vector<Rgb565>{0x001F, 0xFFFF, 0xFFFF}));  // cleared, the first cross

        // Each cross is erased once its average is taken; the next run arms the next one.
        for (int i = 0; i < 4; ++i) {
            if (i > 0) DisplayListRun();
            EXPECT_EQ(Px(corners[i][2], corners[i][3]), 0xFFFF) << i;
            EXPECT_EQ(CollectTarget(corners[i][0], corners[i][1]), 20 + 120 + 1) << i;
            EXPECT_EQ(Px(corners[i][2], corners[i][3]), 0x001F) << i;
        }
        DisplayListRun();
        EXPECT_EQ(Px(160, 120), 0xFFFF);
        EXPECT_EQ(GetDrawFlags(), kDrawOutline | kDrawFill);  // the command queued behind it waits
        CollectTarget(centreX, 117);
    }
    u16 values[4];
    GetTouchCalibration(values);
    EXPECT_EQ(std::vector<u16>(values, values + 4), (std::vector<u16>{30, 34, 291, 212}));  // left, top, right, bottom
    EXPECT_EQ(IsCalibrating(), 0);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    EXPECT_EQ(GetDrawFlags(), kDrawOutline);
}

}  // namespace
}  // namespace dltest
