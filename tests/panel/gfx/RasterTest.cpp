#include "panel/gfx/Raster.h"

#include "panel/gfx/Colour.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr Rgb565 kRed = 0xF800;
constexpr Rgb565 kBlue = 0x001F;
constexpr Rgb565 kMark = 0x1234;  // pre-filled into the framebuffer to see what a call leaves alone

Rgb565 Pixel(u16 x, u16 y) { return FramebufferAt(x, y); }

void FillScreen(Rgb565 colour) {
    for (Rgb565& p : PanelFramebuffer) p = colour;
}

// Windows opened and pixels sent by the transfers now in the queue.
struct QueueSummary {
    int windows = 0;
    int pixels = 0;
    std::vector<u16> windowColumns;  // start column of each window
};

QueueSummary Summarise() {
    QueueSummary s;
    u16 column = 0;
    u16 pixelBytes = 0;
    for (u16 i = 0; i < LcdQueueCount();) {
        if (LcdQueueEntry(i) & kLcdDataBit) {
            ++pixelBytes;
            ++i;
            continue;
        }
        const u8 reg = static_cast<u8>(LcdQueueEntry(i + 1));
        if (reg == kLcdRegMemoryWrite) {
            ++s.windows;
            s.windowColumns.push_back(column);
            i += 2;
            continue;
        }
        if (reg == kLcdRegWindowStart) {
            column = static_cast<u16>(((LcdQueueEntry(i + 2) & 0xFF) << 8) | (LcdQueueEntry(i + 3) & 0xFF));
        }
        i += 4;
    }
    s.pixels = pixelBytes / 2;
    return s;
}

// Counts pixels of `colour` inside the rectangle (inclusive).
int CountColour(u16 x0, u16 y0, u16 x1, u16 y1, Rgb565 colour) {
    int n = 0;
    for (u16 x = x0; x <= x1; ++x) {
        for (u16 y = y0; y <= y1; ++y) n += Pixel(x, y) == colour;
    }
    return n;
}

int CountColourOnScreen(Rgb565 colour) { return CountColour(0, 0, kScreenWidth - 1, kScreenHeight - 1, colour); }

std::vector<u8> PaletteRecord(u16 depth, const std::vector<Rgb565>& colours) {
    std::vector<u8> bytes = {static_cast<u8>(depth & 0xFF), static_cast<u8>(depth >> 8)};
    for (const Rgb565 c : colours) {
        bytes.push_back(static_cast<u8>(c & 0xFF));
        bytes.push_back(static_cast<u8>(c >> 8));
    }
    return bytes;
}

TEST(Raster, InitSetsColoursPaletteAndQueuesTheStartUpSequence) {
    RasterError = 1;
    EXPECT_FALSE(RasterInit());
    EXPECT_FALSE(RasterFailed());
    EXPECT_EQ(RasterForeground, 0xFFFF);
    EXPECT_EQ(RasterBackground, 0x0000);
    const Rgb565 expected[16] = {0x0000, 0xF800, 0xFFE0, 0x07E0, 0x07FF, 0x001F, 0xF81F, 0xFFFF,
                                 0xC618, 0xB596, 0xA514, 0x8410, 0x630C, 0x0400, 0x0010, 0xFC00};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(RasterPalette[i], expected[i]) << i;

    ASSERT_EQ(LcdQueueCount(), 32 * 4);
    for (u16 i = 0; i < 32; ++i) {
        const LcdInitStep& step = LcdStartupSequence[i];
        EXPECT_EQ(LcdQueueEntry(4 * i), 0x0000);
        EXPECT_EQ(LcdQueueEntry(4 * i + 1), step.reg) << i;
        EXPECT_EQ(LcdQueueEntry(4 * i + 2), 0x100 | (step.value >> 8)) << i;
        EXPECT_EQ(LcdQueueEntry(4 * i + 3), 0x100 | (step.value & 0xFF)) << i;
    }
    EXPECT_EQ(LcdQueueEntry(4 * 31 + 1), kLcdRegDisplayControl);
    EXPECT_EQ(LcdQueueEntry(4 * 31 + 3), 0x130);

    DisplayOn();
    DisplayOff();
    const u16 display[] = {0x0000, 0x07, 0x100, 0x133, 0x0000, 0x07, 0x100, 0x130};
    for (u16 i = 0; i < 8; ++i) EXPECT_EQ(LcdQueueEntry(128 + i), display[i]) << i;
}

TEST(Raster, LoadPaletteChecksItsRange) {
    RasterInit();
    const RgbTriple grey[16] = {{0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80},
                                {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80},
                                {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80},
                                {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}};
    Rgb565 before[16];
    for (int i = 0; i < 16; ++i) before[i] = RasterPalette[i];

    EXPECT_EQ(LoadPalette(10, 7, grey), 1);
    EXPECT_TRUE(RasterFailed());
    EXPECT_EQ(LoadPalette(0, 0, grey), 1);
    EXPECT_EQ(LoadPalette(0, 1, nullptr), 1);
    EXPECT_EQ(LoadPalette(65535, 2, grey), 1);  // first + count must not wrap round
    for (int i = 0; i < 16; ++i) EXPECT_EQ(RasterPalette[i], before[i]) << i;

    EXPECT_EQ(LoadPalette(15, 1, grey), 0);
    EXPECT_FALSE(RasterFailed());
    EXPECT_EQ(RasterPalette[15], 0x8410);
    EXPECT_EQ(RasterPalette[14], before[14]);
    EXPECT_EQ(LoadPalette(0, 16, grey), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(RasterPalette[i], 0x8410) << i;
}

TEST(Raster, PixelsAreClampedOntoTheLastRowAndColumn) {
    RasterError = 1;
    DrawPixel(400, 250, kRed);
    EXPECT_EQ(RasterError, 0);
    DrawPixel(5, 6, kBlue);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(319, 239), kRed);
    EXPECT_EQ(Pixel(5, 6), kBlue);
    EXPECT_EQ(CountColourOnScreen(0), 320 * 240 - 2);
}

TEST(Raster, LinesRunBetweenTheirEndsAndNeverFloodTheQueue) {
    DrawHLine(10, 20, 14, kRed);
    DrawVLine(30, 5, 8, kBlue);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(10, 20, 14, 20, kRed), 5);
    EXPECT_EQ(CountColourOnScreen(kRed), 5);
    EXPECT_EQ(CountColour(30, 5, 30, 8, kBlue), 4);
    EXPECT_EQ(CountColourOnScreen(kBlue), 4);

    // An end before the start opens the window and sends nothing.
    DrawHLine(14, 40, 10, kRed);
    DrawVLine(30, 50, 45, kRed);
    EXPECT_EQ(Summarise().windows, 2);
    EXPECT_EQ(Summarise().pixels, 0);
    LcdApplyQueue();

    // Ends far off the screen draw up to the edge only.
    DrawHLine(300, 7, 65535, kRed);
    DrawVLine(2, 230, 255, kRed);
    EXPECT_EQ(Summarise().pixels, 20 + 10);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(300, 7, 319, 7, kRed), 20);
    EXPECT_EQ(CountColour(2, 230, 2, 239, kRed), 10);
}

TEST(Raster, FramesDrawTheirEdgesAndCollapseWhenBackwards) {
    FillScreen(kMark);
    DrawFrame(10, 10, 10, 10, kRed);
    EXPECT_EQ(Summarise().pixels, 1);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(10, 10), kRed);
    EXPECT_EQ(CountColourOnScreen(kRed), 1);

    DrawFrame(20, 20, 30, 20, kBlue);  // one row: top edge only
    EXPECT_EQ(Summarise().windows, 1);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(20, 20, 30, 20, kBlue), 11);

    DrawFrame(40, 20, 40, 30, kBlue);  // one column: left edge only
    EXPECT_EQ(Summarise().windows, 1);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(40, 20, 40, 30, kBlue), 11);
    EXPECT_EQ(CountColourOnScreen(kBlue), 22);

    FillScreen(kMark);
    DrawFrame(60, 60, 50, 50, kRed);
    EXPECT_EQ(Summarise().pixels, 1);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(60, 60), kRed);
    EXPECT_EQ(CountColourOnScreen(kRed), 1);

    FillScreen(kMark);
    DrawFrame(100, 50, 110, 60, kRed);
    EXPECT_EQ(Summarise().windows, 4);
    EXPECT_EQ(Summarise().pixels, 4 * 11);  // corners are sent twice
    LcdApplyQueue();
    EXPECT_EQ(CountColourOnScreen(kRed), 40);
    EXPECT_EQ(CountColour(101, 51, 109, 59, kMark), 81);
    EXPECT_EQ(Pixel(110, 60), kRed);

    // Clamped onto the screen's last row and column.
    DrawFrame(310, 230, 400, 250, kBlue);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(310, 230, 319, 230, kBlue), 10);
    EXPECT_EQ(CountColour(310, 239, 319, 239, kBlue), 10);
    EXPECT_EQ(CountColour(319, 230, 319, 239, kBlue), 10);
}

TEST(Raster, PatternFillsUseRowParityAndColumnMasks) {
    SetRasterColours(kRed, kBlue);
    FillPattern(3, 4, 12, 7, 0x00FF);
    LcdApplyQueue();
    for (u16 y = 4; y <= 7; ++y) {
        EXPECT_EQ(CountColour(3, y, 12, y, y % 2 == 0 ? kRed : kBlue), 10) << y;
    }

    FillPattern(0, 10, 17, 11, 0xAAAA);
    LcdApplyQueue();
    for (u16 y = 10; y <= 11; ++y) {
        for (u16 x = 0; x <= 17; ++x) EXPECT_EQ(Pixel(x, y), x % 2 == 0 ? kRed : kBlue) << x << "," << y;
    }

    // Columns are masked by their absolute position, not by the fill's left edge.
    FillPattern(5, 20, 12, 20, 0x0080);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(5, 20, 12, 20, kRed), 1);
    EXPECT_EQ(Pixel(8, 20), kRed);

    RasterError = 1;
    FillPattern(310, 230, 500, 255, 0x0000);
    EXPECT_EQ(RasterError, 0);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(310, 230, 319, 239, kBlue), 100);
    FillPattern(0, 0, 3, 1, 0xFFFF);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(0, 0, 3, 1, kRed), 8);
}

TEST(Raster, OneBitBlitsInTwoColoursOpaqueTransparentAndInverse) {
    SetRasterColours(kRed, kBlue);
    const u8 bits[] = {0b10000001, 0b01000010};
    FillScreen(kMark);
    BlitBitmap(20, 30, 27, 31, bits, 1, 0, nullptr, 0, 0);
    EXPECT_EQ(Summarise().windows, 1);
    LcdApplyQueue();
    for (u16 x = 0; x < 8; ++x) {
        EXPECT_EQ(Pixel(20 + x, 30), (x == 0 || x == 7) ? kRed : kBlue) << x;
        EXPECT_EQ(Pixel(20 + x, 31), (x == 1 || x == 6) ? kRed : kBlue) << x;
    }

    FillScreen(kMark);
    BlitBitmap(20, 30, 27, 30, bits, 1, kBlitTransparent, nullptr, 0, 0);
    const QueueSummary s = Summarise();
    EXPECT_EQ(s.windows, 2);
    EXPECT_EQ(s.pixels, 2);
    EXPECT_EQ(s.windowColumns, (std::vector<u16>{20, 27}));
    LcdApplyQueue();
    EXPECT_EQ(Pixel(20, 30), kRed);
    EXPECT_EQ(Pixel(27, 30), kRed);
    EXPECT_EQ(CountColour(21, 30, 26, 30, kMark), 6);

    // Transparent inverse: set bits in the background colour, the rest untouched.
    FillScreen(kMark);
    BlitBitmap(20, 30, 27, 31, bits, 1, kBlitTransparent | kBlitInverse, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(CountColourOnScreen(kBlue), 4);
    EXPECT_EQ(Pixel(21, 31), kBlue);
    EXPECT_EQ(CountColourOnScreen(kRed), 0);

    FillScreen(kMark);
    BlitBitmap(20, 30, 27, 30, bits, 1, kBlitInverse, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(20, 30), kBlue);
    EXPECT_EQ(Pixel(21, 30), kRed);

    // Nothing to read, nothing drawn.
    BlitBitmap(0, 0, 7, 0, nullptr, 1, 0, nullptr, 0, 0);
    BlitBitmap(0, 0, 7, 0, bits, 0, 0, nullptr, 0, 0);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST(Raster, PaletteBlitsNeedAPaletteOfTheBitmapsDepth) {
    RasterInit();
    LcdApplyQueue();
    FillScreen(kMark);
    const auto palette2 = PaletteRecord(2, {0x0000, 0x1111, 0x2222, 0x3333});
    const u8 depth2[] = {0b00011011, 0b11100100};  // values 0 1 2 3 / 3 2 1 0
    BlitBitmap(10, 10, 13, 11, depth2, 1, 2, palette2.data(), 0, 0);
    LcdApplyQueue();
    const Rgb565 expected2[2][4] = {{0x0000, 0x1111, 0x2222, 0x3333}, {0x3333, 0x2222, 0x1111, 0x0000}};
    for (u16 y = 0; y < 2; ++y) {
        for (u16 x = 0; x < 4; ++x) EXPECT_EQ(Pixel(10 + x, 10 + y), expected2[y][x]) << x << "," << y;
    }

    std::vector<Rgb565> colours16;
    for (u16 i = 0; i < 16; ++i) colours16.push_back(static_cast<Rgb565>(0x100 + i));
    const auto palette4 = PaletteRecord(4, colours16);
    const u8 depth4[] = {0x0F, 0xA5};
    BlitBitmap(20, 10, 23, 10, depth4, 2, 4, palette4.data(), 0, 0);
    std::vector<Rgb565> colours256;
    for (u16 i = 0; i < 256; ++i) colours256.push_back(static_cast<Rgb565>(0x4000 + i));
    const auto palette8 = PaletteRecord(8, colours256);
    const u8 depth8[] = {0x00, 0xFF, 0x7E};
    BlitBitmap(30, 10, 32, 10, depth8, 3, 8, palette8.data(), 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(20, 10), 0x100);
    EXPECT_EQ(Pixel(21, 10), 0x10F);
    EXPECT_EQ(Pixel(22, 10), 0x10A);
    EXPECT_EQ(Pixel(23, 10), 0x105);
    EXPECT_EQ(Pixel(30, 10), 0x4000);
    EXPECT_EQ(Pixel(31, 10), 0x40FF);
    EXPECT_EQ(Pixel(32, 10), 0x407E);

    // A depth-1 bitmap with a palette takes its colours from it.
    const auto palette1 = PaletteRecord(1, {0x0AAA, 0x0BBB});
    const u8 one[] = {0b01000000};
    BlitBitmap(40, 10, 41, 10, one, 1, 1, palette1.data(), 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(40, 10), 0x0AAA);
    EXPECT_EQ(Pixel(41, 10), 0x0BBB);

    // Mismatched or missing palettes and undrawable depths queue nothing.
    BlitBitmap(50, 10, 53, 10, depth2, 1, 2, palette1.data(), 0, 0);
    BlitBitmap(50, 10, 53, 10, depth2, 1, 2, nullptr, 0, 0);
    BlitBitmap(50, 10, 53, 10, depth4, 2, 4, palette8.data(), 0, 0);
    BlitBitmap(50, 10, 53, 10, depth2, 1, 3, palette2.data(), 0, 0);
    BlitBitmap(50, 10, 53, 10, depth2, 1, 16, palette2.data(), 0, 0);
    BlitBitmap(50, 10, 53, 10, depth2, 1, 3 | kBlitCoverage, nullptr, 0, 0);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST(Raster, TransparentPaletteBlitsSkipTheBackgroundColourAndReopenTheWindow) {
    SetRasterColours(kRed, 0x2222);
    FillScreen(kMark);
    const auto palette2 = PaletteRecord(2, {0x0000, 0x1111, 0x2222, 0x3333});
    const u8 row[] = {0b01101010, 0b01000000};  // 1 2 2 2 | 1 0
    BlitBitmap(10, 10, 15, 10, row, 2, 2 | kBlitTransparent, palette2.data(), 0, 0);
    const QueueSummary s = Summarise();
    EXPECT_EQ(s.windowColumns, (std::vector<u16>{10, 14}));
    EXPECT_EQ(s.pixels, 3);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(10, 10), 0x1111);
    EXPECT_EQ(CountColour(11, 10, 13, 10, kMark), 3);
    EXPECT_EQ(Pixel(14, 10), 0x1111);
    EXPECT_EQ(Pixel(15, 10), 0x0000);
}

TEST(Raster, CoverageBlitsBlendForegroundOverBackground) {
    SetRasterColours(0xFFFF, 0x0000);
    const u8 ramp[] = {0b00011011};
    BlitBitmap(10, 10, 13, 10, ramp, 1, 2 | kBlitCoverage, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(10, 10), 0x0000);
    EXPECT_EQ(Pixel(11, 10), BlendRgb565(0xFFFF, 0x0000, 85));
    EXPECT_EQ(Pixel(12, 10), BlendRgb565(0xFFFF, 0x0000, 170));
    EXPECT_EQ(Pixel(13, 10), 0xFFFF);
    EXPECT_NE(Pixel(11, 10), Pixel(12, 10));

    // Inverse swaps the ends; at depth 4 value 5 is coverage 85.
    const u8 nibbles[] = {0x5F};
    BlitBitmap(20, 10, 21, 10, nibbles, 1, 4 | kBlitCoverage | kBlitInverse, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(20, 10), BlendRgb565(0x0000, 0xFFFF, 85));
    EXPECT_EQ(Pixel(21, 10), 0x0000);

    // Transparent coverage leaves out what comes out as the background colour.
    FillScreen(kMark);
    BlitBitmap(10, 20, 13, 20, ramp, 1, 2 | kBlitCoverage | kBlitTransparent, nullptr, 0, 0);
    EXPECT_EQ(Summarise().windowColumns, (std::vector<u16>{10, 11}));
    LcdApplyQueue();
    EXPECT_EQ(Pixel(10, 20), kMark);
    EXPECT_EQ(Pixel(13, 20), 0xFFFF);
}

TEST(Raster, SlicesDrawPartOfTheBitmapAtItsOwnRows) {
    SetRasterColours(kRed, kBlue);
    // Row k (1-based) has its k-th pixel set.
    const u8 rows[] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04};
    FillScreen(kMark);
    BlitBitmap(10, 50, 17, 55, rows, 1, 0, nullptr, 3, 2);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(10, 50, 17, 51, kMark), 16);
    EXPECT_EQ(Pixel(12, 52), kRed);
    EXPECT_EQ(Pixel(13, 53), kRed);
    EXPECT_EQ(CountColour(10, 52, 17, 53, kBlue), 14);
    EXPECT_EQ(CountColour(10, 54, 17, 55, kMark), 16);

    // The slice never reaches past the rectangle, and an empty one draws nothing.
    BlitBitmap(10, 70, 17, 75, rows, 1, 0, nullptr, 6, 9);
    LcdApplyQueue();
    EXPECT_EQ(Pixel(15, 75), kRed);
    EXPECT_EQ(CountColour(10, 70, 17, 74, kMark), 40);
    EXPECT_EQ(CountColour(10, 76, 17, 80, kMark), 40);
    BlitBitmap(10, 80, 17, 85, rows, 1, 0, nullptr, 7, 1);
    BlitBitmap(10, 80, 17, 85, rows, 1, 0, nullptr, 1, 0);
    BlitBitmap(10, 235, 17, 239, rows, 1, 0, nullptr, 255, 1);
    EXPECT_EQ(LcdQueueCount(), 0);
}

TEST(Raster, BlitsAreCutAtTheScreenAndNeverReadPastARow) {
    SetRasterColours(kRed, kBlue);
    FillScreen(kMark);
    const u8 rows[] = {0xF0, 0x0F};
    BlitBitmap(316, 100, 323, 101, rows, 1, 0, nullptr, 0, 0);
    LcdApplyQueue();
    // Cut on the right, not wrapped: each row starts at its own first byte.
    EXPECT_EQ(CountColour(316, 100, 319, 100, kRed), 4);
    EXPECT_EQ(CountColour(316, 101, 319, 101, kBlue), 4);
    EXPECT_EQ(CountColour(0, 100, 315, 101, kMark), 2 * 316);

    // Twelve columns from one-byte rows: the columns past the stride read as
    // clear instead of taking the next row's bits.
    FillScreen(kMark);
    const u8 narrow[] = {0xFF, 0xFF};
    BlitBitmap(10, 10, 21, 11, narrow, 1, 0, nullptr, 0, 0);
    LcdApplyQueue();
    EXPECT_EQ(CountColour(10, 10, 17, 11, kRed), 16);
    EXPECT_EQ(CountColour(18, 10, 21, 11, kBlue), 8);
}

// Whether the built-in glyph's pixel is set.
bool GlyphBit(char c, int column, int row) {
    const u8* record = Font0.glyphs + (static_cast<u8>(c) & 0x7F) * (Font0.glyphBytes + kShortHeaderBytes);
    return (record[kShortHeaderBytes + row] >> (7 - column)) & 1;
}

// Compares the glyph's cell at (x, y) in white on black; columns past the screen are not compared.
void ExpectGlyphAt(char c, int x, u16 y) {
    for (int row = 0; row < 8; ++row) {
        for (int column = x < 0 ? -x : 0; column < 6 && x + column < kScreenWidth; ++column) {
            EXPECT_EQ(Pixel(static_cast<u16>(x + column), y + row), GlyphBit(c, column, row) ? 0xFFFF : 0x0000)
                << c << " " << column << "," << row;
        }
    }
}

TEST(Raster, RawMessagesAreCentredInTheBuiltInFont) {
    SetRasterColours(kRed, kBlue);
    FillScreen(kMark);
    ShowRawMessage("HeLLo");
    LcdApplyQueue();
    EXPECT_EQ(RasterForeground, 0xFFFF);  // the message screen starts the raster layer afresh
    const char* text = "HeLLo";
    for (int i = 0; i < 5; ++i) ExpectGlyphAt(text[i], static_cast<u16>(145 + 6 * i), 115);
    EXPECT_EQ(CountColourOnScreen(kMark), 320 * 240 - 30 * 8);

    FillScreen(kMark);
    ShowRawMessage("AB\nxyz\n");  // three lines, the last one empty
    LcdApplyQueue();
    // y = (239 - 24) / 2 = 107; "AB" at x = 154, "xyz" at x = 151.
    ExpectGlyphAt('A', 154, 107);
    ExpectGlyphAt('B', 160, 107);
    ExpectGlyphAt('z', 163, 115);
    EXPECT_EQ(CountColourOnScreen(kMark), 320 * 240 - 5 * 48);

    // Codes above 127 use the glyph of their low seven bits.
    FillScreen(kMark);
    ShowRawMessage("\xC1");
    LcdApplyQueue();
    ExpectGlyphAt('A', 157, 115);

    const u16 queued = LcdQueueCount();
    ShowRawMessage(nullptr);
    EXPECT_EQ(LcdQueueCount(), queued + 128);  // only the start-up sequence
}

TEST(Raster, RawMessagesLongerThanTheQueueAreDrawnInFull) {
    // 40 lines of 60 characters: far more glyph transfers than the queue holds.
    std::string text;
    for (int line = 0; line < 40; ++line) {
        text += std::string(60, static_cast<char>('A' + line % 26));
        text += '\n';
    }
    FillScreen(kMark);
    ShowRawMessage(text.c_str());
    LcdApplyQueue();
    // More lines than fit start at the top; a line wider than the screen is
    // centred with both ends cut: x starts at -20, so column 4 holds a glyph.
    ExpectGlyphAt('A', 4, 0);
    ExpectGlyphAt('D', 4, 24);
    ExpectGlyphAt('D', 310, 24);
    ExpectGlyphAt('D', 316, 24);  // partly visible on the right
    ExpectGlyphAt('D', -2, 24);   // and on the left
    ExpectGlyphAt('D', 4, 232);
    EXPECT_EQ(CountColourOnScreen(kMark), 0);
}

TEST(Raster, SineAndCosineFollowTheFiveDegreeTable) {
    EXPECT_EQ(SinFixed(0), 0);
    EXPECT_EQ(SinFixed(30), 128 * 256);
    EXPECT_EQ(SinFixed(90), 65536);
    EXPECT_EQ(SinFixed(92), 65536);
    EXPECT_EQ(SinFixed(93), 65280);
    EXPECT_EQ(SinFixed(150), 128 * 256);
    EXPECT_EQ(SinFixed(180), 0);
    EXPECT_EQ(SinFixed(210), -128 * 256);
    EXPECT_EQ(SinFixed(270), -65536);
    EXPECT_EQ(SinFixed(330), -128 * 256);
    EXPECT_EQ(SinFixed(359), 0);
    EXPECT_EQ(SinFixed(360 + 90), 65536);
    EXPECT_EQ(SinFixed(65535), SinFixed(65535 % 360));
    EXPECT_EQ(CosFixed(0), 65536);
    EXPECT_EQ(CosFixed(60), 128 * 256);
    EXPECT_EQ(CosFixed(180), -65536);
    EXPECT_EQ(CosFixed(270), 0);
    EXPECT_EQ(CosFixed(65535), SinFixed(65535 % 360 + 90));
}

}  // namespace
