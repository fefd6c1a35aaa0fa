#include "panel/gfx/Colour.h"

#include <gtest/gtest.h>

namespace {

Rgb565 Pack(u8 r, u8 g, u8 b) {
    const RgbTriple rgb{r, g, b};
    return PackRgb565(&rgb);
}

RgbTriple Expand(u32 value, u8 depth) {
    RgbTriple rgb{1, 2, 3};
    ExpandPixelToRgb(value, &rgb, depth);
    return rgb;
}

void ExpectTriple(const RgbTriple& rgb, u8 r, u8 g, u8 b) {
    EXPECT_EQ(rgb.red, r);
    EXPECT_EQ(rgb.green, g);
    EXPECT_EQ(rgb.blue, b);
}

TEST(Colour, PacksTriplesRoundingRedAndBlueWithoutCarry) {
    EXPECT_EQ(PackRgb565(nullptr), 0);
    EXPECT_EQ(Pack(255, 255, 255), 0xFFFF);
    EXPECT_EQ(Pack(255, 128, 0), 0xFC00);
    EXPECT_EQ(Pack(192, 192, 192), 0xC618);
    EXPECT_EQ(Pack(176, 176, 176), 0xB596);
    EXPECT_EQ(Pack(4, 0, 4), 0x0801);
    EXPECT_EQ(Pack(8, 0, 8), 0x0801);
    EXPECT_EQ(Pack(12, 252, 12), 0x0FE1);
    EXPECT_EQ(Pack(0xFC, 0, 0xFC), 0xF81F);
    // Green is plainly truncated: bit 1 of the byte is lost.
    EXPECT_EQ(Pack(0, 0x06, 0), 0x0020);
}

TEST(Colour, UnpacksToFullScaleRoundingDown) {
    EXPECT_EQ(Rgb565ToRgb888(0xFFFF), 0xFFFFFFu);
    EXPECT_EQ(Rgb565ToRgb888(0x0000), 0x000000u);
    // Green 32 of 63 is 129.5, red and blue 1 of 31 are 8.2.
    EXPECT_EQ(Rgb565ToRgb888(0x0400), 0x008100u);
    EXPECT_EQ(Rgb565ToRgb888(0x0801), 0x080008u);
}

TEST(Colour, ExpandsPixelsByBitReplication) {
    ExpectTriple(Expand(0xFF, 8), 255, 255, 255);
    ExpectTriple(Expand(0x00, 8), 0, 0, 0);
    ExpectTriple(Expand(0x20, 8), 0x25, 0, 0);
    ExpectTriple(Expand(0x40 | 0x08, 8), 0x4A, 0x4A, 0);
    ExpectTriple(Expand(0x03, 8), 0, 0, 255);
    ExpectTriple(Expand(0x01, 8), 0, 0, 0x55);
    ExpectTriple(Expand(0x3FFFF, 18), 255, 255, 255);
    ExpectTriple(Expand(0x01 << 12, 18), 0x04, 0, 0);
    ExpectTriple(Expand(0x3FFFF, 12), 0, 0, 0);
    ExpectTriple(Expand(0xFFFF, 16), 0, 0, 0);
    ExpectTriple(Expand(0x112233, 24), 0x11, 0x22, 0x33);
    ExpectTriple(Expand(0xFF112233, 32), 0x11, 0x22, 0x33);
    ExpandPixelToRgb(0x112233, nullptr, 24);  // must not crash

    EXPECT_EQ(ConvertPixelToRgb565(0xFF, 8), 0xFFFF);
    EXPECT_EQ(ConvertPixelToRgb565(0xFF8000, 24), 0xFC00);
    EXPECT_EQ(ConvertPixelToRgb565(0x3F000, 18), 0xF800);
    EXPECT_EQ(ConvertPixelToRgb565(0x123, 5), 0x0000);
}

TEST(Colour, BlendsPerChannelAndKeepsTheEnds) {
    EXPECT_EQ(BlendRgb565(0xFFFF, 0x0000, 0), 0x0000);
    EXPECT_EQ(BlendRgb565(0xFFFF, 0x0000, 255), 0xFFFF);
    EXPECT_EQ(BlendRgb565(0xFFFF, 0x0000, 128), 0x7BEF);
    EXPECT_EQ(BlendRgb565(0xFFFF, 0x0000, 254), 0xF7DE);
    // Channels do not bleed into each other.
    EXPECT_EQ(BlendRgb565(0xF800, 0x001F, 128), 0x7800 | 0x000F);
    for (const Rgb565 c : {0x0000, 0xFFFF, 0x1234, 0xF81F, 0x07E0}) {
        for (u32 a = 0; a <= 255; ++a) EXPECT_EQ(BlendRgb565(c, c, static_cast<u8>(a)), c) << c << " " << a;
    }
}

}  // namespace
