// The panel's 137 texts in seven languages.
//
// Every word the panel shows is looked up here by TextId and Language. The
// result is a zero-terminated byte string in the fonts' code points: ASCII,
// ISO 8859-1 from 0xA0 and the Polish letters at 0x84..0x93 (see FontFormat.h).
#pragma once

#include "panel/Types.h"

using TextId = u16;
using Language = u8;

constexpr TextId kTextCount = 137;
constexpr TextId kNoText = 0xFFFF;

constexpr Language kLanguageCount = 7;
constexpr Language kGerman = 0;
constexpr Language kEnglish = 1;
constexpr Language kFrench = 2;
constexpr Language kItalian = 3;
constexpr Language kSpanish = 4;
constexpr Language kDutch = 5;
constexpr Language kPolish = 6;

// The text in the given language. An unknown language, kNoText or an id with
// no record yield an empty string; the lookup never reads outside the table.
const char* GetText(TextId id, Language language);

// The slot width of a text in bytes (its longest translation may have this
// many bytes minus 2), or 0 for an id without a record.
u32 TextSlotWidth(TextId id);

// Shows the given texts of one language in place of the built-in ones, so a
// translator can preview a changed translation without building: 137
// zero-terminated strings in the fonts' code points, each within its slot.
// All or nothing: a missing, empty or too long text refuses the whole set and
// changes nothing.
bool OverrideTexts(Language language, const char* const texts[kTextCount]);

// Back to the built-in texts in every language.
void ClearTextOverrides();
