#include "panel/gfx/Raster.h"

#include "panel/gfx/Colour.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"

Rgb565 RasterForeground;
Rgb565 RasterBackground;
Rgb565 RasterPalette[16];
u8 RasterError;

namespace {

constexpr u16 kLastColumn = kScreenWidth - 1;
constexpr u8 kLastRow = kScreenHeight - 1;

constexpr RgbTriple kDefaultPalette[16] = {
    {0x00, 0x00, 0x00}, {0xFF, 0x00, 0x00}, {0xFF, 0xFF, 0x00}, {0x00, 0xFF, 0x00},
    {0x00, 0xFF, 0xFF}, {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0xFF, 0xFF, 0xFF},
    {0xC0, 0xC0, 0xC0}, {0xB0, 0xB0, 0xB0}, {0xA0, 0xA0, 0xA0}, {0x80, 0x80, 0x80},
    {0x60, 0x60, 0x60}, {0x00, 0x80, 0x00}, {0x00, 0x00, 0x80}, {0xFF, 0x80, 0x00},
};

// round(256 x sin(5k degrees)) for k = 0..17; 90 degrees is handled apart.
constexpr u8 kSineTable[18] = {0, 22, 44, 66, 88, 108, 128, 147, 165, 181, 196, 210, 222, 232, 241, 247, 252, 255};

constexpr u8 kPatternMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

constexpr u16 kDisplayOffValue = 0x30;
constexpr u16 kDisplayOnValue = 0x33;

// The raw message screen draws the built-in font cell by cell.
constexpr u16 kRawGlyphWidth = 6;
constexpr u8 kRawGlyphHeight = 8;
constexpr i32 kWindowEntries = 22;
constexpr i32 kPixelEntries = 2;
constexpr i32 kRawGlyphEntries = kWindowEntries + kPixelEntries * kRawGlyphWidth * kRawGlyphHeight;
constexpr i32 kStartupEntries = 4 * kLcdInitStepCount;
constexpr u32 kRawLineLimit = 640;

struct Rect {
    u16 x0;
    u8 y0;
    u16 x1;
    u8 y1;
};

// A rectangle given backwards collapses onto its first corner's row or column.
Rect ClampRect(u16 x0, u8 y0, u16 x1, u8 y1) {
    Rect r;
    r.x0 = x0 < kLastColumn ? x0 : kLastColumn;
    r.y0 = y0 < kLastRow ? y0 : kLastRow;
    r.y1 = y1 > r.y0 ? y1 : r.y0;
    if (r.y1 > kLastRow) r.y1 = kLastRow;
    r.x1 = x1 > r.x0 ? x1 : r.x0;
    if (r.x1 > kLastColumn) r.x1 = kLastColumn;
    return r;
}

Rgb565 ReadLe16(const u8* bytes) { return static_cast<u16>(bytes[0] | (bytes[1] << 8)); }

// Makes room in the queue for `entries` by replaying what is queued; used only
// by the message screen, which must appear whatever was drawn before it.
void EnsureQueueRoom(i32 entries) {
    if (LcdQueueFree() < entries) LcdApplyQueue();
}

// Bitmap rows of the built-in glyph for a code, or null when the font lacks it.
const u8* RawGlyphRows(u8 code) {
    const FontRecord& font = Font0;
    const u8 index = code & 0x7F;
    if (font.glyphs == nullptr || index >= font.count || font.glyphBytes < kRawGlyphHeight) return nullptr;
    return font.glyphs + index * (font.glyphBytes + kShortHeaderBytes) + kShortHeaderBytes;
}

// Draws the part of a glyph cell at column x that lies on the screen, so that
// a line wider than the screen shows its cut ends like a clipped text would.
void DrawRawGlyph(i32 x, u8 y, u8 code) {
    const u8* rows = RawGlyphRows(code);
    if (rows == nullptr) return;
    const i32 first = x < 0 ? -x : 0;
    const i32 last = x + kRawGlyphWidth - 1 > kLastColumn ? kLastColumn - x : kRawGlyphWidth - 1;
    if (first > last) return;
    LcdSetWindow(static_cast<u16>(x + first), y, static_cast<u16>(x + last), static_cast<u8>(y + kRawGlyphHeight - 1));
    for (u8 row = 0; row < kRawGlyphHeight; ++row) {
        for (i32 column = first; column <= last; ++column) {
            LcdWritePixel((rows[row] & kPatternMask[column]) ? RasterForeground : RasterBackground);
        }
    }
}

}  // namespace

void SetRasterColours(Rgb565 foreground, Rgb565 background) {
    RasterForeground = foreground;
    RasterBackground = background;
}

u8 LoadPalette(u16 first, u16 count, const RgbTriple* source) {
    if (count == 0 || static_cast<u32>(first) + count > 16 || source == nullptr) {
        RasterError = 1;
        return 1;
    }
    RasterError = 0;
    for (u16 i = 0; i < count; ++i) RasterPalette[first + i] = PackRgb565(&source[i]);
    return 0;
}

bool RasterInit() {
    RasterError = 0;
    SetRasterColours(0xFFFF, 0x0000);
    LoadPalette(0, 16, kDefaultPalette);
    for (const LcdInitStep& step : LcdStartupSequence) {
        LcdWriteRegister(step.reg, step.value);
        if (step.delay != 0) LcdDelay(step.delay);
    }
    return RasterFailed();
}

bool RasterFailed() { return RasterError != 0; }

void DisplayOff() { LcdWriteRegister(kLcdRegDisplayControl, kDisplayOffValue); }

void DisplayOn() { LcdWriteRegister(kLcdRegDisplayControl, kDisplayOnValue); }

void DrawPixel(u16 x, u8 y, Rgb565 colour) {
    RasterError = 0;
    if (x > kLastColumn) x = kLastColumn;
    if (y > kLastRow) y = kLastRow;
    LcdSetWindow(x, y, x, y);
    LcdWritePixel(colour);
}

// Lines are not clamped; pixels past the screen edge would only be dropped by
// the controller, so they are not sent and a wild end cannot flood the queue.
void DrawHLine(u16 x0, u8 y, u16 x1, Rgb565 colour) {
    LcdSetWindow(x0, y, x1, y);
    const u32 last = x1 < kLastColumn ? x1 : kLastColumn;
    if (y > kLastRow) return;
    for (u32 x = x0; x <= last; ++x) LcdWritePixel(colour);
}

void DrawVLine(u16 x, u8 y0, u8 y1, Rgb565 colour) {
    LcdSetWindow(x, y0, x, y1);
    const u32 last = y1 < kLastRow ? y1 : kLastRow;
    if (x > kLastColumn) return;
    for (u32 y = y0; y <= last; ++y) LcdWritePixel(colour);
}

void DrawFrame(u16 x0, u8 y0, u16 x1, u8 y1, Rgb565 colour) {
    RasterError = 0;
    const Rect r = ClampRect(x0, y0, x1, y1);
    if (r.x1 != r.x0) DrawHLine(r.x0, r.y0, r.x1, colour);
    if (r.y1 != r.y0) {
        DrawVLine(r.x0, r.y0, r.y1, colour);
        if (r.x1 != r.x0) {
            DrawHLine(r.x0, r.y1, r.x1, colour);
            DrawVLine(r.x1, r.y0, r.y1, colour);
        }
    } else if (r.x1 == r.x0) {
        DrawHLine(r.x0, r.y0, r.x0, colour);
    }
}

void FillPattern(u16 x0, u8 y0, u16 x1, u8 y1, u16 pattern) {
    RasterError = 0;
    const Rect r = ClampRect(x0, y0, x1, y1);
    LcdSetWindow(r.x0, r.y0, r.x1, r.y1);
    for (u32 y = r.y0; y <= r.y1; ++y) {
        const u8 bits = static_cast<u8>((y & 1) ? pattern >> 8 : pattern & 0xFF);
        for (u32 x = r.x0; x <= r.x1; ++x) {
            LcdWritePixel((bits & kPatternMask[x % 8]) ? RasterForeground : RasterBackground);
        }
    }
}

void BlitBitmap(u16 x0, u8 y0, u16 x1, u8 y1, const u8* data, u16 stride, u8 flags, const u8* palette, u8 sliceStart,
                u8 sliceRows) {
    if (data == nullptr || stride == 0) return;
    const Rect r = ClampRect(x0, y0, x1, y1);

    u8 depth = flags & 0x1F;
    if (depth == 0) depth = 1;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return;
    const bool transparent = (flags & kBlitTransparent) != 0;
    const bool coverage = (flags & kBlitCoverage) != 0;
    const bool inverse = (flags & kBlitInverse) != 0;

    const bool twoColours = coverage || (depth == 1 && palette == nullptr);
    const u8* entries = nullptr;
    if (!twoColours) {
        // A palette's entries are only read when it has exactly the bitmap's
        // depth, so it is known to hold an entry for every pixel value.
        if (palette == nullptr || ReadLe16(palette) != depth) return;
        entries = palette + 2;
    }
    Rgb565 foreground = RasterForeground;
    Rgb565 background = RasterBackground;
    if (inverse) {
        foreground = RasterBackground;
        background = RasterForeground;
    }

    i32 top = r.y0;
    i32 last = r.y1;
    if (sliceStart != 0) {
        const i32 skipped = sliceStart - 1;
        top += skipped;
        if (top + sliceRows - 1 < last) last = top + sliceRows - 1;
        if (top > last) return;
        data += static_cast<u32>(stride) * static_cast<u32>(skipped);
    }

    const u32 width = static_cast<u32>(r.x1 - r.x0) + 1;
    const u32 rowBits = static_cast<u32>(stride) * 8;
    const u8 valueMask = static_cast<u8>((1u << depth) - 1);
    if (!transparent) LcdSetWindow(r.x0, static_cast<u8>(top), r.x1, static_cast<u8>(last));

    for (i32 y = top; y <= last; ++y) {
        const u8* row = data + static_cast<u32>(y - top) * stride;
        if (transparent) LcdSetWindow(r.x0, static_cast<u8>(y), r.x1, static_cast<u8>(last));
        bool addressBehind = false;
        for (u32 i = 0; i < width; ++i) {
            // A rectangle wider than its source rows reads 0 past the stride
            // instead of running into the next row or off the bitmap.
            const u32 bit = i * depth;
            const u8 value = bit < rowBits ? static_cast<u8>((row[bit / 8] >> (8 - depth - bit % 8)) & valueMask) : 0;
            Rgb565 colour;
            bool skip;
            if (twoColours && depth == 1) {
                colour = value ? foreground : background;
                skip = transparent && value == 0;
            } else if (coverage) {
                const u32 alpha = value * 255u / valueMask;
                colour = BlendRgb565(foreground, background, static_cast<u8>(alpha));
                skip = transparent && colour == RasterBackground;
            } else {
                colour = ReadLe16(entries + 2 * value);
                skip = transparent && colour == RasterBackground;
            }
            if (skip) {
                addressBehind = true;
                continue;
            }
            if (addressBehind) {
                LcdSetWindow(static_cast<u16>(r.x0 + i), static_cast<u8>(y), r.x1, static_cast<u8>(last));
                addressBehind = false;
            }
            LcdWritePixel(colour);
        }
    }
}

void ShowRawMessage(const char* text) {
    EnsureQueueRoom(kStartupEntries);
    if (RasterInit() || text == nullptr) return;

    u32 lines = 1;
    for (const char* p = text; *p != 0; ++p) {
        if (*p == '\n') ++lines;
    }
    u32 y = lines * kRawGlyphHeight > kScreenHeight ? 0 : (kLastRow - lines * kRawGlyphHeight) / 2;

    const char* line = text;
    while (y < kScreenHeight) {
        u32 n = 0;
        while (n < kRawLineLimit && line[n] != 0 && line[n] != '\n') ++n;
        // A line wider than the screen is centred too, with both ends cut off.
        i32 x = (static_cast<i32>(kScreenWidth) - static_cast<i32>(n * kRawGlyphWidth)) / 2;
        for (u32 i = 0; i < n; ++i, x += kRawGlyphWidth) {
            EnsureQueueRoom(kRawGlyphEntries);
            DrawRawGlyph(x, static_cast<u8>(y), static_cast<u8>(line[i]));
        }
        line += n;
        y += kRawGlyphHeight;
        if (*line == '\n') {
            ++line;
        } else if (*line == 0) {
            break;
        }
    }
}

i32 SinFixed(u16 degrees) {
    const u32 angle = degrees % 360u;
    const u32 i = (2 * angle + 5) / 10;
    if (i < 18) return kSineTable[i] * 256;
    if (i == 18) return 65536;
    if (i < 36) return kSineTable[36 - i] * 256;
    if (i < 54) return -(kSineTable[i - 36] * 256);
    if (i == 54) return -65536;
    return -(kSineTable[72 - i] * 256);
}

i32 CosFixed(u16 degrees) { return SinFixed(static_cast<u16>(degrees % 360u + 90)); }
