#include "panel/app/Frame.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"

namespace {

// The home button in the title bar, and the size of every bar button with
// its touch region.
constexpr u16 kHomeX = 248;
constexpr u16 kHomeY = 2;
constexpr u16 kButtonWidth = 42;
constexpr u16 kButtonHeight = 28;

}  // namespace

void DrawTitleBar(TextId title, u8 section, bool titleField) {
    FilledRect(Colour::kPanelGrey, 0, 0, kLastColumn, 31);
    FilledRect(Colour::kDarkGrey, 0, 32, kLastColumn, 34);
    if (titleField) FilledRect(Colour::kYellow, 0, 0, 202, 31);
    DrawBarButton(kHomeX, kHomeY, Button::kHome);
    DlSetFont(FontSlot::kTitle);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    const u8 h = FontHeight(FontSlot::kTitle);
    const u16 y = static_cast<u16>(30 - (32 - h) / 2);
    TextAt(Text(title), section != 0 ? 46 : 10, y);
    if (section != 0) DlImage(10, 25, static_cast<u8>(section - 1), ImageSlot::kSections);
}

void DrawBottomBar(const u8 slots[4]) {
    FilledRect(Colour::kDarkGrey, 0, 208, kLastColumn, 239);
    RemoveTouchButton(kAllTouchButtons);
    AddTouchButton(Button::kHome, kHomeX, kHomeY, kHomeX + kButtonWidth, kHomeY + kButtonHeight);
    for (u8 i = 0; i < 4; ++i) AppState.barButtons[i] = slots[i];
    for (u8 i = 0; i < 4; ++i) {
        if (AppState.barButtons[i] != Button::kNone) DrawBarButton(kBarSlotX[i], kBarY, AppState.barButtons[i]);
    }
}

void DrawBarButton(u16 x, u16 y, u8 id) {
    Colours(Colour::kYellow, Colour::kYellow);
    DlSetFlags(DrawMode::kOutline);
    DlRect(x, y, x + 41, y + 27);
    DlRect(x + 1, y + 1, x + 40, y + 26);
    DlSetFlags(DrawMode::kFilled);
    DlRect(x + 4, y + 4, x + 23, y + 23);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
    // Only the button ids have icons; any other id gets a blank button.
    if (id < kButtonCount) DlImage(x + 5, y + 23, id, ImageSlot::kButtons);
    AddTouchButton(id, x, y, x + kButtonWidth, y + kButtonHeight);
}

void UpdateFaultLamp() {
    if (Settings.faultCode == AppState.faultLampShown) return;
    AppState.faultLampShown = Settings.faultCode;
    DlSetBackground(Settings.faultCode != 0 ? Colour::kRed : Colour::kGreen);
    DlSetForeground(Colour::kGreen);
    DlSetFlags(DrawMode::kFilled);
    DlRect(kLamp.x0, kLamp.y0, kLamp.x1, kLamp.y1);
}
