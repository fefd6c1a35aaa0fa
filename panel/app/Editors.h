// What the value pages share: an edit that turns the value red and the bar to
// cancel, minus, plus and confirm, the limits of the temperature settings, the
// edit copy of the clock, and a temperature setting's whole edit. Helpers of
// the pages; they change no page.
#pragma once

#include "panel/Types.h"
#include "panel/app/Page.h"
#include "panel/hw/Clock.h"

// Limits of the temperature settings, in tenths of a degree.
struct EditLimit {
    i8 step;
    i16 minimum;
    i16 maximum;
    i16 defaultValue;
};

namespace Limit {
constexpr u8 kWarmWater = 0;
constexpr u8 kMaxTank = 1;
constexpr u8 kMaxTank2 = 2;
}  // namespace Limit
constexpr u8 kEditLimitCount = 3;
extern const EditLimit EditLimits[kEditLimitCount];

// The edit copy of the clock while a time or date edit runs.
extern PanelClockRecord ClockEdit;

// Opens the edit of value; the bar changes.
Outcome StartEdit(u16 value);
// Ends the edit; the bar changes back.
Outcome EndEdit();
// While an edit runs, the bar shows cancel, minus, plus and confirm; true
// then.
bool EditBar(u8* slots);
// The bar of a value page whose bar changes only for its edit.
void BarWhileEditing(u8* slots);

// A temperature setting: its value, how it is stored, its limits, and the
// unit after its whole degrees.
struct TemperatureSetting {
    u16 (*value)();
    void (*store)(u16 value);
    u8 limit;
    const char* unit;
};
// Edit, plus, minus and confirm on a temperature setting's page: the edit
// opens on the setting, plus and minus step it within its limits while the
// edit runs, and confirm stores it and ends the edit. Default() for any other
// button.
Outcome TemperatureButton(const TemperatureSetting& setting, ButtonId id);
// The setting in whole degrees on the value line, or the value under edit in
// red; drawn after a build or an editor action.
void DrawTemperatureSetting(const TemperatureSetting& setting);
