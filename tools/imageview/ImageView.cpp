// Renders every image table onto the background it is drawn on, plus mock-ups
// of the start page and the fault view, as PPM files for looking at the art.
// Reads the raw record bytes, so it works without the firmware's lookup code.
#include <cstdio>
#include <string>
#include <vector>

#include "panel/gfx/Colour.h"
#include "panel/gfx/images/Images.h"

namespace {

struct Canvas {
    int width;
    int height;
    std::vector<Rgb565> pixels;

    Canvas(int w, int h, Rgb565 fill) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), fill) {}

    void Set(int x, int y, Rgb565 c) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<std::size_t>(y * width + x)] = c;
    }
    void Fill(int x0, int y0, int x1, int y1, Rgb565 c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, Rgb565 c) {
        for (int x = x0; x <= x1; ++x) Set(x, y0, c), Set(x, y1, c);
        for (int y = y0; y <= y1; ++y) Set(x0, y, c), Set(x1, y, c);
    }
    bool Write(const std::string& path) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        std::fprintf(f, "P6\n%d %d\n255\n", width, height);
        for (Rgb565 p : pixels) {
            const RgbTriple c = Rgb565ToRgb(p);
            const unsigned char rgb[3] = {c.red, c.green, c.blue};
            std::fwrite(rgb, 1, 3, f);
        }
        return std::fclose(f) == 0;
    }
};

const u8* Record(const FontRecord& table, int index) {
    return table.glyphs + static_cast<std::size_t>(index) * (kLongHeaderBytes + table.glyphBytes);
}
int RecordWidth(const u8* r) { return r[3] | (r[4] << 8); }
int RecordHeight(const u8* r) { return r[5]; }

// Draws image `index` with its top-left at (x, y) the way the panel's
// transparent blit does: pixels of colour `bg` (palette data) or clear bits
// (two-colour data) are left out.
void DrawImage(Canvas& c, const FontRecord& table, int index, int x, int y, Rgb565 fg, Rgb565 bg) {
    const u8* r = Record(table, index);
    const int w = RecordWidth(r);
    const int h = RecordHeight(r);
    const int depth = r[2] & kFormatDepthMask;
    const bool coverage = (r[2] & kFormatCoverage) != 0;
    const int stride = (w * depth + 7) / 8;
    const u8* bits = r + kLongHeaderBytes;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const int bit = col * depth;
            const int v = (bits[row * stride + bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
            Rgb565 colour;
            if (coverage) {
                if (v == 0) continue;
                colour = fg;
            } else {
                const u8* pal = table.mapOrPalette + 2 + 2 * v;
                colour = static_cast<Rgb565>(pal[0] | (pal[1] << 8));
                if (colour == bg) continue;
            }
            c.Set(x + col, y + row, colour);
        }
    }
}

constexpr Rgb565 kGrey = 0xAD75;
constexpr Rgb565 kDarkGrey = 0x7BEF;
constexpr Rgb565 kYellow = 0xFFE0;
constexpr Rgb565 kBlack = 0x0000;
constexpr Rgb565 kRed = 0xF800;
constexpr Rgb565 kBlue = 0x651F;
constexpr Rgb565 kGreen = 0x03E0;

void BarButton(Canvas& c, int x, int y, int id) {
    c.Frame(x, y, x + 41, y + 27, kYellow);
    c.Frame(x + 1, y + 1, x + 40, y + 26, kYellow);
    c.Fill(x + 4, y + 4, x + 23, y + 23, kYellow);
    DrawImage(c, ImageTable3, id, x + 5, y + 5, kBlack, kYellow);
}

void Pipe(Canvas& c, int x, int y, int length, bool horizontal, Rgb565 colour) {
    const int step = length < 0 ? -1 : 1;
    for (int k = 0; k != length; k += step) {
        for (int d = -1; d <= 1; ++d) {
            if (horizontal)
                c.Set(x + k, y + d, colour);
            else
                c.Set(x + d, y + k, colour);
        }
    }
}

void RoundTank(Canvas& c, int x0, int y0, int x1, int y1) {
    c.Frame(x0, y0, x1, y1, kBlack);
    c.Fill(x0 + 3, y0 + 3, x1 - 3, (y0 + y1) / 2, kRed);
    c.Fill(x0 + 3, (y0 + y1) / 2 + 1, x1 - 3, y1 - 3, kBlue);
}

Canvas StartPage(int pumpPhase, int supplementary) {
    Canvas c(320, 240, kGrey);
    c.Fill(0, 0, 202, 31, kYellow);
    c.Fill(0, 32, 319, 34, kDarkGrey);
    BarButton(c, 248, 2, 0);
    c.Fill(298, 7, 317, 26, kGreen);
    c.Fill(0, 208, 319, 239, kDarkGrey);
    BarButton(c, 10, 210, 15);
    BarButton(c, 102, 210, 17);
    BarButton(c, 268, 210, 10);
    RoundTank(c, 140, 114, 180, 204);
    DrawImage(c, ImageTable1, 1, 183, 80 - 26, kBlack, kYellow);
    DrawImage(c, ImageTable0, pumpPhase, 206, 170 - 24, kBlack, kYellow);
    Pipe(c, 178, 193, 40, true, kBlue);
    Pipe(c, 218, 193, -24, false, kBlue);
    Pipe(c, 218, 145, -85, false, kBlue);
    Pipe(c, 212, 64, 61, false, kRed);
    Pipe(c, 212, 125, -35, true, kRed);
    if (supplementary == 1) {
        RoundTank(c, 250, 114, 290, 204);
        Pipe(c, 252, 193, -33, true, kBlue);
        Pipe(c, 223, 125, 30, true, kRed);
    } else if (supplementary == 2) {
        DrawImage(c, ImageTable1, 0, 255, 199 - 34, kBlack, kYellow);
        Pipe(c, 254, 193, -35, true, kBlue);
        Pipe(c, 223, 125, 27, true, kRed);
        Pipe(c, 249, 125, 47, false, kRed);
        Pipe(c, 249, 171, 6, true, kRed);
    }
    DrawImage(c, ImageTable2, 1, 74, 49, kYellow, kGrey);
    DrawImage(c, ImageTable2, 0, 20, 49, kBlue, kGrey);
    DrawImage(c, ImageTable4, 5, 300, 42, kBlack, kGrey);
    return c;
}

Canvas FaultView(int language) {
    Canvas c(320, 240, kGrey);
    c.Fill(0, 0, 202, 31, kYellow);
    c.Fill(0, 32, 319, 34, kDarkGrey);
    BarButton(c, 248, 2, 0);
    c.Fill(298, 7, 317, 26, kRed);
    c.Frame(298, 7, 317, 26, kGreen);
    c.Fill(0, 208, 319, 239, kDarkGrey);
    BarButton(c, 10, 210, 6);
    BarButton(c, 268, 210, 10);
    DrawImage(c, ImageTable5, 0, 44, 55, kBlack, kBlack);
    DrawImage(c, ImageTable6, language, 134, 82, kBlack, kBlack);
    c.Fill(120, 167, 276, 185, 0xD69A);  // where "Fault code NN" goes
    return c;
}

// Every image of every table at zoom 1 on its own background, one table a row.
Canvas Sheet() {
    Canvas c(244, 420, 0x4208);
    struct Row {
        const FontRecord* table;
        Rgb565 fg;
        Rgb565 bg;
        Rgb565 paper;
    };
    const Row rows[] = {
        {&ImageTable0, kBlack, kYellow, kYellow}, {&ImageTable1, kBlack, kYellow, kYellow},
        {&ImageTable2, kBlue, kGrey, kGrey},      {&ImageTable3, kBlack, kYellow, kYellow},
        {&ImageTable4, kBlack, kGrey, kGrey},     {&ImageTable5, kBlack, kBlack, kGrey},
        {&ImageTable6, kBlack, kBlack, kGrey},
    };
    int y = 4;
    for (const Row& row : rows) {
        int x = 4;
        int tallest = 0;
        for (int i = 0; i < row.table->count; ++i) {
            const u8* r = Record(*row.table, i);
            const int w = RecordWidth(r);
            const int h = RecordHeight(r);
            if (x + w + 4 > c.width) {
                x = 4;
                y += tallest + 4;
                tallest = 0;
            }
            Rgb565 fg = row.fg;
            if (row.table == &ImageTable2 && i == 1) fg = kYellow;
            c.Fill(x - 1, y - 1, x + w, y + h, row.paper);
            DrawImage(c, *row.table, i, x, y, fg, row.bg);
            x += w + 4;
            if (h > tallest) tallest = h;
        }
        y += tallest + 6;
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    bool ok = Sheet().Write(dir + "/sheet.ppm");
    for (int phase = 0; phase < 4; ++phase)
        ok = StartPage(phase, phase == 1 ? 1 : 2).Write(dir + "/start" + std::to_string(phase) + ".ppm") && ok;
    for (int language = 0; language < ImageTable6.count; ++language)
        ok = FaultView(language).Write(dir + "/fault" + std::to_string(language) + ".ppm") && ok;
    if (!ok) std::fprintf(stderr, "imageview: cannot write to %s\n", dir.c_str());
    return ok ? 0 : 1;
}
