// Drives the whole panel as a user does, through the runner's driver: a
// pinned clock, finger presses on panel pixels, ticks, and a look at the page
// and the pixels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "host/core/ScreenCapture.h"
#include "host/runner/Runner.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Frame.h"
#include "panel/app/Navigation.h"
#include "panel/gfx/Colour.h"
#include "panel/hw/LcdQueue.h"

using Bar = std::array<u8, 4>;

// One step of a walk: a bar slot (0..3) to tap and the page expected after it.
struct Step {
    int slot;
    u8 page;
};

// Where a finger touches: the middle of a bar slot (0..3), the home button,
// a list row and a menu row.
inline int SlotX(int slot) { return kBarSlotX[slot] + 21; }
constexpr int kSlotY = kBarY + 14;
constexpr int kHomeX = 269;
constexpr int kHomeY = 16;
constexpr int ListRowY(int row) { return 37 + 28 * row + 14; }
constexpr int MenuRowY(int row) { return 37 + 34 * row + 17; }

class PanelDriver {
public:
    // A fresh start, then startTicks ticks (by default enough to draw the
    // start page).
    explicit PanelDriver(int startTicks = 300) {
        runner_.SetClock(MakeWallTime(2026, 3, 14, 10, 30, 0));
        runner_.Restart();
        Ticks(startTicks);
    }

    void Ticks(int n) { runner_.Ticks(n); }
    void Press(int x, int y) { runner_.Press(x, y); }
    void Release() { runner_.Release(); }
    // A short touch: the button acts on the second tick of the press.
    void Tap(int x, int y) { runner_.Tap(x, y); }
    // Taps a bottom-bar slot (0..3) or the home button and lets the page draw.
    void TapSlot(int slot) {
        Tap(SlotX(slot), kSlotY);
        Ticks(100);
    }
    void TapSlot(int slot, int times) {
        for (int i = 0; i < times; ++i) TapSlot(slot);
    }
    void TapHome() {
        Tap(kHomeX, kHomeY);
        Ticks(100);
    }
    void TapRow(int row) { Tap(120, ListRowY(row)); }
    // Holds a bar slot for n ticks.
    void Hold(int slot, int n) {
        ChangesWhileHeld(slot, n, [] { return 0; });
    }
    // Holds a bar slot for n ticks and returns the ticks, counted from the
    // press, after which `value` had changed.
    std::vector<int> ChangesWhileHeld(int slot, int n, const std::function<int()>& value) {
        Press(SlotX(slot), kSlotY);
        std::vector<int> changes;
        for (int t = 1, last = value(); t <= n; ++t) {
            Ticks(1);
            const int now = value();
            if (now != last) changes.push_back(t);
            last = now;
        }
        Release();
        Ticks(2);
        return changes;
    }
    // Enters a page directly, as a test set-up, and lets it draw.
    void Show(u8 page) {
        GoToPage(page);
        Ticks(200);
    }
    void Walk(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            const u8 from = Page();
            TapSlot(s.slot);
            EXPECT_EQ(Page(), s.page) << "slot " << s.slot << " on page " << int(from);
        }
    }

    u8 Page() const { return AppState.currentPage; }
    Bar Buttons() const {
        return {AppState.barButtons[0], AppState.barButtons[1], AppState.barButtons[2], AppState.barButtons[3]};
    }
    Rgb565 Pixel(int x, int y) const { return FramebufferAt(static_cast<u16>(x), static_cast<u16>(y)); }

    // The screen as 0xRRGGBB pixels, row by row.
    std::vector<std::uint32_t> Rgb() { return CaptureScreen(runner_.Host(), 1).rgb; }

    // Pixels of the rectangle (both corners included) that differ from the
    // given colour.
    int CountNot(Rgb565 colour, int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int x = x0; x <= x1; ++x) {
            for (int y = y0; y <= y1; ++y) n += Pixel(x, y) != colour;
        }
        return n;
    }

    PanelHost& Host() { return runner_.Host(); }
    PlantModel& Plant() { return runner_.Plant(); }

private:
    ScriptRunner runner_;
};
