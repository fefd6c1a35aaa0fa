// Image table 1: the start page's plant pictures, 2 bpp over yellow:
// 0 the heating circuit, a column radiator 45 x 34 whose headers meet the
// supply pipe on the left at row 6 and the return at row 28; 1 the flat-plate
// collector 40 x 26, whose upper right end the two animated collector pipes
// run into (columns 28..30 and 34..36 stay free below it). The collector's two
// top rows stay empty left of column 28, where the collector temperature
// field is cleared.
#include <array>
#include <string_view>

#include "panel/gfx/images/ImagePacking.h"
#include "panel/gfx/images/Images.h"

namespace {

// Palette index order: yellow (transparent), black, blue, black.
constexpr std::string_view kLegend = ".#B:";

constexpr std::string_view kHeatingCircuit = R"(
.............................................
.....###...###...###...###...###...###...###.
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
#####BBB###BBB###BBB###BBB###BBB###BBB###BBB#
BBBB#BBB#B#BBB#B#BBB#B#BBB#B#BBB#B#BBB#B#BBB#
#####BBB###BBB###BBB###BBB###BBB###BBB###BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
#####BBB###BBB###BBB###BBB###BBB###BBB###BBB#
BBBB#BBB#B#BBB#B#BBB#B#BBB#B#BBB#B#BBB#B#BBB#
#####BBB###BBB###BBB###BBB###BBB###BBB###BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
....#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#.#BBB#
.....###...###...###...###...###...###...###.
)";

constexpr std::string_view kCollector = R"(
........................................
........................................
......................................##
...................................###B#
.................................##B#BB#
..............................###BBB#BB#
...........................###BB#BBB#BB#
........................###B#BBB#BBB#BB#
.....................####BBB#BBB#BBB#BB#
...................##BBB#BBB#BBB#BBB#BB#
................###B#BBB#BBB#BBB#BBB#B##
.............####BBB#BBB#BBB#BBB#BB###..
..........###BBB#BBB#BBB#BBB#BBB###.....
.......###BB#BBB#BBB#BBB#BBB#B###.......
.....##B#BBB#BBB#BBB#BBB#BB###..........
..###BBB#BBB#BBB#BBB#BBB###.............
##BB#BBB#BBB#BBB#BBB####................
#BBB#BBB#BBB#BBB#BB##..#................
#BBB#BBB#BBB#BBB###....#................
#BBB#BBB#BBB####.......#................
#BBB#BBB#B###..........#................
#BBB#BB###.............#................
#BBB###..#.............#................
#B###....#.............#................
##.......#.............#................
.........###############................
)";

constexpr std::array<std::string_view, 2> kArts = {kHeatingCircuit, kCollector};
constexpr u8 kFormat = 0x02;
constexpr u32 kGlyphBytes = ImagePacking::GlyphBytesOf(kFormat, kArts);
static_assert(kGlyphBytes == 34 * 12);
constexpr auto kGlyphs = ImagePacking::PackImageTable<kGlyphBytes>(kFormat, kLegend, kArts);
constexpr auto kPalette = ImagePacking::PackPalette<4>({0xFFE0, 0x0000, 0x1396, 0x0000});

}  // namespace

const FontRecord ImageTable1 = {45, 34, kGlyphBytes, kGlyphs.data(), 2, kPalette.data()};
