#include "panel/gfx/Raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "panel/gfx/Colour.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"
#include "tests/panel/gfx/GfxTestSupport.h"

using namespace gfxtest;

namespace {

// Start column of each window the queued transfers open, and the pixels they send.
struct QueueSummary {
    std::vector<u16> windowColumns;
    int pixels = 0;
};

QueueSummary Summarise() {
    QueueSummary s;
    u16 column = 0;
    for (u16 i = 0; i < LcdQueueCount();) {
        if (LcdQueueEntry(i) & kLcdDataBit) {
            s.pixels += i % 2;  // two data entries per pixel
            ++i;
            continue;
        }
        const u8 reg = static_cast<u8>(LcdQueueEntry(i + 1));
        if (reg == kLcdRegMemoryWrite) {
            s.windowColumns.push_back(column);
            i += 2;
            continue;
        }
        if (reg == kLcdRegWindowStart)
            column = static_cast<u16>(((LcdQueueEntry(i + 2) & 0xFF) << 8) | (LcdQueueEntry(i + 3) & 0xFF));
        i += 4;
    }
    return s;
}

// '#' red, '.' blue, '-' untouched.
Picture ShowRB(int x0, int y0, int x1, int y1) {
    return Show(x0, y0, x1, y1, {{'#', kRed}, {'.', kBlue}, {'-', kSentinel}});
}

TEST(Raster, InitSetsColoursAndQueuesTheStartUpSequenceEndingWithTheDisplayOff) {
    RasterError = 1;
    EXPECT_FALSE(RasterInit());
    EXPECT_FALSE(RasterFailed());
    EXPECT_EQ(RasterForeground, 0xFFFF);
    EXPECT_EQ(RasterBackground, 0x0000);
    ASSERT_EQ(LcdQueueCount(), 32 * 4);
    EXPECT_EQ(LcdQueueEntry(4 * 31 + 3), 0x130);  // display control: off
    DisplayOn();
    EXPECT_EQ(LcdQueueEntry(128 + 3), 0x133);
}

TEST(Raster, LoadPaletteChecksItsRange) {
    RasterInit();
    RgbTriple grey[16];
    std::fill(std::begin(grey), std::end(grey), RgbTriple{0x80, 0x80, 0x80});
    const std::vector<Rgb565> before(RasterPalette, RasterPalette + 16);

    // Past the end, empty, no colours, or first + count wrapping round.
    for (auto [first, count, colours] : {std::tuple{10, 7, grey}, {0, 0, grey}, {0, 1, nullptr}, {65535, 2, grey}}) {
        EXPECT_EQ(LoadPalette(static_cast<u16>(first), static_cast<u16>(count), colours), 1) << first << "+" << count;
        EXPECT_TRUE(RasterFailed());
    }
    EXPECT_EQ(std::vector<Rgb565>(RasterPalette, RasterPalette + 16), before);

    EXPECT_EQ(LoadPalette(15, 1, grey), 0);
    EXPECT_FALSE(RasterFailed());
    EXPECT_EQ(RasterPalette[15], 0x8410);
    EXPECT_EQ(RasterPalette[14], before[14]);
}

TEST(Raster, PixelsAndLinesAreClampedOntoTheScreen) {
    FillScreen(0);
    RasterError = 1;
    DrawPixel(400, 250, kRed);
    EXPECT_EQ(RasterError, 0);
    DrawHLine(10, 20, 14, kBlue);
    DrawVLine(30, 5, 8, kBlue);
    // An end before the start sends nothing; ends far off the screen draw up to the edge only.
    DrawHLine(14, 40, 10, kRed);
    DrawVLine(30, 50, 45, kRed);
    DrawHLine(300, 7, 65535, kRed);
    DrawVLine(2, 230, 255, kRed);
    EXPECT_EQ(Summarise().pixels, 1 + 9 + 30);
    LcdApplyQueue();
    EXPECT_EQ(Px(319, 239), kRed);
    EXPECT_EQ(CountIn(10, 20, 14, 20, kBlue) + CountIn(30, 5, 30, 8, kBlue), 9);
    EXPECT_EQ(CountIn(300, 7, 319, 7, kRed) + CountIn(2, 230, 2, 239, kRed), 30);
    EXPECT_EQ(CountNot(0), 40);
}

TEST(Raster, FramesDrawTheirEdgesAndCollapseWhenBackwards) {
    const struct {
        u16 x0, y0, x1, y1;
        size_t windows;
        Picture picture;  // from (x0, y0)
    } cases[] = {
        {10, 10, 10, 10, 1, {"#"}},
        {20, 20, 23, 20, 1, {"####"}},
        {60, 60, 50, 50, 1, {"#"}},  // backwards: the start point alone
        {100, 50, 104, 53, 4, {"#####", "#---#", "#---#", "#####"}},
        {316, 237, 400, 250, 4, {"####", "#--#", "####"}},  // clamped to the last row and column
    };
    for (const auto& c : cases) {
        FillScreen(kSentinel);
        DrawFrame(c.x0, c.y0, c.x1, c.y1, kRed);
        EXPECT_EQ(Summarise().windowColumns.size(), c.windows) << c.x0;
        LcdApplyQueue();
        const int w = static_cast<int>(c.picture[0].size()), h = static_cast<int>(c.picture.size());
        EXPECT_EQ(ShowRB(c.x0, c.y0, c.x0 + w - 1, c.y0 + h - 1), c.picture) << c.x0;
        int set = 0;
        for (const std::string& row : c.picture) set += static_cast<int>(std::count(row.begin(), row.end(), '#'));
        EXPECT_EQ(CountNot(kSentinel), set) << c.x0;
    }
}

TEST(Raster, PatternFillsUseRowParityAndAbsoluteColumnMasks) {
    SetRasterColours(kRed, kBlue);
    FillScreen(0);
    // Even rows take the low byte, odd rows the high byte; bit 7 is column 0 mod 8.
    FillPattern(5, 20, 12, 21, 0x3C80);
    LcdApplyQueue();
    EXPECT_EQ(ShowRB(5, 20, 12, 21), (Picture{"...#....", "#....###"}));

    RasterError = 1;
    FillPattern(310, 230, 500, 255, 0x0000);
    EXPECT_EQ(RasterError, 0);
    LcdApplyQueue();
    EXPECT_EQ(CountIn(310, 230, 319, 239, kBlue), 100);
    EXPECT_EQ(CountNot(0), 16 + 100);
}

TEST(Raster, OneBitBlitsInEachMode) {
    SetRasterColours(kRed, kBlue);
    const u8 bits[] = {0b10000001, 0b01000010};
    const struct {
        u8 mode;
        Picture picture;
    } cases[] = {
        {0, {"#......#", ".#....#."}},
        {kBlitInverse, {".######.", "#.####.#"}},
        {kBlitTransparent, {"#------#", "-#----#-"}},
        {kBlitTransparent | kBlitInverse, {".------.", "-.----.-"}},
    };
    for (const auto& c : cases) {
        FillScreen(kSentinel);
        BlitBitmap(20, 30, 27, 31, bits, 1, c.mode, nullptr, 0, 0);
        LcdApplyQueue();
        EXPECT_EQ(ShowRB(20, 30, 27, 31), c.picture) << int(c.mode);
        EXPECT_EQ(CountNot(kSentinel), 16 - static_cast<int>(c.mode & kBlitTransparent ? 12 : 0)) << int(c.mode);
    }

    // Transparent: each run of set pixels opens a window of its own.
    BlitBitmap(20, 30, 27, 30, bits, 1, kBlitTransparent, nullptr, 0, 0);
    EXPECT_EQ(Summarise().windowColumns, (std::vector<u16>{20, 27}));
    EXPECT_EQ(Summarise().pixels, 2);
    LcdApplyQueue();

    // Nothing to read, nothing drawn.
    BlitBitmap(0, 0, 7, 0, nullptr, 1, 0, nullptr, 0, 0);
    BlitBitmap(0, 0, 7, 0, bits, 0, 0, nullptr, 0, 0);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST(Raster, PaletteBlitsNeedAPaletteOfTheBitmapsDepthAndSkipTheBackgroundWhenTransparent) {
    const auto palette1 = PaletteRecordOf(1, {0x0AAA, 0x0BBB});
    const auto palette2 = PaletteRecordOf(2, {0x0000, 0x1111, 0x2222, 0x3333});
    std::vector<Rgb565> colours16, colours256;
    for (u16 i = 0; i < 256; ++i) {
        if (i < 16) colours16.push_back(static_cast<Rgb565>(0x100 + i));
        colours256.push_back(static_cast<Rgb565>(0x4000 + i));
    }
    const auto palette4 = PaletteRecordOf(4, colours16);
    const auto palette8 = PaletteRecordOf(8, colours256);
    const u8 depth1[] = {0b01000000};
    const u8 depth2[] = {0b00011011, 0b11100100};  // values 0 1 2 3 / 3 2 1 0
    const u8 depth4[] = {0x0F, 0xA5};
    const u8 depth8[] = {0x00, 0xFF, 0x7E};

    BlitBitmap(10, 10, 13, 11, depth2, 1, 2, palette2.data(), 0, 0);
    BlitBitmap(20, 10, 23, 10, depth4, 2, 4, palette4.data(), 0, 0);
    BlitBitmap(30, 10, 32, 10, depth8, 3, 8, palette8.data(), 0, 0);
    BlitBitmap(40, 10, 41, 10, depth1, 1, 1, palette1.data(), 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Region(10, 10, 13, 10), (std::vector<Rgb565>{0x0000, 0x1111, 0x2222, 0x3333}));
    EXPECT_EQ(Region(10, 11, 13, 11), (std::vector<Rgb565>{0x3333, 0x2222, 0x1111, 0x0000}));
    EXPECT_EQ(Region(20, 10, 23, 10), (std::vector<Rgb565>{0x100, 0x10F, 0x10A, 0x105}));
    EXPECT_EQ(Region(30, 10, 32, 10), (std::vector<Rgb565>{0x4000, 0x40FF, 0x407E}));
    EXPECT_EQ(Region(40, 10, 41, 10), (std::vector<Rgb565>{0x0AAA, 0x0BBB}));

    // Mismatched or missing palettes and undrawable depths queue nothing.
    for (auto [mode, palette] : {std::pair<u8, const u8*>{2, palette1.data()},
                                 {2, nullptr},
                                 {4, palette8.data()},
                                 {3, palette2.data()},
                                 {16, palette2.data()},
                                 {3 | kBlitCoverage, nullptr}})
        BlitBitmap(50, 10, 53, 10, depth4, 2, mode, palette, 0, 0);
    EXPECT_EQ(LcdQueueCount(), 0);

    // Transparent: pixels in the background colour are skipped and the window reopened after them.
    SetRasterColours(kRed, 0x2222);
    FillScreen(kSentinel);
    const u8 row[] = {0b01101010, 0b01000000};  // 1 2 2 2 | 1 0
    BlitBitmap(10, 10, 15, 10, row, 2, 2 | kBlitTransparent, palette2.data(), 0, 0);
    EXPECT_EQ(Summarise().windowColumns, (std::vector<u16>{10, 14}));
    EXPECT_EQ(Summarise().pixels, 3);
    LcdApplyQueue();
    EXPECT_EQ(Region(10, 10, 15, 10), (std::vector<Rgb565>{0x1111, kSentinel, kSentinel, kSentinel, 0x1111, 0x0000}));
}

TEST(Raster, CoverageBlitsBlendForegroundOverBackground) {
    SetRasterColours(0xFFFF, 0x0000);
    const u8 ramp[] = {0b00011011};
    const u8 nibbles[] = {0x5F};
    BlitBitmap(10, 10, 13, 10, ramp, 1, 2 | kBlitCoverage, nullptr, 0, 0);
    // Inverse swaps the ends; at depth 4 value 5 is coverage 85.
    BlitBitmap(20, 10, 21, 10, nibbles, 1, 4 | kBlitCoverage | kBlitInverse, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Region(10, 10, 13, 10),
              (std::vector<Rgb565>{0x0000, BlendRgb565(0xFFFF, 0, 85), BlendRgb565(0xFFFF, 0, 170), 0xFFFF}));
    EXPECT_EQ(Region(20, 10, 21, 10), (std::vector<Rgb565>{BlendRgb565(0x0000, 0xFFFF, 85), 0x0000}));

    // Transparent coverage leaves out what comes out as the background colour.
    FillScreen(kSentinel);
    BlitBitmap(10, 20, 13, 20, ramp, 1, 2 | kBlitCoverage | kBlitTransparent, nullptr, 0, 0);
    EXPECT_EQ(Summarise().windowColumns, (std::vector<u16>{10, 11}));
    LcdApplyQueue();
    EXPECT_EQ(Px(10, 20), kSentinel);
    EXPECT_EQ(Px(13, 20), 0xFFFF);
}

TEST(Raster, SlicesDrawPartOfTheBitmapAtItsOwnRows) {
    SetRasterColours(kRed, kBlue);
    const u8 rows[] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04};  // row k has its k-th pixel set
    FillScreen(kSentinel);
    BlitBitmap(10, 50, 17, 55, rows, 1, 0, nullptr, 3, 2);
    // The slice never reaches past the rectangle.
    BlitBitmap(10, 70, 17, 72, rows, 1, 0, nullptr, 3, 9);
    LcdApplyQueue();
    EXPECT_EQ(ShowRB(10, 50, 17, 55),
              (Picture{"--------", "--------", "..#.....", "...#....", "--------", "--------"}));
    EXPECT_EQ(ShowRB(10, 70, 17, 73), (Picture{"--------", "--------", "..#.....", "--------"}));

    // Empty slices draw nothing.
    BlitBitmap(10, 80, 17, 85, rows, 1, 0, nullptr, 7, 1);
    BlitBitmap(10, 80, 17, 85, rows, 1, 0, nullptr, 1, 0);
    BlitBitmap(10, 235, 17, 239, rows, 1, 0, nullptr, 255, 1);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST(Raster, BlitsAreCutAtTheScreenAndNeverReadPastARow) {
    SetRasterColours(kRed, kBlue);
    FillScreen(kSentinel);
    const u8 rows[] = {0xF0, 0x0F};
    const u8 narrow[] = {0xFF, 0xFF};
    // Cut on the right, not wrapped: each row starts at its own first byte.
    BlitBitmap(316, 100, 323, 101, rows, 1, 0, nullptr, 0, 0);
    // Columns past a one-byte stride read as clear, not as the next row's bits.
    BlitBitmap(10, 10, 21, 11, narrow, 1, 0, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(ShowRB(316, 100, 319, 101), (Picture{"####", "...."}));
    EXPECT_EQ(ShowRB(10, 10, 21, 11), (Picture{"########....", "########...."}));
    EXPECT_EQ(CountNot(kSentinel), 8 + 24);
}

// Whether the built-in glyph's pixel is set.
bool GlyphBit(char c, int column, int row) {
    const u8* record = RecordOf(Font0, static_cast<u8>(c) & 0x7F);
    return (record[kShortHeaderBytes + row] >> (7 - column)) & 1;
}

// Compares the glyph's white-on-black cell at (x, y); columns off the screen are skipped.
void ExpectGlyphAt(char c, int x, int y) {
    for (int row = 0; row < 8; ++row)
        for (int column = std::max(0, -x); column < 6 && x + column < kScreenWidth; ++column)
            EXPECT_EQ(Px(x + column, y + row), GlyphBit(c, column, row) ? 0xFFFF : 0x0000)
                << c << " at " << x << "," << y << " pixel " << column << "," << row;
}

TEST(Raster, RawMessagesAreCentredInTheBuiltInFontAndDrawnInFullWhenLong) {
    SetRasterColours(kRed, kBlue);
    FillScreen(kSentinel);
    ShowRawMessage("HeLLo");
    LcdApplyQueue();
    EXPECT_EQ(RasterForeground, 0xFFFF);  // the message screen starts the raster layer afresh
    for (int i = 0; i < 5; ++i) ExpectGlyphAt("HeLLo"[i], 145 + 6 * i, 115);
    EXPECT_EQ(CountNot(kSentinel), 30 * 8);

    // Three lines, the last one empty: y = (239 - 24) / 2. Codes above 127
    // use the glyph of their low seven bits.
    FillScreen(kSentinel);
    ShowRawMessage("AB\nxy\xFA\n");
    LcdApplyQueue();
    ExpectGlyphAt('A', 154, 107);
    ExpectGlyphAt('z', 163, 115);
    EXPECT_EQ(CountNot(kSentinel), 5 * 48);

    const u16 queued = LcdQueueCount();
    ShowRawMessage(nullptr);
    EXPECT_EQ(LcdQueueCount(), queued + 128);  // only the start-up sequence
    LcdApplyQueue();

    // 40 lines of 60 characters: far more glyph transfers than the queue holds.
    std::string text;
    for (int line = 0; line < 40; ++line) text += std::string(60, static_cast<char>('A' + line % 26)) + '\n';
    FillScreen(kSentinel);
    ShowRawMessage(text.c_str());
    LcdApplyQueue();
    // Too many lines start at the top; a too wide line is centred with both
    // ends cut, starting at x = -20.
    ExpectGlyphAt('A', 4, 0);
    for (int x : {-2, 4, 310, 316}) ExpectGlyphAt('D', x, 24);
    ExpectGlyphAt('D', 4, 232);
    EXPECT_EQ(CountIn(0, 0, 319, 239, kSentinel), 0);
}

// The table holds every fifth degree; angles between round to the nearest
// entry, and any angle, however large, reads inside the table.
TEST(Raster, SineAndCosineStayInsideTheirTable) {
    const std::pair<u16, i32> sines[] = {{30, 32768}, {92, 65536}, {93, 65280}, {270, -65536}, {359, 0}, {450, 65536}};
    for (const auto& [angle, sine] : sines) EXPECT_EQ(SinFixed(angle), sine) << angle;
    EXPECT_EQ(SinFixed(65535), SinFixed(65535 % 360));
    EXPECT_EQ(CosFixed(180), -65536);
    EXPECT_EQ(CosFixed(65535), SinFixed(65535 % 360 + 90));
}

}  // namespace
