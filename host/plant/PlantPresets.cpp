#include "host/plant/PlantPresets.h"

#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "host/plant/PlantWordData.h"

// Never defined, and not constexpr: a key that po/plant/plant.pot lacks stops
// the build where its words are taken.
void KeyMissingFromPoPlantTemplate();

namespace {

using PlantWordData::kRows;
static_assert(std::size(kRows[0].words) == kLanguageCount, "po/plant/ has a file per panel language");

// The row of a word by its key (its msgctxt in po/plant/), or past the end.
constexpr std::size_t Row(std::string_view key) {
    std::size_t row = 0;
    while (row < std::size(kRows) && key != kRows[row].key) ++row;
    return row;
}

consteval const char* const* Words(std::string_view key) {
    const std::size_t row = Row(key);
    if (row == std::size(kRows)) KeyMissingFromPoPlantTemplate();
    return kRows[row].words;
}

// The controls' words, in PlantWord's order.
constexpr const char* const* kWords[static_cast<int>(PlantWord::Count)] = {
    Words("group.temperatures"),  Words("group.pump-and-flow"), Words("group.status-and-flags"),
    Words("group.fault"),         Words("group.commissioning"), Words("group.presets"),
    Words("group.fault-history"), Words("word.clock"),          Words("word.page"),
    Words("word.sensor-absent"),  Words("word.sensor-faulty"),  Words("word.raise"),
    Words("word.clear"),          Words("word.add-to-history"), Words("word.reset"),
    Words("word.current"),        Words("word.no-entry"),       Words("word.set-clock"),
    Words("word.time"),           Words("word.delete-entry"),   Words("word.empty-history"),
    Words("word.computer-clock"), Words("word.pinned"),         Words("word.add-to-history-tip"),
};

// A plant value's word of a kind ("label", "help") in the language; where
// po/plant/ has none, the model's own text (`fallback`); "" for no value.
const char* ValueWord(const char* kind, int entry, Language language, const char* PlantEntry::*fallback) {
    if (entry < 0 || entry >= static_cast<int>(PlantModel::Entries().size())) return "";
    const PlantEntry& e = PlantModel::Entries()[static_cast<std::size_t>(entry)];
    const std::size_t row = Row(std::string(kind) + "." + e.name);
    return row < std::size(kRows) ? kRows[row].words[language] : e.*fallback;
}

constexpr const char* kTemperatures[] = {"collector", "solar.return", "solar.supply", "tank1.top",     "tank1.bottom",
                                         "tank2.top", "tank2.bottom", "outside",      "collector.max", "collector1",
                                         "outside1",  "collector2",   "outside2"};
constexpr const char* kPumpAndFlow[] = {"pump.speed", "pump.lock", "flow", "flow.faulty", "solar.output"};
constexpr const char* kStatusAndFlags[] = {"status",     "frost",     "icon.flame",    "icon.clock", "tank1.full",
                                           "tank2.full", "tank2.row", "extra.offered", "dialog"};
constexpr const char* kFault[] = {"fault"};
constexpr const char* kCommissioning[] = {"commissioning.possible", "commissioning.step", "commissioning.vent",
                                          "commissioning.hold", "commissioning.counter"};

constexpr PlantGroup kGroups[] = {
    {PlantWord::Temperatures, kTemperatures},     {PlantWord::PumpAndFlow, kPumpAndFlow},
    {PlantWord::StatusAndFlags, kStatusAndFlags}, {PlantWord::Fault, kFault},
    {PlantWord::Commissioning, kCommissioning},
};

// Each preset starts from the start values, so it looks the same whatever
// was set before.
constexpr PlantPreset kPresets[] = {
    {"frost-night", Words("preset.frost-night"),
     "outside -12.0\ncollector -15.5\nsolar.return -2.0\nsolar.supply -4.0\ntank1.top 48.0\ntank1.bottom 31.0\n"
     "pump.speed 0\nflow 0.0\nstatus 1\nfrost on"},
    {"tank-full", Words("preset.tank-full"),
     "collector 96.0\ntank1.top 85.0\ntank1.bottom 82.0\ntank1.full on\npump.speed 0\nflow 0.0\nstatus 5"},
    {"collector-sensor-broken", Words("preset.collector-sensor-broken"), "collector.faulty on\nfault 22"},
    {"summer-noon", Words("preset.summer-noon"),
     "collector 95.5\noutside 31.0\nsolar.supply 88.0\nsolar.return 61.0\ntank1.top 68.0\ntank1.bottom 45.0\n"
     "pump.speed 1000\nflow 8.5\nsolar.output 5400\nstatus 4"},
};

Language Checked(Language language) { return language < kLanguageCount ? language : kEnglish; }

}  // namespace

const char* PlantWordText(PlantWord word, Language language) {
    const int w = static_cast<int>(word);
    return w >= 0 && w < static_cast<int>(PlantWord::Count) ? kWords[w][Checked(language)] : "";
}

const char* PlantLabel(int entry, Language language) {
    return ValueWord("label", entry, Checked(language), &PlantEntry::name);
}

const char* PlantHelp(int entry, Language language) {
    return ValueWord("help", entry, Checked(language), &PlantEntry::description);
}

std::span<const PlantGroup> PlantGroups() { return kGroups; }

bool IsSensorFlag(int entry) {
    const auto entries = PlantModel::Entries();
    if (entry < 0 || entry >= static_cast<int>(entries.size())) return false;
    for (const PlantEntry& e : entries) {
        if (e.absentFlag != nullptr && std::strcmp(e.absentFlag, entries[static_cast<std::size_t>(entry)].name) == 0)
            return true;
    }
    return false;
}

std::span<const PlantPreset> PlantPresets() { return kPresets; }

std::string ApplyPlantPreset(PlantModel& plant, std::string_view key) {
    for (const PlantPreset& preset : kPresets) {
        if (key != preset.key) continue;
        plant.Reset();
        return plant.ApplyLines(preset.lines);
    }
    return "unknown preset '" + std::string(key) + "'";
}
