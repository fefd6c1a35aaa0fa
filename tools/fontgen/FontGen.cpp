// Rasterises the panel's text fonts 1-4 from DejaVu with FreeType in monochrome
// hinting mode and writes them as glyph-art source files, plus preview images.
//
// Usage: fontgen FONT_DIR OUT_DIR [PREVIEW_DIR]
//   FONT_DIR     folder with DejaVuSans.ttf, DejaVuSansCondensed.ttf and DejaVuSansCondensed-Bold.ttf
//   OUT_DIR      receives Font1.cpp .. Font4.cpp
//   PREVIEW_DIR  receives fontN.pgm (every glyph) and samples.pgm (sample words)
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/texts/Utf8.h"
#include "panel/gfx/FontFormat.h"

namespace {

struct FontPlan {
    int number;
    const char* file;
    const char* faceName;
    const char* role;
    int cellWidth;  // nominal width of the FontRecord
    int height;     // cell height and line height
    int bytesPerRow;
    int minWidth;
    int maxWidth;
    int firstCode;
    int lastCode;
    bool autohint;      // FreeType's own hinter instead of the face's instructions
    bool trimBearings;  // a narrow glyph with two or more blank columns on both sides loses one on the left
};

// The pixel size of each font is the largest at which every glyph it covers
// fits the cell height, so that accented capitals and descenders are never cut.
// The bold face's own instructions distort its tildes and rings in monochrome,
// so they take FreeType's hinter, which also gives the condensed body text
// two-pixel stems. Body text and titles use the condensed cuts: the panel's
// German and English labels must fit beside their values and the titles
// inside the title bar. The title font's narrow glyphs (l, I, i, 1 ...) lose
// one of their wide side bearings, so that the start page's title
// "Kandorelle Lumo II" ends inside its yellow field; no glyph grows.
const FontPlan kPlans[] = {
    {1, "DejaVuSans.ttf", "DejaVu Sans", "small values and dialog texts", 16, 19, 2, 4, 17, 32, 255, false, false},
    {2, "DejaVuSans.ttf", "DejaVu Sans", "small ASCII text", 8, 10, 1, 2, 8, 32, 126, false, false},
    {3, "DejaVuSansCondensed.ttf", "DejaVu Sans Condensed", "body text", 24, 24, 3, 3, 24, 32, 255, true, false},
    {4, "DejaVuSansCondensed-Bold.ttf", "DejaVu Sans Condensed Bold", "titles and the highlighted list row", 24, 24, 3,
     4, 24, 32, 255, true, true},
};

struct Raster {
    int left = 0;
    int top = 0;  // rows above the baseline
    int width = 0;
    int rows = 0;
    int advance = 0;
    std::vector<bool> ink;  // rows x width
};

struct Glyph {
    int code = 0;
    int width = 0;
    std::vector<bool> ink;  // height x width
};

// Unicode character of a panel code, or 0 for the codes that stay blank.
char32_t CodePointOf(int code) {
    if (code >= 0x20 && code <= 0x7E) return static_cast<char32_t>(code);
    if (code >= 0xA0 && code <= 0xFF) return static_cast<char32_t>(code);
    if (code >= kPolishFirstCode && code < kPolishFirstCode + 16) return kPolishCodePoints[code - kPolishFirstCode];
    return 0;
}

std::u32string Utf32(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        int extra = b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        char32_t c = extra == 2 ? (b & 0x0F) : extra == 1 ? (b & 0x1F) : b;
        for (int k = 1; k <= extra && i + k < s.size(); ++k) c = (c << 6) | (s[i + k] & 0x3F);
        out += c;
        i += 1 + extra;
    }
    return out;
}

std::string CharacterName(int code) {
    const char32_t c = CodePointOf(code);
    if (c == 0) return "unused";
    if (c == 0x20) return "space";
    if (c == 0xA0) return "no-break space";
    if (c == 0xAD) return "soft hyphen";
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    std::string name = EncodeUtf8(c);
    if (c == '\\') name = "backslash";  // a trailing backslash would continue the comment line
    return c >= 0x80 ? name + " " + buf : name;
}

bool Render(FT_Face face, char32_t c, bool autohint, Raster& r) {
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0) return false;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | (autohint ? FT_LOAD_FORCE_AUTOHINT : 0)) != 0)
        return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    r.left = slot->bitmap_left;
    r.top = slot->bitmap_top;
    r.width = static_cast<int>(bm.width);
    r.rows = static_cast<int>(bm.rows);
    r.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    r.ink.assign(static_cast<size_t>(r.width * r.rows), false);
    for (int y = 0; y < r.rows; ++y) {
        const unsigned char* row = bm.buffer + y * bm.pitch;
        for (int x = 0; x < r.width; ++x) r.ink[y * r.width + x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0;
    }
    // Trim blank rows and columns so that the extents measure ink only.
    auto rowBlank = [&](int y) {
        for (int x = 0; x < r.width; ++x)
            if (r.ink[y * r.width + x]) return false;
        return true;
    };
    auto colBlank = [&](int x) {
        for (int y = 0; y < r.rows; ++y)
            if (r.ink[y * r.width + x]) return false;
        return true;
    };
    int y0 = 0, y1 = r.rows, x0 = 0, x1 = r.width;
    while (y0 < y1 && rowBlank(y0)) ++y0;
    while (y1 > y0 && rowBlank(y1 - 1)) --y1;
    while (x0 < x1 && colBlank(x0)) ++x0;
    while (x1 > x0 && colBlank(x1 - 1)) --x1;
    if (y0 == y1) {
        r.width = r.rows = 0;
        r.ink.clear();
        return true;
    }
    std::vector<bool> ink(static_cast<size_t>((x1 - x0) * (y1 - y0)));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) ink[(y - y0) * (x1 - x0) + (x - x0)] = r.ink[y * r.width + x];
    r.left += x0;
    r.top -= y0;
    r.width = x1 - x0;
    r.rows = y1 - y0;
    r.ink = std::move(ink);
    return true;
}

struct BuiltFont {
    const FontPlan* plan = nullptr;
    int pixelSize = 0;
    int ascent = 0;  // rows above the baseline
    std::vector<Glyph> glyphs;
};

// Glyphs whose ink is at most this wide count as narrow (l, I, i, 1, !).
constexpr int kNarrowInk = 4;

// Places a raster in its glyph cell; false when some ink would fall outside it.
bool Place(const FontPlan& plan, int ascent, const Raster& r, Glyph& g) {
    // One blank column at the right keeps neighbours apart, as nothing else spaces them.
    int x0 = std::max(0, r.left);
    // A stored row holds bytesPerRow x 8 pixels; a wider advance would make the panel read the next row's bits.
    const int maxWidth = std::min(plan.maxWidth, plan.bytesPerRow * 8);
    g.width = std::clamp(std::max(r.advance, x0 + r.width + 1), plan.minWidth, maxWidth);
    if (x0 + r.width + 1 > g.width) x0 = std::max(0, g.width - 1 - r.width);
    if (plan.trimBearings && r.width > 0 && r.width <= kNarrowInk && x0 >= 2 && g.width - x0 - r.width >= 2 &&
        g.width > plan.minWidth) {
        x0 -= 1;
        g.width -= 1;
    }
    g.ink.assign(static_cast<size_t>(g.width * plan.height), false);
    for (int y = 0; y < r.rows; ++y) {
        for (int x = 0; x < r.width; ++x) {
            if (!r.ink[y * r.width + x]) continue;
            const int cx = x0 + x;
            const int cy = ascent - r.top + y;
            if (cx >= g.width || cy < 0 || cy >= plan.height) return false;
            g.ink[cy * g.width + cx] = true;
        }
    }
    return true;
}

bool Build(FT_Library lib, const std::string& fontDir, const FontPlan& plan, BuiltFont& out) {
    FT_Face face = nullptr;
    const std::string path = fontDir + "/" + plan.file;
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    const int count = plan.lastCode - plan.firstCode + 1;
    std::vector<Raster> rasters(static_cast<size_t>(count));
    int size = plan.height;
    int ascent = 0;
    for (; size > 4; --size) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
        int maxTop = 0, maxDescent = 0;
        bool ok = true;
        for (int i = 0; i < count; ++i) {
            const char32_t c = CodePointOf(plan.firstCode + i);
            rasters[i] = Raster{};
            if (c == 0) continue;
            if (!Render(face, c, plan.autohint, rasters[i])) {
                std::fprintf(stderr, "%s has no glyph for U+%04X\n", plan.file, static_cast<unsigned>(c));
                ok = false;
                break;
            }
            if (rasters[i].rows == 0) continue;
            maxTop = std::max(maxTop, rasters[i].top);
            maxDescent = std::max(maxDescent, rasters[i].rows - rasters[i].top);
        }
        if (!ok) {
            FT_Done_Face(face);
            return false;
        }
        if (maxTop + maxDescent <= plan.height) {
            // Descenders take the bottom rows; any spare row goes above the accents.
            ascent = plan.height - maxDescent;
            break;
        }
    }
    out.plan = &plan;
    out.pixelSize = size;
    out.ascent = ascent;
    out.glyphs.clear();
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        Glyph g;
        g.code = plan.firstCode + i;
        if (CodePointOf(g.code) == 0) {
            g.width = plan.minWidth;
            out.glyphs.push_back(std::move(g));
            continue;
        }
        // A glyph too wide for the widest advance is drawn a size smaller rather than cut.
        Raster r = rasters[i];
        int glyphSize = size;
        while (!Place(plan, ascent, r, g)) {
            if (--glyphSize < size - 3) {
                std::fprintf(stderr, "font %d: glyph 0x%02X (%s) would be cut\n", plan.number, g.code,
                             CharacterName(g.code).c_str());
                ok = false;
                break;
            }
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(glyphSize));
            Render(face, CodePointOf(g.code), plan.autohint, r);
        }
        if (glyphSize != size) {
            std::printf("font %d: glyph 0x%02X (%s) drawn at %d pixels to fit\n", plan.number, g.code,
                        CharacterName(g.code).c_str(), glyphSize);
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
        }
        if (r.width > 0 && g.width <= r.width)
            std::printf("font %d: glyph 0x%02X (%s) fills its width %d, no spacing column\n", plan.number, g.code,
                        CharacterName(g.code).c_str(), g.width);
        out.glyphs.push_back(std::move(g));
    }
    FT_Done_Face(face);
    return ok;
}

bool Blank(const Glyph& g) { return std::find(g.ink.begin(), g.ink.end(), true) == g.ink.end(); }

std::string Source(const BuiltFont& f) {
    const FontPlan& s = *f.plan;
    const int count = static_cast<int>(f.glyphs.size());
    std::ostringstream o;
    o << "// Font " << s.number << ": " << s.cellWidth << " x " << s.height << ", " << s.role << ".\n"
      << "// Rasterised from " << s.faceName << " at " << f.pixelSize
      << " pixels by tools/fontgen; regenerate it with the command in README.md\n"
      << "// rather than editing it. Each glyph is its advance width and " << s.height
      << " rows of that many pixels, '#' ink;\n"
      << "// the baseline lies below row " << f.ascent - 1 << ".\n"
      << "#include \"panel/gfx/fonts/Fonts.h\"\n"
      << "#include \"panel/gfx/fonts/GlyphArt.h\"\n\n"
      << "namespace {\n\n"
      << "constexpr GlyphArt kArt[] = {\n";
    for (const Glyph& g : f.glyphs) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", g.code);
        o << "    // " << hex << " " << CharacterName(g.code) << "\n";
        if (Blank(g)) {
            o << "    {" << g.width << ", \"\"},\n";
            continue;
        }
        o << "    {" << g.width << ",\n";
        for (int y = 0; y < s.height; ++y) {
            o << "     \"";
            for (int x = 0; x < g.width; ++x) o << (g.ink[y * g.width + x] ? '#' : '.');
            o << "\"" << (y + 1 == s.height ? "},\n" : "\n");
        }
    }
    o << "};\n\n"
      << "constexpr auto kGlyphs = PackGlyphArt<" << s.height << ", " << s.bytesPerRow << ">(kArt);\n\n"
      << "// One range " << s.firstCode << ".." << s.lastCode << " from glyph 0; codes outside it show a space.\n"
      << "constexpr u8 kRangeMap[] = {1, 32, " << s.firstCode << ", " << s.lastCode << ", 0};\n\n"
      << "}  // namespace\n\n"
      << "constexpr FontRecord Font" << s.number << "{" << s.cellWidth << ", " << s.height << ", "
      << s.height * s.bytesPerRow << ", kGlyphs.data(), " << count << ", kRangeMap};\n";
    return o.str();
}

struct Image {
    int width;
    int height;
    std::vector<unsigned char> grey;
    Image(int w, int h) : width(w), height(h), grey(static_cast<size_t>(w * h), 255) {}
    void Set(int x, int y, unsigned char v) {
        if (x >= 0 && y >= 0 && x < width && y < height) grey[y * width + x] = v;
    }
    bool Write(const std::string& path) const {
        std::ofstream f(path, std::ios::binary);
        f << "P5\n" << width << " " << height << "\n255\n";
        f.write(reinterpret_cast<const char*>(grey.data()), static_cast<std::streamsize>(grey.size()));
        return static_cast<bool>(f);
    }
};

// Draws a glyph over a light cell the size of its advance, so that widths and the baseline show.
void DrawGlyph(Image& img, const BuiltFont& f, const Glyph& g, int x, int y, bool shade) {
    const int h = f.plan->height;
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < g.width; ++c) {
            const bool ink = g.ink.empty() ? false : g.ink[r * g.width + c];
            unsigned char v = 255;
            if (shade) v = r == f.ascent - 1 ? 200 : ((c + r) & 1) ? 235 : 225;
            img.Set(x + c, y + r, ink ? 0 : v);
        }
    }
}

bool WriteGlyphSheet(const BuiltFont& f, const std::string& path) {
    const int perRow = 16;
    const int cellW = f.plan->maxWidth + 4;
    const int cellH = f.plan->height + 4;
    const int rows = (static_cast<int>(f.glyphs.size()) + perRow - 1) / perRow;
    Image img(perRow * cellW + 4, rows * cellH + 4);
    for (size_t i = 0; i < f.glyphs.size(); ++i) {
        const int gx = 4 + static_cast<int>(i % perRow) * cellW;
        const int gy = 4 + static_cast<int>(i / perRow) * cellH;
        DrawGlyph(img, f, f.glyphs[i], gx, gy, true);
    }
    return img.Write(path);
}

bool WriteSamples(const std::vector<BuiltFont>& fonts, const std::string& path) {
    const char* samples[] = {
        "Język Śr Störung Pn Wt Śr",  "Français Español 45,6 °C",  "ąćęłńśźż ĄĆĘŁŃŚŹŻ gjpqy",
        "ÄÖÜ äöü ß ÉÈÊ éèêë Ñ ñ ¿ º", "Ç ç Å å Ø ø Solarrücklauf",
    };
    const int width = 320;
    int height = 4;
    for (const BuiltFont& f : fonts) height += static_cast<int>(std::size(samples)) * (f.plan->height + 2) + 6;
    Image img(width, height);
    int y = 4;
    for (const BuiltFont& f : fonts) {
        for (const char* sample : samples) {
            int x = 2;
            for (char32_t c : Utf32(sample)) {
                const u8 code = PanelCodeOf(c);
                const int index = code - f.plan->firstCode;
                const int glyph = index >= 0 && code <= f.plan->lastCode ? index : 0;
                DrawGlyph(img, f, f.glyphs[glyph], x, y, false);
                x += f.glyphs[glyph].width;
            }
            y += f.plan->height + 2;
        }
        for (int x = 0; x < width; ++x) img.Set(x, y + 2, 128);
        y += 6;
    }
    return img.Write(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FONT_DIR OUT_DIR [PREVIEW_DIR]\n", argv[0]);
        return 2;
    }
    const std::string fontDir = argv[1];
    const std::string outDir = argv[2];
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return 1;
    std::vector<BuiltFont> fonts;
    for (const FontPlan& plan : kPlans) {
        BuiltFont f;
        if (!Build(lib, fontDir, plan, f)) return 1;
        std::printf("font %d: %s at %d pixels, %d rows above the baseline, %d below\n", plan.number, plan.faceName,
                    f.pixelSize, f.ascent, plan.height - f.ascent);
        const std::string path = outDir + "/Font" + std::to_string(plan.number) + ".cpp";
        std::ofstream out(path);
        out << Source(f);
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        fonts.push_back(std::move(f));
    }
    FT_Done_FreeType(lib);
    if (argc > 3) {
        const std::string dir = argv[3];
        for (const BuiltFont& f : fonts)
            if (!WriteGlyphSheet(f, dir + "/font" + std::to_string(f.plan->number) + ".pgm")) return 1;
        if (!WriteSamples(fonts, dir + "/samples.pgm")) return 1;
    }
    return 0;
}
