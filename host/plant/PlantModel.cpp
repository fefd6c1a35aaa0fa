#include "host/plant/PlantModel.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/app/PageTable.h"
#include "panel/app/Plant.h"
#include "panel/app/TextTables.h"
#include "panel/gfx/FontFormat.h"
#include "panel/hw/Clock.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

// The order of the table below.
enum Id : int {
    kCollector,
    kCollectorFaulty,
    kSolarReturn,
    kSolarReturnFaulty,
    kSolarSupply,
    kSolarSupplyFaulty,
    kTank1Top,
    kTank1TopPresent,
    kTank1Bottom,
    kTank2Top,
    kTank2TopPresent,
    kTank2Bottom,
    kTank2Row,
    kOutside,
    kOutsideFaulty,
    kCollectorMax,
    kCollector1,
    kCollector1Absent,
    kOutside1,
    kOutside1Absent,
    kCollector2,
    kCollector2Absent,
    kOutside2,
    kOutside2Absent,
    kPumpSpeed,
    kPumpLock,
    kFlow,
    kFlowFaulty,
    kSolarOutput,
    kStatus,
    kFrost,
    kIconFlame,
    kIconClock,
    kTank1Full,
    kTank2Full,
    kExtraOffered,
    kCommissioningPossible,
    kCommissioningStep,
    kCommissioningVent,
    kCommissioningHold,
    kCommissioningCounter,
    kFault,
    kDialog,
    kEntryCount
};

constexpr std::int64_t kTempMin = -500;
constexpr std::int64_t kTempMax = 2500;
constexpr PlantType T = PlantType::Temperature;
constexpr PlantType F = PlantType::Flag;
constexpr PlantType I = PlantType::Integer;

constexpr PlantEntry kEntries[kEntryCount] = {
    {"collector", T, kTempMin, kTempMax, 823, "collector temperature (start page, temperatures page)",
     "collector.faulty"},
    {"collector.faulty", F, 0, 1, 0, "collector sensor faulty: the temperatures page shows --,-", nullptr},
    {"solar.return", T, kTempMin, kTempMax, 534, "solar return temperature (temperatures page)", "solar.return.faulty"},
    {"solar.return.faulty", F, 0, 1, 0, "solar return sensor faulty", nullptr},
    {"solar.supply", T, kTempMin, kTempMax, 795, "solar supply temperature (temperatures page)", "solar.supply.faulty"},
    {"solar.supply.faulty", F, 0, 1, 0, "solar supply sensor faulty", nullptr},
    {"tank1.top", T, kTempMin, kTempMax, 732, "tank top temperature (start page, temperatures page)",
     "tank1.top.present"},
    {"tank1.top.present", F, 0, 1, 1, "tank top sensor fitted; off shows ---,-", nullptr},
    {"tank1.bottom", T, kTempMin, kTempMax, 534, "lower tank temperature (start page)", nullptr},
    {"tank2.top", T, kTempMin, kTempMax, 741,
     "second tank top, or heating return (fifth row, start page with two tanks); set each tick from the supplementary "
     "function unless set by hand",
     "tank2.top.present"},
    {"tank2.top.present", F, 0, 1, 1, "fifth sensor fitted; off shows ---,-", nullptr},
    {"tank2.bottom", T, kTempMin, kTempMax, 0, "lower temperature of tank 2 (start page with two tanks)", nullptr},
    {"tank2.row", F, 0, 1, 0,
     "the temperatures page shows the fifth row; the host sets it from the supplementary function unless set by hand",
     nullptr},
    {"outside", T, kTempMin, kTempMax, 243, "outside temperature (outside temperature page)", "outside.faulty"},
    {"outside.faulty", F, 0, 1, 0, "outside sensor faulty", nullptr},
    {"collector.max", T, kTempMin, kTempMax, 872, "maximum collector temperature (outside temperature page)", nullptr},
    {"collector1", T, kTempMin, kTempMax, 0, "extra sensor collector 1 (extra sensors page)", "collector1.absent"},
    {"collector1.absent", F, 0, 1, 0, "extra sensor collector 1 absent", nullptr},
    {"outside1", T, kTempMin, kTempMax, 0, "extra sensor outside 1", "outside1.absent"},
    {"outside1.absent", F, 0, 1, 0, "extra sensor outside 1 absent", nullptr},
    {"collector2", T, kTempMin, kTempMax, 0, "extra sensor collector 2", "collector2.absent"},
    {"collector2.absent", F, 0, 1, 0, "extra sensor collector 2 absent", nullptr},
    {"outside2", T, kTempMin, kTempMax, 0, "extra sensor outside 2", "outside2.absent"},
    {"outside2.absent", F, 0, 1, 0, "extra sensor outside 2 absent", nullptr},
    {"pump.speed", I, 0, 1000, 1000, "raw solar pump speed 0..1000 (pump wheel, solar pump page in %)", nullptr},
    {"pump.lock", F, 0, 1, 0, "the controller refuses a manual pump speed", nullptr},
    // 999.8 and 999.9 are the pages' "never drawn" and "no value" marks: the
    // field would stay empty or show --,-.
    {"flow", PlantType::Tenths, 0, 9997, 40, "flow rate in l/min, one decimal (outside temperature page, pipes)",
     nullptr},
    {"flow.faulty", F, 0, 1, 0, "flow rate sensor faulty", nullptr},
    {"solar.output", I, 0, 65535, 0, "solar output, raw; the yields page shows it divided by 10", nullptr},
    {"status", PlantType::Status, 0, 9, 4, "controller status (controller status page; 4 shows the sun)", nullptr},
    {"frost", F, 0, 1, 0, "frost: the start page shows the frost picture", nullptr},
    {"icon.flame", F, 0, 1, 0, "plant flag bit 0: the flame icon on the start page", nullptr},
    {"icon.clock", F, 0, 1, 0, "plant flag bit 6: the clock icon on the start page", nullptr},
    {"tank1.full", F, 0, 1, 0, "tank 1 full: \"Max\" on the start page", nullptr},
    {"tank2.full", F, 0, 1, 0, "tank 2 full: \"Max\" on the start page with two tanks", nullptr},
    {"extra.offered", F, 0, 1, 0, "the controller has extra sensors: the extra sensors page is offered", nullptr},
    {"commissioning.possible", F, 0, 1, 0, "commissioning may start: page 40 leads to the run (41), not to 42",
     nullptr},
    {"commissioning.step", I, 0, 4, 0, "step of the commissioning run (page 41): 1 test, 2 adjust, 3, 4, 0 end",
     nullptr},
    {"commissioning.vent", F, 0, 1, 0, "the run asks to vent (page 41 in step 2)", nullptr},
    {"commissioning.hold", F, 0, 1, 0, "the run holds (no fault line in step 2)", nullptr},
    {"commissioning.counter", I, 0, 4294967295LL, 0, "run counter; above 3 a fault ends step 2", nullptr},
    {"fault", PlantType::Fault, 0, 50, 0, "current fault code, 0 = none (fault lamp, start page, page 43)", nullptr},
    {"dialog", F, 0, 1, 0, "the update dialog (page 45) is open; on opens it over the current page", nullptr},
};
static_assert(sizeof kEntries / sizeof kEntries[0] == kEntryCount);
static_assert(kEntryCount <= PlantModel::kMaxEntries);

// The fifth row's reading with heating support: the heating return.
constexpr std::int16_t kHeatingReturn = 521;

// Apply rewrites these every tick; a value set by hand must outlast that.
constexpr bool HostDriven(int id) { return id == kTank2Top || id == kTank2Row; }

std::int64_t Bit(std::uint8_t bits, std::uint8_t mask) { return (bits & mask) != 0 ? 1 : 0; }

void SetBit(std::uint8_t& bits, std::uint8_t mask, std::int64_t on) {
    bits = static_cast<std::uint8_t>(on != 0 ? (bits | mask) : (bits & ~mask));
}

std::int16_t Tenths(std::int64_t v) { return static_cast<std::int16_t>(v); }

std::int64_t Read(int id) {
    const PlantValues& p = Plant;
    switch (id) {
        case kCollector: return p.collectorTemp;
        case kCollectorFaulty: return Bit(p.sensorFault, SensorFault::kCollector);
        case kSolarReturn: return p.solarReturnTemp;
        case kSolarReturnFaulty: return Bit(p.sensorFault, SensorFault::kSolarReturn);
        case kSolarSupply: return p.solarSupplyTemp;
        case kSolarSupplyFaulty: return Bit(p.sensorFault, SensorFault::kSolarSupply);
        case kTank1Top: return p.tankTopTemp;
        case kTank1TopPresent: return p.tankTopPresent != 0 ? 1 : 0;
        case kTank1Bottom: return p.lowerTankTemp;
        case kTank2Top: return p.fifthRowTemp;
        case kTank2TopPresent: return p.fifthSensorPresent != 0 ? 1 : 0;
        case kTank2Bottom: return p.lowerSecondTankTemp;
        case kTank2Row: return p.fifthRowShown != 0 ? 1 : 0;
        case kOutside: return p.outsideTemp;
        case kOutsideFaulty: return Bit(p.sensorFault, SensorFault::kOutside);
        case kCollectorMax: return p.maxCollectorTemp;
        case kCollector1: return p.extraCollector1Temp;
        case kCollector1Absent: return Bit(p.extraSensorAbsent, 0x02);
        case kOutside1: return p.extraOutside1Temp;
        case kOutside1Absent: return Bit(p.extraSensorAbsent, 0x01);
        case kCollector2: return p.extraCollector2Temp;
        case kCollector2Absent: return Bit(p.extraSensorAbsent, 0x08);
        case kOutside2: return p.extraOutside2Temp;
        case kOutside2Absent: return Bit(p.extraSensorAbsent, 0x04);
        case kPumpSpeed: return p.pumpSpeed;
        case kPumpLock: return p.pumpSpeedLock != 0 ? 1 : 0;
        case kFlow: return p.flowRate;
        case kFlowFaulty: return Bit(p.sensorFault, SensorFault::kFlowRate);
        case kSolarOutput: return p.solarOutput;
        case kStatus: return p.controllerStatus;
        case kFrost: return p.frost != 0 ? 1 : 0;
        case kIconFlame: return Bit(p.plantFlags, 0x01);
        case kIconClock: return Bit(p.plantFlags, 0x40);
        case kTank1Full: return p.tankFull[0] != 0 ? 1 : 0;
        case kTank2Full: return p.tankFull[1] != 0 ? 1 : 0;
        case kExtraOffered: return ControllerLink.extraSensorWord != 0 ? 1 : 0;
        case kCommissioningPossible: return ControllerLink.commissioningPossible != 0 ? 1 : 0;
        case kCommissioningStep: return p.commissioningStep;
        case kCommissioningVent: return p.ventRequest != 0 ? 1 : 0;
        case kCommissioningHold: return p.holdFlag != 0 ? 1 : 0;
        case kCommissioningCounter: return p.runCounter;
        case kFault: return Settings.faultCode;
        case kDialog: return AppState.currentPage == Page::kConfirmDialog ? 1 : 0;
        default: return 0;
    }
}

void OpenDialog(std::int64_t open) {
    const bool shown = AppState.currentPage == Page::kConfirmDialog;
    if (open != 0 && !shown) {
        // The dialog returns where it was opened once answered or timed out.
        AppState.dialogReturnPage = AppState.currentPage;
        GoToPage(Page::kConfirmDialog);
    } else if (open == 0 && shown) {
        GoToPage(AppState.dialogReturnPage);
    }
}

void Write(int id, std::int64_t v) {
    PlantValues& p = Plant;
    const auto u8v = static_cast<std::uint8_t>(v);
    switch (id) {
        case kCollector: p.collectorTemp = Tenths(v); break;
        case kCollectorFaulty: SetBit(p.sensorFault, SensorFault::kCollector, v); break;
        case kSolarReturn: p.solarReturnTemp = Tenths(v); break;
        case kSolarReturnFaulty: SetBit(p.sensorFault, SensorFault::kSolarReturn, v); break;
        case kSolarSupply: p.solarSupplyTemp = Tenths(v); break;
        case kSolarSupplyFaulty: SetBit(p.sensorFault, SensorFault::kSolarSupply, v); break;
        case kTank1Top: p.tankTopTemp = Tenths(v); break;
        case kTank1TopPresent: p.tankTopPresent = u8v; break;
        case kTank1Bottom: p.lowerTankTemp = Tenths(v); break;
        case kTank2Top:
            p.fifthRowTemp = Tenths(v);
            p.fifthRowTwinTemp = Tenths(v);
            break;
        case kTank2TopPresent: p.fifthSensorPresent = u8v; break;
        case kTank2Bottom: p.lowerSecondTankTemp = Tenths(v); break;
        case kTank2Row: p.fifthRowShown = u8v; break;
        case kOutside: p.outsideTemp = Tenths(v); break;
        case kOutsideFaulty: SetBit(p.sensorFault, SensorFault::kOutside, v); break;
        case kCollectorMax: p.maxCollectorTemp = Tenths(v); break;
        case kCollector1: p.extraCollector1Temp = Tenths(v); break;
        case kCollector1Absent: SetBit(p.extraSensorAbsent, 0x02, v); break;
        case kOutside1: p.extraOutside1Temp = Tenths(v); break;
        case kOutside1Absent: SetBit(p.extraSensorAbsent, 0x01, v); break;
        case kCollector2: p.extraCollector2Temp = Tenths(v); break;
        case kCollector2Absent: SetBit(p.extraSensorAbsent, 0x08, v); break;
        case kOutside2: p.extraOutside2Temp = Tenths(v); break;
        case kOutside2Absent: SetBit(p.extraSensorAbsent, 0x04, v); break;
        case kPumpSpeed: p.pumpSpeed = static_cast<std::uint16_t>(v); break;
        case kPumpLock: p.pumpSpeedLock = u8v; break;
        case kFlow: p.flowRate = static_cast<std::uint32_t>(v); break;
        case kFlowFaulty: SetBit(p.sensorFault, SensorFault::kFlowRate, v); break;
        case kSolarOutput: p.solarOutput = static_cast<std::uint16_t>(v); break;
        case kStatus: p.controllerStatus = u8v; break;
        case kFrost: p.frost = u8v; break;
        case kIconFlame: SetBit(p.plantFlags, 0x01, v); break;
        case kIconClock: SetBit(p.plantFlags, 0x40, v); break;
        case kTank1Full: p.tankFull[0] = u8v; break;
        case kTank2Full: p.tankFull[1] = u8v; break;
        case kExtraOffered: ControllerLink.extraSensorWord = static_cast<std::uint16_t>(v); break;
        case kCommissioningPossible: ControllerLink.commissioningPossible = u8v; break;
        case kCommissioningStep: p.commissioningStep = u8v; break;
        case kCommissioningVent: p.ventRequest = u8v; break;
        case kCommissioningHold: p.holdFlag = u8v; break;
        case kCommissioningCounter: p.runCounter = static_cast<std::uint32_t>(v); break;
        case kFault: Settings.faultCode = u8v; break;
        case kDialog: OpenDialog(v); break;
        default: break;
    }
}

std::string FormatTenths(std::int64_t v) {
    char text[32];
    const std::int64_t magnitude = v < 0 ? -v : v;
    std::snprintf(text, sizeof text, "%s%lld.%lld", v < 0 ? "-" : "", static_cast<long long>(magnitude / 10),
                  static_cast<long long>(magnitude % 10));
    return text;
}

// A decimal with at most one digit after the point, in tenths.
bool ParseTenths(std::string_view s, std::int64_t& out) {
    bool negative = false;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::int64_t whole = 0;
    std::size_t digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
        if (digits > 9) return false;
        whole = whole * 10 + (s[i] - '0');
    }
    if (digits == 0) return false;
    std::int64_t tenth = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (i + 1 != s.size() || s[i] < '0' || s[i] > '9') return false;
        tenth = s[i++] - '0';
    }
    if (i != s.size()) return false;
    out = (whole * 10 + tenth) * (negative ? -1 : 1);
    return true;
}

bool ParseInteger(std::string_view s, std::int64_t& out) {
    if (s.empty() || s.size() > 12) return false;
    const char* end = s.data() + s.size();
    const auto result = std::from_chars(s.data(), end, out);
    return result.ec == std::errc() && result.ptr == end;
}

std::string RangeText(const PlantEntry& e) {
    switch (e.type) {
        case PlantType::Temperature:
        case PlantType::Tenths: return FormatTenths(e.minimum) + ".." + FormatTenths(e.maximum);
        case PlantType::Flag: return "on or off";
        default: return std::to_string(e.minimum) + ".." + std::to_string(e.maximum);
    }
}

std::string Wanted(const PlantEntry& e) {
    const std::string name = e.name;
    switch (e.type) {
        case PlantType::Temperature:
            return name +
                   " wants a temperature in \xC2\xB0"
                   "C with at most one decimal, " +
                   RangeText(e) + (e.absentFlag != nullptr ? ", or absent" : "");
        case PlantType::Tenths: return name + " wants a number with at most one decimal, " + RangeText(e);
        case PlantType::Flag: return name + " wants on or off";
        case PlantType::Fault: return name + " wants a fault code " + RangeText(e) + " or clear";
        default: return name + " wants a whole number " + RangeText(e);
    }
}

const char* UnlistedFaultPrefix(std::uint8_t language) { return GetText(Txt::kSolarFaultLabel, language); }

}  // namespace

std::span<const PlantEntry> PlantModel::Entries() { return kEntries; }

std::optional<int> PlantModel::Find(std::string_view name) {
    for (int i = 0; i < kEntryCount; ++i) {
        if (name == kEntries[i].name) return i;
    }
    return std::nullopt;
}

std::string PlantModel::NameList() {
    std::string list;
    for (const PlantEntry& e : kEntries) {
        if (!list.empty()) list += ", ";
        list += e.name;
    }
    return list;
}

bool PlantModel::Parse(std::string_view name, std::string_view value, PlantValue& out, std::string& error) {
    const std::optional<int> found = Find(name);
    if (!found) {
        error = "unknown name '" + std::string(name) + "'; valid names: " + NameList();
        return false;
    }
    const PlantEntry& e = kEntries[*found];
    PlantValue v;
    v.entry = *found;
    bool ok = false;
    switch (e.type) {
        case PlantType::Temperature:
            if (value == "absent" && e.absentFlag != nullptr) {
                v.absent = true;
                out = v;
                return true;
            }
            ok = ParseTenths(value, v.value);
            break;
        case PlantType::Tenths: ok = ParseTenths(value, v.value); break;
        case PlantType::Flag:
            ok = value == "on" || value == "off";
            v.value = value == "on" ? 1 : 0;
            break;
        case PlantType::Fault:
            if (value == "clear") {
                v.value = 0;
                ok = true;
                break;
            }
            ok = ParseInteger(value, v.value);
            break;
        default: ok = ParseInteger(value, v.value); break;
    }
    if (!ok) {
        error = Wanted(e) + ", not '" + std::string(value) + "'";
        return false;
    }
    if (v.value < e.minimum || v.value > e.maximum) {
        error = std::string(e.name) + ": " + std::string(value) + " is out of range " + RangeText(e);
        return false;
    }
    out = v;
    return true;
}

void PlantModel::Set(const PlantValue& v) {
    if (v.entry < 0 || v.entry >= kEntryCount) return;
    const PlantEntry& e = kEntries[v.entry];
    if (e.absentFlag != nullptr) {
        // A number means the sensor reads again; absent keeps the last reading.
        const int flag = *Find(e.absentFlag);
        const std::int64_t absentValue = kEntries[flag].start == 1 ? 0 : 1;  // "present" flags start on
        Write(flag, v.absent ? absentValue : 1 - absentValue);
    }
    if (v.absent) return;
    Write(v.entry, v.value);
    if (HostDriven(v.entry)) Hold(v.entry, true);
}

void PlantModel::Restore(int entry, std::int64_t value) {
    if (entry >= 0 && entry < kEntryCount) Write(entry, value);
}

std::int64_t PlantModel::Get(int entry) const { return Read(entry); }

std::string PlantModel::Format(int entry) const {
    if (entry < 0 || entry >= kEntryCount) return "";
    const PlantEntry& e = kEntries[entry];
    const std::int64_t v = Read(entry);
    switch (e.type) {
        case PlantType::Temperature:
            if (e.absentFlag != nullptr) {
                const int flag = *Find(e.absentFlag);
                const bool presentFlag = kEntries[flag].start == 1;
                if ((Read(flag) != 0) != presentFlag) return "absent";
            }
            return FormatTenths(v);
        case PlantType::Tenths: return FormatTenths(v);
        case PlantType::Flag: return v != 0 ? "on" : "off";
        case PlantType::Status: return std::to_string(v) + " " + StatusText(static_cast<std::uint8_t>(v), kEnglish);
        case PlantType::Fault: return std::to_string(v) + " " + FaultCodeText(static_cast<std::uint8_t>(v), kEnglish);
        default: return std::to_string(v);
    }
}

bool PlantModel::Held(int entry) const { return entry >= 0 && entry < kEntryCount && (held_ >> entry & 1u) != 0; }

void PlantModel::Hold(int entry, bool held) {
    if (entry < 0 || entry >= kEntryCount || !HostDriven(entry)) return;
    const std::uint64_t bit = std::uint64_t{1} << entry;
    held_ = held ? (held_ | bit) : (held_ & ~bit);
    heldValues_[entry] = Read(entry);
}

// Besides the fifth row, only the held values: a value that nobody set keeps
// what the firmware put there.
void PlantModel::Apply() {
    const std::uint8_t supplementary = Settings.supplementaryFunction;
    Plant.fifthRowShown = (supplementary == 1 || supplementary == 2) ? 1 : 0;
    const std::int16_t fifth =
        supplementary == 2 ? kHeatingReturn : static_cast<std::int16_t>(kEntries[kTank2Top].start);
    Plant.fifthRowTemp = fifth;
    Plant.fifthRowTwinTemp = fifth;
    if (held_ == 0) return;
    for (int i = 0; i < kEntryCount; ++i) {
        if (Held(i)) Write(i, heldValues_[i]);
    }
}

void PlantModel::Reset() {
    held_ = 0;
    if (AppState.currentPage == Page::kConfirmDialog) Write(kDialog, 0);
    for (int i = 0; i < kEntryCount; ++i) {
        if (i != kDialog) Write(i, kEntries[i].start);
    }
    // Read by the schematic, but nothing a user sets.
    Plant.schematicValue = 0;
}

void PlantModel::AddHistory(std::uint8_t code, const WallTime& when) {
    for (int i = kFaultHistoryEntries - 1; i > 0; --i) FaultHistory[i] = FaultHistory[i - 1];
    FaultHistoryEntry& e = FaultHistory[0];
    e = FaultHistoryEntry{};
    StampFaultEntry(e, when, code);
    e.weekday = static_cast<std::uint8_t>(when.weekday);
    e.collectorTemp = Plant.collectorTemp;
    e.tankTemp = Plant.tankTopTemp;
    e.outsideTemp = Plant.outsideTemp;
    e.flow = static_cast<std::int16_t>(Plant.flowRate & 0xFFFF);
    e.operatingModeIndex = Settings.operatingMode;
    e.controllerStateIndex = Plant.controllerStatus;
}

void PlantModel::DeleteHistory(int index) {
    if (index >= 0 && index < kFaultHistoryEntries) FaultHistory[index].type = kFaultEntryEmpty;
}

std::string PlantModel::ApplyLines(std::string_view text) {
    std::vector<PlantValue> values;
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        line.remove_prefix(first);
        const std::size_t gap = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, gap);
        std::string_view value = gap == std::string_view::npos ? std::string_view() : line.substr(gap);
        const std::size_t valueStart = value.find_first_not_of(" \t");
        value = valueStart == std::string_view::npos ? std::string_view() : value.substr(valueStart);
        const std::size_t valueEnd = value.find_last_not_of(" \t");
        value = valueEnd == std::string_view::npos ? value : value.substr(0, valueEnd + 1);
        std::string error;
        PlantValue v;
        if (value.empty() || value.find_first_of(" \t") != std::string_view::npos) {
            return "datagram:" + std::to_string(number) + ": a line is NAME VALUE, not '" + std::string(line) + "'";
        }
        if (!Parse(name, value, v, error)) return "datagram:" + std::to_string(number) + ": " + error;
        values.push_back(v);
    }
    if (values.empty()) return "datagram:1: no NAME VALUE line";
    for (const PlantValue& v : values) Set(v);
    return "ok";
}

std::string FaultCodeText(std::uint8_t code, std::uint8_t language) {
    const TextId id = FaultTextId(code);
    if (id != kUnlistedFault && id != kNoText) return PanelTextToUtf8(GetText(id, language));
    return PanelTextToUtf8(UnlistedFaultPrefix(language)) + " " + std::to_string(code);
}

std::string StatusText(std::uint8_t status, std::uint8_t language) {
    return PanelTextToUtf8(GetText(StatusTextId(status), language));
}

std::string FormatWallTime(const WallTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

namespace {

// A field of the date or the time: exactly `width` digits.
bool Digits(std::string_view text, std::size_t at, std::size_t width, int& out) {
    out = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

// The text as it may appear in a message: printable ASCII, cut when long.
std::string Shown(std::string_view text) {
    std::string out = "'";
    for (std::size_t i = 0; i < text.size() && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return out + (text.size() > 40 ? "...'" : "'");
}

bool InRange(const char* what, int value, int lo, int hi, std::string& why) {
    if (value >= lo && value <= hi) return true;
    why = std::string(what) + " " + std::to_string(value) + " is out of range (" + std::to_string(lo) + " to " +
          std::to_string(hi) + ")";
    return false;
}

}  // namespace

bool ParseWallTime(std::string_view text, WallTime& out, std::string& why) {
    static constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                                "July",    "August",   "September", "October", "November", "December"};
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const std::size_t split = text.find_first_of(" T");
    const std::string_view date = text.substr(0, split);
    const std::string_view time = split == std::string_view::npos ? std::string_view() : text.substr(split + 1);
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || !Digits(date, 0, 4, y) || !Digits(date, 5, 2, mo) ||
        !Digits(date, 8, 2, d)) {
        why = "the date " + Shown(date) + " is not YYYY-MM-DD";
        return false;
    }
    if (time.size() != 8 || time[2] != ':' || time[5] != ':' || !Digits(time, 0, 2, h) || !Digits(time, 3, 2, mi) ||
        !Digits(time, 6, 2, s)) {
        why = split == std::string_view::npos ? "the time HH:MM:SS is missing after " + Shown(date)
                                              : "the time " + Shown(time) + " is not HH:MM:SS";
        return false;
    }
    if (!InRange("year", y, 2000, 2099, why) || !InRange("month", mo, 1, 12, why) || !InRange("day", d, 1, 31, why)) {
        return false;
    }
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    const int days = mo == 2 && leap ? 29 : kDays[mo - 1];
    if (d > days) {
        why = std::string(date) + " is not a date (" + kMonths[mo - 1] + " " + std::to_string(y) + " has " +
              std::to_string(days) + " days)";
        return false;
    }
    if (!InRange("hour", h, 0, 23, why) || !InRange("minute", mi, 0, 59, why) || !InRange("second", s, 0, 59, why)) {
        return false;
    }
    out = MakeWallTime(y, mo, d, h, mi, s);
    return true;
}

WallTime PanelClockTime() {
    WallTime t;
    t.year = PanelClock.year;
    t.month = PanelClock.month;
    t.day = PanelClock.day;
    t.hour = PanelClock.hour;
    t.minute = PanelClock.minute;
    t.second = PanelClock.second;
    t.weekday = PanelClock.weekday;
    return t;
}
