#include "host/runner/EngineMonitor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "host/core/Scene.h"
#include "panel/app/PageTable.h"
#include "panel/dl/DisplayList.h"
#include "tests/host/FreshPanel.h"

namespace {

class EngineMonitorTest : public ::testing::Test, public FreshPanel {};

TEST(DescribeCommand, NamesTheOperandsAsTheCommandTableDoes) {
    const struct {
        std::vector<std::uint8_t> bytes;
        const char* text;
    } cases[] = {
        {{10, 0, 10, 0, 20, 1, 44, 0, 200}, "DL_RECT x1=10 y1=20 x2=300 y2=200"},
        {{12, 0, 1, 0, 2, 0, 3, 0, 4, 7, 15}, "DL_ROUND_RECT x1=1 y1=2 x2=3 y2=4 radius=7 corners=0x0F"},
        {{4, 0xF8, 0x00}, "DL_SET_FOREGROUND colour=0xF800"},
        {{18, 0, 5, 0, 30, 'M', 'e', 'n', 0xFC, 0}, "DL_TEXT_AT x=5 y=30 text=\"Menü\""},
        {{19, 0, 90, 'A'}, "DL_CHAR_ROTATED angle=90 char=\"A\""},
        {{10, 0, 10, 0}, "DL_RECT x1=10"},  // cut short: no operand is made up
        {{7}, "opcode 7"},
        {{200}, "opcode 200"},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeCommand(c.bytes), c.text);
}

TEST_F(EngineMonitorTest, RecordsNothingUntilAskedAndForgetsWhenDetached) {
    EngineMonitor monitor(Host());
    Ticks(5);
    EXPECT_FALSE(monitor.Recording());
    EXPECT_EQ(monitor.Last().tick, 0);
    monitor.RecordFigures(true, 4);
    Ticks(10);
    EXPECT_EQ(monitor.Last().tick, Host().TicksRun());
    EXPECT_EQ(monitor.History().size(), 4u);
    monitor.RecordFigures(false);
    const std::int64_t last = monitor.Last().tick;
    Ticks(3);
    EXPECT_FALSE(monitor.Recording());
    EXPECT_EQ(monitor.Last().tick, last);
}

// The ring fills while the pages are changed faster than they are drawn, and
// the LCD queue is used nearly to its capacity while a page builds.
TEST_F(EngineMonitorTest, RingAndQueueFillWhileAPageBuildsAfterQuickPageChanges) {
    EngineMonitor monitor(Host());
    monitor.RecordFigures(true, 100);
    for (u8 page : {Page::kMenu, Page::kStart, Page::kMenu, Page::kStart, Page::kMenu}) {
        GoToPage(page);
        Ticks(1);
    }
    Ticks(60);
    int ring = 0;
    int lcd = 0;
    int commands = 0;
    bool stopped = false;
    for (const EngineTick& t : monitor.History()) {
        ring = std::max(ring, t.ringUsed);
        lcd = std::max(lcd, t.lcdUsed);
        commands += t.commands;
        stopped = stopped || t.budgetStop || t.longOpcode != kNoOpcode;
        EXPECT_LE(t.workEstimate, EngineMonitor::kWorkBudget);
    }
    EXPECT_GT(ring, 1000);
    EXPECT_GT(lcd, EngineMonitor::kQueueCapacity * 9 / 10);
    EXPECT_GT(commands, 100);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(monitor.Last().page, Page::kMenu);
    EXPECT_EQ(monitor.Last().ringUsed, 0);  // drawn by now
}

// On the settled start page only the animations are repainted: the pump
// wheel at every turn, the flowing pipes whenever they move on.
TEST_F(EngineMonitorTest, SettledStartPageRepaintsOnlyItsAnimations) {
    Ticks(300);
    const std::vector<SceneBox> animations = Host().GetScene().AnimatedBoxes();
    const std::vector<const SceneElement*> pumps = Host().GetScene().Named("pump");
    ASSERT_EQ(pumps.size(), 1u);
    int wheel = 0;
    for (int i = 0; i < 200; ++i) {
        Ticks(1);
        for (const DirtyRect& r : Host().Damage()) {
            const SceneBox box{r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0};
            wheel += pumps.front()->box.Contains(box) ? 1 : 0;
            EXPECT_TRUE(std::any_of(animations.begin(), animations.end(),
                                    [&box](const SceneBox& a) { return a.Contains(box); }))
                << r.x0 << "," << r.y0 << " " << r.x1 << "," << r.y1;
        }
    }
    EXPECT_GT(wheel, 20);
}

TEST_F(EngineMonitorTest, ProbeNamesTheCommandThatLastWroteAPixel) {
    EngineMonitor monitor(Host());
    monitor.RecordOwners(true);
    GoToPage(Page::kMenu);
    Ticks(100);
    // A row's text on the menu page, and the field behind it.
    const SceneElement* text = nullptr;
    for (const SceneElement& e : Host().GetScene().Elements()) {
        if (e.kind == SceneKind::Text && e.box.y > 40 && text == nullptr) text = &e;
    }
    ASSERT_NE(text, nullptr);
    const DrawnCommand* glyphs = nullptr;
    for (int x = text->box.x; x < text->box.Right() && glyphs == nullptr; ++x) {
        for (int y = text->box.y; y < text->box.Bottom(); ++y) {
            const DrawnCommand* c = monitor.DrawnAt(x, y);
            if (c != nullptr && (c->bytes[0] == DL_TEXT_AT || c->bytes[0] == DL_TEXT)) glyphs = c;
        }
    }
    ASSERT_NE(glyphs, nullptr);
    EXPECT_NE(DescribeCommand(glyphs->bytes).find(text->text.substr(0, 3)), std::string::npos)
        << DescribeCommand(glyphs->bytes);
    EXPECT_GT(glyphs->tick, 0);
    EXPECT_LE(glyphs->tick, Host().TicksRun());
    EXPECT_EQ(monitor.DrawnAt(-1, 0), nullptr);
    monitor.RecordOwners(false);
    EXPECT_EQ(monitor.DrawnAt(text->box.x, text->box.y), nullptr);
}

}  // namespace
