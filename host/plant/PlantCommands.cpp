#include "host/plant/PlantCommands.h"

#include "host/plant/PlantState.h"
#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"

namespace {

constexpr const char* kVerbs[] = {"set", "fault", "history", "reset", "print", "state"};

bool Usage(std::string& error, const std::string& text) {
    error = text;
    return false;
}

std::string Line(const PlantModel& plant, int entry) {
    return std::string(PlantModel::Entries()[static_cast<std::size_t>(entry)].name) + " = " + plant.Format(entry) +
           "\n";
}

std::string PageLine() {
    return "page = " + std::to_string(AppState.currentPage) + " " + PageSlug(AppState.currentPage) + "\n";
}

std::string ClockLine(const WallTime* clock) {
    return "clock = " + FormatWallTime(clock != nullptr ? *clock : PanelClockTime()) + "\n";
}

}  // namespace

bool IsPlantVerb(std::string_view word) {
    for (const char* verb : kVerbs) {
        if (word == verb) return true;
    }
    return false;
}

bool ParsePlantCommand(const std::vector<std::string>& words, PlantCommand& out, std::string& error) {
    if (words.empty() || !IsPlantVerb(words[0])) return Usage(error, "not a plant command");
    const std::string& verb = words[0];
    const std::size_t n = words.size();
    PlantCommand c;
    if (verb == "set") {
        if (n != 3) return Usage(error, "set wants NAME VALUE; names: " + PlantModel::NameList());
        if (!PlantModel::Parse(words[1], words[2], c.value, error)) return false;
    } else if (verb == "fault") {
        if (n != 2) return Usage(error, "fault wants a code 0..50 or clear");
        if (!PlantModel::Parse("fault", words[1], c.value, error)) {
            // The verb names the value already: "fault: 51 is out of range 0..50".
            if (error.rfind("fault: ", 0) == 0) error.erase(0, 7);
            return false;
        }
    } else if (verb == "history" && n == 2 && words[1] == "clear") {
        c.verb = PlantVerb::HistoryClear;
    } else if (verb == "history" && n == 3 && words[1] == "delete") {
        const std::string& entry = words[2];
        if (entry.size() != 1 || entry[0] < '1' || entry[0] > '0' + kFaultHistoryEntries) {
            return Usage(error, "history delete wants an entry 1..5 (1 the newest), not '" + entry + "'");
        }
        c.verb = PlantVerb::HistoryDelete;
        c.code = static_cast<std::uint8_t>(entry[0] - '0');
    } else if (verb == "history") {
        if ((n != 3 && n != 5) || words[1] != "add") {
            return Usage(error, "history wants add CODE [YYYY-MM-DD HH:MM:SS], delete N or clear");
        }
        PlantValue code;
        if (!PlantModel::Parse("fault", words[2], code, error) || code.value == 0) {
            return Usage(error, "history add wants a fault code 1..50, not '" + words[2] + "'");
        }
        c.verb = PlantVerb::HistoryAdd;
        c.code = static_cast<std::uint8_t>(code.value);
        if (n == 5) {
            WallTime when;
            if (!ParseWallTime(words[3] + " " + words[4], when, error)) return false;
            c.when = when;
        }
    } else if (verb == "reset") {
        if (n != 2 || words[1] != "plant") return Usage(error, "reset wants the word plant");
        c.verb = PlantVerb::ResetPlant;
    } else if (verb == "print") {
        if (n != 2) return Usage(error, "print wants a name, page, clock or all");
        if (words[1] == "page") {
            c.verb = PlantVerb::PrintPage;
        } else if (words[1] == "clock") {
            c.verb = PlantVerb::PrintClock;
        } else if (words[1] == "all") {
            c.verb = PlantVerb::PrintAll;
        } else {
            const std::optional<int> entry = PlantModel::Find(words[1]);
            if (!entry) {
                return Usage(
                    error, "unknown name '" + words[1] + "'; valid names: page, clock, all, " + PlantModel::NameList());
            }
            c.verb = PlantVerb::Print;
            c.entry = *entry;
        }
    } else {
        if (n != 3 || (words[1] != "save" && words[1] != "load"))
            return Usage(error, "state wants save FILE or load FILE");
        c.verb = words[1] == "save" ? PlantVerb::StateSave : PlantVerb::StateLoad;
        c.path = words[2];
    }
    out = c;
    return true;
}

std::string PlantCommandLine(const PlantCommand& c) {
    switch (c.verb) {
        case PlantVerb::Set: {
            if (c.value.entry < 0) return {};
            const PlantEntry& e = PlantModel::Entries()[static_cast<std::size_t>(c.value.entry)];
            std::string value = std::to_string(c.value.value);
            if (c.value.absent) {
                value = "absent";
            } else if (e.type == PlantType::Temperature || e.type == PlantType::Tenths) {
                const std::int64_t magnitude = c.value.value < 0 ? -c.value.value : c.value.value;
                value = c.value.value < 0 ? "-" : "";
                value.append(std::to_string(magnitude / 10)).append(".").append(std::to_string(magnitude % 10));
            } else if (e.type == PlantType::Flag) {
                value = c.value.value != 0 ? "on" : "off";
            }
            return std::string("set ") + e.name + " " + value;
        }
        case PlantVerb::HistoryAdd: {
            std::string line = "history add " + std::to_string(c.code);
            if (c.when) line.append(" ").append(FormatWallTime(*c.when));
            return line;
        }
        case PlantVerb::HistoryDelete: return "history delete " + std::to_string(c.code);
        case PlantVerb::HistoryClear: return "history clear";
        case PlantVerb::ResetPlant: return "reset plant";
        case PlantVerb::StateLoad: {
            std::string quoted = "\"";
            for (const char ch : c.path) {
                if (ch == '"' || ch == '\\') quoted += '\\';
                quoted += ch;
            }
            return "state load " + quoted + "\"";
        }
        default: return {};
    }
}

bool ExecutePlantCommand(const PlantCommand& c, PlantCommandContext& context, std::string& error) {
    PlantModel& plant = context.plant;
    TextSink& out = context.out;
    switch (c.verb) {
        case PlantVerb::Set: plant.Set(c.value); break;
        case PlantVerb::HistoryAdd:
            PlantModel::AddHistory(c.code,
                                   c.when ? *c.when : (context.clock != nullptr ? *context.clock : PanelClockTime()));
            break;
        case PlantVerb::HistoryDelete: PlantModel::DeleteHistory(c.code - 1); break;
        case PlantVerb::HistoryClear:
            for (int i = 0; i < kFaultHistoryEntries; ++i) PlantModel::DeleteHistory(i);
            break;
        case PlantVerb::ResetPlant: plant.Reset(); break;
        case PlantVerb::Print: out.Write(Line(plant, c.entry)); break;
        case PlantVerb::PrintPage: out.Write(PageLine()); break;
        case PlantVerb::PrintClock: out.Write(ClockLine(context.clock)); break;
        case PlantVerb::PrintAll: {
            std::string all;
            for (int i = 0; i < static_cast<int>(PlantModel::Entries().size()); ++i) all += Line(plant, i);
            out.Write(all + PageLine() + ClockLine(context.clock));
            break;
        }
        case PlantVerb::StateSave:
            return SaveState(c.path, plant, context.clock != nullptr ? *context.clock : PanelClockTime(), error);
        case PlantVerb::StateLoad: {
            WallTime loaded;
            if (!LoadState(c.path, plant, loaded, error)) return false;
            if (context.clock != nullptr) *context.clock = loaded;
            break;
        }
    }
    return true;
}
