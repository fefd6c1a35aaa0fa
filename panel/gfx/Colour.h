// Pixel formats and colour arithmetic around Rgb565.
#pragma once

#include "panel/Types.h"

struct RgbTriple {
    u8 red;
    u8 green;
    u8 blue;
};

Rgb565 PackRgb565(const RgbTriple* rgb);
void ExpandPixelToRgb(u32 value, RgbTriple* out, u8 depth);
Rgb565 ConvertPixelToRgb565(u32 value, u8 depth);
Rgb565 BlendRgb565(Rgb565 fg, Rgb565 bg, u8 alpha);
