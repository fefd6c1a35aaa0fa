// Pixel art written as text in the source and packed into bitmap bytes at
// compile time, so that glyphs and pictures stay editable by eye.
//
// A sheet is a multi-line string (usually a raw string literal); a picture is a
// rectangle of it, one character per pixel. The key lists the pixel characters
// by value: ".#" for one bit per pixel, ".:+#" for two, up to sixteen
// characters for four. Packed rows start on a byte boundary and hold their
// pixels from the most significant bit down, the layout the raster blit reads.
#pragma once

#include "panel/Types.h"

#include <array>
#include <string_view>

namespace PixelArt {

// Not constexpr: reaching it during constant evaluation stops the build, which
// is how a malformed sheet reports itself.
inline void MalformedPixelArt() {}

// Line `index` of the sheet, lines separated by '\n'; empty past the end. A raw
// string that opens with a line break has its first row at line 1.
constexpr std::string_view SheetLine(std::string_view sheet, u32 index) {
    std::size_t start = 0;
    for (u32 i = 0; i < index; ++i) {
        const std::size_t end = sheet.find('\n', start);
        if (end == std::string_view::npos) return {};
        start = end + 1;
    }
    const std::size_t end = sheet.find('\n', start);
    return sheet.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

constexpr u32 RowBytes(u32 width, u8 depth) { return (width * depth + 7) / 8; }

// Packs the rectangle of `width` x `height` characters whose top-left corner is
// column `left` of line `top` into `out` (height x RowBytes bytes). Every
// character of the rectangle must be in the key, and the key must not name
// more values than the depth can hold.
constexpr void PackRect(std::string_view sheet, u32 left, u32 top, u32 width, u32 height, u8 depth,
                        std::string_view key, u8* out) {
    if ((depth != 1 && depth != 2 && depth != 4 && depth != 8) || key.size() > (1u << depth)) MalformedPixelArt();
    const u32 rowBytes = RowBytes(width, depth);
    for (u32 y = 0; y < height; ++y) {
        const std::string_view line = SheetLine(sheet, top + y);
        if (line.size() < left + width) MalformedPixelArt();
        u8* row = out + y * rowBytes;
        for (u32 i = 0; i < rowBytes; ++i) row[i] = 0;
        for (u32 x = 0; x < width; ++x) {
            const std::size_t value = key.find(line[left + x]);
            if (value == std::string_view::npos) MalformedPixelArt();
            const u32 bit = x * depth;
            row[bit / 8] = static_cast<u8>(row[bit / 8] | (value << (8 - depth - bit % 8)));
        }
    }
}

// A whole picture as a byte array, for tables that hold their bitmaps apart.
template <u32 Width, u32 Height, u8 Depth = 1>
consteval std::array<u8, RowBytes(Width, Depth) * Height> Pack(std::string_view sheet, std::string_view key = ".#",
                                                               u32 left = 0, u32 top = 0) {
    std::array<u8, RowBytes(Width, Depth) * Height> bytes{};
    PackRect(sheet, left, top, Width, Height, Depth, key, bytes.data());
    return bytes;
}

}  // namespace PixelArt
