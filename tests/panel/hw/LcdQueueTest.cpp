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

// Damage: every stored pixel is reported, exactly to the observer and within
// a few merged areas to the host.
std::vector<LcdArea> observed;
void Observe(const LcdArea& area, u16) { observed.push_back(area); }

class LcdDamageTest : public ::testing::Test {
protected:
    void SetUp() override {
        observed.clear();
        LcdSetWriteObserver(Observe);
        for (Rgb565& p : PanelFramebuffer) p = gfxtest::kSentinel;
    }
    void TearDown() override { LcdSetWriteObserver(nullptr); }

    static bool Inside(const LcdArea& a, int x, int y) { return x >= a.x0 && x <= a.x1 && y >= a.y0 && y <= a.y1; }
};

TEST_F(LcdDamageTest, ObservedAreasAreExactlyThePixelsStoredAndTheDamageCoversThem) {
    const struct {
        const char* what;
        u16 x0, y0, x1, y1;  // the window; the cursor starts at (x0, y0) unless moved
        int cursorColumn;    // -1: as the window sets it
        int pixels;
    } cases[] = {
        {"one row", 10, 20, 40, 20, -1, 31},
        {"rows, the last one partly", 10, 20, 19, 30, -1, 35},
        {"cursor inside the first row", 10, 20, 19, 30, 15, 17},
        {"cursor right of the end column", 10, 20, 19, 30, 50, 12},
        {"cursor left of the start column", 10, 20, 19, 30, 4, 30},
        {"across the right edge", 310, 5, 330, 9, -1, 60},
        {"past the last row", 0, 236, 3, 250, -1, 40},
        {"start after the end", 30, 40, 20, 60, -1, 5},
    };
    for (const auto& c : cases) {
        SetUp();
        LcdClearDamage();
        LcdSetWindow(c.x0, static_cast<u8>(c.y0), c.x1, static_cast<u8>(c.y1));
        if (c.cursorColumn >= 0) {
            LcdWriteRegister(kLcdRegCursorColumn, static_cast<u16>(c.cursorColumn));
            LcdSelectRegister(kLcdRegMemoryWrite);
        }
        for (int i = 0; i < c.pixels; ++i) LcdWritePixel(0x0101);
        LcdApplyQueue();
        int stored = 0;
        for (int x = 0; x < kScreenWidth; ++x) {
            for (int y = 0; y < kScreenHeight; ++y) {
                const bool written = gfxtest::Px(static_cast<u16>(x), static_cast<u16>(y)) != gfxtest::kSentinel;
                stored += written ? 1 : 0;
                int seen = 0;
                for (const LcdArea& a : observed) seen += Inside(a, x, y) ? 1 : 0;
                ASSERT_EQ(seen, written ? 1 : 0) << c.what << " at " << x << "," << y;
                bool covered = false;
                for (u8 i = 0; i < LcdDamageCount(); ++i) covered = covered || Inside(LcdDamageArea(i), x, y);
                ASSERT_TRUE(covered || !written) << c.what << " at " << x << "," << y;
            }
        }
        EXPECT_GT(stored, 0) << c.what;
    }
}

TEST_F(LcdDamageTest, NeighboursMergeAndDistantAreasStayApart) {
    // Three glyph cells in a row and a field far away.
    for (u16 x : {100, 108, 116}) {
        LcdSetWindow(x, 50, static_cast<u16>(x + 7), 61);
        for (int i = 0; i < 8 * 12; ++i) LcdWritePixel(1);
    }
    LcdSetWindow(5, 200, 24, 209);
    for (int i = 0; i < 200; ++i) LcdWritePixel(2);
    LcdApplyQueue();
    ASSERT_EQ(LcdDamageCount(), 2);
    const LcdArea text = LcdDamageArea(0);
    const LcdArea field = LcdDamageArea(1);
    EXPECT_EQ((std::vector<int>{text.x0, text.y0, text.x1, text.y1}), (std::vector<int>{100, 50, 123, 61}));
    EXPECT_EQ((std::vector<int>{field.x0, field.y0, field.x1, field.y1}), (std::vector<int>{5, 200, 24, 209}));

    // Scattered single pixels never need more than the fixed number of areas.
    LcdClearDamage();
    for (u16 i = 0; i < 40; ++i) {
        LcdSetWindow(static_cast<u16>(i * 7 % 320), static_cast<u8>(i * 37 % 240), 319, 239);
        LcdWritePixel(3);
    }
    LcdApplyQueue();
    EXPECT_EQ(LcdDamageCount(), kLcdDamageAreas);
    for (u16 i = 0; i < 40; ++i) {
        bool covered = false;
        for (u8 k = 0; k < LcdDamageCount(); ++k)
            covered = covered || Inside(LcdDamageArea(k), i * 7 % 320, i * 37 % 240);
        EXPECT_TRUE(covered) << i;
    }
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
