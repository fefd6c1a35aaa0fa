// Random touches for the pace and monkey tests: targets that mean something
// on the current page, played against the whole panel at a chosen pace.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "panel/app/AppState.h"
#include "panel/app/PageTable.h"
#include "panel/app/Plant.h"
#include "panel/dl/DisplayList.h"
#include "tests/host/PanelDriver.h"

namespace touchplay {

// One touch: pressed at (x, y) and, for a drag, moved to (toX, toY) before
// it lifts.
struct Touch {
    int x;
    int y;
    int toX = -1;
    int toY = -1;
    bool Drag() const { return toX >= 0; }
};

// How a touch is played: ticks with the finger down at the press point and,
// for a drag, at the end point (0 = lifted before the next tick), then ticks
// until the next press (0 = the next press comes before the next tick).
struct Pace {
    int hold;
    int dragHold;
    int gap;
};

// The pages whose message times out by itself: a replay at another pace
// would leave them at another touch, so the next touch goes home.
inline bool TimedPage(u8 page) {
    return page == Page::kYieldDeleted || page == Page::kWrongAccessCode || page == Page::kCommissioningRun ||
           page == Page::kCommissioningNotPossible || page == Page::kConfirmDialog;
}

class Picker {
public:
    explicit Picker(std::uint32_t seed) : rng_(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    // A point worth touching on this page.
    void Point(u8 page, int& x, int& y) {
        const int kind = Int(0, 99);
        if (kind < 55) {
            x = SlotX(Int(0, 3));
            y = kSlotY;
        } else if (kind < 62) {
            x = kHomeX;
            y = kHomeY;
        } else if (kind < 80 && (page == Page::kMenu || IsListPage(page))) {
            x = 120;
            y = page == Page::kMenu ? MenuRowY(Int(0, 4)) : ListRowY(Int(0, 5));
        } else if (kind < 80) {
            x = 150;
            y = Int(0, 1) == 0 ? 124 : 49;  // the value line, or an entry's first line
        } else if (kind < 84) {
            x = 305;  // a long list's scroll strip
            y = 100;
        } else {
            x = Int(0, kScreenWidth - 1);
            y = Int(0, kScreenHeight - 1);
        }
    }

    Touch Next(u8 page) {
        Touch t{};
        if (TimedPage(page)) return {kHomeX, kHomeY};
        Point(page, t.x, t.y);
        if (Int(0, 19) == 0) Point(page, t.toX, t.toY);
        return t;
    }

private:
    std::mt19937 rng_;
};

// Plays one touch. A drag shows its press point for at least one tick, so
// that what is pressed does not depend on the pace.
inline void Play(PanelDriver& panel, const Touch& t, const Pace& p) {
    panel.Press(t.x, t.y);
    panel.Ticks(t.Drag() && p.hold == 0 ? 1 : p.hold);
    if (t.Drag()) {
        panel.Host().MouseMove(t.toX, t.toY);
        panel.Ticks(p.dragHold);
    }
    panel.Release();
    panel.Ticks(p.gap);
}

// Ticks until the display list has been empty for a few ticks in a row.
inline void Settle(PanelDriver& panel, int quietTicks = 3) {
    int quiet = 0;
    for (int i = 0; i < 5000 && quiet < quietTicks; ++i) {
        panel.Ticks(1);
        quiet = DlBytesUsed() == 0 ? quiet + 1 : 0;
    }
}

}  // namespace touchplay
