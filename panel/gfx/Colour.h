// Pixel formats and colour arithmetic around Rgb565.
#pragma once

#include "panel/Types.h"

struct RgbTriple {
    u8 red;
    u8 green;
    u8 blue;
};

// An Rgb565 colour as 8-bit components, each scaled to full range and rounded
// down: the one conversion every view of the screen (window, images, tests)
// uses.
constexpr RgbTriple Rgb565ToRgb(Rgb565 c) {
    return {static_cast<u8>(((c >> 11) & 0x1Fu) * 255u / 31u), static_cast<u8>(((c >> 5) & 0x3Fu) * 255u / 63u),
            static_cast<u8>((c & 0x1Fu) * 255u / 31u)};
}

// The same colour as 0xRRGGBB.
constexpr u32 Rgb565ToRgb888(Rgb565 c) {
    const RgbTriple rgb = Rgb565ToRgb(c);
    return static_cast<u32>(rgb.red) << 16 | static_cast<u32>(rgb.green) << 8 | rgb.blue;
}

Rgb565 PackRgb565(const RgbTriple* rgb);
void ExpandPixelToRgb(u32 value, RgbTriple* out, u8 depth);
Rgb565 ConvertPixelToRgb565(u32 value, u8 depth);
Rgb565 BlendRgb565(Rgb565 fg, Rgb565 bg, u8 alpha);
