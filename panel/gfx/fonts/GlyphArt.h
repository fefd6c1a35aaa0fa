// Text-font glyphs written as pixel rows, packed at compile time into the
// stored short-header glyph records, so that the font sources stay readable.
#pragma once

#include <array>
#include <cstddef>

#include "panel/gfx/FontFormat.h"

struct GlyphArt {
    u16 width;         // advance width in pixels, also the length of every row
    const char* rows;  // height rows of width characters, '#' ink and '.' blank; "" for a blank glyph
};

// Deliberately not constexpr: reaching it during the packing of a font makes
// the constant evaluation fail, so malformed art is a compile error.
inline void MalformedGlyphArt() {}

template <u8 Height, u8 BytesPerRow, std::size_t Count>
constexpr std::array<u8, Count*(kShortHeaderBytes + Height * BytesPerRow)> PackGlyphArt(const GlyphArt (&art)[Count]) {
    constexpr std::size_t kRecordBytes = kShortHeaderBytes + Height * BytesPerRow;
    std::array<u8, Count * kRecordBytes> records{};
    for (std::size_t i = 0; i < Count; ++i) {
        const GlyphArt& glyph = art[i];
        u8* record = records.data() + i * kRecordBytes;
        if (glyph.width == 0 || glyph.width > BytesPerRow * 8) MalformedGlyphArt();
        record[0] = static_cast<u8>(glyph.width & 0xFF);
        record[1] = static_cast<u8>(glyph.width >> 8);
        record[2] = Height;
        std::size_t length = 0;
        while (glyph.rows[length] != '\0') ++length;
        if (length == 0) continue;
        if (length != std::size_t{glyph.width} * Height) MalformedGlyphArt();
        for (std::size_t y = 0; y < Height; ++y) {
            for (std::size_t x = 0; x < glyph.width; ++x) {
                const char pixel = glyph.rows[y * glyph.width + x];
                if (pixel == '#') {
                    record[kShortHeaderBytes + y * BytesPerRow + x / 8] |= static_cast<u8>(0x80 >> (x % 8));
                } else if (pixel != '.') {
                    MalformedGlyphArt();
                }
            }
        }
    }
    return records;
}
