// The touch sample shared between the host's mouse handlers and the firmware.
#pragma once

#include "panel/Types.h"

constexpr i32 kNoTouch = -1;

// -1 = no touch; otherwise bits 11-0 the panel column, bits 23-12 the row.
extern i32 TouchSample;

constexpr i32 MakeTouchSample(i32 x, i32 y) { return ((y & 0xFFF) << 12) | (x & 0xFFF); }

// The host delivers panel pixels directly, so both modes read the same value.
i32 ReadTouchSample(u8 mode);
