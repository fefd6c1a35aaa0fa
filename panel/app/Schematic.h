// The start page's live part: the plant schematic with its tank colours,
// sun, frost and status icons, the turning pump wheel, the flowing pipes and
// the temperatures, or the fault view while a fault is set.
#pragma once

#include "panel/Types.h"

// The dash patterns of an animated pipe: 0 hot and still, 1 hot and flowing,
// 2 cold and still, 3 cold and flowing.
constexpr u8 kPipeSets = 4;
constexpr u8 kPipePhases = 8;
extern const Rgb565 PipeColours[kPipeSets][kPipePhases];

// Ticks between two steps of the pipe animation.
constexpr u8 kFlowStepTicks = 25;

void RefreshSchematic();

// One tick of the pipe animation; reset != 0 starts it over from phase 0.
void AnimateFlow(u8 reset);

// Called by the start page's build: forgets everything drawn so that the next
// refresh draws the whole schematic.
void ResetSchematic();
