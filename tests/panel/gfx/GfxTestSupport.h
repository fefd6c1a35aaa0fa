// Small fonts and image tables built in the tests' own memory, in the stored
// format that the drawing code reads, plus framebuffer helpers.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "panel/gfx/Context.h"
#include "panel/gfx/FontFormat.h"
#include "panel/hw/LcdQueue.h"

namespace gfxtest {

constexpr Rgb565 kSentinel = 0x1234;
constexpr Rgb565 kWhite = 0xFFFF;
constexpr Rgb565 kBlack = 0x0000;
constexpr Rgb565 kRed = 0xF800;
constexpr Rgb565 kBlue = 0x001F;

// A glyph as text rows: '#' a set pixel, anything else a clear one.
struct GlyphArt {
    u16 width;
    std::vector<std::string> rows;
};

struct BuiltTable {
    std::vector<u8> bytes;
    std::vector<u8> extra;  // range map or palette record
    FontRecord record{};
};

// A text font with short headers, one bit per pixel, `rowBytes` bytes per row.
inline BuiltTable BuildShortFont(u8 height, u8 rowBytes, const std::vector<GlyphArt>& glyphs,
                                 std::vector<u8> map = {}) {
    BuiltTable t;
    const u32 glyphBytes = static_cast<u32>(height) * rowBytes;
    for (const GlyphArt& g : glyphs) {
        t.bytes.push_back(static_cast<u8>(g.width & 0xFF));
        t.bytes.push_back(static_cast<u8>(g.width >> 8));
        t.bytes.push_back(height);
        for (u8 r = 0; r < height; ++r) {
            for (u8 b = 0; b < rowBytes; ++b) {
                u8 byte = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    const size_t col = static_cast<size_t>(b) * 8 + bit;
                    if (r < g.rows.size() && col < g.rows[r].size() && g.rows[r][col] == '#') byte |= 0x80 >> bit;
                }
                t.bytes.push_back(byte);
            }
        }
    }
    t.extra = std::move(map);
    t.record = FontRecord{
        glyphs.empty() ? u16{0} : glyphs[0].width, height, glyphBytes, t.bytes.data(), static_cast<u16>(glyphs.size()),
        t.extra.empty() ? nullptr : t.extra.data()};
    return t;
}

// A glyph of width w and the font's height with every pixel set.
inline GlyphArt Solid(u16 width, u8 height) {
    return GlyphArt{width, std::vector<std::string>(height, std::string(width, '#'))};
}

// One long-header image: its pixel values row by row, packed at `depth`.
struct ImageArt {
    u8 format;
    u16 width;
    u8 height;
    std::vector<u32> pixels;  // width x height values
};

inline BuiltTable BuildImageTable(u32 glyphBytes, const std::vector<ImageArt>& images, std::vector<u8> palette = {}) {
    BuiltTable t;
    for (const ImageArt& im : images) {
        const size_t start = t.bytes.size();
        t.bytes.push_back(0);
        t.bytes.push_back(0);
        t.bytes.push_back(im.format);
        t.bytes.push_back(static_cast<u8>(im.width & 0xFF));
        t.bytes.push_back(static_cast<u8>(im.width >> 8));
        t.bytes.push_back(im.height);
        const int depth = im.format & kFormatDepthMask;
        const size_t stride = depth > 8 ? im.width * ((depth + 7) / 8) : (im.width * depth + 7) / 8;
        std::vector<u8> rows(stride * im.height, 0);
        for (int y = 0; y < im.height; ++y) {
            for (int x = 0; x < im.width; ++x) {
                const u32 v = im.pixels[static_cast<size_t>(y) * im.width + x];
                if (depth <= 8) {
                    const size_t bit = static_cast<size_t>(x) * depth;
                    rows[y * stride + bit / 8] |= static_cast<u8>(v << (8 - depth - bit % 8));
                } else {
                    const int n = (depth + 7) / 8;
                    for (int i = 0; i < n; ++i) rows[y * stride + x * n + i] = static_cast<u8>(v >> (8 * (n - 1 - i)));
                }
            }
        }
        t.bytes.insert(t.bytes.end(), rows.begin(), rows.end());
        t.bytes.resize(start + 6 + glyphBytes, 0);
    }
    t.extra = std::move(palette);
    t.record = FontRecord{images.empty() ? u16{0} : images[0].width,
                          images.empty() ? u8{0} : images[0].height,
                          glyphBytes,
                          t.bytes.data(),
                          static_cast<u16>(images.size()),
                          t.extra.empty() ? nullptr : t.extra.data()};
    return t;
}

// A PaletteRecord of 2^depth colours.
inline std::vector<u8> PaletteRecordOf(u16 depth, const std::vector<Rgb565>& colours) {
    std::vector<u8> p{static_cast<u8>(depth & 0xFF), static_cast<u8>(depth >> 8)};
    for (Rgb565 c : colours) {
        p.push_back(static_cast<u8>(c & 0xFF));
        p.push_back(static_cast<u8>(c >> 8));
    }
    return p;
}

// Record n of a table, as the lookup hands it out: the short header for text
// fonts, the long one for image tables.
inline const u8* RecordOf(const FontRecord& table, u32 n, u32 header = kShortHeaderBytes) {
    return table.glyphs + n * (table.glyphBytes + header);
}

inline void FillScreen(Rgb565 colour) {
    for (Rgb565& p : PanelFramebuffer) p = colour;
}

inline Rgb565 Px(int x, int y) { return FramebufferAt(static_cast<u16>(x), static_cast<u16>(y)); }

inline int CountIn(int x0, int y0, int x1, int y1, Rgb565 colour) {
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) n += Px(x, y) == colour ? 1 : 0;
    return n;
}

// Pixels of the whole screen that differ from `colour`.
inline int CountNot(Rgb565 colour) {
    return kScreenWidth * kScreenHeight - CountIn(0, 0, kScreenWidth - 1, kScreenHeight - 1, colour);
}

// The pixels of a rectangle, row by row.
inline std::vector<Rgb565> Region(int x0, int y0, int x1, int y1) {
    std::vector<Rgb565> pixels;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) pixels.push_back(Px(x, y));
    return pixels;
}

using Picture = std::vector<std::string>;

// What a rectangle of the screen shows, one character per pixel after the
// legend, '?' for a colour the legend does not name.
inline Picture Show(int x0, int y0, int x1, int y1, std::initializer_list<std::pair<char, Rgb565>> legend) {
    Picture rows;
    for (int y = y0; y <= y1; ++y) {
        std::string row;
        for (int x = x0; x <= x1; ++x) {
            char ch = '?';
            for (const auto& [c, colour] : legend)
                if (Px(x, y) == colour) {
                    ch = c;
                    break;
                }
            row += ch;
        }
        rows.push_back(row);
    }
    return rows;
}

// '#' for `set`, '.' for `clear`, '?' for anything else.
inline Picture Snapshot(int x0, int y0, int x1, int y1, Rgb565 set, Rgb565 clear) {
    return Show(x0, y0, x1, y1, {{'#', set}, {'.', clear}});
}

// Fresh contexts over a screen of kSentinel.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitContexts();
        LcdApplyQueue();
        FillScreen(kSentinel);
    }
    static void ExpectCursor(u16 x, u16 y) {
        EXPECT_EQ(CurrentContext().cursorX, x);
        EXPECT_EQ(CurrentContext().cursorY, y);
    }
};

}  // namespace gfxtest
