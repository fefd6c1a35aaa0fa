#include "host/plant/PlantState.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "host/core/FileAccess.h"
#include "host/plant/StateRecord.h"
#include "panel/app/Editors.h"
#include "panel/settings/Settings.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormat = "kandorelle-state";
constexpr int kVersion = 1;

// A field of the settings block by its name, its place and its range. The
// fault code is the plant's "fault" and is not repeated here.
struct SettingsField {
    const char* name;
    std::size_t offset;
    std::size_t size;  // 1, 2 or 4 bytes; arrays and the serial text have their own rows
    std::int64_t minimum;
    std::int64_t maximum;
    std::size_t count = 1;  // elements of a byte array
};

#define FIELD(f, lo, hi) \
    { #f, offsetof(SettingsBlock, f), sizeof(SettingsBlock::f), lo, hi }
// The temperature settings take the editors' own ranges.
#define LIMITED(f, limit) \
    { #f, offsetof(SettingsBlock, f), sizeof(SettingsBlock::f), EditLimits[limit].minimum, EditLimits[limit].maximum }
#define BYTES(f) \
    { #f, offsetof(SettingsBlock, f), 1, 0, 255, sizeof(SettingsBlock::f) }
constexpr std::int64_t kU8 = 255;
constexpr std::int64_t kU16 = 65535;
constexpr std::int64_t kU32 = 4294967295LL;

const SettingsField kSettingsFields[] = {
    FIELD(byte0, 0, kU8),
    FIELD(byte1, 0, kU8),
    FIELD(byte2, 0, kU8),
    FIELD(language, 0, 6),
    FIELD(operatingMode, 0, 3),
    FIELD(supplementaryFunction, 0, 2),
    FIELD(loadStrategy, 0, 3),
    LIMITED(warmWaterSetValue, Limit::kWarmWater),
    LIMITED(maxTankTemp, Limit::kMaxTank),
    LIMITED(maxTank2Temp, Limit::kMaxTank2),
    FIELD(extraSensorSetting, 0, kU8),
    FIELD(shortcutFunction, 0, 2),
    FIELD(byte15, 0, kU8),
    FIELD(word16, 0, kU16),
    FIELD(word18, 0, kU16),
    FIELD(byte20, 0, kU8),
    FIELD(word21, 0, kU16),
    FIELD(word23, 0, kU16),
    FIELD(word25, 0, kU16),
    FIELD(word27, 0, kU16),
    FIELD(word29, 0, kU16),
    FIELD(word31, 0, kU16),
    FIELD(long33, 0, kU32),
    FIELD(pumpRuntime, 0, kU32),
    BYTES(bytes41),
    FIELD(byte46, 0, kU8),
    FIELD(byte47, 0, kU8),
    FIELD(dailyYield, 0, kU16),
    FIELD(totalYield, 0, kU32),
    FIELD(stagnationMinutes, 0, kU32),
    FIELD(long58, 0, kU32),
    FIELD(long63, 0, kU32),
    FIELD(byte67, 0, kU8),
    FIELD(commissioningYear, 0, 99),
    FIELD(commissioningMonth, 0, 12),
    FIELD(commissioningDay, 0, 31),
    FIELD(word71, 0, kU16),
    FIELD(byte73, 0, kU8),
    FIELD(word74, 0, kU16),
    FIELD(byte76, 0, kU8),
    FIELD(byte77, 0, kU8),
    BYTES(bytes78),
    BYTES(bytes92),
};
#undef FIELD
#undef LIMITED
#undef BYTES

// The history entry's fields in their stored order, with their ranges.
struct HistoryField {
    const char* name;
    std::size_t offset;
    std::size_t size;
    bool isSigned;
};
#define HFIELD(f, s) \
    { #f, offsetof(FaultHistoryEntry, f), sizeof(FaultHistoryEntry::f), s }
const HistoryField kHistoryFields[] = {
    HFIELD(type, false),
    HFIELD(second, false),
    HFIELD(minute, false),
    HFIELD(hour, false),
    HFIELD(weekday, false),
    HFIELD(day, false),
    HFIELD(month, false),
    HFIELD(year, false),
    HFIELD(reserved, false),
    HFIELD(faultCode, false),
    HFIELD(collectorTemp, true),
    HFIELD(tankTemp, true),
    HFIELD(outsideTemp, true),
    HFIELD(flow, true),
    HFIELD(operatingModeIndex, false),
    HFIELD(controllerStateIndex, false),
};
#undef HFIELD

std::int64_t LoadLittleEndian(const std::uint8_t* p, std::size_t size, bool isSigned) {
    std::uint64_t v = 0;
    for (std::size_t i = size; i-- > 0;) v = v << 8 | p[i];
    if (isSigned && size < 8 && (v >> (size * 8 - 1) & 1u) != 0)
        return static_cast<std::int64_t>(v) - (1LL << (size * 8));
    return static_cast<std::int64_t>(v);
}

void StoreLittleEndian(std::uint8_t* p, std::size_t size, std::int64_t value) {
    auto v = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < size; ++i, v >>= 8) p[i] = static_cast<std::uint8_t>(v);
}

// Bytes as text, each byte one character (ISO 8859-1), so that the zero bytes
// and blanks of the serial field survive a round trip.
std::string BytesToUtf8(const char* bytes, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

bool Utf8ToBytes(const std::string& text, char* out, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto b = static_cast<std::uint8_t>(text[i]);
        if (b >= 0x80) {
            if ((b & 0xFE) != 0xC2 || i + 1 >= text.size()) return false;
            const auto next = static_cast<std::uint8_t>(text[++i]);
            if ((next & 0xC0) != 0x80) return false;
            b = static_cast<std::uint8_t>((b & 0x1F) << 6 | (next & 0x3F));
        }
        if (count == n) return false;
        out[count++] = static_cast<char>(b);
    }
    return count == n;
}

// A failure while checking a file: the keys lead to the line it names.
struct StateError {
    std::vector<std::string> keys;
    std::string message;
    int occurrences = 1;  // of the last key, for LineOf
};

[[noreturn]] void Fail(std::vector<std::string> keys, const std::string& message) {
    throw StateError{std::move(keys), message, 1};
}

// The line of the last key of a path, found by walking the keys in order
// through the text; the JSON library keeps no positions of values. "#N"
// stands for the N-th object of a list (0 first); the last key is looked for
// `occurrences` times (2 for a key given twice).
int LineOf(const std::string& text, const std::vector<std::string>& keys, int occurrences = 1) {
    std::size_t at = 0;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const std::string& key = keys[k];
        std::size_t found = at;
        if (key.size() > 1 && key[0] == '#') {
            for (long n = std::strtol(key.c_str() + 1, nullptr, 10); n >= 0 && found != std::string::npos; --n) {
                found = text.find('{', found + 1);
            }
        } else {
            for (int n = k + 1 == keys.size() ? occurrences : 1; n > 0 && found != std::string::npos; --n) {
                found = text.find("\"" + key + "\"", found == at ? at : found + 1);
            }
        }
        if (found == std::string::npos) break;
        at = found;
    }
    int line = 1;
    for (std::size_t i = 0; i < at && i < text.size(); ++i) line += text[i] == '\n' ? 1 : 0;
    return line;
}

// Refuses a key given twice in one object, which the JSON library would
// otherwise take silently (the last one wins).
class RepeatedKeys {
public:
    bool operator()(int, nlohmann::detail::parse_event_t event, Json& parsed) {
        using Event = nlohmann::detail::parse_event_t;
        switch (event) {
            case Event::object_start:
            case Event::array_start:
                Enter();
                frames_.push_back({event == Event::array_start, 0, {}, {}});
                break;
            case Event::key: {
                Frame& frame = frames_.back();
                frame.key = parsed.get<std::string>();
                if (!frame.keys.insert(frame.key).second) {
                    std::vector<std::string> at = Path();
                    at.push_back(frame.key);
                    throw StateError{at, "\"" + frame.key + "\" is given twice", 2};
                }
                break;
            }
            case Event::value: Enter(); break;
            case Event::object_end:
            case Event::array_end: frames_.pop_back(); break;
        }
        return true;
    }

private:
    struct Frame {
        bool list;
        int count;
        std::string key;
        std::set<std::string> keys;
    };

    // A value begins: in a list it is the next element.
    void Enter() {
        if (!frames_.empty() && frames_.back().list) ++frames_.back().count;
    }

    std::vector<std::string> Path() const {
        std::vector<std::string> path;
        for (std::size_t i = 0; i + 1 < frames_.size(); ++i) {
            path.push_back(frames_[i].list ? std::string("#").append(std::to_string(frames_[i].count - 1))
                                           : frames_[i].key);
        }
        return path;
    }

    std::vector<Frame> frames_;
};

const Json& Member(const Json& object, const std::vector<std::string>& path, const std::string& key) {
    std::vector<std::string> at = path;
    at.push_back(key);
    if (!object.is_object()) Fail(path, (path.empty() ? std::string("the file") : path.back()) + " must be an object");
    const auto it = object.find(key);
    if (it == object.end()) Fail(path, "\"" + key + "\" is missing");
    return *it;
}

void NoOtherKeys(const Json& object, const std::vector<std::string>& path, const std::vector<std::string>& known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool ok = false;
        for (const std::string& k : known) ok = ok || k == it.key();
        if (!ok) {
            std::vector<std::string> at = path;
            at.push_back(it.key());
            Fail(at, "unknown key \"" + it.key() + "\"");
        }
    }
}

std::int64_t Integer(const Json& v, const std::vector<std::string>& at, std::int64_t lo, std::int64_t hi) {
    if (!v.is_number_integer())
        Fail(at, at.back() + " must be a whole number " + std::to_string(lo) + ".." + std::to_string(hi));
    const std::int64_t n = v.is_number_unsigned()
                               ? static_cast<std::int64_t>(std::min<std::uint64_t>(v.get<std::uint64_t>(), 1ULL << 62))
                               : v.get<std::int64_t>();
    if (n < lo || n > hi)
        Fail(at, at.back() + ": " + std::to_string(n) + " is out of range " + std::to_string(lo) + ".." +
                     std::to_string(hi));
    return n;
}

Json PlantJson(const StateRecord& s) {
    Json out = Json::object();
    Json held = Json::array();
    const auto entries = PlantModel::Entries();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const PlantEntry& e = entries[i];
        if (std::strcmp(e.name, "dialog") == 0) continue;
        const std::int64_t v = s.plant[i];
        switch (e.type) {
            case PlantType::Temperature:
            case PlantType::Tenths: out[e.name] = static_cast<double>(v) / 10.0; break;
            case PlantType::Flag: out[e.name] = v != 0; break;
            default: out[e.name] = v; break;
        }
        if (s.held[i]) held.push_back(e.name);
    }
    out["held"] = held;
    return out;
}

void ReadPlant(const Json& json, StateRecord& s) {
    const std::vector<std::string> path = {"plant"};
    std::vector<std::string> known = {"held"};
    const auto entries = PlantModel::Entries();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const PlantEntry& e = entries[i];
        if (std::strcmp(e.name, "dialog") == 0) continue;
        known.push_back(e.name);
        const Json& v = Member(json, path, e.name);
        const std::vector<std::string> at = {"plant", e.name};
        std::int64_t n = 0;
        switch (e.type) {
            case PlantType::Temperature:
            case PlantType::Tenths: {
                if (!v.is_number()) Fail(at, std::string(e.name) + " must be a number with one decimal");
                const double tenths = v.get<double>() * 10.0;
                if (!std::isfinite(tenths) || std::fabs(tenths - std::round(tenths)) > 1e-6 ||
                    std::round(tenths) < static_cast<double>(e.minimum) ||
                    std::round(tenths) > static_cast<double>(e.maximum)) {
                    Fail(at, std::string(e.name) + ": " + v.dump() + " is not a value with one decimal in " +
                                 std::to_string(e.minimum / 10) + ".." + std::to_string(e.maximum / 10));
                }
                n = static_cast<std::int64_t>(std::llround(tenths));
                break;
            }
            case PlantType::Flag:
                if (!v.is_boolean()) Fail(at, std::string(e.name) + " must be true or false");
                n = v.get<bool>() ? 1 : 0;
                break;
            default: n = Integer(v, at, e.minimum, e.maximum); break;
        }
        s.plant[i] = n;
    }
    const Json& held = Member(json, path, "held");
    if (!held.is_array()) Fail({"plant", "held"}, "held must be a list of names");
    for (const Json& name : held) {
        const std::optional<int> i = name.is_string() ? PlantModel::Find(name.get<std::string>()) : std::nullopt;
        if (!i) Fail({"plant", "held"}, "held lists an unknown name " + name.dump());
        s.held[*i] = true;
    }
    NoOtherKeys(json, path, known);
}

Json SettingsJson(const StateRecord& s) {
    Json out = Json::object();
    const auto* block = reinterpret_cast<const std::uint8_t*>(&s.settings);
    for (const SettingsField& f : kSettingsFields) {
        if (f.count > 1) {
            Json bytes = Json::array();
            for (std::size_t i = 0; i < f.count; ++i) bytes.push_back(block[f.offset + i]);
            out[f.name] = bytes;
        } else {
            out[f.name] = LoadLittleEndian(block + f.offset, f.size, false);
        }
    }
    out["serialNumber"] = BytesToUtf8(s.settings.serialNumber, sizeof s.settings.serialNumber);
    return out;
}

void ReadSettings(const Json& json, StateRecord& s) {
    const std::vector<std::string> path = {"settings"};
    std::vector<std::string> known = {"serialNumber"};
    auto* block = reinterpret_cast<std::uint8_t*>(&s.settings);
    for (const SettingsField& f : kSettingsFields) {
        known.push_back(f.name);
        const Json& v = Member(json, path, f.name);
        const std::vector<std::string> at = {"settings", f.name};
        if (f.count > 1) {
            if (!v.is_array() || v.size() != f.count)
                Fail(at, std::string(f.name) + " must be a list of " + std::to_string(f.count) + " bytes");
            for (std::size_t i = 0; i < f.count; ++i)
                block[f.offset + i] = static_cast<std::uint8_t>(Integer(v[i], at, 0, 255));
        } else {
            StoreLittleEndian(block + f.offset, f.size, Integer(v, at, f.minimum, f.maximum));
        }
    }
    const Json& serial = Member(json, path, "serialNumber");
    if (!serial.is_string() ||
        !Utf8ToBytes(serial.get<std::string>(), s.settings.serialNumber, sizeof s.settings.serialNumber)) {
        Fail({"settings", "serialNumber"}, "serialNumber must be a text of 12 characters");
    }
    NoOtherKeys(json, path, known);
}

Json HistoryJson(const StateRecord& s) {
    Json out = Json::array();
    for (const FaultHistoryEntry& e : s.history) {
        Json entry = Json::object();
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&e);
        for (const HistoryField& f : kHistoryFields)
            entry[f.name] = LoadLittleEndian(bytes + f.offset, f.size, f.isSigned);
        out.push_back(entry);
    }
    return out;
}

// A used entry holds what `history add` accepts: a real time in the panel's
// years, a fault code 1..50 and readings in the plant values' ranges.
void CheckHistoryEntry(const FaultHistoryEntry& e, const std::vector<std::string>& at) {
    const std::string entry = "faultHistory entry " + std::to_string(std::stoi(at[1].substr(1)) + 1) + ": ";
    if (e.type == kFaultEntryEmpty) return;  // an empty slot keeps whatever it held
    if (e.type != 0) Fail(at, entry + "type must be 0 (an entry) or 255 (an empty slot)");
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", e.year, e.month, e.day, e.hour, e.minute,
                  e.second);
    WallTime when;
    std::string why;
    if (!ParseWallTime(text, when, why)) Fail(at, entry + why);
    const auto range = [&](const char* name, std::int64_t value, std::int64_t lo, std::int64_t hi) {
        if (value < lo || value > hi) {
            Fail(at, entry + name + " " + std::to_string(value) + " is out of range " + std::to_string(lo) + ".." +
                         std::to_string(hi));
        }
    };
    const auto plantRange = [&](const char* name, std::int64_t value, const char* entryName) {
        const PlantEntry& p = PlantModel::Entries()[static_cast<std::size_t>(*PlantModel::Find(entryName))];
        range(name, value, p.minimum, p.maximum);
    };
    range("weekday", e.weekday, 0, 6);
    range("faultCode", e.faultCode, 1,
          PlantModel::Entries()[static_cast<std::size_t>(*PlantModel::Find("fault"))].maximum);
    plantRange("collectorTemp", e.collectorTemp, "collector");
    plantRange("tankTemp", e.tankTemp, "tank1.top");
    plantRange("outsideTemp", e.outsideTemp, "outside");
    plantRange("flow", e.flow, "flow");
    range("operatingModeIndex", e.operatingModeIndex, 0, 3);
    plantRange("controllerStateIndex", e.controllerStateIndex, "status");
}

void ReadHistory(const Json& json, StateRecord& s) {
    if (!json.is_array() || json.size() != kFaultHistoryEntries)
        Fail({"faultHistory"}, "faultHistory must be a list of 5 entries");
    std::vector<std::string> known;
    for (const HistoryField& f : kHistoryFields) known.push_back(f.name);
    for (std::size_t k = 0; k < kFaultHistoryEntries; ++k) {
        const std::vector<std::string> entry = {"faultHistory", std::string("#").append(std::to_string(k))};
        auto* bytes = reinterpret_cast<std::uint8_t*>(&s.history[k]);
        for (const HistoryField& f : kHistoryFields) {
            const std::int64_t bits = 8 * static_cast<std::int64_t>(f.size);
            const std::int64_t lo = f.isSigned ? -(1LL << (bits - 1)) : 0;
            const std::int64_t hi = f.isSigned ? (1LL << (bits - 1)) - 1 : (1LL << bits) - 1;
            std::vector<std::string> at = entry;
            at.push_back(f.name);
            StoreLittleEndian(bytes + f.offset, f.size, Integer(Member(json[k], entry, f.name), at, lo, hi));
        }
        NoOtherKeys(json[k], entry, known);
        CheckHistoryEntry(s.history[k], entry);
    }
}

Json YieldsJson(const StateRecord& s) {
    // The block is packed: its fields are copied out, never bound by reference.
    Json days = Json::array();
    for (std::size_t i = 0; i < kYieldHistoryDays; ++i) days.push_back(static_cast<std::uint16_t>(s.yields.days[i]));
    const std::uint16_t index = s.yields.index;
    const std::uint8_t count = s.yields.count;
    return Json{{"index", index}, {"count", count}, {"days", days}};
}

void ReadYields(const Json& json, StateRecord& s) {
    const std::vector<std::string> path = {"yieldHistory"};
    s.yields.index =
        static_cast<std::uint16_t>(Integer(Member(json, path, "index"), {"yieldHistory", "index"}, 0, kU16));
    s.yields.count = static_cast<std::uint8_t>(
        Integer(Member(json, path, "count"), {"yieldHistory", "count"}, 0, kYieldHistoryDays));
    const Json& days = Member(json, path, "days");
    if (!days.is_array() || days.size() != kYieldHistoryDays)
        Fail({"yieldHistory", "days"}, "days must be a list of 14 numbers");
    for (std::size_t i = 0; i < kYieldHistoryDays; ++i) {
        s.yields.days[i] = static_cast<std::uint16_t>(Integer(days[i], {"yieldHistory", "days"}, 0, kU16));
    }
    NoOtherKeys(json, path, {"index", "count", "days"});
}

void ReadState(const Json& root, StateRecord& s) {
    if (!root.is_object()) Fail({}, "a state file holds one JSON object");
    const Json& format = Member(root, {}, "format");
    if (!format.is_string() || format.get<std::string>() != kFormat)
        Fail({"format"}, std::string("format must be \"") + kFormat + "\"");
    Integer(Member(root, {}, "version"), {"version"}, kVersion, kVersion);
    const Json& clock = Member(root, {}, "clock");
    if (!clock.is_string()) Fail({"clock"}, "clock must be a text \"YYYY-MM-DD HH:MM:SS\"");
    std::string why;
    if (!ParseWallTime(clock.get<std::string>(), s.clock, why)) Fail({"clock"}, "clock: " + why);
    ReadPlant(Member(root, {}, "plant"), s);
    ReadSettings(Member(root, {}, "settings"), s);
    ReadHistory(Member(root, {}, "faultHistory"), s);
    ReadYields(Member(root, {}, "yieldHistory"), s);
    NoOtherKeys(root, {}, {"format", "version", "clock", "plant", "settings", "faultHistory", "yieldHistory"});
}

// The text between the last pair of single quotes of a message.
std::string QuotedIn(const std::string& message) {
    const std::size_t end = message.rfind('\'');
    const std::size_t start = end == std::string::npos || end == 0 ? std::string::npos : message.rfind('\'', end - 1);
    return start == std::string::npos ? std::string() : message.substr(start + 1, end - start - 1);
}

// Where `number` first stands as a value of its own (after a colon, a comma
// or a bracket, and not followed by more of a number), counted from 1 as the
// library counts bytes; 0 when it cannot be found.
std::size_t NumberByte(const std::string& text, const std::string& number) {
    if (number.empty()) return 0;
    const auto partOfNumber = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+';
    };
    for (std::size_t at = text.find(number); at != std::string::npos; at = text.find(number, at + 1)) {
        std::size_t before = at;
        while (before > 0 && std::isspace(static_cast<unsigned char>(text[before - 1]))) --before;
        const std::size_t end = at + number.size();
        if (before > 0 && std::strchr(":,[", text[before - 1]) != nullptr &&
            (end == text.size() || !partOfNumber(text[end]))) {
            return at + 1;
        }
    }
    return 0;
}

}  // namespace

std::string StateText(const StateRecord& s) {
    Json root = Json::object();
    root["format"] = kFormat;
    root["version"] = kVersion;
    root["clock"] = FormatWallTime(s.clock);
    root["plant"] = PlantJson(s);
    root["settings"] = SettingsJson(s);
    root["faultHistory"] = HistoryJson(s);
    root["yieldHistory"] = YieldsJson(s);
    return root.dump(2) + "\n";
}

std::string StateText(const PlantModel& plant, const WallTime& clock) { return StateText(CurrentState(plant, clock)); }

bool SaveState(const std::string& path, const PlantModel& plant, const WallTime& clock, std::string& error) {
    // A failed write never leaves half a state behind.
    std::string why;
    if (!WriteOutputFile(path, StateText(plant, clock), why)) {
        error = path + ":1: " + why;
        return false;
    }
    return true;
}

bool ReadStateText(const std::string& text, const std::string& name, StateRecord& state, std::string& error) {
    Json root;
    try {
        root = Json::parse(text, RepeatedKeys());
    } catch (const StateError& e) {
        error = name + ":" + std::to_string(LineOf(text, e.keys, e.occurrences)) + ": " + e.message;
        return false;
    } catch (const Json::exception& e) {
        // A syntax error knows its byte; a number beyond a double's range only
        // its text ("number overflow parsing '1e400'").
        const std::size_t byte =
            e.id == 101 ? static_cast<const Json::parse_error&>(e).byte : NumberByte(text, QuotedIn(e.what()));
        int line = 1;
        for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i) line += text[i] == '\n' ? 1 : 0;
        error = name + ":" + std::to_string(line) + ": not a JSON state file (" + e.what() + ")";
        return false;
    }
    state = StateRecord{};
    try {
        ReadState(root, state);
    } catch (const StateError& e) {
        error = name + ":" + std::to_string(LineOf(text, e.keys, e.occurrences)) + ": " + e.message;
        return false;
    }
    return true;
}

bool LoadStateText(const std::string& text, const std::string& name, PlantModel& plant, WallTime& clock,
                   std::string& error) {
    auto state = std::make_unique<StateRecord>();
    if (!ReadStateText(text, name, *state, error)) return false;
    ApplyState(*state, plant);
    clock = state->clock;
    return true;
}

bool LoadState(const std::string& path, PlantModel& plant, WallTime& clock, std::string& error) {
    std::string text;
    std::string why;
    if (!ReadInputFile(path, text, why)) {
        error = path + ":1: cannot read the state file: " + why;
        return false;
    }
    return LoadStateText(text, path, plant, clock, error);
}
