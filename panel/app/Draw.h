// The drawing helpers that every page uses: colours, fonts and image slots,
// filled rectangles and erased fields, texts placed, right-aligned or kept on
// the screen, two-digit numbers and the texts that a setting or a fault code
// names. The lowest layer of the application: it queues drawing commands and
// reads the state, and calls nothing of the pages or of navigation.
#pragma once

#include <span>

#include "panel/Types.h"
#include "panel/app/NumberFormat.h"
#include "panel/text/Texts.h"

namespace Colour {
constexpr Rgb565 kPanelGrey = 0xAD75;
constexpr Rgb565 kDarkGrey = 0x7BEF;
constexpr Rgb565 kYellow = 0xFFE0;
constexpr Rgb565 kBlack = 0x0000;
constexpr Rgb565 kRed = 0xF800;
constexpr Rgb565 kGreen = 0x03E0;
constexpr Rgb565 kBlue = 0x651F;
constexpr Rgb565 kWhite = 0xFFFF;
constexpr Rgb565 kBrightGreen = 0x07E0;
}  // namespace Colour

namespace DrawMode {
constexpr u8 kOutline = 1;
constexpr u8 kFilled = 3;
}  // namespace DrawMode

namespace FontSlot {
constexpr u8 kSmall = 1;
constexpr u8 kBody = 3;
constexpr u8 kTitle = 4;
}  // namespace FontSlot

namespace ImageSlot {
constexpr u8 kPumps = 0;
constexpr u8 kPlant = 1;
constexpr u8 kWeather = 2;
constexpr u8 kButtons = 3;
constexpr u8 kSections = 4;
constexpr u8 kFaultPicture = 5;
constexpr u8 kFaultLabel = 6;
}  // namespace ImageSlot

// Where a page's texts stand: measured readings and yields end at
// kReadingRight, a unit stands at kUnitX, other values end at kValueRight;
// the value line of a setting page is the field from kValueTop down to its
// base line kValueLine. A field erased to the screen's edge ends at
// kLastColumn.
constexpr u16 kReadingRight = 265;
constexpr u16 kUnitX = 270;
constexpr u16 kValueRight = 309;
constexpr u16 kValueTop = 114;
constexpr u16 kValueLine = 138;
constexpr u16 kLastColumn = kScreenWidth - 1;

// A live value's cache before its page has drawn it, and while its sensor is
// absent or faulty ("--,-").
constexpr u16 kNeverDrawn = 9998;
constexpr u16 kNoValue = 9999;

// The unit of a temperature (the font's degree sign), and the same after a
// blank.
inline constexpr char kDegrees[] =
    "\xB0"
    "C";
inline constexpr char kSpacedDegrees[] =
    " \xB0"
    "C";

void Colours(Rgb565 foreground, Rgb565 background);
// A rectangle filled with one colour, left in draw mode kFilled.
void FilledRect(Rgb565 colour, u16 x0, u16 y0, u16 x1, u16 y1);
// Erases the field to panel grey and sets the text position to its bottom
// left, so that the next text is printed there.
void ClearField(u16 x0, u16 y0, u16 x1, u16 y1);
// The content area between the title bar and the bottom bar.
void ClearContent();

// A text in the current language.
const char* Text(TextId id);
void TextAt(const char* text, u16 x, u16 baseLine);
void Label(TextId id, u16 x, u16 baseLine);
// Prints text so that it ends at x = right, in the given font's widths; a
// text wider than right starts at 0.
void PrintRightAligned(const char* text, u16 right, u16 baseLine, u8 font);
// The x at which a text starting at x stays on the screen: x itself, or
// further left when the text would run past the right edge and wrap.
u16 FitOnScreen(u16 x, const char* text, u8 font);
// The x at which a text is centred on `centre`; never left of the screen.
u16 CentredX(const char* text, i32 centre, u8 font);
// n (0..99) as two digits, tens first, each with DlChar.
void PrintTwoDigits(u8 n);
// Appends text to the zero-terminated text of out[0..n), within capacity
// bytes; n ends at the new end.
void Append(char* out, u8& n, u8 capacity, const char* text);

// The font, draw mode and colour that every live value starts from. The
// refresh arms them each tick; they are queued by the first value that
// draws, so that a quiet page leaves the display list empty.
void ArmValueDrawing();
void BeginValueDrawing();
// A value is red while it is being edited, else black.
Rgb565 ValueColour();

// A counter or yield: its format and unit, and its field, into which the
// value is right-aligned.
struct NumberField {
    const NumberFormat* format;
    const char* suffix;
    u16 x0;
    u16 y0;
    u16 right;
    u16 baseLine;
};
// Draws value in its field when it differs from cache, which then holds it.
// The field reaches further left when the format's widest text needs it.
void NumberRow(u32& cache, u32 value, const NumberField& field);
// The width of the widest text a format can produce, with its suffix.
u16 WidestValue(const NumberFormat& format, const char* suffix);

// The text that a setting's value names; a value without one gives an empty
// text.
const char* LoadStrategyText(u8 value);
const char* ShortcutText(u8 value);
const char* SupplementaryText(u8 value);
const char* OperatingModeText(u8 value);
const char* OnOffText(u8 on);

// "Fault code" and the two digits of the current fault code, in a static
// buffer.
const char* FaultLineText();
// The description of a fault code in the current language. A code that the
// fault table gives no text reads "Fault solar" and its number, so that no
// page shows an unrelated text in its place.
const char* FaultDescription(u8 code);

// The decimal text of value without leading zeros into out (6 bytes);
// returns the number of digits written, 1..5.
u8 FormatUnsigned(char* out, u16 value);
// The version number as "V 1.05" in a static buffer.
const char* FormatVersion();
