#include "panel/gfx/Rotation.h"
#include "panel/StaticState.h"

#include "panel/gfx/Colour.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"
#include "panel/gfx/Text.h"

#include <cstdint>

using i64 = std::int64_t;
using u64 = std::uint64_t;

namespace {

constexpr i32 kOne = 65536;
constexpr i32 kAxisSnap = 63;
constexpr u32 kFilterWeight = 225;  // 15 x 15 sixteenths
constexpr u32 kCoverageScale = 255 * kFilterWeight;
constexpr i32 kFilterArea = 160;     // glyphs of at least this many pixels are never filtered
constexpr int kMaxGlyphSide = 1023;  // keeps every 16.16 position inside 32 bits
constexpr Rgb565 kFieldMasks[3] = {0xF800, 0x07E0, 0x001F};

struct RotationState {
    i32 rotSin = 0;
    i32 rotCos = kOne;
    u8 filtered = 0;
    u8 coverageSource = 0;
    u8 solidFill = 0;
    Rgb565 solidColour = 0;
    u8 transparent = 0;
    i32 boxW = 0;
    i32 boxH = 0;
    i32 boxU = 0;
    i32 boxV = 0;
    // The clip window, taken once per glyph.
    u16 clipLeft = 0;
    u8 clipTop = 0;
    i32 clipWidth = 0;
    i32 clipHeight = 0;
    SourceGlyph source{};
};

RotationState rs;

u16 ReadU16(const u8* p) { return static_cast<u16>(p[0] | (p[1] << 8)); }

bool InsideBox(const Walker& w) { return w.u >= 0 && w.u < rs.boxU && w.v >= 0 && w.v < rs.boxV; }

// The raw pixel value at a clamped source position.
u32 SourceValue(u16 column, u16 row) {
    const SourceGlyph& s = rs.source;
    if (s.depth == 0 || s.data == nullptr) return 0;
    if (column >= s.width) column = static_cast<u16>(s.width - 1);
    if (row >= s.height) row = static_cast<u16>(s.height - 1);
    if (s.direct) {
        const u32 bytes = (s.depth + 7u) / 8u;
        const u8* p = s.data + static_cast<u32>(row) * s.stride + static_cast<u32>(column) * bytes;
        const u32 read = bytes > 4 ? 4 : bytes;
        u32 value = 0;
        for (u32 i = 0; i < read; ++i) value = (value << 8) | p[i];
        return value;
    }
    const u32 perByte = 8u / s.depth;
    const u8 byte = s.data[static_cast<u32>(row) * s.stride + column / perByte];
    const u32 shift = 8u - s.depth * (column % perByte + 1u);
    return (byte >> shift) & ((1u << s.depth) - 1u);
}

u16 ValueToSample(u32 value) {
    const SourceGlyph& s = rs.source;
    if (s.twoColour) return value ? s.setColour : s.clearColour;
    if (s.direct) return s.depth == 16 ? static_cast<Rgb565>(value) : ConvertPixelToRgb565(value, s.depth);
    if (s.coverage) return static_cast<u16>(value * (255u / ((1u << s.depth) - 1u)));
    return RasterPalette[value > 15 ? 15 : value];
}

// A sample that transparent drawing leaves out: for a text glyph its clear
// bits, whichever colour the inverse flag gives them, so that transparent
// inverse text keeps the glyph's shape; otherwise the background colour.
bool IsBackgroundSample(u32 value, u16 sample) {
    if (rs.source.twoColour) return value == 0;
    return sample == RasterBackground;
}

Rgb565 BlendCoverage(u32 coverage, u32 missing) {
    Rgb565 result = 0;
    for (Rgb565 m : kFieldMasks) {
        const u64 fg = RasterForeground & m;
        const u64 bg = RasterBackground & m;
        u64 field = (fg * coverage + bg * (kCoverageScale - coverage)) / kCoverageScale;
        if (missing != 0) field = ((kFilterWeight - missing) * field + bg * missing) / kFilterWeight;
        result = static_cast<Rgb565>(result | (field & m));
    }
    return result;
}

void Plot(const Walker& w, Rgb565 colour) {
    DrawPixel(static_cast<u16>(rs.clipLeft + w.x), static_cast<u8>(rs.clipTop + w.y), colour);
}

void Step(Walker& w, int dx, int dy) {
    // One column right adds (cos, sin) to the source position, one row up (sin, -cos).
    w.x += dx;
    w.y += dy;
    w.u += dx * rs.rotCos - dy * rs.rotSin;
    w.v += dx * rs.rotSin + dy * rs.rotCos;
}

}  // namespace

void SetRotation(u16 angle) {
    rs.rotSin = SinFixed(angle);
    rs.rotCos = CosFixed(angle);
    if (rs.rotSin > -kAxisSnap && rs.rotSin < kAxisSnap) {
        rs.rotCos = rs.rotCos > 0 ? kOne : -kOne;
        rs.rotSin = 0;
    } else if (rs.rotSin > kOne - kAxisSnap) {
        rs.rotSin = kOne;
        rs.rotCos = 0;
    } else if (rs.rotSin < -(kOne - kAxisSnap)) {
        rs.rotSin = -kOne;
        rs.rotCos = 0;
    }
}

i32 RotationSin() { return rs.rotSin; }
i32 RotationCos() { return rs.rotCos; }

void RotatedCharAt(u8 code, u16 angle) {
    const GfxContext& c = CurrentContext();
    // The walk works relative to the clip window, so the cursor is handed
    // down and stored back relative to its origin.
    const i32 right = c.clipRight - c.clipLeft;
    const i32 bottom = c.clipBottom - c.clipTop;
    i32 x = c.cursorX - c.clipLeft;
    i32 y = c.cursorY - c.clipTop;
    x = x < 0 ? 0 : x;
    y = y < 0 ? 0 : y;
    SetRotation(angle);
    const i64 w = RenderRotatedGlyph(code, static_cast<u16>(x), static_cast<u16>(y));
    if (w != 0) {
        x += static_cast<i32>((w * rs.rotCos + 32768) >> 16);
        y -= static_cast<i32>((w * rs.rotSin + 32768) >> 16);
    }
    x = x < 0 ? 0 : (x > right ? right : x);
    y = y < 0 ? 0 : (y > bottom ? bottom : y);
    PlaceCursor(static_cast<u16>(c.clipLeft + x), static_cast<u8>(c.clipTop + y));
}

u16 RenderRotatedGlyph(u8 code, u16 x, u16 y) {
    const GfxContext& c = CurrentContext();
    const u8* glyph = GlyphLookup(code, c.font, c.rangeMap);
    if (glyph == nullptr) return 0;
    // The rows of a glyph are its font's glyph bytes shared out over its height.
    const u8 h = GlyphHeight(glyph);
    const u32 stride = h != 0 ? c.font->glyphBytes / h : 0;
    const u16 flags = static_cast<u16>((c.flags & 0x8C01) | kRotateAnchorLeft | kRotateAnchorBottom);
    RenderRotated(x, y, glyph, 0, 0, flags, static_cast<u16>(stride > 0xFFFF ? 0 : stride));
    return GlyphWidth(glyph);
}

void RenderRotated(i32 x, i32 y, const u8* glyph, i16 offsetX, i16 offsetY, u16 flags, u16 stride) {
    if (glyph == nullptr) return;
    const i32 width = GlyphWidth(glyph);
    const i32 height = GlyphHeight(glyph);
    if (width == 0 || height == 0 || width > kMaxGlyphSide || height > kMaxGlyphSide) return;
    rs.filtered = (rs.rotSin != 0 && rs.rotCos != 0 && width * height < kFilterArea) ? 1 : 0;
    rs.coverageSource = (SetupSource(glyph, stride) & kFormatCoverage) ? 1 : 0;
    if (rs.source.depth == 0) return;
    rs.solidFill = (flags & kRotateSolidFill) ? 1 : 0;
    rs.solidColour = (flags & kRotateSolidForeground) ? RasterForeground : RasterBackground;
    rs.transparent = (flags & kRotateTransparent) ? 1 : 0;
    rs.boxW = width + 1;
    rs.boxH = height + 1;
    rs.boxU = rs.boxW * kOne;
    rs.boxV = rs.boxH * kOne;

    const GfxContext& c = CurrentContext();
    rs.clipLeft = c.clipLeft;
    rs.clipTop = c.clipTop;
    rs.clipWidth = c.clipRight - c.clipLeft;
    rs.clipHeight = c.clipBottom - c.clipTop;

    i64 ax = -offsetX;
    if (flags & kRotateAnchorLeft) {
        ax = 1 - rs.boxW / 2 - offsetX;
    } else if (flags & kRotateAnchorRight) {
        ax = (rs.boxW - 1) / 2 - offsetX;
    }
    i64 ay = -offsetY;
    if (flags & kRotateAnchorTop) {
        ay = 1 - rs.boxH / 2 - offsetY;
    } else if (flags & kRotateAnchorBottom) {
        ay = (rs.boxH - 1) / 2 - offsetY;
    }

    Walker a{x, y, rs.boxU / 2, rs.boxV / 2};
    if (ax != 0 || ay != 0) {
        a.x -= static_cast<i32>((ax * rs.rotCos + ay * rs.rotSin) >> 16);
        a.y -= static_cast<i32>((ay * rs.rotCos - ax * rs.rotSin) >> 16);
    }
    Walker b = a;

    // Side steps the two half walks may need to reach the rows beside the
    // centre column.
    const bool sameSign = (rs.rotCos > 0 && rs.rotSin > 0) || (rs.rotCos < 0 && rs.rotSin < 0);
    i32 n = sameSign ? (-(rs.boxW * rs.rotCos) + rs.boxH * rs.rotSin + 65535) >> 17
                     : (-(rs.boxW * rs.rotCos) - rs.boxH * rs.rotSin - 65535) >> 17;
    if (rs.rotSin > 0) n = -n;
    const i32 steps = (n < 0 ? -n : n) + 1;

    const int upSide = n > 0 ? 1 : -1;
    for (i32 k = 0; k < steps; ++k) {
        while (InsideBox(a)) {
            ScanRow(a);
            Step(a, 0, -1);
        }
        Step(a, upSide, 0);
    }

    Step(b, 0, 1);
    for (i32 k = 0; k < steps; ++k) {
        while (InsideBox(b)) {
            ScanRow(b);
            Step(b, 0, 1);
        }
        Step(b, n < 0 ? 1 : -1, 0);
    }
}

u8 SetupSource(const u8* glyph, u16 stride) {
    SourceGlyph& s = rs.source;
    s = SourceGlyph{};
    if (glyph == nullptr) return 0;
    u8 format;
    u32 minStride;
    if (HasLongHeader(glyph)) {
        format = glyph[2];
        s.data = glyph + kLongHeaderBytes;
        s.width = ReadU16(glyph + 3);
        s.height = glyph[5];
        s.coverage = (format & kFormatCoverage) ? 1 : 0;
        s.depth = format & kFormatDepthMask;
        if ((s.depth == 8 && !s.coverage) || s.depth > 8) {
            s.direct = 1;
        } else if (s.depth == 1 || s.depth == 2 || s.depth == 4 || s.depth == 8) {
            s.indexed = 1;
        } else {
            // Packed depths that do not divide a byte cannot be addressed.
            s.depth = 0;
            return format;
        }
    } else {
        format = 1;
        s.data = glyph + kShortHeaderBytes;
        s.width = ReadU16(glyph);
        s.height = glyph[2];
        s.depth = 1;
        s.indexed = 1;
        s.twoColour = 1;
        const bool inverse = (CurrentContext().flags & kContextInverse) != 0;
        s.setColour = inverse ? RasterBackground : RasterForeground;
        s.clearColour = inverse ? RasterForeground : RasterBackground;
    }
    const u32 pixelBytes = (s.depth + 7u) / 8u;
    minStride = s.direct ? s.width * pixelBytes : (s.width * s.depth + 7u) / 8u;
    s.stride = stride != 0 ? stride : static_cast<u16>(minStride > 0xFFFF ? 0xFFFF : minStride);
    // A row narrower than the header's width would make samples read into
    // the next row and past the record on the last one.
    if (s.stride < minStride) s.width = static_cast<u16>(s.direct ? s.stride / pixelBytes : s.stride * 8u / s.depth);
    if (s.width == 0 || s.height == 0) s.depth = 0;
    return format;
}

const SourceGlyph& CurrentSource() { return rs.source; }

u16 SampleSource(u16 column, u16 row) {
    if (rs.source.depth == 0 || rs.source.data == nullptr) return 0;
    return ValueToSample(SourceValue(column, row));
}

void ScanRow(const Walker& walker) {
    Walker w = walker;
    while (InsideBox(w)) {
        RenderRotatedPixel(w);
        Step(w, 1, 0);
    }
    w = walker;
    Step(w, -1, 0);
    while (InsideBox(w)) {
        RenderRotatedPixel(w);
        Step(w, -1, 0);
    }
}

void RenderRotatedPixel(const Walker& walker) {
    if (walker.x < 0 || walker.y < 0 || walker.x > rs.clipWidth || walker.y > rs.clipHeight) return;
    if (rs.solidFill) {
        Plot(walker, rs.solidColour);
        return;
    }
    const i32 sx = walker.u >> 16;
    const i32 sy = walker.v >> 16;
    const u32 fx = static_cast<u32>(walker.u >> 12) & 15u;
    const u32 fy = static_cast<u32>(walker.v >> 12) & 15u;

    if (!rs.filtered || (fx == 0 && fy == 0)) {
        if (sx == 0 || sy == 0) return;  // the margin around the glyph
        const u32 value = SourceValue(static_cast<u16>(sx - 1), static_cast<u16>(sy - 1));
        const u16 sample = ValueToSample(value);
        if (rs.coverageSource) {
            Plot(walker, BlendCoverage(sample * kFilterWeight, 0));
            return;
        }
        if (rs.transparent && IsBackgroundSample(value, sample)) return;
        Plot(walker, sample);
        return;
    }

    struct Corner {
        i32 column;
        i32 row;
        u32 weight;
        bool outside;
    };
    const Corner corners[4] = {
        {sx - 1, sy - 1, (15 - fx) * (15 - fy), sx - 1 < 0 || sy - 1 < 0},
        {sx, sy - 1, fx * (15 - fy), sx + 1 >= rs.boxW || sy - 1 < 0},
        {sx - 1, sy, (15 - fx) * fy, sx - 1 < 0 || sy + 1 >= rs.boxH},
        {sx, sy, fx * fy, sx + 1 >= rs.boxW || sy + 1 >= rs.boxH},
    };
    u32 coverage = 0;
    u32 missing = 0;
    u32 sums[3] = {0, 0, 0};
    for (const Corner& k : corners) {
        if (k.weight == 0) continue;
        if (k.outside) {
            missing += k.weight;
            continue;
        }
        const u32 value = SourceValue(static_cast<u16>(k.column), static_cast<u16>(k.row));
        const u16 sample = ValueToSample(value);
        if (rs.coverageSource) {
            coverage += sample * k.weight;
        } else if (rs.transparent && IsBackgroundSample(value, sample)) {
            missing += k.weight;
        } else {
            for (int i = 0; i < 3; ++i) sums[i] += (sample & kFieldMasks[i]) * k.weight;
        }
    }
    if (rs.coverageSource) {
        Plot(walker, BlendCoverage(coverage, missing));
        return;
    }
    Rgb565 colour = 0;
    for (int i = 0; i < 3; ++i) {
        const u32 field = (sums[i] + (RasterBackground & kFieldMasks[i]) * missing) / kFilterWeight;
        colour = static_cast<Rgb565>(colour | (field & kFieldMasks[i]));
    }
    Plot(walker, colour);
}

void ResetRotationStatics() { rs = RotationState{}; }
