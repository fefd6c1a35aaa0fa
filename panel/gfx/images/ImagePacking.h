// Compile-time packing of pixel art into the stored image-table records.
//
// An image is written in source as a raw string: one text row per pixel row,
// one character per pixel, rows ended by line feeds (a line feed right after
// the opening delimiter is ignored). A legend string names the character of
// every palette index or coverage value, index 0 first. Ragged rows, unknown
// characters or a wrong size stop the build, because the packing runs in a
// constant expression and the error path calls a function that is not
// constexpr.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"

namespace ImagePacking {

// Not constexpr on purpose: reaching it during constant evaluation is a
// compile error that names the broken art.
inline void PixelArtError(const char*) {}

struct ArtSize {
    u16 width;
    u8 height;
};

constexpr std::string_view TrimLeadingNewline(std::string_view art) {
    if (!art.empty() && art.front() == '\n') art.remove_prefix(1);
    return art;
}

constexpr ArtSize MeasureArt(std::string_view art) {
    art = TrimLeadingNewline(art);
    std::size_t width = 0;
    std::size_t height = 0;
    std::size_t run = 0;
    for (char c : art) {
        if (c != '\n') {
            ++run;
            continue;
        }
        if (height == 0) width = run;
        if (run != width) PixelArtError("pixel art rows differ in length");
        ++height;
        run = 0;
    }
    if (run != 0) PixelArtError("pixel art must end with a line feed");
    if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFF) PixelArtError("pixel art size out of range");
    return ArtSize{static_cast<u16>(width), static_cast<u8>(height)};
}

constexpr u32 RowBytes(u16 width, u8 depth) { return (static_cast<u32>(width) * depth + 7) / 8; }

// Bitmap bytes per record: the largest image's rows, as the table's glyph size.
template <std::size_t Count>
constexpr u32 GlyphBytesOf(u8 depth, const std::array<std::string_view, Count>& arts) {
    u32 most = 0;
    for (std::string_view art : arts) {
        const ArtSize size = MeasureArt(art);
        const u32 bytes = RowBytes(size.width, depth) * size.height;
        if (bytes > most) most = bytes;
    }
    return most;
}

constexpr u8 PixelValue(char c, std::string_view legend) {
    for (std::size_t i = 0; i < legend.size(); ++i) {
        if (legend[i] == c) return static_cast<u8>(i);
    }
    PixelArtError("pixel art character missing from the legend");
    return 0;
}

// Back-to-back long-header glyph records, each padded to GlyphBytes.
template <u32 GlyphBytes, std::size_t Count>
constexpr std::array<u8, Count*(kLongHeaderBytes + GlyphBytes)> PackImageTable(
    u8 format, std::string_view legend, const std::array<std::string_view, Count>& arts) {
    std::array<u8, Count*(kLongHeaderBytes + GlyphBytes)> out{};
    const u8 depth = format & kFormatDepthMask;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8) PixelArtError("unsupported image depth");
    if (legend.size() != (std::size_t{1} << depth)) PixelArtError("legend needs one character per value");
    std::size_t base = 0;
    for (std::string_view art : arts) {
        const ArtSize size = MeasureArt(art);
        const u32 stride = RowBytes(size.width, depth);
        if (stride * size.height > GlyphBytes) PixelArtError("image larger than the table's glyph size");
        out[base + 0] = 0;
        out[base + 1] = 0;
        out[base + 2] = format;
        out[base + 3] = static_cast<u8>(size.width & 0xFF);
        out[base + 4] = static_cast<u8>(size.width >> 8);
        out[base + 5] = size.height;
        const std::string_view rows = TrimLeadingNewline(art);
        const std::size_t bitmap = base + kLongHeaderBytes;
        for (u32 y = 0; y < size.height; ++y) {
            for (u32 x = 0; x < size.width; ++x) {
                const u8 v = PixelValue(rows[y * (size.width + 1u) + x], legend);
                const u32 bit = x * depth;
                const u8 shift = static_cast<u8>(8 - depth - bit % 8);
                out[bitmap + y * stride + bit / 8] |= static_cast<u8>(v << shift);
            }
        }
        base += kLongHeaderBytes + GlyphBytes;
    }
    return out;
}

// PaletteRecord: u16 depth, then 2^depth colours, all little-endian.
template <std::size_t Entries>
constexpr std::array<u8, 2 + 2 * Entries> PackPalette(const std::array<Rgb565, Entries>& colours) {
    std::array<u8, 2 + 2 * Entries> out{};
    u16 depth = 0;
    while ((std::size_t{1} << depth) < Entries) ++depth;
    if ((std::size_t{1} << depth) != Entries) PixelArtError("a palette holds 2^depth colours");
    out[0] = static_cast<u8>(depth);
    out[1] = 0;
    for (std::size_t i = 0; i < Entries; ++i) {
        out[2 + 2 * i] = static_cast<u8>(colours[i] & 0xFF);
        out[3 + 2 * i] = static_cast<u8>(colours[i] >> 8);
    }
    return out;
}

}  // namespace ImagePacking
