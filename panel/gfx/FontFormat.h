// The one stored format of fonts and image tables.
//
// A FontRecord describes a set of equally sized glyph records that follow one
// another without gaps. Text fonts use short glyph headers (3 bytes: u16 width,
// u8 height, then a one-bit bitmap) and a RangeMap from character codes to
// glyph numbers; image tables use long headers (6 bytes: u16 marker 0, u8
// format, u16 width, u8 height, then the bitmap) and carry a PaletteRecord
// instead of a map. Multi-byte header fields are little-endian.
#pragma once

#include "panel/Types.h"

struct FontRecord {
    u16 width;               // nominal glyph width
    u8 height;               // glyph height and text line height
    u32 glyphBytes;          // bitmap bytes per glyph, header excluded
    const u8* glyphs;        // first glyph record
    u16 count;               // number of glyph records
    const u8* mapOrPalette;  // RangeMap of a text font, PaletteRecord of an image table, or null
};

constexpr u8 kShortHeaderBytes = 3;
constexpr u8 kLongHeaderBytes = 6;

// Long-header format byte: bits 0-5 depth, 0x40 marks coverage data.
constexpr u8 kFormatDepthMask = 0x3F;
constexpr u8 kFormatCoverage = 0x40;

// RangeMap (stored): u8 number of ranges, u8 fallback code, then per range
// u8 first code, u8 last code (inclusive), u8 glyph number of the first code.
constexpr u8 kRangeMapHeaderBytes = 2;
constexpr u8 kRangeBytes = 3;

// PaletteRecord (stored): u16 little-endian depth, then 2^depth Rgb565
// entries, little-endian.

// Polish letters at the panel fonts' own code points (ISO 8859-1 has no
// glyphs for them; 0x80..0x9F are its control range, free for the fonts).
// Lower case sits on the odd codes, except that the S with acute is swapped so
// that 0x8F is the capital (the Wednesday abbreviation of the weekday row).
namespace PolishCode {
constexpr u8 kACapital = 0x84;       // Ą
constexpr u8 kA = 0x85;              // ą
constexpr u8 kCCapital = 0x86;       // Ć
constexpr u8 kC = 0x87;              // ć
constexpr u8 kECapital = 0x88;       // Ę
constexpr u8 kE = 0x89;              // ę
constexpr u8 kLCapital = 0x8A;       // Ł
constexpr u8 kL = 0x8B;              // ł
constexpr u8 kNCapital = 0x8C;       // Ń
constexpr u8 kN = 0x8D;              // ń
constexpr u8 kS = 0x8E;              // ś
constexpr u8 kSCapital = 0x8F;       // Ś
constexpr u8 kZAcuteCapital = 0x90;  // Ź
constexpr u8 kZAcute = 0x91;         // ź
constexpr u8 kZDotCapital = 0x92;    // Ż
constexpr u8 kZDot = 0x93;           // ż
}  // namespace PolishCode

// The Unicode code point of each panel code 0x84..0x93, in code order; every
// other code from 0x20 up is its ISO 8859-1 character.
constexpr char32_t kPolishCodePoints[16] = {
    U'\u0104', U'\u0105', U'\u0106', U'\u0107', U'\u0118', U'\u0119', U'\u0141', U'\u0142',
    U'\u0143', U'\u0144', U'\u015B', U'\u015A', U'\u0179', U'\u017A', U'\u017B', U'\u017C',
};
constexpr u8 kPolishFirstCode = 0x84;

// Panel code of a Unicode character, or 0 when the fonts cannot show it.
constexpr u8 PanelCodeOf(char32_t c) {
    if (c >= 0x20 && c <= 0x7E) return static_cast<u8>(c);
    if (c >= 0xA0 && c <= 0xFF) return static_cast<u8>(c);
    for (u8 i = 0; i < 16; ++i) {
        if (kPolishCodePoints[i] == c) return static_cast<u8>(kPolishFirstCode + i);
    }
    return 0;
}
