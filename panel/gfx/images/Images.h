// The panel's image tables (icons and pictures), as constant data in the
// stored format: FontRecords whose glyphs are long-header image records.
#pragma once

#include "panel/gfx/FontFormat.h"

extern const FontRecord ImageTable0;  // solar pump wheel, 4 rotation phases, 24 x 24, 2 bpp palette
extern const FontRecord ImageTable1;  // heating circuit 45 x 34 and collector 40 x 26, 2 bpp palette
extern const FontRecord ImageTable2;  // frost crystal and sun, 50 x 50, two-colour
extern const FontRecord ImageTable3;  // 18 button icons 18 x 18, two-colour, index = ButtonId
extern const FontRecord ImageTable4;  // section icons 24 x 18 and status icons 18 x 18, two-colour
extern const FontRecord ImageTable5;  // fault view picture 232 x 100, 2 bpp palette
extern const FontRecord ImageTable6;  // "fault" banners 130 x 48, one per Language, 1 bpp palette
