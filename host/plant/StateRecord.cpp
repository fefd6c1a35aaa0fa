#include "host/plant/StateRecord.h"

#include <cstring>
#include <ctime>

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/app/Plant.h"

StateRecord CurrentState(const PlantModel& plant, const WallTime& clock) {
    StateRecord state;
    const auto entries = PlantModel::Entries();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        state.plant[i] = plant.Get(i);
        state.held[i] = plant.Held(i);
    }
    state.settings = Settings;
    std::memcpy(state.history, FaultHistory, sizeof state.history);
    state.yields = YieldHistoryBlock;
    state.clock = clock;
    return state;
}

void ApplyState(const StateRecord& s, PlantModel& plant) {
    Settings = s.settings;
    std::memcpy(FaultHistory, s.history, sizeof FaultHistory);
    YieldHistoryBlock = s.yields;
    const auto entries = PlantModel::Entries();
    if (AppState.currentPage == Page::kConfirmDialog) plant.Set({*PlantModel::Find("dialog"), 0, false});
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (std::strcmp(entries[i].name, "dialog") == 0) continue;
        plant.Restore(i, s.plant[i]);
        plant.Hold(i, s.held[i]);
    }
    for (int i = 0; i < kCollectorCurveLength; ++i) CollectorCurve[i] = CollectorCurveValue(s.clock.hour, i);
    CollectorCurveCount = kCollectorCurveLength;
    // A changed language or setting shows only on a page drawn afresh.
    GoToPage(AppState.currentPage);
}

WallTime OffsetWallClock::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::time_t shifted = timegm(&local) + static_cast<std::time_t>(set_ ? offsetSeconds_ : 0);
    std::tm t{};
    gmtime_r(&shifted, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday};
}

void OffsetWallClock::Set(const WallTime& wanted) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::tm target{};
    target.tm_year = wanted.year - 1900;
    target.tm_mon = wanted.month - 1;
    target.tm_mday = wanted.day;
    target.tm_hour = wanted.hour;
    target.tm_min = wanted.minute;
    target.tm_sec = wanted.second;
    offsetSeconds_ = static_cast<long long>(timegm(&target)) - static_cast<long long>(timegm(&local));
    set_ = true;
}
