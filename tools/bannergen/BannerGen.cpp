// Rasterises the fault view's banners (the word for "fault" in every panel
// language) with FreeType into the source of image table 6, as text rows that
// stay editable by hand. Run once; its output is committed, so a build needs
// no font file:
//   bannergen /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf > panel/gfx/images/FaultBanners.cpp
// Each word is the one the language's fault texts use (58, 95, 96, 97 in po/).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 130;
constexpr int kHeight = 48;
constexpr int kMargin = 3;          // free pixels kept around the word
constexpr int kLargestPixels = 38;  // the shortest words stop growing here

struct Word {
    const char* language;
    const char* utf8;
};

// In Language order: German, English, French, Italian, Spanish, Dutch, Polish.
const Word kWords[] = {
    {"German", "Störung"}, {"English", "Fault"}, {"French", "Défaut"},  {"Italian", "Anomalia"},
    {"Spanish", "Avería"}, {"Dutch", "Storing"}, {"Polish", "Usterka"},
};

std::vector<char32_t> DecodeUtf8(const char* s) {
    std::vector<char32_t> out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p;) {
        char32_t c = *p++;
        int more = 0;
        if (c >= 0xF0)
            c &= 0x07, more = 3;
        else if (c >= 0xE0)
            c &= 0x0F, more = 2;
        else if (c >= 0xC0)
            c &= 0x1F, more = 1;
        while (more-- > 0 && *p) c = (c << 6) | (*p++ & 0x3F);
        out.push_back(c);
    }
    return out;
}

using Bitmap = std::vector<std::vector<bool>>;

// Renders the word monochrome (hinted for crisp stems) on a scratch canvas
// with the baseline at `baseline`; returns false if FreeType fails.
bool RenderWord(FT_Face face, const std::vector<char32_t>& text, int pixels, Bitmap& canvas, int baseline) {
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels))) return false;
    canvas.assign(kHeight * 3, std::vector<bool>(kWidth * 3, false));
    int penX = kWidth / 2;
    FT_UInt previous = 0;
    for (char32_t c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
            penX += static_cast<int>(kern.x >> 6);
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) return false;
        const FT_GlyphSlot g = face->glyph;
        for (unsigned row = 0; row < g->bitmap.rows; ++row) {
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                const unsigned char byte = g->bitmap.buffer[row * g->bitmap.pitch + col / 8];
                if (!(byte & (0x80 >> (col % 8)))) continue;
                const int x = penX + g->bitmap_left + static_cast<int>(col);
                const int y = baseline - g->bitmap_top + static_cast<int>(row);
                if (x >= 0 && y >= 0 && x < kWidth * 3 && y < kHeight * 3) canvas[y][x] = true;
            }
        }
        penX += static_cast<int>(g->advance.x >> 6);
        previous = index;
    }
    return true;
}

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};

Box InkBox(const Bitmap& canvas) {
    Box b;
    for (int y = 0; y < static_cast<int>(canvas.size()); ++y)
        for (int x = 0; x < static_cast<int>(canvas[y].size()); ++x)
            if (canvas[y][x]) {
                if (x < b.left) b.left = x;
                if (x > b.right) b.right = x;
                if (y < b.top) b.top = y;
                if (y > b.bottom) b.bottom = y;
            }
    return b;
}

// The largest size at which the word fits the banner, centred on its ink.
bool FitWord(FT_Face face, const Word& word, std::vector<std::string>& rows) {
    const std::vector<char32_t> text = DecodeUtf8(word.utf8);
    for (int pixels = kLargestPixels; pixels >= 8; --pixels) {
        Bitmap canvas;
        if (!RenderWord(face, text, pixels, canvas, kHeight * 2)) return false;
        const Box b = InkBox(canvas);
        const int w = b.right - b.left + 1;
        const int h = b.bottom - b.top + 1;
        if (w > kWidth - 2 * kMargin || h > kHeight - 2 * kMargin) continue;
        const int dx = (kWidth - w) / 2 - b.left;
        const int dy = (kHeight - h) / 2 - b.top;
        rows.assign(kHeight, std::string(kWidth, '.'));
        for (int y = b.top; y <= b.bottom; ++y)
            for (int x = b.left; x <= b.right; ++x)
                if (canvas[y][x]) rows[y + dy][x + dx] = '#';
        std::fprintf(stderr, "%s: %d px\n", word.utf8, pixels);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bannergen FONT.ttf > FaultBanners.cpp\n");
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
        std::fprintf(stderr, "bannergen: cannot open %s\n", argv[1]);
        return 1;
    }
    std::printf(
        "// Image table 6: the fault view's banners, 130 x 48, one per Language: the\n"
        "// word for \"fault\" in bold red over the picture. Generated by\n"
        "// tools/bannergen from DejaVu Sans Bold (licence in LICENSE-DejaVu.txt);\n"
        "// the rows may be touched up by hand. '.' is palette index 0 (black,\n"
        "// left out because the banner is drawn transparent), '#' index 1 (red).\n"
        "#include <array>\n#include <string_view>\n\n"
        "#include \"panel/gfx/images/ImagePacking.h\"\n#include \"panel/gfx/images/Images.h\"\n\n"
        "namespace {\n\nconstexpr std::string_view kLegend = \".#\";\n\n");
    std::string names;
    for (const Word& word : kWords) {
        std::vector<std::string> rows;
        if (!FitWord(face, word, rows)) {
            std::fprintf(stderr, "bannergen: cannot fit %s\n", word.utf8);
            return 1;
        }
        std::printf("// %s\nconstexpr std::string_view k%s = R\"(\n", word.utf8, word.language);
        for (const std::string& row : rows) std::printf("%s\n", row.c_str());
        std::printf(")\";\n\n");
        names += std::string(names.empty() ? "" : ", ") + "k" + word.language;
    }
    std::printf(
        "constexpr std::array<std::string_view, 7> kArts = {%s};\n"
        "constexpr u8 kFormat = 0x01;\n"
        "constexpr u32 kGlyphBytes = ImagePacking::GlyphBytesOf(kFormat, kArts);\n"
        "static_assert(kGlyphBytes == 48 * 17);\n"
        "constexpr auto kGlyphs = ImagePacking::PackImageTable<kGlyphBytes>(kFormat, kLegend, kArts);\n"
        "constexpr auto kPalette = ImagePacking::PackPalette<2>({0x0000, 0xF800});\n\n"
        "}  // namespace\n\n"
        "const FontRecord ImageTable6 = {130, 48, kGlyphBytes, kGlyphs.data(), 7, kPalette.data()};\n",
        names.c_str());
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
