// The page builder: the common frame of every page (title bar, content area,
// bottom bar with its touch buttons) and each page's static labels, units and
// fixed graphics, plus the menu and list routines that the live refresh
// shares. Everything is queued through the drawing API.
#pragma once

#include "panel/Types.h"
#include "panel/text/TextIds.h"

namespace Colour {
constexpr Rgb565 kPanelGrey = 0xAD75;
constexpr Rgb565 kDarkGrey = 0x7BEF;
constexpr Rgb565 kYellow = 0xFFE0;
constexpr Rgb565 kBlack = 0x0000;
constexpr Rgb565 kRed = 0xF800;
constexpr Rgb565 kGreen = 0x03E0;
constexpr Rgb565 kBlue = 0x651F;
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

// The unit of a temperature (the font's degree sign), and the same after a
// blank.
inline constexpr char kDegrees[] =
    "\xB0"
    "C";
inline constexpr char kSpacedDegrees[] =
    " \xB0"
    "C";

// The x of each bottom-bar slot; the bar's buttons stand at y = 210.
constexpr u16 kBarSlotX[4] = {10, 102, 170, 268};
constexpr u16 kBarY = 210;

void DrawTitleBar();
void DrawBottomBar();
void ClearContent();
void DrawBarButton(u16 x, u16 y, u8 id);
void ApplyBarOverrides();
void DrawMenu(u8 full);
void DrawListFrame(u8 rows);
void DrawListSelection();
void ClearField(u16 x0, u16 y0, u16 x1, u16 y1);
void PrintTwoDigits(u8 n);

// Texts chosen by a setting; a value without an entry gives an empty text.
const char* LoadStrategyText(u8 value);
const char* ShortcutText(u8 value);
const char* SupplementaryText(u8 value);
const char* OperatingModeText(u8 value);
const char* OnOffText(u8 on);

// A text in the current language.
const char* Text(TextId id);

// Prints text so that it ends at x = right, in the given font's widths; a
// text wider than right starts at 0.
void PrintRightAligned(const char* text, u16 right, u16 baseLine, u8 font);

// The x at which a text starting at x stays on the screen: x itself, or
// further left when the text would run past the right edge and wrap.
u16 FitOnScreen(u16 x, const char* text, u8 font);

// The stored commissioning date as DD.MM.20YY, or --.--.---- before the first
// commissioning; out must hold 11 bytes.
void FormatCommissioningDate(char* out);

// The pages' own builds: what a page draws after its frame and its labels
// (PageTable.cpp names the build of each page).
void BuildStartPage();
void BuildMenuPage();
void BuildTemperaturesPage();
void BuildFlowPage();
void BuildExtraSensorsPage();
void BuildYieldsPage();
void BuildLoadStrategyPage();
void BuildLanguagePage();
void BuildShortcutPage();
void BuildSupplementaryPage();
void BuildOperatingModePage();
void BuildRuntimePage();
void BuildAlarmTransducerPage();
void BuildVersionsPage();
void BuildFaultHistoryPage();
