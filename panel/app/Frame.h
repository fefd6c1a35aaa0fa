// The frame around every page: the title bar with the home button and the
// fault lamp, and the bottom bar with its buttons and their touch regions.
// A helper of the lowest layer: the caller says what the frame shows.
#pragma once

#include "panel/Types.h"
#include "panel/text/Texts.h"

// The x of each bottom-bar slot; the bar's buttons stand at y = 210.
constexpr u16 kBarSlotX[4] = {10, 102, 170, 268};
constexpr u16 kBarY = 210;

// The fault lamp's square in the title bar. A touch that opens the current
// fault lies within it, right of its left and below its top edge.
struct LampBox {
    u16 x0;
    u16 y0;
    u16 x1;
    u16 y1;
    constexpr bool Touched(i32 x, i32 y) const { return x0 < x && x <= x1 && y0 < y && y <= y1; }
};
constexpr LampBox kLamp = {298, 7, 317, 26};

// The title bar: the title text, the section icon of a section other than
// 0, the home button, and a yellow title field when asked for.
void DrawTitleBar(TextId title, u8 section, bool titleField);
// The bottom bar with the four slots' buttons (255 leaves a slot empty),
// which become AppState.barButtons; the home button's touch region with them.
void DrawBottomBar(const u8 slots[4]);
// One button with its icon and touch region.
void DrawBarButton(u16 x, u16 y, u8 id);
// Draws the lamp when the fault code differs from the one it shows.
void UpdateFaultLamp();
