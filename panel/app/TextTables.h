// The texts of the controller's status and of its fault codes, shared by the
// pages that show the live values and by the fault-history view.
#pragma once

#include "panel/Types.h"
#include "panel/text/Texts.h"

constexpr u8 kControllerStatusCount = 10;
constexpr u8 kFaultCodeCount = 51;

// Controller status 0..9: "Wait for sunshine" .. "Emergency mode".
inline constexpr TextId StatusTexts[kControllerStatusCount] = {65, 66, 67, 68, 69, 70, 71, 72, 73, 74};

// Fault code 0..50; codes that the controller does not report hold text 0.
inline constexpr TextId FaultTexts[kFaultCodeCount] = {
    97,  98,  99, 100, 101, 102, 103, 104, 0,   105, 106, 107, 108, 109, 110, 0, 0, 0, 0, 0, 0, 111, 112, 113, 114, 115,
    116, 117, 0,  0,   0,   0,   0,   0,   118, 119, 0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0,   0,   120, 121,
};
static_assert(FaultTexts[21] == 111 && FaultTexts[34] == 118 && FaultTexts[49] == 120 && FaultTexts[50] == 121);

// The text of a status or fault code; a value beyond its table has no text.
constexpr TextId StatusTextId(u8 status) { return status < kControllerStatusCount ? StatusTexts[status] : kNoText; }
constexpr TextId FaultTextId(u8 code) { return code < kFaultCodeCount ? FaultTexts[code] : kNoText; }
