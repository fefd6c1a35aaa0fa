#include "panel/gfx/Colour.h"

namespace {

// Red and blue round half up without ever carrying into the next field: a byte
// whose bits 3-2 read 01 is lifted to 11 before it is truncated to five bits.
constexpr u16 FiveBitChannel(u8 byte) {
    if (byte & 0x04) byte = static_cast<u8>(byte | 0x08);
    return static_cast<u16>(byte & 0xF8);
}

constexpr u32 BlendChannel(u32 fg, u32 bg, u32 alpha, u32 mask) {
    return (((fg & mask) * alpha + (bg & mask) * (255 - alpha)) / 255) & mask;
}

}  // namespace

Rgb565 PackRgb565(const RgbTriple* rgb) {
    if (rgb == nullptr) return 0;
    const u16 red = FiveBitChannel(rgb->red);
    const u16 green = static_cast<u16>(rgb->green & 0xFC);
    const u16 blue = FiveBitChannel(rgb->blue);
    return static_cast<Rgb565>((red << 8) | (green << 3) | (blue >> 3));
}

void ExpandPixelToRgb(u32 value, RgbTriple* out, u8 depth) {
    if (out == nullptr) return;
    u32 red = 0;
    u32 green = 0;
    u32 blue = 0;
    if (depth == 8) {
        // Low bits are filled by replicating the high ones, so full scale is 255.
        red = value & 0xE0;
        green = (value << 3) & 0xE0;
        blue = (value << 6) & 0xC0;
        red |= (red >> 3) | (red >> 5);
        green |= (green >> 3) | (green >> 5);
        blue |= (blue >> 2) | (blue >> 4) | (blue >> 6);
    } else if (depth == 18) {
        red = (value >> 10) & 0xFC;
        green = (value >> 4) & 0xFC;
        blue = (value << 2) & 0xFC;
        red |= red >> 6;
        green |= green >> 6;
        blue |= blue >> 6;
    } else if (depth >= 24) {
        red = (value >> 16) & 0xFF;
        green = (value >> 8) & 0xFF;
        blue = value & 0xFF;
    }
    out->red = static_cast<u8>(red);
    out->green = static_cast<u8>(green);
    out->blue = static_cast<u8>(blue);
}

Rgb565 ConvertPixelToRgb565(u32 value, u8 depth) {
    RgbTriple rgb{};
    ExpandPixelToRgb(value, &rgb, depth);
    return PackRgb565(&rgb);
}

Rgb565 BlendRgb565(Rgb565 fg, Rgb565 bg, u8 alpha) {
    if (alpha == 0) return bg;
    if (alpha == 255) return fg;
    return static_cast<Rgb565>(BlendChannel(fg, bg, alpha, 0xF800) | BlendChannel(fg, bg, alpha, 0x07E0) |
                               BlendChannel(fg, bg, alpha, 0x001F));
}
