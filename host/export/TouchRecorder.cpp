#include "host/export/TouchRecorder.h"

#include <algorithm>
#include <cstdio>

namespace {

bool SameTime(const WallTime& a, const WallTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

std::string Tenths(std::int64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%lld", value < 0 ? "-" : "", static_cast<long long>(std::abs(value) / 10),
                  static_cast<long long>(std::abs(value) % 10));
    return text;
}

}  // namespace

std::string QuoteWord(const std::string& word) {
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

void TouchRecorder::Start(const WallTime& clock, const PlantModel& plant, const std::string& stateFile) {
    recording_ = true;
    text_ = "# Recorded in the Kandorelle II window; play it with kandorelle-cli.\n";
    lastLine_.clear();
    pendingTicks_ = 0;
    clock_ = clock;
    if (!stateFile.empty()) Line("state load " + QuoteWord(stateFile));
    Line("clock " + FormatWallTime(clock));
    Snapshot(plant);
}

void TouchRecorder::Line(const std::string& line) {
    text_ += line;
    text_ += '\n';
    lastLine_ = line;
}

void TouchRecorder::FlushTicks() {
    if (pendingTicks_ == 0) return;
    Line(pendingTicks_ == 1 ? std::string("tick") : "tick " + std::to_string(pendingTicks_));
    pendingTicks_ = 0;
}

void TouchRecorder::Press(int x, int y) {
    if (!recording_) return;
    FlushTicks();
    Line("press " + std::to_string(std::clamp(x, 0, kScreenWidth - 1)) + " " +
         std::to_string(std::clamp(y, 0, kScreenHeight - 1)));
}

void TouchRecorder::Drag(int x, int y) {
    if (!recording_) return;
    FlushTicks();
    const std::string line = "drag " + std::to_string(std::clamp(x, 0, kScreenWidth - 1)) + " " +
                             std::to_string(std::clamp(y, 0, kScreenHeight - 1));
    // A second move to the same pixel before a tick changes nothing.
    if (line != lastLine_) Line(line);
}

void TouchRecorder::Release() {
    if (!recording_) return;
    FlushTicks();
    Line("release");
}

std::string TouchRecorder::PlantValueText(const PlantModel& plant, int entry) {
    const PlantEntry& e = PlantModel::Entries()[static_cast<std::size_t>(entry)];
    const std::int64_t value = plant.Get(entry);
    switch (e.type) {
        case PlantType::Temperature:
        case PlantType::Tenths: return Tenths(value);
        case PlantType::Flag: return value != 0 ? "on" : "off";
        default: return std::to_string(value);
    }
}

void TouchRecorder::Snapshot(const PlantModel& plant) {
    const auto entries = PlantModel::Entries();
    plantValues_.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) plantValues_[i] = plant.Get(static_cast<int>(i));
}

void TouchRecorder::BeforeTick(const PlantModel& plant) {
    if (!recording_) return;
    const auto entries = PlantModel::Entries();
    std::vector<bool> changed(entries.size(), false);
    bool any = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        changed[i] = plant.Get(static_cast<int>(i)) != plantValues_[i];
        any = any || changed[i];
    }
    if (!any) return;
    FlushTicks();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!changed[i]) continue;
        Line(std::string("set ") + entries[i].name + " " + PlantValueText(plant, static_cast<int>(i)));
        // A reading set by number marks its sensor as working again; its
        // flag follows, so that it ends as it is now.
        if (entries[i].absentFlag != nullptr) {
            const auto flag = PlantModel::Find(entries[i].absentFlag);
            if (flag && !changed[static_cast<std::size_t>(*flag)]) {
                Line(std::string("set ") + entries[*flag].name + " " + PlantValueText(plant, *flag));
            }
        }
    }
    Snapshot(plant);
}

void TouchRecorder::AfterTick(const WallTime& clock, const PlantModel& plant) {
    if (!recording_) return;
    if (!SameTime(clock, clock_)) {
        FlushTicks();
        Line("clock " + FormatWallTime(clock));
        clock_ = clock;
    }
    ++pendingTicks_;
    Snapshot(plant);
}

void TouchRecorder::Command(const std::string& line, const PlantModel& plant) {
    if (!recording_) return;
    FlushTicks();
    Line(line);
    Snapshot(plant);
}

std::string TouchRecorder::Script() const {
    if (pendingTicks_ == 0) return text_;
    return text_ + (pendingTicks_ == 1 ? std::string("tick") : "tick " + std::to_string(pendingTicks_)) + "\n";
}

std::string TouchRecorder::Finish() {
    if (recording_) FlushTicks();
    recording_ = false;
    return text_;
}
