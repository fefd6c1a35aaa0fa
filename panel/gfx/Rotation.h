// Rotated text: one glyph of the current font drawn at any angle about its
// anchor, by walking the destination pixels of the rotated glyph box and
// mapping each back into the glyph in 16.16 fixed point. Small glyphs at
// slanted angles are sampled with a 2 x 2 filter in sixteenths of a pixel.
// Every pixel is written singly, so this is for short labels.
#pragma once

#include "panel/Types.h"

// Render flags of RenderRotated.
constexpr u16 kRotateSolidForeground = 0x0001;  // the solid-fill colour is the foreground
constexpr u16 kRotateAnchorLeft = 0x0004;       // neither left nor right: the glyph's centre
constexpr u16 kRotateAnchorRight = 0x0008;
constexpr u16 kRotateAnchorTop = 0x0010;  // neither top nor bottom: the glyph's centre
constexpr u16 kRotateAnchorBottom = 0x0020;
constexpr u16 kRotateSolidFill = 0x0400;
constexpr u16 kRotateTransparent = 0x8000;

// The glyph being sampled.
struct SourceGlyph {
    const u8* data;
    u16 width;
    u16 height;
    u16 stride;
    u8 depth;      // 0 = no glyph
    u8 direct;     // pixels are colour values of 8 bits (3-3-2) or whole bytes
    u8 indexed;    // pixels of up to 8 bits are palette indices or coverage
    u8 coverage;   // indices are coverage values
    u8 twoColour;  // a one-bit text glyph drawn in setColour and clearColour
    Rgb565 setColour;
    Rgb565 clearColour;
};

// A destination pixel relative to the clip window and the source coordinate
// (16.16) that maps to it.
struct Walker {
    i32 x;
    i32 y;
    i32 u;
    i32 v;
};

// Angles in whole degrees counter-clockwise, from the 5-degree sine table.
void SetRotation(u16 angle);
i32 RotationSin();
i32 RotationCos();

// One character at the current context's text cursor, advancing the cursor
// along the rotated baseline.
void RotatedCharAt(u8 code, u16 angle);

// Looks the glyph up in the current font and renders it with its left edge
// and bottom row at (x, y), relative to the clip window. Returns its width,
// 0 when there is no glyph.
u16 RenderRotatedGlyph(u8 code, u16 x, u16 y);

void RenderRotated(i32 x, i32 y, const u8* glyph, i16 offsetX, i16 offsetY, u16 flags, u16 stride);

// Describes `glyph` for sampling; returns its format byte (1 for a text glyph).
u8 SetupSource(const u8* glyph, u16 stride);
const SourceGlyph& CurrentSource();

// One source pixel: an Rgb565 colour, or a coverage 0..255 for coverage data.
u16 SampleSource(u16 column, u16 row);

void ScanRow(const Walker& walker);
void RenderRotatedPixel(const Walker& walker);
