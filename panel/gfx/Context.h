// Graphics contexts: the drawing state that the display-list interpreter works
// against (clip window, text cursor, pen, colours, flags, font), and the line
// and circle-quadrant figures that clip against that state.
//
// Coordinates handed in are relative to the clip window's top-left corner
// unless an operation says otherwise; the context stores absolute ones.
#pragma once

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"

struct GfxContext {
    u16 clipLeft;
    u8 clipTop;
    u16 clipRight;  // inclusive
    u8 clipBottom;  // inclusive
    u16 cursorX;    // column where the next glyph starts
    u8 cursorY;     // baseline row: a glyph of height h covers cursorY - h + 1 .. cursorY
    u16 penX;       // start of the next line-to
    u8 penY;
    const u8* rangeMap;      // character-range map of the current font, or null
    const FontRecord* font;  // never null once validated
    u16 flags;               // ContextFlags
    Rgb565 foreColour;
    Rgb565 backColour;
    u8 check;  // always 0; kept for the record layout
};

constexpr u8 kContextCount = 5;

// ContextFlags.
constexpr u16 kContextInverse = 0x0001;      // lines in the background colour, glyph colours swapped
constexpr u16 kContextNoWrap = 0x0080;       // no automatic line wrap
constexpr u16 kContextPartialLine = 0x0100;  // a text line may start below the clip bottom
constexpr u16 kContextOverrun = 0x0200;      // a glyph may run past the clip right edge, cut
constexpr u16 kContextTransparent = 0x8000;  // background pixels of glyphs and images are not written

// DrawQuadrants mode bits.
constexpr u8 kQuadSolid = 0x01;
constexpr u8 kQuadFilled = 0x02;
constexpr u8 kQuadTopLeft = 0x10;
constexpr u8 kQuadBottomLeft = 0x20;
constexpr u8 kQuadTopRight = 0x40;
constexpr u8 kQuadBottomRight = 0x80;

// Initialises the raster layer and all five contexts and makes context 0
// current; returns true when the raster layer reports a failure.
bool InitContexts();

// Mode 0 resets everything, 1 everything but the colours, 2 and above only the
// geometry (clip window, pen, cursor).
void ResetContext(u8 mode);

// Re-initialises all contexts when there is no usable current context.
void ValidateContext();

// Makes context `index` current; an index beyond the table changes nothing and
// returns false.
bool SelectContext(u8 index);

// The current context, validated, for reading.
const GfxContext& CurrentContext();

Rgb565 SetForeColour(Rgb565 colour);
Rgb565 SetBackColour(Rgb565 colour);
u16 SetContextFlags(u16 flags);
u16 GetContextFlags();

// Null selects the built-in 6 x 8 font. Moves a cursor line that is too high
// for the new font down so that a full glyph fits under the clip top.
const FontRecord* SetFont(const FontRecord* font);
const FontRecord* GetFont();
u8 FontRecordHeight(const FontRecord* font);
u8 CurrentFontHeight();
const u8* GetRangeMap();

// Absolute clip window, limited to the screen and ordered; the cursor and pen
// move to its top-left text position.
void SetClipWindow(u16 left, u8 top, u16 right, u8 bottom);

// Cursor and pen; x and y are relative to the clip window and limited to it.
void SetTextPosition(u16 x, u8 y);
// The pen alone, relative to the clip window, not limited.
void MoveTo(u16 x, u8 y);
// A line from the pen to the point, clipped to the clip window; the pen moves there.
void LineTo(u16 x, u8 y);

// Quarter circles of radius r around the absolute centre (cx, cy): quadrant
// bits kQuad*, style outline, outline with the inside filled (kQuadFilled) or
// solid (kQuadSolid).
void DrawQuadrants(u16 cx, u8 cy, i16 r, u8 mode);

// The next tab stop right of x; stops lie every 53 columns from the clip left.
u16 NextTabStop(u16 x);

// Moves the cursor to the start of the next text line of height h (0 = the
// current font's). Returns 0 when done, 1 when there is no room.
u8 NewLine(u8 h);

// The frame around the output of one character.
void BeginCharOutput();
void EndCharOutput();
// 1 while the current character may not start a line below the clip bottom.
u8 NoPartialLine();

// Absolute cursor updates for the text layers.
void SetCursorColumn(u16 x);
void PlaceCursor(u16 x, u8 y);  // cursor and pen
