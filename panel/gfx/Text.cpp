#include "panel/gfx/Text.h"

#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"

namespace {

constexpr u8 kTab = 9;
constexpr u8 kLineFeed = 10;
constexpr u8 kCarriageReturn = 13;

u16 ReadU16(const u8* p) { return static_cast<u16>(p[0] | (p[1] << 8)); }

// Searches the map's ranges by halving; returns the glyph number or -1.
int SearchRanges(const u8* map, u8 code) {
    int base = 0;
    int count = map[0];
    while (count != 0) {
        const int half = count / 2;
        const u8* range = map + kRangeMapHeaderBytes + (base + half) * kRangeBytes;
        if (code >= range[0] && code <= range[1]) return static_cast<u8>(code - range[0] + range[2]);
        if (half == 0) return -1;
        if (code >= range[0]) {
            base += half;
            count -= half;
        } else {
            count = half;
        }
    }
    return -1;
}

int RowBytes(int width, int depth) { return depth > 8 ? width * ((depth + 7) / 8) : (width * depth + 7) / 8; }

}  // namespace

const u8* GlyphLookup(u8 code, const FontRecord* font, const u8* map) {
    if (font == nullptr || font->glyphs == nullptr || font->count == 0) return nullptr;
    int number;
    if (map != nullptr) {
        if (map[0] == 0) return nullptr;
        number = SearchRanges(map, code);
        if (number < 0) {
            const u8 fallback = map[1];
            if (code == fallback) return nullptr;
            number = SearchRanges(map, fallback);
            if (number < 0) return nullptr;
        }
    } else {
        number = code;
    }
    // A range map may name glyph numbers that the font does not have.
    if (number >= font->count) return nullptr;
    const u32 header = ReadU16(font->glyphs) != 0 ? kShortHeaderBytes : kLongHeaderBytes;
    return font->glyphs + static_cast<u32>(number) * (font->glyphBytes + header);
}

const u8* LookupGlyph(u8 code, const FontRecord* font) {
    if (font == nullptr) {
        const GfxContext& c = CurrentContext();
        return GlyphLookup(code, c.font, c.rangeMap);
    }
    return GlyphLookup(code, font, nullptr);
}

bool HasLongHeader(const u8* glyph) { return glyph != nullptr && ReadU16(glyph) == 0; }

u16 GlyphWidth(const u8* glyph) {
    if (glyph == nullptr) return 0;
    return HasLongHeader(glyph) ? ReadU16(glyph + 3) : ReadU16(glyph);
}

u8 GlyphHeight(const u8* glyph) {
    if (glyph == nullptr) return 0;
    return HasLongHeader(glyph) ? glyph[5] : glyph[2];
}

void DrawGlyphBitmap(u16 x, u8 y, u16 xMax, u8 yMax, const u8* glyph, const u8* palette, u8 sliceStart, u8 sliceRows,
                     u8 topSkip, u32 glyphBytes) {
    if (glyph == nullptr) return;
    int w = GlyphWidth(glyph);
    int h = GlyphHeight(glyph);
    if (w == 0 || h == 0) return;
    const GfxContext& c = CurrentContext();
    const bool inverse = (c.flags & kContextInverse) != 0;

    const u8* bitmap;
    int depth;
    u8 flags;
    u32 stride;
    if (HasLongHeader(glyph)) {
        bitmap = glyph + kLongHeaderBytes;
        const u8 format = glyph[2];
        depth = format & kFormatDepthMask;
        const bool coverage = (format & 0xC0) == kFormatCoverage;
        stride = glyphBytes != 0 ? glyphBytes / static_cast<u32>(h) : static_cast<u32>(RowBytes(w, depth));
        if (depth >= 32) depth = 31;
        flags = static_cast<u8>(depth);
        if (coverage && depth <= 8) flags |= kBlitCoverage;
    } else {
        bitmap = glyph + kShortHeaderBytes;
        depth = 1;
        flags = 0;
        stride = glyphBytes != 0 ? glyphBytes / static_cast<u32>(h) : static_cast<u32>(RowBytes(w, 1));
    }
    if (inverse) flags |= kBlitInverse;
    if (c.flags & kContextTransparent) flags |= kBlitTransparent;
    if (stride == 0 || stride > 0xFFFF) return;

    // A header wider than its rows would make the blit read into the next
    // row, and past the record on the last one.
    if (depth >= 1 && depth <= 8) {
        const int fits = static_cast<int>(stride * 8 / static_cast<u32>(depth));
        if (w > fits) w = fits;
    }

    if (topSkip >= h) return;
    const int top = (y + topSkip) & 0xFF;
    h -= topSkip;
    bitmap += static_cast<u32>(topSkip) * stride;

    if (x > xMax || top > yMax) return;
    const int lastColumn = x + w - 1 < xMax ? x + w - 1 : xMax;
    const int lastRow = top + h - 1 < yMax ? top + h - 1 : yMax;
    RasterError = 0;
    BlitBitmap(x, static_cast<u8>(top), static_cast<u16>(lastColumn), static_cast<u8>(lastRow), bitmap,
               static_cast<u16>(stride), flags, palette, sliceStart, sliceRows);
}

void DrawImageAt(u16 x, u8 y, const u8* glyph, const u8* palette, u8 sliceStart, u8 sliceRows) {
    const GfxContext& c = CurrentContext();
    if (glyph == nullptr) return;
    const int ax = c.clipLeft + x;
    const int ay = c.clipTop + y;
    if (ax < c.clipLeft || ax > c.clipRight || ay < c.clipTop || ay > c.clipBottom) return;
    DrawGlyphBitmap(static_cast<u16>(ax), static_cast<u8>(ay), c.clipRight, c.clipBottom, glyph, palette, sliceStart,
                    sliceRows, 0, 0);
}

u8 PutGlyph(u8 code) {
    const GfxContext& c = CurrentContext();
    const int h = FontRecordHeight(c.font);
    if (code == kLineFeed || code == kCarriageReturn) return 0;

    if (code == kTab) {
        const u16 stop = NextTabStop(c.cursorX);
        if (stop == c.clipLeft) return 0;
        const int top = c.cursorY - h + 1 > c.clipTop ? c.cursorY - h + 1 : c.clipTop;
        const int bottom = c.cursorY < c.clipBottom ? c.cursorY : c.clipBottom;
        if (top <= bottom) {
            const u16 pattern = (c.flags & kContextInverse) ? 0xFFFF : 0x0000;
            FillPattern(c.cursorX, static_cast<u8>(top), stop, static_cast<u8>(bottom), pattern);
        }
        SetCursorColumn(stop);
        return 0;
    }

    if (c.cursorX > c.clipRight) {
        SetCursorColumn(static_cast<u16>(c.clipRight + 1));
        return 0;
    }
    const u8* glyph = GlyphLookup(code, c.font, c.rangeMap);
    if (glyph == nullptr) return 0;
    const int w = GlyphWidth(glyph);
    if ((c.flags & kContextOverrun) == 0 && c.cursorX + w - 1 > c.clipRight) return 1;

    // Rows of the glyph above the clip top are skipped, so the drawn part
    // starts at the clip top.
    const int visibleRows = c.cursorY - c.clipTop + 1;
    if (visibleRows > 0) {
        const u8 topSkip = static_cast<u8>(visibleRows >= h ? 0 : h - visibleRows);
        DrawGlyphBitmap(c.cursorX, static_cast<u8>(c.cursorY - h + 1), c.clipRight, c.clipBottom, glyph, nullptr, 0, 0,
                        topSkip, c.font->glyphBytes);
    }
    SetCursorColumn(static_cast<u16>(c.cursorX + w > c.clipRight ? c.clipRight : c.cursorX + w));
    return 0;
}

void PutChar(u8 code) {
    BeginCharOutput();
    if (code == kLineFeed) {
        NewLine(0);
    } else if (code == kCarriageReturn) {
        SetCursorColumn(CurrentContext().clipLeft);
    } else if (PutGlyph(code) == 1 && (GetContextFlags() & kContextNoWrap) == 0 && NewLine(0) == 0) {
        PutGlyph(code);
    }
    EndCharOutput();
}
