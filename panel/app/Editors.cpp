#include "panel/app/Editors.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/NumberFormat.h"
#include "panel/dl/DrawApi.h"

constexpr EditLimit EditLimits[kEditLimitCount] = {
    {10, 100, 750, 500},  // warm water set value
    {10, 300, 900, 800},  // maximum tank temperature
    {10, 300, 900, 800},  // maximum temperature of tank 2 / maximum supply temperature
};

PanelClockRecord ClockEdit;

namespace {

void StepValue(u8 limit, u8 up) {
    const EditLimit& l = EditLimits[limit < kEditLimitCount ? limit : 0];
    const i32 value = AppState.editValue;
    if (up) {
        if (value < l.maximum) AppState.editValue = static_cast<u16>(value + l.step);
    } else {
        if (value > l.minimum) AppState.editValue = static_cast<u16>(value - l.step);
    }
}

}  // namespace

Outcome StartEdit(u16 value) {
    AppState.editActive = 1;
    AppState.editValue = value;
    return BarChanged();
}

Outcome EndEdit() {
    AppState.editActive = 0;
    return BarChanged();
}

bool EditBar(u8* slots) {
    if (!AppState.editActive) return false;
    for (u8 i = 0; i < 4; ++i) slots[i] = Bars::kEditBar[i];
    return true;
}

void BarWhileEditing(u8* slots) { EditBar(slots); }

Outcome TemperatureButton(const TemperatureSetting& setting, ButtonId id) {
    switch (id) {
        case Button::kEdit: return StartEdit(setting.value());
        case Button::kPlus:
        case Button::kMinus:
            if (AppState.editActive) StepValue(setting.limit, id == Button::kPlus);
            return Stay();
        case Button::kConfirm:
            if (!AppState.editActive) return Stay();
            setting.store(AppState.editValue);
            return EndEdit();
        default: return Default();
    }
}

void DrawTemperatureSetting(const TemperatureSetting& setting) {
    if (!AppState.justBuilt) return;
    BeginValueDrawing();
    const u16 value = AppState.editActive ? AppState.editValue : setting.value();
    ClearField(250, kValueTop, kLastColumn, kValueLine);
    DlSetForeground(ValueColour());
    char text[kNumberTextMax];
    FormatNumber(Format::kWholeDegrees, value / 10, text);
    DlText(text);
    DlText(setting.unit);
}
