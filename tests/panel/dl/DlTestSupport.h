// Helpers shared by the display-list tests: start the engine, run it, and
// occupy part of the LCD queue so that a run has less room.
#pragma once

#include <vector>

#include "panel/Firmware.h"
#include "panel/Types.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/dl/Interpreter.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"
#include "tests/panel/gfx/GfxTestSupport.h"

namespace dltest {

// Runs until the ring is empty; returns the number of runs, or -1 when it did
// not drain within maxRuns.
inline int RunUntilIdle(int maxRuns = 1000) {
    for (int runs = 1; runs <= maxRuns; ++runs) {
        DisplayListRun();
        if (DlBytesUsed() == 0) return runs;
    }
    return -1;
}

// The engine as the host starts it, with the start-up screen clear done.
inline void Boot() {
    DlInit();
    RegisterGraphics();
    RunUntilIdle();
}

// Queues harmless register writes (register 0 is not emulated) so that only
// `freeEntries` entries are left for the next run.
inline void LeaveLcdRoom(i32 freeEntries) {
    while (LcdQueueFree() - 4 >= freeEntries) LcdWriteRegister(0x00, 0);
    if (LcdQueueFree() - 2 >= freeEntries) LcdSelectRegister(kLcdRegMemoryWrite);
}

// A colour no drawing uses: pixels that keep it were not drawn.
constexpr Rgb565 kMarker = 0x1234;

using gfxtest::FillScreen;
using gfxtest::Px;

inline std::vector<Rgb565> Snapshot() { return {std::begin(PanelFramebuffer), std::end(PanelFramebuffer)}; }

}  // namespace dltest
