#include "panel/gfx/Colour.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(Colour, PacksTriplesRoundingRedAndBlueWithoutCarry) {
    // Green is plainly truncated: bit 1 of the byte is lost.
    const struct {
        RgbTriple rgb;
        Rgb565 packed;
    } cases[] = {{{255, 255, 255}, 0xFFFF}, {{176, 176, 176}, 0xB596}, {{4, 0, 4}, 0x0801},
                 {{12, 252, 12}, 0x0FE1},   {{0xFC, 0, 0xFC}, 0xF81F}, {{0, 0x06, 0}, 0x0020}};
    for (const auto& c : cases) EXPECT_EQ(PackRgb565(&c.rgb), c.packed) << c.packed;
    EXPECT_EQ(PackRgb565(nullptr), 0);

    // Back to full scale rounding down: green 32 of 63 is 129.5, red and blue 1 of 31 are 8.2.
    for (auto [packed, rgb] :
         {std::pair<Rgb565, u32>{0xFFFF, 0xFFFFFF}, {0x0000, 0}, {0x0400, 0x008100}, {0x0801, 0x080008}})
        EXPECT_EQ(Rgb565ToRgb888(packed), rgb) << packed;
}

TEST(Colour, ExpandsPixelsByBitReplication) {
    // Depths other than 8, 18, 24 and 32 expand to black.
    const struct {
        u32 value;
        u8 depth;
        u8 r, g, b;
    } cases[] = {{0xFF, 8, 255, 255, 255},          {0x48, 8, 0x4A, 0x4A, 0}, {0x01, 8, 0, 0, 0x55},
                 {0x1000, 18, 0x04, 0, 0},          {0x3FFFF, 12, 0, 0, 0},   {0xFFFF, 16, 0, 0, 0},
                 {0xFF112233, 32, 0x11, 0x22, 0x33}};
    for (const auto& c : cases) {
        RgbTriple rgb{1, 2, 3};
        ExpandPixelToRgb(c.value, &rgb, c.depth);
        EXPECT_EQ((std::vector<int>{rgb.red, rgb.green, rgb.blue}), (std::vector<int>{c.r, c.g, c.b}))
            << c.value << " at depth " << int(c.depth);
    }
    ExpandPixelToRgb(0x112233, nullptr, 24);  // must not crash

    EXPECT_EQ(ConvertPixelToRgb565(0xFF8000, 24), 0xFC00);
    EXPECT_EQ(ConvertPixelToRgb565(0x123, 5), 0x0000);
}

TEST(Colour, BlendsPerChannelAndKeepsTheEnds) {
    EXPECT_EQ(BlendRgb565(0xFFFF, 0x0000, 128), 0x7BEF);
    EXPECT_EQ(BlendRgb565(0xFFFF, 0x0000, 254), 0xF7DE);
    // Channels do not bleed into each other.
    EXPECT_EQ(BlendRgb565(0xF800, 0x001F, 128), 0x7800 | 0x000F);
    for (const Rgb565 c : {0x0000, 0xFFFF, 0x1234, 0xF81F, 0x07E0}) {
        for (u32 a = 0; a <= 255; ++a) EXPECT_EQ(BlendRgb565(c, c, static_cast<u8>(a)), c) << c << " " << a;
    }
}

}  // namespace
