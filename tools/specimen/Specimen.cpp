// Specimen sheet: every glyph of every panel font, every image of every image
// table and a few rotated-text samples, drawn through the panel's own
// graphics code into framebuffer pages and written as one PNG for review.
//
//   specimen OUT.png
#include <cstdio>
#include <string>
#include <vector>

#include "host/export/PngWriter.h"
#include "panel/gfx/Colour.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"
#include "panel/gfx/Rotation.h"
#include "panel/gfx/Text.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/gfx/images/Images.h"
#include "panel/hw/LcdQueue.h"

namespace {

constexpr int kScale = 2;
constexpr int kPagesPerRow = 3;
constexpr Rgb565 kPageColour = 0x2945;  // dark grey around the glyph cells
constexpr Rgb565 kCellColour = 0x0000;
constexpr Rgb565 kInkColour = 0xFFFF;
constexpr Rgb565 kLabelColour = 0xFFE0;
constexpr int kTitleRows = 10;

std::vector<std::vector<Rgb565>> pages;

void ClearPage() {
    for (Rgb565& p : PanelFramebuffer) p = kPageColour;
}

void KeepPage() { pages.emplace_back(std::begin(PanelFramebuffer), std::end(PanelFramebuffer)); }

void Label(int x, int y, const std::string& text) {
    const FontRecord* old = SetFont(nullptr);
    SetForeColour(kLabelColour);
    SetBackColour(kPageColour);
    SetContextFlags(0);
    SetTextPosition(static_cast<u16>(x), static_cast<u8>(y));
    for (char ch : text) {
        PutChar(static_cast<u8>(ch));
        LcdApplyQueue();
    }
    SetFont(old);
}

void Title(const std::string& text) { Label(2, kTitleRows - 2, text); }

// Every code of a font that has a glyph of its own (not the fallback), in
// cells as high as the font and as wide as its widest glyph.
void FontPages(const char* name, const FontRecord& font) {
    int cellW = 0;
    for (int code = 0; code < 256; ++code) {
        const u16 w = GlyphWidth(GlyphLookup(static_cast<u8>(code), &font, font.mapOrPalette));
        if (w > cellW) cellW = w;
    }
    const int stepX = cellW + 2;
    const int stepY = font.height + 2;
    const int columns = (kScreenWidth - 2) / stepX;
    const u8 fallbackCode = font.mapOrPalette != nullptr ? font.mapOrPalette[1] : 0;
    const u8* fallback = font.mapOrPalette != nullptr ? GlyphLookup(fallbackCode, &font, font.mapOrPalette) : nullptr;

    int n = 0;
    int page = 0;
    for (int code = 0; code < 256; ++code) {
        const u8* glyph = GlyphLookup(static_cast<u8>(code), &font, font.mapOrPalette);
        if (glyph == nullptr || (glyph == fallback && code != fallbackCode)) continue;
        const int slot = n % (columns * ((kScreenHeight - kTitleRows - 2) / stepY));
        if (slot == 0) {
            if (n != 0) KeepPage();
            ClearPage();
            Title(std::string(name) + " page " + std::to_string(++page) + " from code " + std::to_string(code));
        }
        const int x = 2 + (slot % columns) * stepX;
        const int baseline = kTitleRows + 1 + (slot / columns) * stepY + font.height - 1;
        SetFont(&font);
        SetForeColour(kInkColour);
        SetBackColour(kCellColour);
        SetContextFlags(0);
        SetTextPosition(static_cast<u16>(x), static_cast<u8>(baseline));
        PutChar(static_cast<u8>(code));
        LcdApplyQueue();
        ++n;
    }
    KeepPage();
}

// Sample lines in panel codes, including the degree sign and Polish letters.
void TextPage() {
    ClearPage();
    Title("Sample lines, fonts 1-4 and 0/2");
    const std::string samples[] = {
        "Kollektor 87,5 \xB0"
        "C \xC4\xD6\xDC\xDF",
        "Temp\xE9rature \x8A\xF3"
        "d\x8D \x8F"
        "r",
    };
    const FontRecord* fonts[] = {&Font1, &Font3, &Font4};
    int y = kTitleRows + 2;
    for (const FontRecord* f : fonts) {
        for (const std::string& s : samples) {
            SetFont(f);
            SetForeColour(kInkColour);
            SetBackColour(kPageColour);
            SetContextFlags(0x8000);
            y += f->height;
            SetTextPosition(4, static_cast<u8>(y));
            for (char ch : s) {
                PutChar(static_cast<u8>(ch));
                LcdApplyQueue();
            }
        }
    }
    const FontRecord* small[] = {&Font0, &Font2};
    for (const FontRecord* f : small) {
        SetFont(f);
        SetContextFlags(0x8000);
        y += f->height + 2;
        SetTextPosition(4, static_cast<u8>(y));
        for (char ch : std::string("Quick fox, 13 lazy dogs. 0123456789\t|tab")) {
            PutChar(static_cast<u8>(ch));
            LcdApplyQueue();
        }
    }
    KeepPage();
}

// Rotated glyphs every 30 degrees, one cell each, the anchor (the text
// cursor before the first glyph) marked in red. Font 2's glyphs are small
// enough for the filter at slanted angles.
void RotationPage(const char* title, const FontRecord* top, const char* topText, const FontRecord* bottom,
                  const char* bottomText) {
    ClearPage();
    Title(title);
    constexpr int kCellW = 53;
    constexpr int kCellH = 57;
    for (int half = 0; half < 2; ++half) {
        const FontRecord* font = half == 0 ? top : bottom;
        const std::string text = half == 0 ? topText : bottomText;
        for (int i = 0; i < 12; ++i) {
            const int cx = (i % 6) * kCellW + kCellW / 2;
            const int cy = kTitleRows + (half * 2 + i / 6) * kCellH + kCellH / 2;
            const int angle = i * 30;
            Label((i % 6) * kCellW + 1, kTitleRows + (half * 2 + i / 6) * kCellH + 8, std::to_string(angle));
            SetFont(font);
            SetForeColour(kInkColour);
            SetBackColour(kPageColour);
            SetContextFlags(0x8000);
            SetTextPosition(static_cast<u16>(cx), static_cast<u8>(cy));
            for (char ch : text) {
                RotatedCharAt(static_cast<u8>(ch), static_cast<u16>(angle));
                LcdApplyQueue();
            }
            DrawPixel(static_cast<u16>(cx), static_cast<u8>(cy), 0xF800);
            LcdApplyQueue();
        }
    }
    KeepPage();
}

void ImagePages() {
    int page = 0;
    int x = 2;
    int y = kTitleRows + 2;
    int rowHeight = 0;
    ClearPage();
    Title("Images page 1");
    const FontRecord* tables[] = {&ImageTable0, &ImageTable1, &ImageTable2, &ImageTable3,
                                  &ImageTable4, &ImageTable5, &ImageTable6};
    for (int t = 0; t < 7; ++t) {
        const FontRecord* table = tables[t];
        for (int i = 0; i < table->count; ++i) {
            const u8* image = LookupGlyph(static_cast<u8>(i), table);
            const int w = GlyphWidth(image);
            const int h = GlyphHeight(image);
            if (x + w > kScreenWidth - 2) {
                x = 2;
                y += rowHeight + 12;
                rowHeight = 0;
            }
            if (y + h + 10 > kScreenHeight) {
                KeepPage();
                ClearPage();
                Title("Images page " + std::to_string(++page + 1));
                x = 2;
                y = kTitleRows + 2;
                rowHeight = 0;
            }
            SetForeColour(kInkColour);
            SetBackColour(kCellColour);
            SetContextFlags(0);
            // Large images go in slices, as the interpreter spreads them over
            // ticks, so that one slice's transfers fit the LCD queue.
            const int rowsPerSlice = (kLcdQueueSize - 64) / (2 * w + 22);
            for (int first = 1; first <= h; first += rowsPerSlice) {
                DrawImageAt(static_cast<u16>(x), static_cast<u8>(y + 9), image, table->mapOrPalette,
                            static_cast<u8>(first), static_cast<u8>(rowsPerSlice > 255 ? 255 : rowsPerSlice));
                LcdApplyQueue();
            }
            Label(x, y + 7, std::to_string(t) + "." + std::to_string(i));
            x += (w > 24 ? w : 24) + 4;
            if (h + 9 > rowHeight) rowHeight = h + 9;
        }
    }
    KeepPage();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: specimen OUT.png\n");
        return 2;
    }
    InitContexts();
    LcdApplyQueue();

    FontPages("Font0", Font0);
    FontPages("Font1", Font1);
    FontPages("Font2", Font2);
    FontPages("Font3", Font3);
    FontPages("Font4", Font4);
    TextPage();
    RotationPage("Rotated: font 2 (filtered), font 3", &Font2, "Ab", &Font3, "Ag");
    RotationPage("Rotated: font 4, font 1", &Font4, "Ag", &Font1, "Ab");
    ImagePages();

    const int rows = (static_cast<int>(pages.size()) + kPagesPerRow - 1) / kPagesPerRow;
    const int gap = 4;
    const int width = kPagesPerRow * (kScreenWidth * kScale + gap) - gap;
    const int height = rows * (kScreenHeight * kScale + gap) - gap;
    std::vector<std::uint32_t> sheet(static_cast<size_t>(width) * height, 0x808080);
    for (size_t p = 0; p < pages.size(); ++p) {
        const int ox = static_cast<int>(p % kPagesPerRow) * (kScreenWidth * kScale + gap);
        const int oy = static_cast<int>(p / kPagesPerRow) * (kScreenHeight * kScale + gap);
        for (int x = 0; x < kScreenWidth * kScale; ++x) {
            for (int y = 0; y < kScreenHeight * kScale; ++y) {
                const Rgb565 c = pages[p][FramebufferIndex(static_cast<u16>(x / kScale), static_cast<u16>(y / kScale))];
                sheet[static_cast<size_t>(oy + y) * width + ox + x] = Rgb565ToRgb888(c);
            }
        }
    }
    std::string error;
    if (!WritePng(argv[1], width, height, sheet, error)) {
        std::fprintf(stderr, "specimen: %s\n", error.c_str());
        return 1;
    }
    std::printf("%zu pages written to %s\n", pages.size(), argv[1]);
    return 0;
}
