// The same touches at any pace end on the same screen: random touches over
// many pages, played at a slow pace and then as fast as every tick (presses
// and releases even within one tick), must leave the same pixels.
#include <gtest/gtest.h>

#include <vector>

#include "panel/dl/DrawApi.h"
#include "panel/hw/LcdQueue.h"
#include "tests/host/TouchPlay.h"

namespace {

using touchplay::Pace;
using touchplay::Touch;

constexpr Pace kSlow = {3, 3, 0};

// A still start page: its pump wheel and flow would otherwise turn with the
// number of ticks, which differs between the two paces.
void StillPlant() {
    Plant.pumpSpeed = 0;
    Plant.flowRate = 0;
}

struct Outcome {
    std::vector<Rgb565> screen;
    u8 page;
};

Outcome Finish(PanelDriver& panel) {
    touchplay::Settle(panel);
    StillPlant();
    panel.Ticks(100);
    EXPECT_EQ(DlDroppedCommands(), 0);
    EXPECT_LE(LcdHighWaterMark(), kLcdQueueSize);
    return {std::vector<Rgb565>(std::begin(PanelFramebuffer), std::end(PanelFramebuffer)), panel.Page()};
}

// The slow run picks each touch from the page it is on, and so records the
// sequence; each touch is followed by a drawn page.
Outcome PlaySlow(std::uint32_t seed, int touches, std::vector<Touch>& played) {
    PanelDriver panel;
    StillPlant();
    touchplay::Picker picker(seed);
    for (int i = 0; i < touches; ++i) {
        const Touch t = picker.Next(panel.Page());
        played.push_back(t);
        touchplay::Play(panel, t, kSlow);
        touchplay::Settle(panel);
        panel.Ticks(10);
    }
    return Finish(panel);
}

Outcome PlayFast(std::uint32_t seed, const std::vector<Touch>& touches, int maxGap) {
    PanelDriver panel;
    StillPlant();
    touchplay::Picker pace(seed ^ 0x5A5A5A5Au);
    for (const Touch& t : touches) {
        touchplay::Play(panel, t, {pace.Int(0, 3), pace.Int(0, 3), pace.Int(0, maxGap)});
    }
    return Finish(panel);
}

int Differing(const std::vector<Rgb565>& a, const std::vector<Rgb565>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

TEST(Pace, RandomTouchesEndOnTheSlowScreenAtAnyPace) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        std::vector<Touch> touches;
        const Outcome slow = PlaySlow(seed, 40, touches);
        // Every tick, then now and then a pause of a few ticks.
        for (int maxGap : {0, 4}) {
            const Outcome fast = PlayFast(seed, touches, maxGap);
            EXPECT_EQ(fast.page, slow.page) << "seed " << seed << ", gaps up to " << maxGap;
            EXPECT_EQ(Differing(fast.screen, slow.screen), 0) << "seed " << seed << ", gaps up to " << maxGap;
        }
    }
}

// The script that once left the menu garbled: ten page changes back and forth
// at one per tick, then the menu.
TEST(Pace, PageChangesEveryTickLeaveTheLastPageWhole) {
    const auto run = [](bool fast) {
        PanelDriver panel;
        StillPlant();
        if (fast) {
            for (int i = 0; i < 10; ++i) {
                touchplay::Play(panel, {290, 225}, {1, 0, 1});
                touchplay::Play(panel, {25, 225}, {1, 0, 1});
            }
        }
        touchplay::Play(panel, {290, 225}, {1, 0, 300});
        EXPECT_EQ(panel.Page(), Page::kMenu);
        return Finish(panel).screen;
    };
    EXPECT_EQ(Differing(run(true), run(false)), 0);
}

}  // namespace
