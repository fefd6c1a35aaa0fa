#include "panel/gfx/Context.h"
#include "panel/StaticState.h"

#include "panel/gfx/Raster.h"
#include "panel/gfx/fonts/Fonts.h"

namespace {

constexpr u16 kLastColumn = kScreenWidth - 1;
constexpr u8 kLastRow = kScreenHeight - 1;
constexpr u16 kTabSpacing = 53;
constexpr u8 kBuiltInFontHeight = 8;

struct ContextState {
    GfxContext contexts[kContextCount];
    GfxContext* current;
    u8 noPartialLine = 1;
};

ContextState state;

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

void Changed(GfxContext& c) { c.check = 0; }

GfxContext& Current() {
    ValidateContext();
    return *state.current;
}

bool OnScreen(int x, int y) { return x >= 0 && x <= kLastColumn && y >= 0 && y <= kLastRow; }

bool InClip(const GfxContext& c, int x, int y) {
    return x >= c.clipLeft && x <= c.clipRight && y >= c.clipTop && y <= c.clipBottom;
}

Rgb565 LineColour(const GfxContext& c) { return (c.flags & kContextInverse) ? RasterBackground : RasterForeground; }

void ClippedSlantedLine(const GfxContext& c, int x0, int y0, int x1, int y1, Rgb565 colour) {
    int dx = x1 - x0;
    int dy = y1 - y0;
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    dx *= sx;
    dy *= sy;
    const bool alongY = dy > dx;
    const int longLen = alongY ? dy : dx;
    const int shortLen = alongY ? dx : dy;
    const int straightX = alongY ? 0 : sx;
    const int straightY = alongY ? sy : 0;
    int err = 2 * shortLen - longLen;
    int x = x0;
    int y = y0;
    for (int i = 0; i <= longLen; ++i) {
        if (InClip(c, x, y)) DrawPixel(static_cast<u16>(x), static_cast<u8>(y), colour);
        if (err < 0) {
            x += straightX;
            y += straightY;
            err += 2 * shortLen;
        } else {
            x += sx;
            y += sy;
            err += 2 * shortLen - 2 * longLen;
        }
    }
}

// A quarter circle's geometry: X(v) and Y(v) as the midpoint walk needs them,
// in plain integers so that a circle near the screen edge does not wrap round.
struct Quadrant {
    int cx;
    int cy;
    int xSign;
    int ySign;
    int X(int v) const { return cx + xSign * v; }
    int Y(int v) const { return cy + ySign * v; }
};

void QuadPixel(int x, int y, Rgb565 colour) {
    if (OnScreen(x, y)) DrawPixel(static_cast<u16>(x), static_cast<u8>(y), colour);
}

// The row span from the centre column out to distance `reach`; a negative
// reach is an empty span, and the span is cut to the screen.
void QuadSpan(const Quadrant& q, int row, int reach, Rgb565 colour) {
    if (reach < 0 || row < 0 || row > kLastRow) return;
    int a = q.cx;
    int b = q.X(reach);
    if (a > b) {
        const int t = a;
        a = b;
        b = t;
    }
    a = a < 0 ? 0 : a;
    b = b > kLastColumn ? kLastColumn : b;
    if (a > b) return;
    DrawFrame(static_cast<u16>(a), static_cast<u8>(row), static_cast<u16>(b), static_cast<u8>(row), colour);
}

void DrawQuadrant(const Quadrant& q, int r, u8 mode, Rgb565 line, Rgb565 fill) {
    int x = 0;
    int y = r;
    int d = 1 - r;
    int lastRow = r;
    int lastSpan = 0;
    for (;;) {
        if (mode & kQuadSolid) {
            QuadSpan(q, q.Y(x), y, fill);
            if (y != lastRow) {
                QuadSpan(q, q.Y(lastRow), lastSpan, fill);
                lastRow = y;
            }
            lastSpan = x;
            if (x + 1 >= y) {
                if (y != x) QuadSpan(q, q.Y(lastRow), lastSpan, fill);
                return;
            }
        } else {
            if (x != y) {
                QuadPixel(q.X(x), q.Y(y), line);
                if ((mode & kQuadFilled) && y != lastRow) {
                    QuadSpan(q, q.Y(y), x - 1, fill);
                    lastRow = y;
                }
            }
            QuadPixel(q.X(y), q.Y(x), line);
            if (mode & kQuadFilled) QuadSpan(q, q.Y(x), y - 1, fill);
            if (x + 1 >= y) return;
        }
        if (d < 0) {
            ++x;
            d += 2 * x + 1;
        } else {
            --y;
            ++x;
            d += 2 * (x - y) + 1;
        }
    }
}

}  // namespace

bool InitContexts() {
    RasterInit();
    for (GfxContext& c : state.contexts) {
        state.current = &c;
        ResetContext(0);
    }
    state.current = &state.contexts[0];
    return RasterFailed();
}

void ResetContext(u8 mode) {
    if (state.current == nullptr) {
        // Nothing to reset yet: initialising gives every context its defaults.
        InitContexts();
        return;
    }
    GfxContext& c = *state.current;
    c.clipLeft = 0;
    c.clipTop = 0;
    c.clipRight = kLastColumn;
    c.clipBottom = kLastRow;
    c.penX = 0;
    c.penY = 0;
    c.cursorX = 0;
    if (mode <= 1) {
        c.cursorY = kBuiltInFontHeight - 1;
        c.flags = 0;
        c.font = &Font0;
        c.rangeMap = Font0.mapOrPalette;
        if (mode == 0) {
            c.foreColour = 0xFFFF;
            c.backColour = 0x0000;
        }
    } else {
        const int h = FontRecordHeight(c.font);
        c.cursorY = static_cast<u8>(Clamp(h - 1, 0, c.clipBottom));
    }
    Changed(c);
}

void ValidateContext() {
    if (state.current == nullptr || state.current->font == nullptr) InitContexts();
    Changed(*state.current);
}

bool SelectContext(u8 index) {
    if (index >= kContextCount) return false;
    ValidateContext();
    state.current = &state.contexts[index];
    ValidateContext();
    SetRasterColours(state.current->foreColour, state.current->backColour);
    return true;
}

const GfxContext& CurrentContext() { return Current(); }

// The colour setters validate too: before the first initialisation there is
// no context to store the colour in.
Rgb565 SetForeColour(Rgb565 colour) {
    GfxContext& c = Current();
    const Rgb565 old = c.foreColour;
    c.foreColour = colour;
    SetRasterColours(colour, c.backColour);
    Changed(c);
    return old;
}

Rgb565 SetBackColour(Rgb565 colour) {
    GfxContext& c = Current();
    const Rgb565 old = c.backColour;
    c.backColour = colour;
    SetRasterColours(c.foreColour, colour);
    Changed(c);
    return old;
}

u16 SetContextFlags(u16 flags) {
    GfxContext& c = Current();
    const u16 old = c.flags;
    c.flags = flags;
    Changed(c);
    return old;
}

u16 GetContextFlags() { return Current().flags; }

const FontRecord* SetFont(const FontRecord* font) {
    GfxContext& c = Current();
    const FontRecord* old = c.font;
    c.font = font != nullptr ? font : &Font0;
    c.rangeMap = c.font->mapOrPalette;
    const int h = FontRecordHeight(c.font);
    const int lowestTop = c.clipTop + h - 1;
    if (lowestTop > c.cursorY) c.cursorY = static_cast<u8>(lowestTop > c.clipBottom ? c.clipBottom : lowestTop);
    c.penX = c.cursorX < c.clipRight ? c.cursorX : c.clipRight;
    c.penY = c.cursorY;
    Changed(c);
    return old;
}

const FontRecord* GetFont() { return Current().font; }

u8 FontRecordHeight(const FontRecord* font) { return font != nullptr ? font->height : kBuiltInFontHeight; }

u8 CurrentFontHeight() { return FontRecordHeight(Current().font); }

const u8* GetRangeMap() { return Current().rangeMap; }

void SetClipWindow(u16 left, u8 top, u16 right, u8 bottom) {
    GfxContext& c = Current();
    int l = Clamp(left, 0, kLastColumn);
    int r = Clamp(right, 0, kLastColumn);
    int t = Clamp(top, 0, kLastRow);
    int b = Clamp(bottom, 0, kLastRow);
    if (l > r) {
        const int s = l;
        l = r;
        r = s;
    }
    if (t > b) {
        const int s = t;
        t = b;
        b = s;
    }
    c.clipLeft = static_cast<u16>(l);
    c.clipTop = static_cast<u8>(t);
    c.clipRight = static_cast<u16>(r);
    c.clipBottom = static_cast<u8>(b);
    c.cursorX = c.clipLeft;
    c.cursorY = static_cast<u8>(Clamp(t + FontRecordHeight(c.font) - 1, t, b));
    c.penX = c.cursorX;
    c.penY = c.cursorY;
    Changed(c);
}

void SetTextPosition(u16 x, u8 y) {
    GfxContext& c = Current();
    c.cursorX = static_cast<u16>(Clamp(c.clipLeft + x, c.clipLeft, c.clipRight));
    c.cursorY = static_cast<u8>(Clamp(c.clipTop + y, c.clipTop, c.clipBottom));
    c.penX = c.cursorX;
    c.penY = c.cursorY;
    Changed(c);
}

void MoveTo(u16 x, u8 y) {
    GfxContext& c = Current();
    c.penX = static_cast<u16>(c.clipLeft + x);
    c.penY = static_cast<u8>(c.clipTop + y);
    Changed(c);
}

void LineTo(u16 x, u8 y) {
    GfxContext& c = Current();
    const u16 newX = static_cast<u16>(c.clipLeft + x);
    const u8 newY = static_cast<u8>(c.clipTop + y);
    // Columns are read as signed 16-bit, so that a pen moved left of 0 by a
    // caller's 16-bit arithmetic lies left of the screen, not far right of it.
    const int x0 = static_cast<i16>(c.penX);
    const int x1 = static_cast<i16>(newX);
    const int y0 = c.penY;
    const int y1 = newY;
    c.penX = newX;
    c.penY = newY;
    RasterError = 0;
    const Rgb565 colour = LineColour(c);

    if (x0 != x1 && y0 != y1) {
        ClippedSlantedLine(c, x0, y0, x1, y1, colour);
    } else {
        // A straight line or a point: cut to the window on all four sides, so
        // that a line outside the window draws nothing.
        int left = x0 < x1 ? x0 : x1;
        int right = x0 < x1 ? x1 : x0;
        int top = y0 < y1 ? y0 : y1;
        int bottom = y0 < y1 ? y1 : y0;
        left = left < c.clipLeft ? c.clipLeft : left;
        right = right > c.clipRight ? c.clipRight : right;
        top = top < c.clipTop ? c.clipTop : top;
        bottom = bottom > c.clipBottom ? c.clipBottom : bottom;
        if (left <= right && top <= bottom) {
            DrawFrame(static_cast<u16>(left), static_cast<u8>(top), static_cast<u16>(right), static_cast<u8>(bottom),
                      colour);
        }
    }
    Changed(c);
}

void DrawQuadrants(u16 cx, u8 cy, i16 r, u8 mode) {
    const GfxContext& c = Current();
    if (r < 0) return;
    const bool inverse = (c.flags & kContextInverse) != 0;
    const Rgb565 line = inverse ? RasterBackground : RasterForeground;
    const Rgb565 fill = inverse ? RasterForeground : RasterBackground;
    constexpr u8 kOrder[4] = {kQuadTopLeft, kQuadBottomLeft, kQuadTopRight, kQuadBottomRight};
    for (u8 bit : kOrder) {
        if ((mode & bit) == 0) continue;
        const bool left = (bit & (kQuadTopLeft | kQuadBottomLeft)) != 0;
        const bool top = (bit & (kQuadTopLeft | kQuadTopRight)) != 0;
        const Quadrant q{cx, cy, left ? -1 : 1, top ? -1 : 1};
        DrawQuadrant(q, r, mode, line, fill);
    }
}

u16 NextTabStop(u16 x) {
    const GfxContext& c = Current();
    return static_cast<u16>(static_cast<u16>(static_cast<u16>(x - c.clipLeft) / kTabSpacing) * kTabSpacing +
                            c.clipLeft + kTabSpacing);
}

u8 NewLine(u8 h) {
    GfxContext& c = Current();
    const int height = h != 0 ? h : FontRecordHeight(c.font);
    const int next = c.cursorY + height;
    if (next <= c.clipBottom) {
        c.cursorY = static_cast<u8>(next);
        c.cursorX = c.clipLeft;
        Changed(c);
        return 0;
    }
    // A partial line's baseline may lie below the screen, but never beyond
    // what the 8-bit cursor row can hold.
    if (state.noPartialLine || c.cursorY >= c.clipBottom || next > 0xFF) return 1;
    c.cursorY = static_cast<u8>(next);
    c.cursorX = c.clipLeft;
    Changed(c);
    return 0;
}

void BeginCharOutput() {
    const GfxContext& c = Current();
    RasterError = 0;
    state.noPartialLine = (c.flags & kContextPartialLine) ? 0 : 1;
}

void EndCharOutput() {
    GfxContext& c = Current();
    if (c.cursorX > c.clipRight) c.cursorX = c.clipRight;
    if (c.cursorY > c.clipBottom) c.cursorY = c.clipBottom;
    c.penX = c.cursorX;
    c.penY = c.cursorY;
    Changed(c);
}

u8 NoPartialLine() { return state.noPartialLine; }

void SetCursorColumn(u16 x) {
    GfxContext& c = Current();
    c.cursorX = x;
    Changed(c);
}

void PlaceCursor(u16 x, u8 y) {
    GfxContext& c = Current();
    c.cursorX = x;
    c.cursorY = y;
    c.penX = x;
    c.penY = y;
    Changed(c);
}

void ResetContextStatics() { state = ContextState{}; }
