// The panel's text fonts, as constant data in the stored format.
#pragma once

#include "panel/gfx/FontFormat.h"

extern const FontRecord Font0;  // built-in 6 x 8, codes 0..127, no map
extern const FontRecord Font1;  // built-in 16 x 19, codes 32..255
extern const FontRecord Font2;  // 8 x 10, codes 32..126
extern const FontRecord Font3;  // 24 x 24 body text, codes 32..255
extern const FontRecord Font4;  // 24 x 24 bold: titles and the highlighted list row
