// The firmware's side of the touch screen: the touch regions and sliders, the
// touch stage that runs at the start of every interpreter run, the key-click
// countdown, the sample averaging of the calibration, and the calibration.
#pragma once

#include "panel/Types.h"

constexpr u8 kTouchRegionCount = 32;
constexpr u8 kTouchSliderCount = 4;
constexpr u8 kNoButton = 255;
constexpr u16 kNoTouchPoint = 0xFFFF;

// A touch button. A point on the border line is outside it.
struct TouchRegion {
    i16 id;  // low byte is the ButtonId; negative = free
    u16 x1;
    u16 y1;
    u16 x2;
    u16 y2;
};

struct TouchSlider {
    i16 id;  // negative = free
    u16 x1;
    u16 y1;
    u16 x2;
    u16 y2;
    i32 p0;  // value at x1
    i32 p1;  // value at x2
    i32 p2;  // step the value is rounded to
    i32 value;
};

// The first free record or the one with the same id takes the region; a full
// table changes nothing.
void AddTouchButton(u8 id, u16 x1, u16 y1, u16 x2, u16 y2);
// kAllTouchButtons frees all records; otherwise the first record with that id.
constexpr u8 kAllTouchButtons = 255;
void RemoveTouchButton(u8 id);
void AddTouchSlider(u8 id, u16 x1, u16 y1, u16 x2, u16 y2, i32 p0, i32 p1, i32 p2, i32 value);
void RemoveTouchSlider(u8 id);

// Read access for the application and tests; a bad index gives null.
const TouchRegion* TouchRegionAt(u8 slot);
const TouchSlider* TouchSliderAt(u8 slot);

// Results of the last touch stage: 0xFFFF, 0xFFFF and 255 without a touch.
void GetTouchPoint(u16* x, u16* y);
u8 GetHitButton();

void SetSignalCountdown(u8 ticks);
u8 GetSignalCountdown();

// Reads the newest sample, finds the touch point, updates a touched slider and
// the hit button, and counts the key-click countdown down.
void RunTouchStage();

// Averages 100 touched samples after the pen has been lifted for 20 calls and
// then held for 20. state and count start at 40 and 0; returns 1 once the
// average is complete.
u8 TouchAverage(i32* state, i32* count, i32* averageX, i32* averageY, u8 mode);

// Left x, top y, right x, bottom y of the touch panel. Collected by the
// calibration and kept; the desktop delivers panel pixels and does not use it.
constexpr u8 kCalibrationLeft = 0;
constexpr u8 kCalibrationTop = 1;
constexpr u8 kCalibrationRight = 2;
constexpr u8 kCalibrationBottom = 3;
void SetTouchCalibration(const u16* values);
void GetTouchCalibration(u16* values);
void SetTouchCalibrationValue(u8 which, u16 value);
u16 TouchCalibrationValue(u8 which);

// The engine reset's part: all regions and sliders free, no hit button, the
// countdown 0 and the calibration at its defaults.
void ResetTouchStage();
