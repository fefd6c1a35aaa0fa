// What the collector chart and the daily-yield chart share: their axes, and
// the number labels of their scales, right-aligned left of the axis.
#pragma once

#include "panel/Types.h"
#include "panel/app/NumberFormat.h"

// Scale labels end at this column; time and weekday labels stand on this base
// line below the plot.
constexpr u16 kLabelRight = 40;
constexpr u16 kAxisLabelBaseLine = 203;

// A number label with descriptor 9. Its sign column is a blank for the
// non-negative values, which is dropped so that a centred label sits under
// its column.
struct NumberLabel {
    char text[kNumberTextMax];
    explicit NumberLabel(i32 value) { FormatNumber(Format::kSignedDegrees, value, text); }
    const char* Get() const { return text[0] == ' ' ? text + 1 : text; }
    // With its sign column: the label's full box.
    const char* Full() const { return text; }
};

// Both axes, two pixels thick: the vertical one from `top` down, the
// horizontal one to `right`.
void Axes(u16 top, u16 right);
// A scale label right-aligned at kLabelRight.
void ScaleLabel(const char* text, u16 baseLine);
