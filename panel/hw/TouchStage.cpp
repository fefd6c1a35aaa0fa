#include "panel/hw/TouchStage.h"
#include "panel/StaticState.h"

#include <cstdint>

#include "panel/hw/Touch.h"

namespace {

using i64 = std::int64_t;

constexpr u16 kDefaultCalibration[4] = {539, 671, 3604, 3384};
constexpr i32 kLiftWaitThreshold = 20;
constexpr i32 kSamplesPerAverage = 100;

struct TouchState {
    TouchRegion regions[kTouchRegionCount];
    TouchSlider sliders[kTouchSliderCount];
    u16 touchX;
    u16 touchY;
    u8 hitButton;
    u8 signalCountdown;
    u16 calibration[4];
};

TouchState touch;

bool Inside(i16 id, u16 x1, u16 y1, u16 x2, u16 y2, u16 x, u16 y) {
    return id >= 0 && x1 < x && x < x2 && y1 < y && y < y2;
}

// A linear map of the column between x1 and x2 onto p0..p1, kept in sixteenths
// and then rounded to the nearest multiple of the step p2 (or to the nearest
// whole value without a step). The hit test guarantees x2 - x1 >= 2.
i32 SliderValue(const TouchSlider& s, u16 x) {
    const i64 from = static_cast<i64>(s.p0) * 16;
    const i64 to = static_cast<i64>(s.p1) * 16;
    const i64 v = from + (to - from) * (x - s.x1) / (s.x2 - s.x1);
    if (s.p2 == 0) return static_cast<i32>((v + 8) / 16);
    const i64 step = s.p2;
    return static_cast<i32>((step * 8 + v) / (step * 16) * step);
}

// Regions and sliders share their table rules: a record goes into the first
// slot that is free or already holds its id, and id 255 frees every slot.
template <typename Record, unsigned N>
void AddRecord(Record (&table)[N], const Record& record) {
    for (Record& r : table) {
        if (r.id < 0 || r.id == record.id) {
            r = record;
            return;
        }
    }
}

template <typename Record, unsigned N>
void RemoveRecord(Record (&table)[N], u8 id) {
    for (Record& r : table) {
        if (id == kNoButton) {
            r.id = -1;
        } else if (r.id == id) {
            r.id = -1;
            return;
        }
    }
}

}  // namespace

void AddTouchButton(u8 id, u16 x1, u16 y1, u16 x2, u16 y2) {
    AddRecord(touch.regions, TouchRegion{static_cast<i16>(id), x1, y1, x2, y2});
}

void RemoveTouchButton(u8 id) { RemoveRecord(touch.regions, id); }

void AddTouchSlider(u8 id, u16 x1, u16 y1, u16 x2, u16 y2, i32 p0, i32 p1, i32 p2, i32 value) {
    AddRecord(touch.sliders, TouchSlider{static_cast<i16>(id), x1, y1, x2, y2, p0, p1, p2, value});
}

void RemoveTouchSlider(u8 id) { RemoveRecord(touch.sliders, id); }

const TouchRegion* TouchRegionAt(u8 slot) { return slot < kTouchRegionCount ? &touch.regions[slot] : nullptr; }

const TouchSlider* TouchSliderAt(u8 slot) { return slot < kTouchSliderCount ? &touch.sliders[slot] : nullptr; }

void GetTouchPoint(u16* x, u16* y) {
    if (x != nullptr) *x = touch.touchX;
    if (y != nullptr) *y = touch.touchY;
}

u8 GetHitButton() { return touch.hitButton; }

void SetSignalCountdown(u8 ticks) { touch.signalCountdown = ticks; }

u8 GetSignalCountdown() { return touch.signalCountdown; }

void RunTouchStage() {
    const i32 s = ReadTouchSample(1);
    if (s < 0) {
        touch.touchX = kNoTouchPoint;
        touch.touchY = kNoTouchPoint;
        touch.hitButton = kNoButton;
    } else {
        const u16 x = static_cast<u16>(s & 0xFFF);
        const u16 y = static_cast<u16>(s >> 12);
        touch.touchX = x;
        touch.touchY = y;
        for (TouchSlider& slider : touch.sliders) {
            if (Inside(slider.id, slider.x1, slider.y1, slider.x2, slider.y2, x, y)) {
                slider.value = SliderValue(slider, x);
                break;
            }
        }
        touch.hitButton = kNoButton;
        for (const TouchRegion& r : touch.regions) {
            if (Inside(r.id, r.x1, r.y1, r.x2, r.y2, x, y)) {
                touch.hitButton = static_cast<u8>(r.id & 0xFF);
                break;
            }
        }
    }
    u8& countdown = touch.signalCountdown;
    if (countdown >= 2) {
        if (countdown > 128) countdown = 128;
        --countdown;
    } else {
        countdown = 0;
    }
}

u8 TouchAverage(i32* state, i32* count, i32* averageX, i32* averageY, u8 mode) {
    const i32 s = ReadTouchSample(mode);
    if (*state > kLiftWaitThreshold) {
        // A sample of 0 is the corner (0, 0), but while waiting for the pen to
        // lift it counts as lifted.
        if (s <= 0) --*state;
        return 0;
    }
    if (*state != 0) {
        if (s >= 0) --*state;
        return 0;
    }
    const i32 n = *count;
    if (n >= kSamplesPerAverage) return 1;
    if (s < 0) return 0;
    *averageX = (*averageX * n + (s & 0xFFF)) / (n + 1);
    *averageY = (*averageY * n + (s >> 12)) / (n + 1);
    *count = n + 1;
    return 0;
}

void SetTouchCalibration(const u16* values) {
    if (values == nullptr) return;
    for (u8 i = 0; i < 4; ++i) touch.calibration[i] = values[i];
}

void GetTouchCalibration(u16* values) {
    if (values == nullptr) return;
    for (u8 i = 0; i < 4; ++i) values[i] = touch.calibration[i];
}

void SetTouchCalibrationValue(u8 which, u16 value) {
    if (which < 4) touch.calibration[which] = value;
}

u16 TouchCalibrationValue(u8 which) { return which < 4 ? touch.calibration[which] : 0; }

void ResetTouchStage() {
    touch.signalCountdown = 0;
    touch.hitButton = kNoButton;
    RemoveTouchButton(kNoButton);
    RemoveTouchSlider(kNoButton);
    for (u8 i = 0; i < 4; ++i) touch.calibration[i] = kDefaultCalibration[i];
}

void ResetTouchStageStatics() { touch = TouchState{}; }
