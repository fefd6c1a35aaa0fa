// Image table 0: the solar pump's wheel in four rotation phases, 24 x 24.
// The start page steps the phase 0, 3, 2, 1, 0, ..., so each phase is the
// previous one turned a further 22.5 degrees; the four vanes repeat after 90.
// Drawn transparent over yellow: '.' is palette index 0 and stays unpainted.
#include <array>
#include <string_view>

#include "panel/gfx/images/ImagePacking.h"
#include "panel/gfx/images/Images.h"

namespace {

// Palette index order: yellow (transparent), blue, white, black.
constexpr std::string_view kLegend = ".BW#";

constexpr std::string_view kPhase0 = R"(
..........#####.........
.......###########......
......###WWWWWWW###.....
....###WWWWWWWWWWW###...
...###WWWWWWWWWWWWW###..
...##WBWWWWWWWWBBBBW##..
..##WBBWWWWWWBBBBBBWW##.
..#WWBBWWWWWBBBBWWWWWW#.
.##WWWBBWWWWBBBWWWWWWW##
.##WWWBBBWWB#BWWWWWWWW##
.#WWWWWBBB#####WWWWWWWW#
.#WWWWWBBB#####BWWWWWWW#
.#WWWWWWWB#####BBBWWWWW#
.#WWWWWWWW#####BBBWWWWW#
.##WWWWWWWWB#BWWBBBWWW##
.##WWWWWWWBBBWWWWBBWWW##
..#WWWWWWBBBBWWWWWBBWW#.
..##WWBBBBBBWWWWWWBBW##.
...##WBBBBWWWWWWWWBW##..
...###WWWWWWWWWWWWW###..
....###WWWWWWWWWWW###...
......###WWWWWWW###.....
.......###########......
..........#####.........
)";

constexpr std::string_view kPhase1 = R"(
..........#####.........
.......###########......
......###WWWWWWW###.....
....###WWBWWWWWWWW###...
...###WWBBWWWWWWWWW###..
...##WWWBWWWWWWWWWWW##..
..##WWWBBWWWWWWWWWWWW##.
..#WWWWBBBWWWWWBBBBBBW#.
.##WWWWWBBWWWBBBBBBBBW##
.##WWWWWBBBW#BBBWWWWWW##
.#WWWWWWBB#####WWWWWWWW#
.#WWWWWWWB#####WWWWWWWW#
.#WWWWWWWW#####BWWWWWWW#
.#WWWWWWWW#####BBWWWWWW#
.##WWWWWWBBB#WBBBWWWWW##
.##WBBBBBBBBWWWBBWWWWW##
..#WBBBBBBWWWWWBBBWWWW#.
..##WWWWWWWWWWWWBBWWW##.
...##WWWWWWWWWWWBWWW##..
...###WWWWWWWWWBBWW###..
....###WWWWWWWWBWW###...
......###WWWWWWW###.....
.......###########......
..........#####.........
)";

constexpr std::string_view kPhase2 = R"(
..........#####.........
.......###########......
......###WWWWWWW###.....
....###WWWWBBWWWWW###...
...###WWWWBBWWWWWWW###..
...##WWWWWBBWWWWWWWW##..
..##WWWWWBBBWWWWWWWWW##.
..#WWWWWWBBWWWWWWWWWWW#.
.##WWWWWWBBBWWWWWWWWWW##
.##WWWWWWBBB#WBBBBBBWW##
.#WWWWWWWW#####BBBBBBWW#
.#WBWWWWWW#####WWWWBBBW#
.#WBBBWWWW#####WWWWWWBW#
.#WWBBBBBB#####WWWWWWWW#
.##WWBBBBBBW#BBBWWWWWW##
.##WWWWWWWWWWBBBWWWWWW##
..#WWWWWWWWWWWBBWWWWWW#.
..##WWWWWWWWWBBBWWWWW##.
...##WWWWWWWWBBWWWWW##..
...###WWWWWWWBBWWWW###..
....###WWWWWBBWWWW###...
......###WWWWWWW###.....
.......###########......
..........#####.........
)";

constexpr std::string_view kPhase3 = R"(
..........#####.........
.......###########......
......###WWWWWWW###.....
....###WWWWWWWBBWW###...
...###WWWWWWWBBBWWW###..
...##WWWWWWWBBBWWWWW##..
..##WWWWWWWBBBWWWWWWW##.
..#WBWWWWWWBBWWWWWWWWW#.
.##WBWWWWWWBBWWWWWWWWW##
.##WBBWWWWWB#WWWWWWWWW##
.#WWBBBWWW#####BBWWWWWW#
.#WWWBBBBW#####BBBBWWWW#
.#WWWWBBBB#####WBBBBWWW#
.#WWWWWWBB#####WWWBBBWW#
.##WWWWWWWWW#BWWWWWBBW##
.##WWWWWWWWWBBWWWWWWBW##
..#WWWWWWWWWBBWWWWWWBW#.
..##WWWWWWWBBBWWWWWWW##.
...##WWWWWBBBWWWWWWW##..
...###WWWBBBWWWWWWW###..
....###WWBBWWWWWWW###...
......###WWWWWWW###.....
.......###########......
..........#####.........
)";

constexpr std::array<std::string_view, 4> kArts = {kPhase0, kPhase1, kPhase2, kPhase3};
constexpr u8 kFormat = 0x02;
constexpr u32 kGlyphBytes = ImagePacking::GlyphBytesOf(kFormat & kFormatDepthMask, kArts);
static_assert(kGlyphBytes == 24 * 6);
constexpr auto kGlyphs = ImagePacking::PackImageTable<kGlyphBytes>(kFormat, kLegend, kArts);
constexpr auto kPalette = ImagePacking::PackPalette<4>({0xFFE0, 0x651F, 0xFFFF, 0x0000});

}  // namespace

const FontRecord ImageTable0 = {24, 24, kGlyphBytes, kGlyphs.data(), 4, kPalette.data()};
