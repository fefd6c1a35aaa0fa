#include "panel/hw/LcdQueue.h"

#include "panel/Check.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/panel/gfx/GfxTestSupport.h"

using gfxtest::Px;
using gfxtest::Region;

namespace {

TEST(LcdQueue, WindowIsFilledRowByRowAndNotBoundedBelow) {
    LcdSetWindow(10, 20, 12, 21);
    EXPECT_EQ(LcdQueueCount(), 22);
    for (u16 i = 1; i <= 7; ++i) LcdWritePixel(i);
    LcdApplyQueue();
    // Past y1 the rows keep counting.
    EXPECT_EQ(Region(10, 20, 13, 22), (std::vector<Rgb565>{1, 2, 3, 0, 4, 5, 6, 0, 7, 0, 0, 0}));
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(LcdHighWaterMark(), 22 + 14);
}

TEST(LcdQueue, WrapsAfterTheLastColumnAndDropsOffScreenPixels) {
    LcdSetWindow(318, 238, 319, 239);
    for (u16 i = 1; i <= 6; ++i) LcdWritePixel(i);
    LcdApplyQueue();
    EXPECT_EQ(Region(318, 238, 319, 239), (std::vector<Rgb565>{1, 2, 3, 4}));
    // Row 240 does not exist: the pixels advance the cursor and vanish.
    EXPECT_EQ(LcdController().cursorRow, 241);
    EXPECT_EQ(Region(0, 0, 319, 0), std::vector<Rgb565>(kScreenWidth, 0));

    // A window that starts beyond column 319 drops its pixels but still wraps.
    LcdSetWindow(320, 5, 321, 6);
    for (u16 i = 0; i < 3; ++i) LcdWritePixel(0xFFFF);
    LcdApplyQueue();
    EXPECT_EQ(LcdController().cursorColumn, 321);
    EXPECT_EQ(LcdController().cursorRow, 6);
    EXPECT_EQ(Region(0, 5, 319, 5), std::vector<Rgb565>(kScreenWidth, 0));
}

TEST(LcdQueue, UnknownRegistersAndSelectsConsumeTheirEntries) {
    LcdSetWindow(0, 0, 319, 0);
    LcdWriteRegister(0x07, 0x0033);  // display control: ignored, 4 entries
    LcdWritePixel(0x1111);
    // A select of a register other than 0x22 takes four entries: it swallows
    // the pixel that follows it.
    LcdSelectRegister(0x10);
    LcdWritePixel(0x2222);
    LcdWritePixel(0x3333);
    LcdApplyQueue();
    EXPECT_EQ(Px(0, 0), 0x1111);
    EXPECT_EQ(Px(1, 0), 0x3333);
    EXPECT_EQ(LcdController().memoryWriteStarted, 1);
}

TEST(LcdQueue, FlushesOfPartOfTheQueueReadNothingBeyondIt) {
    LcdSetWindow(7, 7, 7, 7);
    LcdWritePixel(0x1234);
    LcdFlush(0);
    EXPECT_EQ(Px(7, 7), 0);
    // Only the first two entries of the cursor-row write: the value is
    // missing and reads as zero instead of stale queue entries.
    LcdFlush(18);
    EXPECT_EQ(LcdController().cursorColumn, 7);
    EXPECT_EQ(LcdController().entriesLeft, 0);
    LcdFlush(LcdQueueCount());
    EXPECT_EQ(Px(7, 7), 0x1234);
    EXPECT_EQ(LcdQueueCount(), 24);  // LcdFlush alone never empties the queue
}

TEST(LcdQueue, ResetEmptiesTheQueueButKeepsTheCursor) {
    LcdSetWindow(3, 4, 10, 10);
    LcdWritePixel(1);
    LcdApplyQueue();
    LcdWritePixel(2);
    LcdResetQueue();
    EXPECT_EQ(LcdQueueCount(), 0);
    EXPECT_EQ(LcdHighWaterMark(), 0);
    EXPECT_EQ(LcdController().memoryWriteStarted, 0);
    EXPECT_EQ(LcdController().cursorColumn, 4);
}

#if KANDO_CHECKS_ENABLED
TEST(LcdQueueDeathTest, AppendPastCapacityStopsWithAMessage) {
    EXPECT_DEATH(
        {
            for (u32 i = 0; i <= kLcdQueueSize / 2; ++i) LcdWritePixel(0);
        },
        "LCD queue overflow");
}

TEST(LcdQueueDeathTest, AWindowThatDoesNotFitIsCaughtBeforeItsFirstEntry) {
    EXPECT_DEATH(
        {
            for (u32 i = 0; i < (kLcdQueueSize - 20) / 2; ++i) LcdWritePixel(0);
            LcdSetWindow(0, 0, 1, 1);
        },
        "no room for a window");
}
#endif

}  // namespace
