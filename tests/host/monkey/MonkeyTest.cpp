// The monkey: seeded random touches, drags, holds and pauses over every page,
// about a million ticks in all. After every episode the panel goes home and
// must show exactly what a fresh start with the same settings shows.
//
//   KANDO_MONKEY_SEED=N    replays the one episode with seed N
//   KANDO_MONKEY_TICKS=N   ticks in all (default: a million; less under the
//                          sanitizers, where the build sets a smaller default)
#include <gtest/gtest.h>

#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/export/PngWriter.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/LcdQueue.h"
#include "panel/settings/Settings.h"
#include "tests/host/TouchPlay.h"

#ifndef KANDO_MONKEY_DEFAULT_TICKS
#define KANDO_MONKEY_DEFAULT_TICKS 1000000
#endif

namespace {

constexpr long kEpisodeTicks = 25000;
// Ticks from the start page's build to the comparison: past the schematic's
// start-up delay, so that everything it draws is there.
constexpr int kHomeTicks = 700;

long EnvNumber(const char* name, long fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    return (end != nullptr && *end == '\0' && n >= 0) ? n : fallback;
}

using Screen = std::vector<std::uint32_t>;

class Monkey {
public:
    Monkey(std::uint32_t seed, long ticks) : budget_(ticks), pick_(seed) {
        // Some episodes have a controller that offers the extra sensors and
        // commissioning, some start in test mode, so that the pages behind
        // them are reached too.
        if (seed % 2 == 1) {
            ControllerLink.extraSensorWord = 1;
            ControllerLink.commissioningPossible = 1;
        }
        if (seed % 3 == 0) Settings.operatingMode = 2;
        // Each episode starts on its own page, as a test set-up does, so that
        // the deep ends of the page chains get their share of touches.
        GoToPage(static_cast<u8>(seed * 7 % Page::kConfirmDialog));
        Tick(200);
    }

    // Plays until the budget is spent; false (with the reason) on the first
    // broken promise.
    bool Run(std::string& why) {
        while (ticks_ < budget_) {
            Step();
            if (!Healthy(why)) return false;
        }
        return Healthy(why);
    }

    // Home, and the start page it shows after kHomeTicks ticks.
    Screen GoHome() {
        panel_.Release();
        touchplay::Settle(panel_);
        if (panel_.Page() == Page::kStart) Tap(SlotX(3), kSlotY, 1, 30);  // leave it, to enter it anew
        panel_.Press(kHomeX, kHomeY);
        panel_.Ticks(1);
        panel_.Release();
        panel_.Ticks(kHomeTicks);
        return panel_.Rgb();
    }

    u8 Page() const { return panel_.Page(); }
    long Ticks() const { return ticks_; }
    const std::bitset<kPageCount>& Visited() const { return visited_; }

private:
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            panel_.Ticks(1);
            visited_.set(panel_.Page() % kPageCount);
        }
        ticks_ += n;
    }

    void Tap(int x, int y, int hold, int gap) {
        panel_.Press(x, y);
        Tick(hold);
        panel_.Release();
        Tick(gap);
    }

    int Hold() {
        const int r = pick_.Int(0, 99);
        if (r < 70) return pick_.Int(0, 4);
        if (r < 92) return pick_.Int(5, 40);  // long enough for plus and minus to repeat
        return pick_.Int(40, 300);
    }

    int Gap() {
        const int r = pick_.Int(0, 99);
        if (r < 60) return pick_.Int(0, 2);
        if (r < 92) return pick_.Int(3, 60);
        if (r < 98) return pick_.Int(60, 600);
        return pick_.Int(600, 1500);  // long enough for the message pages to time out
    }

    // The access code by its known taps: plus from the number shown, then the
    // tick. Mostly a right code, now and then a wrong one.
    void EnterCode() {
        const int r = pick_.Int(0, 9);
        const int code = r < 5 ? AccessCodeA : (r < 9 ? AccessCodeB : pick_.Int(0, 99));
        int shown = AppState.selectedRow;
        while (shown != code && panel_.Page() == Page::kAccessCode && ticks_ < budget_) {
            const bool up = shown < code;
            Tap(SlotX(up ? 2 : 1), kSlotY, pick_.Int(0, 2), pick_.Int(0, 2));
            shown += up ? 1 : -1;
        }
        Tick(3);
        Tap(SlotX(3), kSlotY, 1, pick_.Int(0, 30));
    }

    void Drag() {
        int x = 0;
        int y = 0;
        pick_.Point(panel_.Page(), x, y);
        panel_.Press(x, y);
        Tick(pick_.Int(0, 3));
        for (int moves = pick_.Int(1, 12); moves > 0; --moves) {
            // Now and then off the panel: the finger stays on its edge.
            x += pick_.Int(-120, 120);
            y += pick_.Int(-90, 90);
            panel_.Host().MouseMove(x, y);
            Tick(pick_.Int(0, 4));
        }
        panel_.Release();
        Tick(Gap());
    }

    void Step() {
        const u8 page = panel_.Page();
        if (page == Page::kAccessCode && pick_.Int(0, 1) == 0) {
            EnterCode();
            return;
        }
        if (pick_.Int(0, 19) == 0) {
            Drag();
            return;
        }
        // A menu row opens with a second touch on it.
        if (page == Page::kMenu && pick_.Int(0, 2) == 0) {
            const int y = MenuRowY(pick_.Int(0, 4));
            Tap(120, y, pick_.Int(0, 3), pick_.Int(0, 3));
            Tap(120, y, pick_.Int(0, 3), Gap());
            return;
        }
        // The bar, leaning forward (next, open, confirm) so that the walk
        // gets deep into the page chains; or any point worth touching.
        if (pick_.Int(0, 1) == 0) {
            const int r = pick_.Int(0, 99);
            const int slot = r < 8 ? 0 : (r < 20 ? 1 : (r < 70 ? 2 : 3));
            Tap(SlotX(slot), kSlotY, Hold(), Gap());
            return;
        }
        int x = 0;
        int y = 0;
        pick_.Point(page, x, y);
        Tap(x, y, Hold(), Gap());
    }

    bool Healthy(std::string& why) const {
        if (DlDroppedCommands() != 0) {
            why = "the display list dropped " + std::to_string(DlDroppedCommands()) + " commands";
        } else if (LcdHighWaterMark() > kLcdQueueSize) {
            why = "the LCD queue overflowed";
        } else {
            return true;
        }
        return false;
    }

    long budget_;
    long ticks_ = 0;
    touchplay::Picker pick_;
    PanelDriver panel_;
    std::bitset<kPageCount> visited_;
};

// A fresh start that already has the settings, plant values and controller
// state the monkey left behind (copied before the start resets them), drawn
// for as long as the monkey's home.
Screen FreshStartPage(SettingsBlock settings, ControllerLinkRecord link, PlantValues plant) {
    PanelDriver fresh(0);
    Settings = settings;
    ControllerLink = link;
    Plant = plant;
    fresh.Ticks(kHomeTicks);
    return fresh.Rgb();
}

std::string Save(const Screen& screen, const std::string& name) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::string error;
    return WritePng(path, kScreenWidth, kScreenHeight, screen, error) ? path : error;
}

// One episode; an empty result means it held every promise.
std::string Episode(std::uint32_t seed, long ticks, std::bitset<kPageCount>& visited) {
    // Named before it plays: an invariant check that stops the program (an
    // LCD queue overflow in a checked build) leaves this as the last line.
    std::fprintf(stderr, "monkey: episode with seed %u\n", seed);
    Monkey monkey(seed, ticks);
    std::string why;
    const bool healthy = monkey.Run(why);
    visited |= monkey.Visited();
    if (!healthy)
        return why + " by tick " + std::to_string(monkey.Ticks()) + " on page " + std::to_string(monkey.Page());
    const Screen home = monkey.GoHome();
    if (monkey.Page() != Page::kStart) return "home led to page " + std::to_string(monkey.Page());
    if (!monkey.Visited().any()) return "no page was shown";
    const Screen fresh = FreshStartPage(Settings, ControllerLink, Plant);
    int differing = 0;
    for (std::size_t i = 0; i < home.size(); ++i) differing += home[i] != fresh[i];
    if (differing == 0) return "";
    const std::string stem = "monkey-" + std::to_string(seed);
    return "the start page differs from a fresh start's in " + std::to_string(differing) + " pixels (" +
           Save(home, stem + "-home.png") + ", " + Save(fresh, stem + "-fresh.png") + ")";
}

TEST(Monkey, RandomTouchesNeverOverflowAndHomeLooksLikeAFreshStart) {
    const long total = EnvNumber("KANDO_MONKEY_TICKS", KANDO_MONKEY_DEFAULT_TICKS);
    const long replay = EnvNumber("KANDO_MONKEY_SEED", -1);
    std::bitset<kPageCount> visited;
    if (replay >= 0) {
        const std::string failure = Episode(static_cast<std::uint32_t>(replay), kEpisodeTicks, visited);
        EXPECT_EQ(failure, "") << "seed " << replay;
        return;
    }
    const std::uint32_t first = static_cast<std::uint32_t>(EnvNumber("KANDO_MONKEY_FIRST_SEED", 1));
    long played = 0;
    for (std::uint32_t seed = first; played < total; ++seed) {
        const long ticks = std::min(kEpisodeTicks, total - played);
        const std::string failure = Episode(seed, ticks, visited);
        ASSERT_EQ(failure, "") << "monkey seed " << seed << " failed; replay it with KANDO_MONKEY_SEED=" << seed;
        played += ticks;
    }
    std::string missed;
    for (u8 page = 0; page < kPageCount; ++page) {
        if (!visited.test(page)) missed += " " + std::to_string(page);
    }
    std::printf("monkey: %ld ticks, %zu of %u pages seen%s%s\n", played, visited.count(), kPageCount,
                missed.empty() ? "" : "; not seen:", missed.c_str());
    // A full run reaches every page a touch can reach; the confirmation
    // dialog has no way in from the panel.
    if (total >= 1000000) {
        for (u8 page = 0; page < kPageCount; ++page) {
            if (page != Page::kConfirmDialog) {
                EXPECT_TRUE(visited.test(page)) << "page " << int(page) << " was never shown";
            }
        }
    }
}

}  // namespace
