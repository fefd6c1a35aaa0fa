// Feeds arbitrary bytes to the display-list interpreter as if they were queued
// commands, from a freshly started firmware. The interpreter must draw or skip
// whatever it finds without reading or writing outside its tables.
//
// Input: byte 0 chooses the touch during the runs (0 = none, else a position
// derived from bytes 1 and 2; calibration waits for touches), the rest goes
// into the ring, at most what the ring holds.
#include <cstddef>
#include <cstdint>

#include "panel/Firmware.h"
#include "panel/dl/DisplayList.h"
#include "panel/hw/Touch.h"

namespace {

constexpr int kRuns = 48;
constexpr std::size_t kHeader = 3;

// The start state of the firmware, without the start-up drawing: the ring is
// emptied after the reset so that only the input is executed.
void ResetFirmware() {
    ResetFirmwareState();
    DlInit();
    RegisterGraphics();
    LoadSettingsDefaults();
    InitAppState();
    TouchSample = kNoTouch;
    DlResetRing();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ResetFirmware();
    if (size < kHeader) return 0;
    const std::uint8_t touch = data[0];
    const std::int32_t x = data[1] * 320 / 256;
    const std::int32_t y = data[2] * 240 / 256;
    std::size_t count = size - kHeader;
    if (count > kDlRingSize - 1) count = kDlRingSize - 1;
    for (std::size_t i = 0; i < count; ++i) DlPutByte(data[kHeader + i]);
    for (int run = 0; run < kRuns && DlBytesUsed() != 0; ++run) {
        // Bit n of the touch byte holds the finger down in every run n mod 8,
        // so calibration sees presses and lifts.
        TouchSample = (touch >> (run % 8)) & 1 ? MakeTouchSample(x, y) : kNoTouch;
        DisplayListRun();
    }
    return 0;
}
