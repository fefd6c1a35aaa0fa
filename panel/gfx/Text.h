// Glyph lookup in fonts and image tables, the drawing of one glyph or image
// through the raster blit, and character output at the text cursor of the
// current graphics context.
#pragma once

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"

// The glyph record for `code`: through `map` when one is given (with the map's
// fallback character for codes that no range covers), else glyph number
// `code`. Null when there is none or it would lie beyond the font's records.
const u8* GlyphLookup(u8 code, const FontRecord* font, const u8* map);

// With a null font: the current context's font and range map. With a font:
// that font by glyph number, without a map (image tables are looked up so).
const u8* LookupGlyph(u8 code, const FontRecord* font);

// Size from whichever header the record has; 0 for a null glyph.
u16 GlyphWidth(const u8* glyph);
u8 GlyphHeight(const u8* glyph);

// True when the record has a long (image) header.
bool HasLongHeader(const u8* glyph);

// One glyph record with its top-left corner at absolute (x, y), cut at xMax
// and yMax. topSkip rows are left out at the top (the glyph then starts at
// y + topSkip); glyphBytes 0 derives the row stride from the glyph's width.
void DrawGlyphBitmap(u16 x, u8 y, u16 xMax, u8 yMax, const u8* glyph, const u8* palette, u8 sliceStart, u8 sliceRows,
                     u8 topSkip, u32 glyphBytes);

// One image with its top-left corner at (x, y) relative to the clip window;
// an image that starts outside the window is not drawn.
void DrawImageAt(u16 x, u8 y, const u8* glyph, const u8* palette, u8 sliceStart, u8 sliceRows);

// 0 = handled (drawn, skipped or a control code), 1 = the glyph does not fit
// on the line.
u8 PutGlyph(u8 code);

// One character at the text cursor, with tab, line feed, carriage return and
// automatic wrap.
void PutChar(u8 code);
