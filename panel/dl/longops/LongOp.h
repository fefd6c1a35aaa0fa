// What the long drawing operations share: background fills in bands, clipped
// quarter circles, the styles that DrawFlags selects, and the glyph steps of
// the text commands. Each operation lives in a file of its own beside this one
// and keeps its progress in its record of the interpreter state.
#pragma once

#include "panel/Types.h"
#include "panel/dl/InterpreterState.h"
#include "panel/gfx/FontFormat.h"

namespace longop {

constexpr i32 kLastColumn = kScreenWidth - 1;
constexpr i32 kLastRow = kScreenHeight - 1;
// Filled quarter circles are limited in radius so that one fits a step.
constexpr i32 kMaxFilledRadius = 70;

inline i32 Min(i32 a, i32 b) { return a < b ? a : b; }
inline i32 Max(i32 a, i32 b) { return a > b ? a : b; }
inline i32 Abs(i32 v) { return v < 0 ? -v : v; }

// Background fill of the band in bands of rows as far as the budgets allow;
// true when it is finished, otherwise the run ends and the band keeps the row
// to go on with.
bool FillRowsChunked(FillBand& band);

// Rows that fit a budget with the cost entry k for a band w + 1 pixels wide.
i32 RowsWithin(i32 budget, u8 k, i32 w);

// The perimeter the edges of a rectangle draw, counted for the estimate.
i32 DrawnPerimeter(i32 x1, i32 y1, i32 x2, i32 y2);

// The quadrant bit (kQuad*) of mask bit n of a circle or a rounded rectangle:
// upper left, lower left, upper right, lower right.
constexpr u8 QuadrantOf(u8 n) { return static_cast<u8>(0x10 << n); }

// Quarter circles around a centre relative to the clip window, the radius cut
// so that they stay inside it.
void ClipQuadrant(u16 x, u8 y, u16 r, u8 mode);

// The DrawQuadrants style that DrawFlags selects for circles and rounded
// rectangles: solid, outline, or outline with the inside filled.
u8 QuadrantStyle();
bool IsFilledStyle(u8 style);
// Estimates one quarter circle of the style.
void EstimateQuadrant(i32 r, u8 style);

// The record of the image that an image command names, or null when its slot
// is empty or the table has no such image.
const u8* CommandImageRecord();

// Sets the context flags and the cost pair of the text commands from DrawFlags.
void TextMode();
// The first step of a text command: from its first character, in text mode.
void StartText();
// The text is drawn: the context flags go back to 0 and the command completes.
void EndText(u16 length);
// One character of a text, plain or rotated by TextProgress::angle: skipped
// without a glyph, otherwise estimated and drawn. False when it did not fit.
bool GlyphStep(u8 c);
bool RotatedGlyphStep(u8 c);
// Whether the text ends at this offset from the opcode.
bool TextEndsAt(u16 offset);
// Draws the text from TextProgress::next on, glyph by glyph; false when a
// glyph did not fit, with `next` at that glyph.
bool TextLoop(u16 first, bool rotated);

}  // namespace longop
