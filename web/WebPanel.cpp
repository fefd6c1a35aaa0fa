// The host core behind the web page. The page script calls these functions
// from its event handlers and its frame callback as the window's handlers call
// the core, and copies the panel rows that changed into its <canvas> element.
//
// The core is the headless runner's: the page's ticks, its plant controls
// and kandorelle.run() go through the runner's verbs and the plant model, so
// the page behaves as the runner and the window do. What only some visits
// need, reading and writing state files and checking translations, is in the
// page's second module (PageChecks.cpp), loaded when first used; this one
// takes what that module read and checked as plain data.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/core/ScreenCapture.h"
#include "host/plant/PlantCommands.h"
#include "host/plant/PlantModel.h"
#include "host/plant/PlantPresets.h"
#include "host/plant/StateRecord.h"
#include "host/runner/Runner.h"
#include "host/runner/TextOverride.h"
#include "host/texts/PoTexts.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/app/TextTables.h"
#include "panel/hw/Clock.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

// The browser's local time, a time that runs on from a given moment (a loaded
// state, the clock control), or one instant that never moves (clock= in the
// address, a script's clock line), so that the page and the runner can show
// the very same pixels.
class PageClock {
public:
    // The local time is asked of the browser only when the second changes:
    // that call costs more than the rest of an idle tick.
    WallTime Now() {
        if (pinned_) return pinnedTime_;
        const std::time_t second = std::time(nullptr);
        if (second != lastSecond_) {
            lastSecond_ = second;
            lastTime_ = running_.Now();
        }
        return lastTime_;
    }
    void Pin(const WallTime& time) {
        pinned_ = true;
        pinnedTime_ = time;
    }
    void RunOnFrom(const WallTime& time) {
        pinned_ = false;
        running_.Set(time);
        lastSecond_ = -1;
    }
    void Follow() {
        pinned_ = false;
        running_ = OffsetWallClock();
        lastSecond_ = -1;
    }
    bool Pinned() const { return pinned_; }

private:
    OffsetWallClock running_;
    bool pinned_ = false;
    WallTime pinnedTime_;
    std::time_t lastSecond_ = -1;
    WallTime lastTime_;
};

PageClock pageClock;
// What `print` writes and the checks that failed, until the page takes it:
// at most 1 MiB, so that a script that prints in a long loop cannot use up
// the page's memory. What did not fit is counted.
class PrintedText final : public TextSink {
public:
    void Write(std::string_view text) override {
        const std::size_t room = kKept - std::min(kKept, text_.size());
        text_.append(text.substr(0, room));
        dropped_ += text.size() - std::min(room, text.size());
    }
    std::string Take() {
        std::string text = std::move(text_);
        if (dropped_ > 0) text += "(" + std::to_string(dropped_) + " more bytes of output were not kept)\n";
        text_.clear();
        dropped_ = 0;
        return text;
    }

private:
    static constexpr std::size_t kKept = std::size_t{1} << 20;
    std::string text_;
    std::size_t dropped_ = 0;
};

PrintedText printed;
std::string result;  // the text handed to the page by the last call that returns one

void FeedClock();

RunnerOptions PageRunnerOptions() {
    RunnerOptions options;
    options.out = &printed;
    options.messages = &printed;
    options.beforeTick = [] { FeedClock(); };
    return options;
}

ScriptRunner& Runner() {
    static ScriptRunner runner(PageRunnerOptions());
    return runner;
}

void FeedClock() { Runner().SetClock(pageClock.Now()); }

PanelHost& Host() { return Runner().Host(); }

// The rows handed to the page, as RGBA bytes, one panel pixel each.
std::uint32_t rgbaRows[kScreenWidth * kScreenHeight];

// A script that kandorelle.run() or a link's script= plays, a slice at a
// time, so that a long one never freezes the page.
struct PendingScript {
    Script script;
    std::size_t next = 0;
    long ticksLeft = -1;  // of the tick command at `next`, once started
    std::size_t failuresBefore = 0;
    std::vector<long> loops;  // the passes left of each repeat being played
};
PendingScript pending;
int zoomAsked = 0;  // a script's zoom line, for the page to take

const char* Give(std::string text) {
    result = std::move(text);
    return result.c_str();
}

MouseButton ToMouseButton(int button) {
    switch (button) {
        case 0: return MouseButton::Left;
        case 2: return MouseButton::Right;
        default: return MouseButton::Middle;
    }
}

// A page name as a file name or a link shows it: "start page" -> "start-page".
std::string Slug(const char* name) {
    std::string slug;
    for (const char* c = name; *c != 0; ++c) slug += *c == ' ' ? '-' : *c;
    return slug;
}

// A wait runs whole, within one slice of the page's time: a longer one would
// leave the page without an answer while it lasts.
constexpr long kPageWaitTicks = 60'000 / kTickMilliseconds;

// Verbs that need files or would end the page, and waits too long for it;
// refused before a script runs.
std::string Refusal(const ScriptCommand& command) {
    switch (command.verb) {
        case Verb::Wait:
            if (command.timeout > kPageWaitTicks) return "wait: the page waits at most 60 s at a time; wait again";
            break;
        case Verb::Screenshot: return "screenshot: the page saves pictures with its Save buttons";
        case Verb::Animation: return "animation: the page records video with its Record button";
        case Verb::Trace: return "trace: the page writes no files; the runner records traces";
        case Verb::PrintEngine: return "print engine: the runner and the window's inspector show the engine";
        case Verb::Close: return "close: a script cannot close the page";
        case Verb::Expect:
            if (command.expect == Expectation::Screen) return "expect screen: the page has no golden images";
            break;
        case Verb::PlantChange:
            if (command.plant.verb == PlantVerb::StateSave || command.plant.verb == PlantVerb::StateLoad)
                return "state: the page opens and saves states with its Open state... and Save state... buttons";
            break;
        default: break;
    }
    return {};
}

// The page plays a script a command at a time, so it plays the repeats
// itself: a repeat holds the index of its }, the } that of its repeat.
bool OpensRepeat(const ScriptCommand& command, std::size_t at) {
    return command.verb == Verb::Repeat && command.number[1] > static_cast<long>(at);
}

// A tap holds for its own count of ticks; a long hold is played as press,
// ticks and release so that it, too, runs a slice at a time. The repeats'
// indices follow the commands they name.
void ExpandLongTaps(Script& script) {
    constexpr long kLongHold = 200;
    std::vector<ScriptError> none;
    static const Script kParts = ParseScript("press 0 0\ntick 1\nrelease\n", "-", none);
    std::vector<ScriptCommand> out;
    std::vector<long> moved;  // the new index of each command
    for (const ScriptCommand& c : script.commands) {
        moved.push_back(static_cast<long>(out.size()));
        if (c.verb != Verb::Tap || c.targeted || c.number[2] <= kLongHold) {
            out.push_back(c);
            continue;
        }
        ScriptCommand press = kParts.commands[0];
        press.number[0] = c.number[0];
        press.number[1] = c.number[1];
        ScriptCommand hold = kParts.commands[1];
        hold.number[0] = c.number[2];
        ScriptCommand after = kParts.commands[1];
        after.number[0] = kTapAfterTicks;
        for (ScriptCommand part : {press, hold, kParts.commands[2], after}) {
            part.line = c.line;
            part.file = c.file;
            out.push_back(std::move(part));
        }
    }
    for (std::size_t i = 0; i < script.commands.size(); ++i) {
        const ScriptCommand& c = script.commands[i];
        if (c.verb != Verb::Repeat) continue;
        ScriptCommand& now = out[static_cast<std::size_t>(moved[i])];
        const int named = OpensRepeat(c, i) ? 1 : 0;
        now.number[named] = moved[static_cast<std::size_t>(c.number[named])];
    }
    script.commands = std::move(out);
}

// Plays a repeat or a } as the runner does: the next command is the one
// after the index it leaves in pending.next.
void PlayRepeat(const ScriptCommand& command) {
    if (OpensRepeat(command, pending.next)) {
        if (command.number[0] == 0) {
            pending.next = static_cast<std::size_t>(command.number[1]);
        } else {
            pending.loops.push_back(command.number[0]);
        }
    } else if (--pending.loops.back() > 0) {
        pending.next = static_cast<std::size_t>(command.number[0]);
    } else {
        pending.loops.pop_back();
    }
}

bool ExecuteOne(const ScriptCommand& command, std::string& error) {
    const Script one{pending.script.file, {command}};
    ScriptError failure;
    if (Runner().Execute(one, failure) == ScriptStatus::BadInput) {
        error = failure.Text();
        return false;
    }
    if (command.verb == Verb::Clock) pageClock.Pin(command.time);
    // The page shows every zoom itself; the core stays at 1:1.
    if (Host().Zoom() != 1) {
        zoomAsked = Host().Zoom();
        Host().SetZoom(1);
    }
    return true;
}

// The current page drawn afresh, as entering it draws it: a language or text
// change shows everywhere, including the rows of an open list.
void ReenterPage() { GoToPage(AppState.currentPage); }

Language ShownLanguage() { return Settings.language < kLanguageCount ? Settings.language : kEnglish; }

const char* TypeName(PlantType type) {
    switch (type) {
        case PlantType::Temperature: return "temperature";
        case PlantType::Tenths: return "tenths";
        case PlantType::Flag: return "flag";
        case PlantType::Status: return "status";
        case PlantType::Fault: return "fault";
        default: return "integer";
    }
}

// A plant value as the controls show it: degrees, not tenths; a flag 0 or 1.
double ShownValue(const PlantModel& plant, int entry) {
    const PlantEntry& e = PlantModel::Entries()[static_cast<std::size_t>(entry)];
    const auto v = static_cast<double>(plant.Get(entry));
    return e.type == PlantType::Temperature || e.type == PlantType::Tenths ? v / 10.0 : v;
}

bool IsEntry(int entry) { return entry >= 0 && entry < static_cast<int>(PlantModel::Entries().size()); }

// A time as the runner's clock line takes it; false with the runner's
// message in KandoMessage().
bool ParseClock(const std::string& text, WallTime& time) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript("clock " + text, "clock", errors);
    if (!errors.empty() || script.commands.size() != 1) {
        const std::string message = errors.empty() ? "not a time" : errors.front().message;
        Give(message.rfind("clock: ", 0) == 0 ? message.substr(7) : message);
        return false;
    }
    time = script.commands[0].time;
    return true;
}

// The panel's time: its clock once it has read one, and the page's clock
// before its first tick (a page with ticks by hand starts with a clock of
// zeros, which no link, file name or control should show).
WallTime PanelTime() { return PanelClock.year == 0 ? pageClock.Now() : PanelClockTime(); }

}  // namespace

extern "C" {

// Before the start: pins the clock at a time the runner's clock line takes
// ("YYYY-MM-DD HH:MM:SS"); 0 with the runner's message in KandoMessage().
EMSCRIPTEN_KEEPALIVE int KandoPinClock(const char* text) {
    WallTime time;
    if (!ParseClock(text, time)) return 0;
    pageClock.Pin(time);
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* KandoMessage() { return result.c_str(); }

// The window's constructor: the start sequence, at zoom 100 %.
EMSCRIPTEN_KEEPALIVE void KandoStart() {
    FeedClock();
    Host();
}

// One 12 ms tick; the page has no close request, so it always runs.
EMSCRIPTEN_KEEPALIVE void KandoTick() {
    FeedClock();
    Host().Tick();
}

EMSCRIPTEN_KEEPALIVE const char* KandoCaption() { return Give(PanelHost::Caption()); }

// Panel pixels; buttons as the browser numbers them: 0 left (or a finger),
// 1 middle, 2 right.
EMSCRIPTEN_KEEPALIVE void KandoMouseDown(int button, int x, int y) { Host().MouseDown(ToMouseButton(button), x, y); }
// A browser cannot move the pointer; the finger stays on the panel's edge all
// the same.
EMSCRIPTEN_KEEPALIVE void KandoMouseMove(int x, int y) { Host().MouseMove(x, y); }
EMSCRIPTEN_KEEPALIVE void KandoMouseUp(int button) { Host().MouseUp(ToMouseButton(button)); }
EMSCRIPTEN_KEEPALIVE void KandoLiftFinger() { Host().LiftFinger(); }

EMSCRIPTEN_KEEPALIVE int KandoLanguage() { return Settings.language; }

// The language as the panel's language list sets it; the page is entered
// again, as the panel's own switch enters the language page.
EMSCRIPTEN_KEEPALIVE void KandoSetLanguage(int language) {
    if (language < 0 || language >= kLanguageCount || language == Settings.language) return;
    Settings.language = static_cast<std::uint8_t>(language);
    StoreSettingsField(SETTINGS_FIELD(language));
    ReenterPage();
}

EMSCRIPTEN_KEEPALIVE const std::uint32_t* KandoRows() { return rgbaRows; }

// Converts the panel rows that changed since the last call into RGBA at
// KandoRows() (row y at y x 320) and returns first row | end row << 16; 0 when
// nothing changed.
EMSCRIPTEN_KEEPALIVE std::uint32_t KandoTakeChangedRows() {
    const DirtyRect dirty = Host().GetCanvas().TakeDirty();
    if (dirty.Empty()) return 0;
    const int zoom = Host().Zoom();
    const int first = dirty.y0 / zoom;
    const int end = std::min<int>(kScreenHeight, (dirty.y1 + zoom - 1) / zoom);
    CaptureRowsRgba(Host(), first, end, rgbaRows);
    return static_cast<std::uint32_t>(first) | static_cast<std::uint32_t>(end) << 16;
}

// Parses a script for the page to play with KandoStep. Returns the number of
// commands, or -1 with every problem in KandoMessage() ("NAME:LINE: ...").
EMSCRIPTEN_KEEPALIVE int KandoParse(const char* text, const char* name) {
    std::vector<ScriptError> errors;
    Script script = ParseScript(text, name, errors);
    for (const ScriptCommand& c : script.commands) {
        const std::string refusal = Refusal(c);
        if (!refusal.empty()) errors.push_back({c.file, c.line, refusal});
    }
    if (!errors.empty()) {
        std::string message;
        for (const ScriptError& e : errors) message += (message.empty() ? "" : "\n") + e.Text();
        Give(message);
        return -1;
    }
    ExpandLongTaps(script);
    pending = PendingScript{std::move(script), 0, -1, Runner().Failures().size(), {}};
    return static_cast<int>(pending.script.commands.size());
}

// Plays the parsed script on for about `budget` ticks (a command that ticks
// none counts as one). Returns 1 while more remains, 0 at its end, -1 when a
// command could not be carried out (the message in KandoMessage(); the rest
// is dropped). As in the runner, a tap of a name that is not on the screen
// ends the script with its failed check.
EMSCRIPTEN_KEEPALIVE int KandoStep(int budget) {
    std::vector<ScriptCommand>& commands = pending.script.commands;
    while (pending.next < commands.size()) {
        if (budget <= 0) return 1;
        ScriptCommand command = commands[pending.next];
        if (command.verb == Verb::Repeat) {
            PlayRepeat(command);
            ++pending.next;
            --budget;
            continue;
        }
        if (command.verb == Verb::Tick) {
            if (pending.ticksLeft < 0) pending.ticksLeft = command.number[0];
            command.number[0] = std::min<long>(pending.ticksLeft, budget);
            pending.ticksLeft -= command.number[0];
        }
        const std::int64_t ticksBefore = Host().TicksRun();
        const std::size_t failuresBefore = Runner().Failures().size();
        std::string error;
        if (!ExecuteOne(command, error)) {
            pending = PendingScript{};
            Give(error);
            return -1;
        }
        budget -= static_cast<int>(std::max<std::int64_t>(1, Host().TicksRun() - ticksBefore));
        if (command.verb == Verb::Tap && command.targeted && Runner().Failures().size() > failuresBefore) {
            pending.next = commands.size();
            break;
        }
        if (command.verb != Verb::Tick || pending.ticksLeft == 0) {
            ++pending.next;
            pending.ticksLeft = -1;
        }
    }
    return 0;
}

// The checks that failed in the script played last.
EMSCRIPTEN_KEEPALIVE int KandoFailedChecks() {
    return static_cast<int>(Runner().Failures().size() - pending.failuresBefore);
}

// What `print` wrote and the failed checks, since the last call.
EMSCRIPTEN_KEEPALIVE const char* KandoTakePrinted() { return Give(printed.Take()); }

// The zoom a script asked for, once; 0 when none.
EMSCRIPTEN_KEEPALIVE int KandoTakeZoom() {
    const int zoom = zoomAsked;
    zoomAsked = 0;
    return zoom;
}

// A page by number or name ("menu", "start-page"), or -1.
EMSCRIPTEN_KEEPALIVE int KandoPageOf(const char* text) {
    const std::string name = text;
    for (int page = 0; page < kPageCount; ++page) {
        if (name == std::to_string(page) || name == Slug(PageName(static_cast<std::uint8_t>(page)))) return page;
    }
    return -1;
}

EMSCRIPTEN_KEEPALIVE void KandoGoToPage(int page) {
    if (page >= 0 && page < kPageCount) GoToPage(static_cast<std::uint8_t>(page));
}

EMSCRIPTEN_KEEPALIVE const char* KandoPageSlug() { return Give(Slug(PageName(AppState.currentPage))); }

// "kandorelle-start-page-20261206-134700": the page's name and the panel's time.
EMSCRIPTEN_KEEPALIVE const char* KandoCaptureName() {
    const WallTime t = PanelTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return Give("kandorelle-" + Slug(PageName(AppState.currentPage)) + "-" + stamp);
}

// The plant controls, an item a call, in the panel's language: the page
// builds its controls from these and refreshes them four times a second.

// Lists of words: 0 the groups' titles, 1 the controller statuses, 2 the
// fault codes, 3 the presets' keys, 4 the presets' names.
EMSCRIPTEN_KEEPALIVE int KandoListSize(int list) {
    switch (list) {
        case 0: return static_cast<int>(PlantGroups().size());
        case 1: return kControllerStatusCount;
        case 2: return kFaultCodeCount;
        default: return static_cast<int>(PlantPresets().size());
    }
}

EMSCRIPTEN_KEEPALIVE const char* KandoListItem(int list, int item) {
    const Language language = ShownLanguage();
    if (item < 0 || item >= KandoListSize(list)) return Give("");
    const auto i = static_cast<std::size_t>(item);
    switch (list) {
        case 0: return Give(PlantWordText(PlantGroups()[i].title, language));
        case 1: return Give(std::to_string(item) + " " + StatusText(static_cast<std::uint8_t>(item), language));
        case 2: {
            char code[8];
            std::snprintf(code, sizeof code, "%02d ", item);
            return Give(code + FaultCodeText(static_cast<std::uint8_t>(item), language));
        }
        case 3: return Give(PlantPresets()[i].key);
        default: return Give(PlantPresets()[i].names[language]);
    }
}

// The entries of a group's rows, in order; a sensor flag goes beside its
// temperature, not on a row of its own.
EMSCRIPTEN_KEEPALIVE int KandoGroupSize(int group) {
    return group >= 0 && group < KandoListSize(0) ? static_cast<int>(PlantGroups()[group].names.size()) : 0;
}

// The entry of a group's row, or -1 when it has none.
EMSCRIPTEN_KEEPALIVE int KandoGroupEntry(int group, int row) {
    if (row < 0 || row >= KandoGroupSize(group)) return -1;
    const std::optional<int> entry = PlantModel::Find(PlantGroups()[group].names[static_cast<std::size_t>(row)]);
    return entry && !IsSensorFlag(*entry) ? *entry : -1;
}

EMSCRIPTEN_KEEPALIVE int KandoEntryCount() { return static_cast<int>(PlantModel::Entries().size()); }

// A plant value's words: 0 its name, 1 its label, 2 its tip, 3 its type
// (temperature, tenths, flag, status, fault, integer), 4 the label of its
// sensor flag.
EMSCRIPTEN_KEEPALIVE const char* KandoEntryText(int entry, int what) {
    if (!IsEntry(entry)) return Give("");
    const PlantEntry& e = PlantModel::Entries()[static_cast<std::size_t>(entry)];
    const Language language = ShownLanguage();
    switch (what) {
        case 0: return e.name;
        case 1: return PlantLabel(entry, language);
        case 2: return PlantHelp(entry, language);
        case 3: return TypeName(e.type);
        default: {
            const bool faulty =
                e.absentFlag != nullptr && std::string_view(e.absentFlag).find(".faulty") != std::string_view::npos;
            return PlantWordText(faulty ? PlantWord::SensorFaulty : PlantWord::SensorAbsent, language);
        }
    }
}

// A plant value's numbers: 0 its least and 1 its greatest value, 2 the entry
// of its sensor flag (-1 for none), 3 whether that flag is 1 when the sensor
// is there (fitted sensors start "present", and the control asks, as for
// every other sensor: is it absent?), 4 its value now.
EMSCRIPTEN_KEEPALIVE double KandoEntryNumber(int entry, int what) {
    if (!IsEntry(entry)) return 0;
    const auto entries = PlantModel::Entries();
    const PlantEntry& e = entries[static_cast<std::size_t>(entry)];
    const double scale = e.type == PlantType::Temperature || e.type == PlantType::Tenths ? 10.0 : 1.0;
    const std::optional<int> flag = e.absentFlag != nullptr ? PlantModel::Find(e.absentFlag) : std::nullopt;
    switch (what) {
        case 0: return static_cast<double>(e.minimum) / scale;
        case 1: return static_cast<double>(e.maximum) / scale;
        case 2: return flag ? *flag : -1;
        case 3: return flag && entries[static_cast<std::size_t>(*flag)].start == 1 ? 1 : 0;
        default: return ShownValue(Runner().Plant(), entry);
    }
}

// One of the controls' words by the page's key for it, or "".
EMSCRIPTEN_KEEPALIVE const char* KandoPlantWord(const char* key) {
    const std::pair<const char*, PlantWord> kWords[] = {
        {"presets", PlantWord::Presets},
        {"faultHistory", PlantWord::FaultHistory},
        {"clock", PlantWord::Clock},
        {"page", PlantWord::Page},
        {"raise", PlantWord::Raise},
        {"clear", PlantWord::Clear},
        {"addToHistory", PlantWord::AddToHistory},
        {"reset", PlantWord::ResetToStartValues},
        {"current", PlantWord::Current},
        {"empty", PlantWord::NoEntry},
        {"setClock", PlantWord::SetClock},
        {"computerClock", PlantWord::ComputerClock},
        {"pinned", PlantWord::Pinned},
        {"time", PlantWord::Time},
        {"deleteEntry", PlantWord::DeleteEntry},
        {"emptyHistory", PlantWord::EmptyHistory},
    };
    for (const auto& [name, word] : kWords) {
        if (std::string_view(name) == key) return PlantWordText(word, ShownLanguage());
    }
    return "";
}

// What the controls show beside the values: 0 the page ("1 menu"), 1 the
// panel clock, 2 the current fault ("22 ..."), 3 "pinned" or "".
EMSCRIPTEN_KEEPALIVE const char* KandoNowText(int what) {
    switch (what) {
        case 0: return Give(std::to_string(AppState.currentPage) + " " + PageName(AppState.currentPage));
        case 1: return Give(FormatWallTime(PanelTime()));
        case 2: {
            const std::uint8_t fault = Settings.faultCode;
            return Give(std::to_string(fault) + " " + FaultCodeText(fault, ShownLanguage()));
        }
        default: return pageClock.Pinned() ? "pinned" : "";
    }
}

EMSCRIPTEN_KEEPALIVE int KandoHistorySize() { return kFaultHistoryEntries; }

// A fault-history entry: "" for an empty slot, else its time, code and text
// as "TIME · CODE TEXT".
EMSCRIPTEN_KEEPALIVE const char* KandoHistoryEntry(int index) {
    if (index < 0 || index >= kFaultHistoryEntries) return Give("");
    const FaultHistoryEntry e = FaultHistory[index];  // packed: copied out, never bound
    if (e.type == kFaultEntryEmpty) return Give("");
    return Give(FormatWallTime(MakeWallTime(e.year, e.month, e.day, e.hour, e.minute, e.second)) + " · " +
                std::to_string(e.faultCode) + " " + FaultCodeText(e.faultCode, ShownLanguage()));
}

// Runner lines that change nothing but the plant (set, fault, history,
// reset), played at once; "" or the message.
EMSCRIPTEN_KEEPALIVE const char* KandoPlant(const char* text) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(text, "plant", errors);
    for (const ScriptCommand& c : script.commands) {
        if (c.verb != Verb::PlantChange || !Refusal(c).empty())
            errors.push_back({c.file, c.line, "not a plant change"});
    }
    if (!errors.empty()) return Give(errors.front().Text());
    for (const ScriptCommand& c : script.commands) {
        PlantCommandContext context{Runner().Plant(), printed, nullptr};
        std::string why;
        if (!ExecutePlantCommand(c.plant, context, why)) return Give(why);
    }
    return Give("");
}

EMSCRIPTEN_KEEPALIVE const char* KandoPreset(const char* key) {
    const std::string outcome = ApplyPlantPreset(Runner().Plant(), key);
    return Give(outcome == "ok" ? "" : outcome);
}

// The clock control: the panel clock runs on from the given time ("" follows
// the computer's clock again); a pinned clock stays pinned, at the new time.
EMSCRIPTEN_KEEPALIVE const char* KandoSetClock(const char* text) {
    if (*text == 0) {
        pageClock.Follow();
        return Give("");
    }
    WallTime time;
    if (!ParseClock(text, time)) return result.c_str();
    if (pageClock.Pinned()) {
        pageClock.Pin(time);
    } else {
        pageClock.RunOnFrom(time);
    }
    return Give("");
}

// The state as a record, for the page's second module to write or fill:
// KandoTakeState puts the panel's state there, KandoApplyState makes a
// checked state there the panel's. Both modules agree on its size.
StateRecord stateRecord;

EMSCRIPTEN_KEEPALIVE StateRecord* KandoStateRecord() { return &stateRecord; }
EMSCRIPTEN_KEEPALIVE int KandoStateRecordSize() { return sizeof stateRecord; }

EMSCRIPTEN_KEEPALIVE void KandoTakeState() { stateRecord = CurrentState(Runner().Plant(), pageClock.Now()); }

// The clock runs on from the state's time (a pinned clock is pinned there).
EMSCRIPTEN_KEEPALIVE void KandoApplyState() {
    Host();
    ApplyState(stateRecord, Runner().Plant());
    if (pageClock.Pinned()) {
        pageClock.Pin(stateRecord.clock);
    } else {
        pageClock.RunOnFrom(stateRecord.clock);
    }
    FeedClock();
}

}  // extern "C"

namespace {

// A translation that the second module read and checked, handed over a text
// at a time.
PoLanguage overrides;
std::string overrideBytes;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void KandoOverrideBegin(const char* name, int language) {
    overrides = PoLanguage{};
    overrides.path = name;
    overrides.language = language;
}

// Room for the panel bytes of the next text, which the page writes there.
EMSCRIPTEN_KEEPALIVE char* KandoOverrideBytes(int size) {
    overrideBytes.assign(static_cast<std::size_t>(std::max(size, 0)), '\0');
    return overrideBytes.data();
}

// The text `id` is the bytes written last; `held` (fuzzy or stale) shows
// the built-in text in its place.
EMSCRIPTEN_KEEPALIVE void KandoOverrideText(int id, int line, int held) {
    if (id < 0 || id >= kTextCount) return;
    PoText& text = overrides.texts[static_cast<std::size_t>(id)];
    text.bytes = overrideBytes;
    text.line = line;
    text.held = held != 0;
}

// Shows the translation at once, in its language, which the panel switches
// to: 1, or 0 with the message in KandoMessage().
EMSCRIPTEN_KEEPALIVE int KandoOverrideInstall() {
    std::vector<std::string> errors;
    if (overrides.language < 0 || overrides.language >= kLanguageCount || !InstallTextOverrides({overrides}, errors)) {
        Give(errors.empty() ? overrides.path + ":1: no language the panel has" : errors.front());
        return 0;
    }
    Settings.language = static_cast<std::uint8_t>(overrides.language);
    StoreSettingsField(SETTINGS_FIELD(language));
    ReenterPage();
    return 1;
}

EMSCRIPTEN_KEEPALIVE void KandoPreviewClear() {
    RemoveTextOverrides();
    ReenterPage();
}

}  // extern "C"
