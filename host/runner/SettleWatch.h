// Whether the screen has settled, for the runner's `wait settled` and the
// gallery's states: nothing left to draw, and nothing but the animations the
// scene knows of changing on the screen for a number of ticks in a row.
#pragma once

#include <cstdint>
#include <vector>

#include "host/core/PanelHost.h"

// Ticks the screen needs to stay still to count as settled: longer than the
// start page takes to draw its pipes the first time.
inline constexpr int kSettledTicks = 30;

// Whether the screen has settled: nothing left to draw and nothing but an
// animation changed for `quietTicks` ticks in a row. Call once a tick.
class SettleWatch {
public:
    explicit SettleWatch(int quietTicks) : quietTicks_(quietTicks) {}
    // Reads the panel's framebuffer, so it works whether the host paints or not.
    bool Settled(const PanelHost& host);

private:
    int quietTicks_;
    std::vector<Rgb565> last_;
    std::int64_t seenTick_ = -1;
    std::uint64_t revision_ = 0;
    int quiet_ = -1;
};
