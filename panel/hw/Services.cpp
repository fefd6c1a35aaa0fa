#include "panel/hw/Services.h"
#include "panel/StaticState.h"

namespace {

constexpr u16 kDaysBeforeMonth[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr u16 kBasicSystemVersion = 10000;

struct ServiceState {
    u8 displayLevel;
};

ServiceState services;

}  // namespace

void SetDisplayLevel(u8 level) { services.displayLevel = level; }

u8 GetDisplayLevel() { return services.displayLevel; }

void ClockWriteHook() {}

void TimeAdjustHook(u8, PanelClockRecord*) {}

void DateAdjustHook(u8, PanelClockRecord*) {}

u16 BasicSystemVersion() { return kBasicSystemVersion; }

u32 UpdateInformation() { return 0; }

u16 DayOfYear(u8 day, u8 month, u16 yearFrom2000) {
    u16 n = static_cast<u16>((month <= 12 ? kDaysBeforeMonth[month] : 0) + day);
    if (month > 2 && yearFrom2000 % 4 == 0) ++n;
    return n;
}

u8 WeekdayOf(u8 day, u8 month, i16 year) {
    const u16 y = static_cast<u16>(year - 2000);
    // Every step wraps at 16 bits, as the panel computes it.
    const u16 leapDays = static_cast<u16>(static_cast<u16>(y + 3u) / 4u);
    const u16 s = static_cast<u16>(static_cast<u16>(365u * y) + leapDays + DayOfYear(day, month, y));
    return static_cast<u8>((s + 4u) % 7u);
}

void ResetServicesStatics() { services = ServiceState{}; }
