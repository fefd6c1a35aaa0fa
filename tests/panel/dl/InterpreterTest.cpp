#include "panel/dl/Interpreter.h"

#include <gtest/gtest.h>

#include <vector>

#include "DlTestSupport.h"
#include "panel/gfx/Context.h"

namespace dltest {
namespace {

// The number of rows from the top whose pixels were all cleared to black.
int ClearedRows() {
    int rows = 0;
    for (; rows < kScreenHeight; ++rows)
        for (int x = 0; x < kScreenWidth; ++x)
            if (Px(x, rows) != 0x0000) return rows;
    return rows;
}

TEST(InterpreterTest, StartUpClearsTheScreenInBandsThenSwitchesTheDisplayOn) {
    DlInit();
    RegisterGraphics();
    FillScreen(kMarker);
    DisplayListRun();
    EXPECT_EQ(GetDrawFlags(), kDrawFill);
    for (int run = 1; run <= 5; ++run) {
        EXPECT_EQ(ClearedRows(), 47 * run) << "run " << run;
        DisplayListRun();
    }
    EXPECT_EQ(ClearedRows(), kScreenHeight);
    EXPECT_EQ(DlBytesUsed(), 0);
    EXPECT_EQ(GetDrawFlags(), kDrawOutline | kDrawFill);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST(InterpreterTest, AFullWidthFillIsCutIntoBandsOf22RowsByTheWorkBudget) {
    Boot();
    // (9900 x 256 - 61000) / (86 + 319 x 340) = 22 rows per band.
    DlSetFlags(kDrawFill);
    DlRect(0, 0, 319, 22);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    // The last window opened was the second band: row 22 alone.
    EXPECT_EQ(LcdController().verticalWindow, (22 << 8) | 22);
}

TEST(InterpreterTest, AStepWaitsForItsWholeEstimateOfQueueRoomAndRunsFirstInTheNextRun) {
    // A rectangle's outline; a slanted line of 101 pixels, each a window of its own: 101 x 24 entries.
    const struct {
        void (*queue)();
        i32 work, entries;
        int x, y;
    } steps[] = {
        {[] {
             DlSetFlags(kDrawOutline);
             DlRect(10, 20, 110, 70);
         },
         571, 957, 110, 70},
        {[] {
             DlMoveTo(10, 10);
             DlLineTo(110, 60);
         },
         1500, 2424, 110, 60},
    };
    for (const auto& step : steps) {
        Boot();
        step.queue();
        DlSetForeground(0xF800);
        LeaveLcdRoom(step.entries - 2);  // entries come in pairs: just short
        DisplayListRun();
        EXPECT_EQ(GetOpPhase(), 1);
        EXPECT_EQ(PendingWorkEstimate(), step.work);
        EXPECT_EQ(PendingQueueEstimate(), step.entries);
        EXPECT_EQ(Px(step.x, step.y), 0x0000);

        LeaveLcdRoom(step.entries);
        DisplayListRun();
        EXPECT_EQ(DlBytesUsed(), 0);
        EXPECT_EQ(Px(step.x, step.y), 0xFFFF);
        EXPECT_EQ(CurrentContext().foreColour, 0xF800);
    }
    EXPECT_EQ(Px(10, 10), 0xFFFF);
    EXPECT_EQ(Px(60, 45), 0x0000);  // the outline alone
}

TEST(InterpreterTest, StateCommandsCompleteInOneRunAndInverseSwapsOnlyOnChange) {
    Boot();
    DlSetForeground(0xF800);
    DlSetBackground(0x0000);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    // Setting the state it already has swaps nothing; a second 1 keeps the swap.
    const struct {
        std::vector<u8> inverse;
        Rgb565 fore, back;
    } steps[] = {{{0}, 0xF800, 0x0000}, {{1, 1}, 0x0000, 0xF800}, {{0}, 0xF800, 0x0000}};
    for (const auto& step : steps) {
        for (u8 on : step.inverse) DlSetInverse(on);
        DisplayListRun();
        EXPECT_EQ(GetInverseState(), step.inverse.back());
        EXPECT_EQ(CurrentContext().foreColour, step.fore);
        EXPECT_EQ(CurrentContext().backColour, step.back);
    }

    // An unregistered font slot selects the built-in font.
    DlSetFont(3);
    DisplayListRun();
    EXPECT_EQ(GetFont(), FontInSlot(3));
    const u8 raw[] = {99, DL_SET_FONT};
    DlPutBytesReversed(raw, 2);
    DisplayListRun();
    EXPECT_EQ(CurrentFontHeight(), 8);
}

TEST(InterpreterTest, UnknownOpcodesAreSkippedByteByByteAndCutCommandsDropped) {
    Boot();
    const u8 junk[] = {255, 22, 7, 7, 200};
    DlPutBytesReversed(junk, sizeof junk);
    DlSetFlags(0x13);
    DlSetForeground(0x07E0);
    DisplayListRun();
    EXPECT_EQ(DlBytesUsed(), 0);
    EXPECT_EQ(GetDrawFlags(), 0x13);
    EXPECT_EQ(CurrentContext().foreColour, 0x07E0);

    // A command short of its operands, or a text without terminator, ends at
    // the last queued byte and never reads past the write index.
    for (const std::vector<u8>& cut : {std::vector<u8>{0x00, 0x10, DL_RECT}, {'b', 'a', DL_TEXT}}) {
        DlPutBytesReversed(cut.data(), static_cast<u16>(cut.size()));
        DisplayListRun();
        EXPECT_EQ(DlReadIndex(), DlWriteIndex());
    }
    DlSetFlags(1);
    DisplayListRun();
    EXPECT_EQ(GetDrawFlags(), 1);
}

TEST(InterpreterTest, AnIdleRunStillRunsTheTouchStage) {
    Boot();
    AddTouchButton(6, 100, 100, 140, 130);
    TouchSample = MakeTouchSample(120, 110);
    DisplayListRun();
    EXPECT_EQ(GetHitButton(), 6);
}

}  // namespace
}  // namespace dltest
