// Raster primitives: absolute screen coordinates in, LCD-controller transfers
// out (through the LcdQueue). Nothing here knows graphics contexts or fonts.
#pragma once

#include "panel/Types.h"

struct RgbTriple;

extern Rgb565 RasterForeground;
extern Rgb565 RasterBackground;
extern Rgb565 RasterPalette[16];
extern u8 RasterError;

// BlitFlags: bits 0-4 depth (0 means 1), then these.
constexpr u8 kBlitTransparent = 0x20;
constexpr u8 kBlitCoverage = 0x40;
constexpr u8 kBlitInverse = 0x80;

void SetRasterColours(Rgb565 foreground, Rgb565 background);
u8 LoadPalette(u16 first, u16 count, const RgbTriple* source);
bool RasterInit();
bool RasterFailed();
void DisplayOff();
void DisplayOn();
void DrawPixel(u16 x, u8 y, Rgb565 colour);
void DrawHLine(u16 x0, u8 y, u16 x1, Rgb565 colour);
void DrawVLine(u16 x, u8 y0, u8 y1, Rgb565 colour);
void DrawFrame(u16 x0, u8 y0, u16 x1, u8 y1, Rgb565 colour);
void FillPattern(u16 x0, u8 y0, u16 x1, u8 y1, u16 pattern);
void BlitBitmap(u16 x0, u8 y0, u16 x1, u8 y1, const u8* data, u16 stride, u8 flags, const u8* palette, u8 sliceStart,
                u8 sliceRows);
void ShowRawMessage(const char* text);
i32 SinFixed(u16 degrees);
i32 CosFixed(u16 degrees);
