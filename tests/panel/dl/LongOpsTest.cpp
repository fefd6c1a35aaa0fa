#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "DlTestSupport.h"
#include "panel/gfx/Context.h"

namespace {

using dltest::Boot;
using dltest::LeaveLcdRoom;
using dltest::Px;
using dltest::RunUntilIdle;

void ClearScreen() {
    DlSetFlags(kDrawFill);
    DlSetBackground(0x0000);
    DlRect(0, 0, 319, 239);
    DlSetFlags(kDrawOutline | kDrawFill);
    RunUntilIdle();
}

// Runs with only `room` LCD entries available to each run; returns the runs.
int RunWithRoom(i32 room, int maxRuns = 500) {
    for (int runs = 1; runs <= maxRuns; ++runs) {
        LeaveLcdRoom(room);
        DisplayListRun();
        if (DlBytesUsed() == 0) return runs;
    }
    return -1;
}

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";  // 40 characters

TEST(LongOpsTest, ATextCutByAFullQueueContinuesWithTheNextCharacter) {
    Boot();
    // An opaque 6 x 8 glyph estimates 337 entries and draws 118: with 3200
    // entries 25 glyphs fit and the 26th does not.
    DlSetFont(0);
    DlTextPos(0, 20);
    DlText(kAlphabet);
    LeaveLcdRoom(3200);
    DisplayListRun();
    EXPECT_EQ(GetOpPhase(), 1);
    EXPECT_EQ(CurrentContext().cursorX, 25 * 6);
    EXPECT_EQ(Px(26 * 6, 15), 0x0000);
    DisplayListRun();
    EXPECT_EQ(CurrentContext().cursorX, 40 * 6);
}

TEST(LongOpsTest, TheLargePictureIsDrawnInBandsOf21Rows) {
    Boot();
    dltest::FillScreen(0x1234);
    DlSetFlags(0);
    // The picture's bottom row is 119, so its top row is 20.
    DlImage(10, 120, 0, 5);
    DisplayListRun();
    EXPECT_EQ(GetOpPhase(), 2);
    // 21 + 21 + 21 rows, then 2 more before the queue is exhausted.
    EXPECT_NE(Px(10, 20 + 64), 0x1234);
    EXPECT_EQ(Px(10, 20 + 65), 0x1234);
    EXPECT_EQ(Px(10, 19), 0x1234);
    DisplayListRun();
    EXPECT_NE(Px(241, 119), 0x1234);
    EXPECT_EQ(Px(242, 119), 0x1234);
    EXPECT_EQ(Px(10, 120), 0x1234);
}

TEST(LongOpsTest, AnImageBeyondItsTableDrawsNothingAndIsConsumed) {
    Boot();
    dltest::FillScreen(0x1234);
    DlImage(10, 100, 200, 5);
    DlImageBox(10, 100, 1, 5);
    const u8 unregisteredSlot[] = {30, 0, 100, 0, 10, DL_IMAGE};
    DlPutBytesReversed(unregisteredSlot, sizeof unregisteredSlot);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    EXPECT_EQ(GetDrawFlags(), kDrawFill);
    EXPECT_EQ(dltest::Snapshot(), std::vector<Rgb565>(kScreenWidth * kScreenHeight, 0x1234));
}

TEST(LongOpsTest, ImageAlignmentAndTheImageBox) {
    Boot();
    const int w = ImageWidth(5, 0), h = ImageHeight(5, 0);
    dltest::FillScreen(0x1234);
    // Top row at y, centred on x.
    DlSetFlags(0x20 | 0x40);
    DlImage(160, 50, 0, 5);
    RunUntilIdle();
    EXPECT_EQ(Px(160 - w / 2 - 1, 60), 0x1234);
    EXPECT_EQ(Px(160, 49), 0x1234);
    EXPECT_EQ(Px(160, 50 + h), 0x1234);

    DlSetBackground(0x07E0);
    DlImageBox(20, 200, 0, 5);
    RunUntilIdle();
    EXPECT_EQ(GetDrawFlags(), kDrawFill);
    EXPECT_EQ(Px(20 + w - 1, 200 - h + 1), 0x07E0);
    EXPECT_EQ(Px(20 + w, 200), 0x1234);
    EXPECT_EQ(Px(20, 201), 0x1234);
    EXPECT_EQ(Px(20, 200 - h), 0x1234);
}

void RoundRect(u16 x1, u16 y1, u16 x2, u16 y2, u8 r) {
    DlSetForeground(0xFFFF);
    DlSetBackground(0x001F);
    DlSetFlags(kDrawOutline | kDrawFill);
    DlRoundRect(x1, y1, x2, y2, r, 15);
    DlSetBackground(0x0000);
}

// Drawn in one go or cut over many runs by a nearly full LCD queue, a long
// command ends with the same screen: each resumed step starts where the last
// one stopped and checks its room again.
TEST(LongOpsTest, ALongCommandCutOverRunsDrawsWhatTheUncutOneDraws) {
    const struct {
        const char* name;
        void (*queue)();
        i32 room;
        int minRuns;
    } cases[] = {
        {"text",
         [] {
             DlSetFont(0);
             DlTextPos(0, 20);
             DlText(kAlphabet);
         },
         3200, 2},
        {"picture",
         [] {
             DlSetFlags(0);
             DlImage(10, 120, 0, 5);
         },
         5000, 6},
        {"rounded rectangle", [] { RoundRect(140, 114, 180, 204, 7); }, 1200, 4},
        {"large rounded rectangle", [] { RoundRect(5, 5, 314, 234, 60); }, 14000, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boot();
        c.queue();
        RunUntilIdle();
        const std::vector<Rgb565> whole = dltest::Snapshot();
        Boot();
        c.queue();
        EXPECT_GE(RunWithRoom(c.room), c.minRuns);
        EXPECT_EQ(dltest::Snapshot(), whole);
    }
    // The outline in the foreground, the inside in the fill, the corner rounded off.
    EXPECT_EQ((std::vector<Rgb565>{Px(160, 5), Px(160, 150), Px(5, 5)}), (std::vector<Rgb565>{0xFFFF, 0x001F, 0x0000}));
}

TEST(LongOpsTest, CircleRadiusIsLimitedForFilledStylesAndByTheClipWindow) {
    Boot();
    // Solid quadrants are filled with the background colour; outlined and
    // filled ones send the outline on top, and the queue estimate counts both.
    const struct {
        u8 flags;
        i32 queue;
        Rgb565 edge;
    } styles[] = {{kDrawFill, 10605, 0x001F}, {kDrawOutline | kDrawFill, 10605 + 2818, 0xFFFF}};
    for (const auto& s : styles) {
        ClearScreen();
        DlSetFlags(s.flags);
        DlSetBackground(0x001F);
        DlCircle(160, 120, 100, 15);
        LeaveLcdRoom(0);
        DisplayListRun();
        EXPECT_EQ(PendingWorkEstimate(), 5058);
        EXPECT_EQ(PendingQueueEstimate(), s.queue);
        RunUntilIdle();
        EXPECT_EQ(Px(160, 120 - 70), s.edge);  // radius 70
        EXPECT_EQ(Px(160, 120 - 71), 0x0000);
        EXPECT_EQ(Px(160 + 49, 120 + 49), 0x001F);
    }

    // An outline keeps its radius; left quadrants at x = 30 shrink to radius 30.
    ClearScreen();
    DlSetFlags(kDrawOutline);
    DlCircle(160, 120, 100, 15);
    DlCircle(30, 120, 50, 0x03);
    RunUntilIdle();
    EXPECT_EQ(Px(160, 20), 0xFFFF);
    EXPECT_EQ(Px(0, 120), 0xFFFF);
    EXPECT_EQ(Px(30, 90), 0xFFFF);
    EXPECT_EQ(Px(30, 70), 0x0000);
}

TEST(LongOpsTest, TextAtAlignsOnItsAnchor) {
    Boot();
    DlSetFont(0);
    // Right end at x, opaque; wider than the room left of its anchor it starts
    // at the left edge; centred, transparent and inverse.
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
    for (int i = 0; i < 20; ++i, ++runs) DisplayListRun();
    TouchSample = MakeTouchSample(x, y);
    const u8 phase = GetOpPhase();
    while (GetOpPhase() == phase && runs < 1000) {
        DisplayListRun();
        ++runs;
    }
    TouchSample = kNoTouch;
    return runs;
}

TEST(LongOpsTest, TouchCalibrationStartsAgainOnAnOffCentreAverageThenSucceeds) {
    Boot();
    DlSetBackground(0x001F);
    DlTouchCalibrate();
    DlSetFlags(0x01);
    const int corners[4][4] = {{28, 33, 30, 30}, {292, 35, 290, 30}, {32, 211, 30, 210}, {290, 213, 290, 210}};
    // A centre average 13 columns off starts the calibration again from the clear.
    for (const int centreX : {173, 163}) {
        dltest::FillScreen(0x1234);
        int clearRuns = 0;
        while (GetOpPhase() != 3 && clearRuns < 20) {
            DisplayListRun();
            ++clearRuns;
            EXPECT_EQ(IsCalibrating(), 1);
        }
        EXPECT_EQ(clearRuns, 6);
        EXPECT_EQ(Px(0, 239), 0x001F);
        EXPECT_EQ(Px(10, 30), 0xFFFF);  // the first cross
        EXPECT_EQ(Px(30, 10), 0xFFFF);

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
    EXPECT_EQ(Px(160, 120), 0x001F);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    EXPECT_EQ(GetDrawFlags(), 0x01);
}

}  // namespace
