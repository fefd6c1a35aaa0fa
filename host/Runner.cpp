#include "host/Runner.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "host/GifRecorder.h"
#include "host/PngWriter.h"
#include "host/RunnerGolden.h"
#include "host/TouchRing.h"
#include "panel/app/AppState.h"

class ScriptRunner::PinnedClock final : public WallClock {
public:
    WallTime now = MakeWallTime(2011, 4, 15, 12, 0, 0);
    WallTime Now() override { return now; }
};

namespace {

constexpr std::uint32_t kRunnerButtonFace = 0xF0F0F0;
constexpr long kMaxTicksPerLine = 10'000'000;
constexpr long kMaxTapTicks = 100'000;
constexpr long kTapDefaultTicks = 3;
constexpr int kFirstYear = 2000;  // the panel keeps two-digit years of this century
constexpr int kLastYear = 2099;
// A script with this many bad lines is probably not a script at all.
constexpr std::size_t kMaxErrors = 20;

using Words = std::vector<std::string_view>;

// A word as it may appear in a message: bytes that are not printable ASCII are
// escaped and a long word is cut, so a binary file gives a readable error.
std::string Quoted(std::string_view word) {
    constexpr std::size_t kShown = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < word.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    if (word.size() > kShown) out += "...";
    return out + "'";
}

}  // namespace

bool Unquote(std::string_view word, std::string& out) {
    if (word.size() < 2 || word.front() != '"' || word.back() != '"') {
        out = std::string(word);
        return false;
    }
    out.clear();
    for (std::size_t i = 1; i + 1 < word.size(); ++i) {
        if (word[i] == '\\' && i + 2 < word.size()) ++i;
        out += word[i];
    }
    return true;
}

namespace {

// A whole number in lo..hi, written in decimal digits with an optional minus.
bool ParseNumber(std::string_view word, std::string_view what, long lo, long hi, long& out, std::string& why) {
    long long value = 0;
    const char* end = word.data() + word.size();
    const auto [stop, ec] = std::from_chars(word.data(), end, value);
    if (ec == std::errc::invalid_argument || stop != end) {
        why = std::string(what) + " " + Quoted(word) + " is not a whole number";
        return false;
    }
    if (ec == std::errc::result_out_of_range || value < lo || value > hi) {
        why = std::string(what) + " " + Quoted(word) + " is out of range (" + std::to_string(lo) + " to " +
              std::to_string(hi) + ")";
        return false;
    }
    out = static_cast<long>(value);
    return true;
}

// Splits "A<sep>B<sep>C" into exactly three parts.
bool SplitThree(std::string_view word, char separator, std::string_view part[3]) {
    for (int i = 0; i < 2; ++i) {
        const std::size_t at = word.find(separator);
        if (at == std::string_view::npos) return false;
        part[i] = word.substr(0, at);
        word.remove_prefix(at + 1);
    }
    part[2] = word;
    return word.find(separator) == std::string_view::npos;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

const char* MonthName(int month) {
    static const char* const kNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                           "July",    "August",   "September", "October", "November", "December"};
    return kNames[month - 1];
}

bool ParseClock(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    std::string_view date[3];
    std::string_view time[3];
    if (!SplitThree(words[0], '-', date)) {
        why = "the date " + Quoted(words[0]) + " is not YYYY-MM-DD";
        return false;
    }
    if (!SplitThree(words[1], ':', time)) {
        why = "the time " + Quoted(words[1]) + " is not HH:MM:SS";
        return false;
    }
    long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ParseNumber(date[0], "year", kFirstYear, kLastYear, year, why) ||
        !ParseNumber(date[1], "month", 1, 12, month, why) || !ParseNumber(date[2], "day", 1, 31, day, why)) {
        return false;
    }
    const int days = DaysInMonth(static_cast<int>(year), static_cast<int>(month));
    if (day > days) {
        why = std::string(words[0]) + " is not a date (" + MonthName(static_cast<int>(month)) + " " +
              std::to_string(year) + " has " + std::to_string(days) + " days)";
        return false;
    }
    if (!ParseNumber(time[0], "hour", 0, 23, hour, why) || !ParseNumber(time[1], "minute", 0, 59, minute, why) ||
        !ParseNumber(time[2], "second", 0, 59, second, why)) {
        return false;
    }
    command.time = MakeWallTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                                static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
    return true;
}

bool ParseZoom(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    return ParseNumber(words[0], "zoom", 1, 3, command.number[0], why);
}

bool ParseTick(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    command.number[0] = 1;
    return words.empty() || ParseNumber(words[0], "count", 0, kMaxTicksPerLine, command.number[0], why);
}

bool ParsePosition(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    return ParseNumber(words[0], "x", 0, kScreenWidth - 1, command.number[0], why) &&
           ParseNumber(words[1], "y", 0, kScreenHeight - 1, command.number[1], why);
}

bool ParseTap(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    if (!ParsePosition("tap", words, command, why)) return false;
    command.number[2] = kTapDefaultTicks;
    return words.size() < 3 || ParseNumber(words[2], "ticks", 1, kMaxTapTicks, command.number[2], why);
}

bool ParseNothing(std::string_view, const Words&, ScriptCommand&, std::string&) { return true; }

bool ParsePngName(std::string_view word, std::string& path, std::string& why) {
    Unquote(word, path);
    if (std::filesystem::path(path).filename().empty()) {
        why = "the file name " + Quoted(word) + " names a folder";
        return false;
    }
    return true;
}

bool ParseScreenshot(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    command.number[0] = 0;  // the window as it is
    return ParsePngName(words[0], command.path, why) &&
           (words.size() < 2 || ParseNumber(words[1], "zoom", 1, 3, command.number[0], why));
}

bool ParseAnimation(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    if (words[0] == "stop" && words.size() == 1) return true;
    if (words[0] == "start" && words.size() == 2) {
        command.number[0] = 1;
        return ParsePngName(words[1], command.path, why);
    }
    why = "usage: animation start FILE.gif | animation stop";
    return false;
}

bool ParsePlant(std::string_view verb, const Words& words, ScriptCommand& command, std::string& why) {
    std::vector<std::string> all{std::string(verb)};
    for (std::string_view word : words) Unquote(word, all.emplace_back());
    return ParsePlantCommand(all, command.plant, why);
}

// #RRGGBB as 0xRRGGBB.
bool ParseColour(std::string_view word, long& out, std::string& why) {
    if (word.size() != 7 || word[0] != '#') {
        why = "the colour " + Quoted(word) + " is not #RRGGBB";
        return false;
    }
    const auto [stop, ec] = std::from_chars(word.data() + 1, word.data() + word.size(), out, 16);
    if (ec != std::errc() || stop != word.data() + word.size()) {
        why = "the colour " + Quoted(word) + " is not #RRGGBB";
        return false;
    }
    return true;
}

bool ParseExpect(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    const std::string_view what = words[0];
    const std::size_t operands = words.size() - 1;
    const auto wants = [&](std::size_t lo, std::size_t hi, const char* usage) {
        if (operands >= lo && operands <= hi) return true;
        why = "usage: expect " + std::string(usage);
        return false;
    };
    if (what == "page") {
        command.expect = Expectation::Page;
        return wants(1, 1, "page N") && ParseNumber(words[1], "page", 0, kPageCount - 1, command.number[0], why);
    }
    if (what == "pixel") {
        command.expect = Expectation::Pixel;
        return wants(3, 3, "pixel X Y #RRGGBB") &&
               ParseNumber(words[1], "x", 0, kScreenWidth - 1, command.number[0], why) &&
               ParseNumber(words[2], "y", 0, kScreenHeight - 1, command.number[1], why) &&
               ParseColour(words[3], command.number[2], why);
    }
    if (what == "screen") {
        command.expect = Expectation::Screen;
        command.number[0] = 0;
        return wants(1, 2, "screen FILE.png [TOLERANCE]") && ParsePngName(words[1], command.path, why) &&
               (operands < 2 ||
                ParseNumber(words[2], "tolerance", 0, Canvas::kMaxWidth * Canvas::kMaxHeight, command.number[0], why));
    }
    if (what == "clock") {
        command.expect = Expectation::Clock;
        if (!wants(2, 2, "clock YYYY-MM-DD HH:MM:SS")) return false;
        if (!ParseWallTime(words[1], words[2], command.time)) {
            why = "the time " + Quoted(std::string(words[1]) + " " + std::string(words[2])) +
                  " is not YYYY-MM-DD HH:MM:SS (years 2000 to 2099)";
            return false;
        }
        command.text = FormatWallTime(command.time);
        return true;
    }
    if (!PlantModel::Find(what)) {
        why = "cannot check " + Quoted(what) + "; checks: page, pixel, screen, clock, " + PlantModel::NameList();
        return false;
    }
    command.expect = Expectation::Value;
    if (!wants(1, 1, "NAME VALUE")) return false;
    command.text = std::string(words[1]);
    return PlantModel::Parse(what, words[1], command.value, why);
}

}  // namespace

// The execute steps; they reach into the runner, which befriends them.
struct RunnerVerbs {
    using Parse = bool (*)(std::string_view verb, const Words& words, ScriptCommand& command, std::string& why);
    using Execute = bool (*)(ScriptRunner& runner, const ScriptCommand& command, std::string& why);

    struct Rule {
        std::string_view name;
        Verb verb;
        std::string_view operands;  // for the usage in messages
        std::size_t minWords;
        std::size_t maxWords;
        Parse parse;
        Execute execute;
    };

    static bool Clock(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        runner.clock_->now = command.time;
        return true;
    }

    static bool Zoom(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        runner.host_->SetZoom(static_cast<int>(command.number[0]));
        return true;
    }

    static bool Tick(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        runner.Ticks(command.number[0]);
        return true;
    }

    static bool Press(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        const int zoom = runner.host_->Zoom();
        runner.host_->MouseDown(MouseButton::Left, static_cast<int>(command.number[0]) * zoom,
                                static_cast<int>(command.number[1]) * zoom);
        return true;
    }

    static bool Drag(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        const int zoom = runner.host_->Zoom();
        runner.host_->MouseMove(static_cast<int>(command.number[0]) * zoom, static_cast<int>(command.number[1]) * zoom);
        return true;
    }

    static bool Release(ScriptRunner& runner, const ScriptCommand&, std::string&) {
        runner.host_->MouseUp(MouseButton::Left);
        return true;
    }

    static bool Tap(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        Press(runner, command, why);
        runner.Ticks(command.number[2]);
        runner.host_->MouseUp(MouseButton::Left);
        runner.Ticks(kTapAfterTicks);
        return true;
    }

    static bool Screenshot(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        int width = 0;
        int height = 0;
        const int zoom = command.number[0] != 0 ? static_cast<int>(command.number[0]) : runner.host_->Zoom();
        std::vector<std::uint32_t> rgb = ShownImage(*runner.host_, zoom, width, height);
        int x = 0;
        int y = 0;
        if (runner.options_.showTouches && FingerOnPanel(x, y))
            DrawTouchRing(rgb.data(), width, height, width, zoom, x, y);
        return WritePng(command.path, width, height, rgb, why);
    }

    static bool Plant(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        PlantCommandContext context{runner.plant_, runner.Out(), &runner.clock_->now};
        return ExecutePlantCommand(command.plant, context, why);
    }

    static bool Expect(ScriptRunner& runner, const ScriptCommand& command, std::string& why);

    static bool Close(ScriptRunner& runner, const ScriptCommand&, std::string&) {
        runner.host_->CloseQuery();
        runner.Ticks(kCloseCountdownTicks);
        return true;
    }

    static bool Animation(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        if (!runner.animation_) runner.animation_ = std::make_unique<GifRecorder>();
        GifRecorder& gif = *runner.animation_;
        if (command.number[0] == 1) {
            if (gif.Recording()) {
                why = "an animation is already being recorded into " + gif.Path();
                return false;
            }
            if (!gif.Start(command.path, why)) return false;
            runner.AnimationFrame();
            return true;
        }
        if (!gif.Recording()) {
            why = "no animation is being recorded";
            return false;
        }
        return gif.Stop(runner.ticks_ * kTickMilliseconds, why);
    }

    static bool At(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        runner.timed_.emplace_back(runner.scriptStart_ + command.number[0], command.then);
        return true;
    }

    static const Rule* Find(std::string_view name);
    static const Rule& Of(const ScriptCommand& command);
};

namespace {

bool ParseAt(std::string_view verb, const Words& words, ScriptCommand& command, std::string& why);

const RunnerVerbs::Rule kRules[] = {
    {"clock", Verb::Clock, "YYYY-MM-DD HH:MM:SS", 2, 2, ParseClock, RunnerVerbs::Clock},
    {"zoom", Verb::Zoom, "1|2|3", 1, 1, ParseZoom, RunnerVerbs::Zoom},
    {"tick", Verb::Tick, "[N]", 0, 1, ParseTick, RunnerVerbs::Tick},
    {"press", Verb::Press, "X Y", 2, 2, ParsePosition, RunnerVerbs::Press},
    {"drag", Verb::Drag, "X Y", 2, 2, ParsePosition, RunnerVerbs::Drag},
    {"release", Verb::Release, "", 0, 0, ParseNothing, RunnerVerbs::Release},
    {"tap", Verb::Tap, "X Y [N]", 2, 3, ParseTap, RunnerVerbs::Tap},
    {"screenshot", Verb::Screenshot, "FILE.png [ZOOM]", 1, 2, ParseScreenshot, RunnerVerbs::Screenshot},
    {"close", Verb::Close, "", 0, 0, ParseNothing, RunnerVerbs::Close},
    {"set", Verb::Plant, "NAME VALUE", 2, 2, ParsePlant, RunnerVerbs::Plant},
    {"fault", Verb::Plant, "CODE|clear", 1, 1, ParsePlant, RunnerVerbs::Plant},
    {"history", Verb::Plant, "add CODE [YYYY-MM-DD HH:MM:SS] | delete N | clear", 1, 4, ParsePlant, RunnerVerbs::Plant},
    {"reset", Verb::Plant, "plant", 1, 1, ParsePlant, RunnerVerbs::Plant},
    {"print", Verb::Plant, "NAME|page|clock|all", 1, 1, ParsePlant, RunnerVerbs::Plant},
    {"state", Verb::Plant, "save|load FILE", 2, 2, ParsePlant, RunnerVerbs::Plant},
    {"expect", Verb::Expect, "page N | pixel X Y #RRGGBB | screen FILE.png [TOLERANCE] | NAME VALUE", 2, 4, ParseExpect,
     RunnerVerbs::Expect},
    // `include` is taken apart while parsing; it never reaches execution.
    {"include", Verb::Tick, "FILE", 1, 1, nullptr, nullptr},
    {"animation", Verb::Animation, "start FILE.gif | stop", 1, 2, ParseAnimation, RunnerVerbs::Animation},
    {"at", Verb::At, "TIME set|fault|history|reset ...", 2, 6, ParseAt, RunnerVerbs::At},
};

std::string Usage(const RunnerVerbs::Rule& rule) {
    return "usage: " + std::string(rule.name) + (rule.operands.empty() ? "" : " ") + std::string(rule.operands);
}

std::string KnownVerbs() {
    std::string names;
    for (const RunnerVerbs::Rule& rule : kRules) names += (names.empty() ? "" : ", ") + std::string(rule.name);
    return names;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Where `expect pixel X Y #RRGGBB` wants its colour, a # is not a comment.
bool ColourComesNext(const Words& words) { return words.size() == 4 && words[0] == "expect" && words[1] == "pixel"; }

// The words of one line, up to a word that starts with #. A word that starts
// with a double quote runs to the closing quote, blanks and # included; it
// keeps its quotes, so that a parse step can tell "menu" from menu (see
// Unquote). False, with `why`, for a quote that is not closed.
bool SplitWords(std::string_view line, Words& words, std::string& why) {
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size() || (line[at] == '#' && !ColourComesNext(words))) break;
        const std::size_t start = at;
        if (line[at] == '"') {
            for (++at; at < line.size() && line[at] != '"'; ++at) {
                if (line[at] == '\\' && at + 1 < line.size()) ++at;
            }
            if (at == line.size()) {
                why = "the quote that starts at " + Quoted(line.substr(start)) + " is not closed";
                return false;
            }
            ++at;
            if (at < line.size() && !IsBlank(line[at])) {
                why = "a blank must follow the closing quote of " + Quoted(line.substr(start, at - start));
                return false;
            }
        } else {
            while (at < line.size() && !IsBlank(line[at])) ++at;
        }
        words.push_back(line.substr(start, at - start));
    }
    return true;
}

}  // namespace

const RunnerVerbs::Rule* RunnerVerbs::Find(std::string_view name) {
    for (const Rule& rule : kRules) {
        if (rule.name == name) return &rule;
    }
    return nullptr;
}

const RunnerVerbs::Rule& RunnerVerbs::Of(const ScriptCommand& command) {
    return command.rule < std::size(kRules) ? kRules[command.rule] : kRules[0];
}

bool ParseScriptTime(std::string_view word, long& ticks, std::string& why) {
    std::string_view number = word;
    long milliseconds = 0;
    if (word.size() > 2 && word.substr(word.size() - 2) == "ms") {
        number.remove_suffix(2);
        milliseconds = 1;
    } else if (word.size() > 1 && word.back() == 's') {
        number.remove_suffix(1);
        milliseconds = 1000;
    }
    long value = 0;
    const long most = milliseconds == 0 ? kMaxTicksPerLine : kMaxTicksPerLine * kTickMilliseconds / milliseconds;
    if (!ParseNumber(number, "time", 0, most, value, why)) {
        why += "; a time is 30s, 500ms or a number of ticks";
        return false;
    }
    ticks = milliseconds == 0 ? value : (value * milliseconds + kTickMilliseconds - 1) / kTickMilliseconds;
    return true;
}

namespace {

// `at TIME COMMAND`: the command is one of the plant changes, checked now.
bool ParseAt(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    if (!ParseScriptTime(words[0], command.number[0], why)) return false;
    const RunnerVerbs::Rule* rule = RunnerVerbs::Find(words[1]);
    const std::string_view name = words[1];
    if (rule == nullptr || rule->verb != Verb::Plant || name == "print" || name == "state") {
        why = "at runs a plant change (set, fault, history or reset), not " + Quoted(name);
        return false;
    }
    const Words rest(words.begin() + 2, words.end());
    if (rest.size() < rule->minWords || rest.size() > rule->maxWords) {
        why = "usage: at TIME " + Usage(*rule).substr(7);
        return false;
    }
    auto then = std::make_shared<ScriptCommand>();
    then->verb = rule->verb;
    then->rule = static_cast<std::uint8_t>(rule - kRules);
    then->line = command.line;
    then->file = command.file;
    if (!rule->parse(name, rest, *then, why)) return false;
    command.then = std::move(then);
    return true;
}

}  // namespace

namespace {

constexpr int kMaxIncludeDepth = 8;

// The shared state of one parse, across the scripts it includes.
struct Parsing {
    Script& script;
    std::vector<ScriptError>& errors;
    std::size_t firstError;
    int closedAt = 0;
    std::string closedIn;

    bool Full() const { return errors.size() - firstError > kMaxErrors; }
    void Fail(const std::string& file, int line, std::string message) {
        if (errors.size() - firstError < kMaxErrors) {
            errors.push_back({file, line, std::move(message)});
        } else if (errors.size() - firstError == kMaxErrors) {
            errors.push_back({file, line, "too many errors; the rest of the script was not checked"});
        }
    }
};

// The folder that an include in `file` is relative to.
std::filesystem::path FolderOf(const std::string& file) {
    if (file == "-" || file == "-e") return {};
    return std::filesystem::path(file).parent_path();
}

void ParseInto(std::string_view text, const std::string& file, int depth, Parsing& parsing) {
    int number = 0;
    while (!text.empty() && !parsing.Full()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        Words words;
        std::string split;
        if (!SplitWords(line, words, split)) {
            parsing.Fail(file, number, split);
            continue;
        }
        if (words.empty()) continue;
        const RunnerVerbs::Rule* rule = RunnerVerbs::Find(words[0]);
        if (rule == nullptr) {
            parsing.Fail(file, number, "unknown command " + Quoted(words[0]) + " (commands: " + KnownVerbs() + ")");
            continue;
        }
        if (parsing.closedAt != 0) {
            parsing.Fail(file, number,
                         std::string(rule->name) + ": nothing can follow the close on line " +
                             std::to_string(parsing.closedAt) +
                             (parsing.closedIn == file ? std::string() : " of " + parsing.closedIn));
            continue;
        }
        const std::string_view verb = words[0];
        words.erase(words.begin());
        if (words.size() < rule->minWords) {
            parsing.Fail(file, number,
                         std::string(rule->name) + ": missing " +
                             (words.empty() ? "operands" : "an operand after " + Quoted(words.back())) + "; " +
                             Usage(*rule));
            continue;
        }
        if (words.size() > rule->maxWords) {
            parsing.Fail(
                file, number,
                std::string(rule->name) + ": unexpected " + Quoted(words[rule->maxWords]) + "; " + Usage(*rule));
            continue;
        }
        if (rule->parse == nullptr) {  // include
            std::string name;
            Unquote(words[0], name);
            const std::filesystem::path path = FolderOf(file) / std::filesystem::path(name);
            std::string included;
            std::string why;
            if (depth >= kMaxIncludeDepth) {
                parsing.Fail(file, number,
                             "include: " + path.string() + " is nested more than " + std::to_string(kMaxIncludeDepth) +
                                 " deep (does a script include itself?)");
            } else if (!ReadScriptFile(path.string(), included, why)) {
                parsing.Fail(file, number, "include: cannot read " + path.string() + ": " + why);
            } else {
                ParseInto(included, path.string(), depth + 1, parsing);
            }
            continue;
        }
        ScriptCommand command;
        command.verb = rule->verb;
        command.rule = static_cast<std::uint8_t>(rule - kRules);
        command.line = number;
        command.file = file;
        std::string why;
        if (!rule->parse(verb, words, command, why)) {
            parsing.Fail(file, number, std::string(rule->name) + ": " + why);
            continue;
        }
        // A golden image lives beside the script that names it, and so does
        // the state that a recorded scenario starts from.
        if (command.verb == Verb::Expect && command.expect == Expectation::Screen) {
            command.path = (FolderOf(file) / command.path).string();
        }
        if (command.verb == Verb::Plant && command.plant.verb == PlantVerb::StateLoad) {
            command.plant.path = (FolderOf(file) / command.plant.path).string();
        }
        if (rule->verb == Verb::Close) {
            parsing.closedAt = number;
            parsing.closedIn = file;
        }
        parsing.script.commands.push_back(std::move(command));
    }
}

// The folder of a file that the runner writes: it must exist and be writable.
std::string FolderProblem(const std::string& file) {
    const std::filesystem::path path(file);
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return "the folder " + folder.string() + " does not exist";
    if (access(folder.c_str(), W_OK | X_OK) != 0) return "the folder " + folder.string() + " cannot be written to";
    if (std::filesystem::is_directory(path, ec)) return file + " is a folder";
    return {};
}

long long NowNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", rgb & 0xFFFFFFu);
    return text;
}

}  // namespace

std::string ScriptError::Text() const { return file + ":" + std::to_string(line) + ": " + message; }

bool ReadScriptFile(const std::string& path, std::string& text, std::string& why) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        why = "is a folder, not a script";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

Script ParseScript(std::string_view text, const std::string& file, std::vector<ScriptError>& errors) {
    Script script;
    script.file = file;
    Parsing parsing{script, errors, errors.size(), 0, {}};
    ParseInto(text, file, 0, parsing);
    return script;
}

void CheckScriptFiles(const Script& script, std::vector<ScriptError>& errors) {
    for (const ScriptCommand& command : script.commands) {
        const bool animation = command.verb == Verb::Animation && command.number[0] == 1;
        if (command.verb != Verb::Screenshot && !animation) continue;
        const std::string problem = FolderProblem(command.path);
        if (!problem.empty()) {
            errors.push_back({command.file, command.line, (animation ? "animation: " : "screenshot: ") + problem});
        }
    }
}

std::vector<std::uint32_t> ShownImage(PanelHost& host, int zoom, int& width, int& height) {
    const Canvas& canvas = host.GetCanvas();
    const int shown = host.Zoom();
    if (zoom == 0) zoom = shown;
    width = kScreenWidth * zoom;
    height = kScreenHeight * zoom;
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const int sy = y / zoom * shown;
        for (int x = 0; x < width; ++x) {
            const int sx = x / zoom * shown;
            rgb[static_cast<std::size_t>(y) * width + x] = canvas.Pixels()[sy * canvas.Stride() + sx] & 0xFFFFFFu;
        }
    }
    return rgb;
}

CheckResult CheckExpectation(const ScriptCommand& command, const CheckContext& context, std::string& message) {
    std::string expected;
    std::string got;
    switch (command.expect) {
        case Expectation::Page:
            if (AppState.currentPage == command.number[0]) return CheckResult::Passed;
            expected = "page " + std::to_string(command.number[0]);
            got = std::to_string(AppState.currentPage) + " (" + PageName(AppState.currentPage) + ")";
            break;
        case Expectation::Pixel: {
            int width = 0;
            int height = 0;
            const std::uint32_t shown =
                ShownImage(context.host, 1, width,
                           height)[static_cast<std::size_t>(command.number[1] * kScreenWidth + command.number[0])];
            if (shown == static_cast<std::uint32_t>(command.number[2])) return CheckResult::Passed;
            expected = "pixel " + std::to_string(command.number[0]) + " " + std::to_string(command.number[1]) + " " +
                       Hex(static_cast<std::uint32_t>(command.number[2]));
            got = Hex(shown);
            break;
        }
        case Expectation::Value: {
            const int entry = command.value.entry;
            const std::string now = context.plant.Format(entry);
            const bool absent = now == "absent";
            if (command.value.absent ? absent : (!absent && context.plant.Get(entry) == command.value.value))
                return CheckResult::Passed;
            expected = std::string(PlantModel::Entries()[static_cast<std::size_t>(entry)].name) + " " + command.text;
            got = now;
            break;
        }
        case Expectation::Clock: {
            const std::string now = FormatWallTime(context.clock);
            if (now == command.text) return CheckResult::Passed;
            expected = "clock " + command.text;
            got = now;
            break;
        }
        case Expectation::Screen: {
            int width = 0;
            int height = 0;
            const std::vector<std::uint32_t> shown = ShownImage(context.host, 0, width, height);
            const GoldenCheck check{command.path, command.number[0], context.update, context.host.Zoom()};
            switch (CompareWithGolden(check, shown, width, height, message)) {
                case GoldenVerdict::Matches: return CheckResult::Passed;
                case GoldenVerdict::Differs: return CheckResult::Failed;
                case GoldenVerdict::CannotCheck: return CheckResult::CannotCheck;
            }
            return CheckResult::CannotCheck;
        }
    }
    message = "expected " + expected + ", got " + got;
    return CheckResult::Failed;
}

bool RunnerVerbs::Expect(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
    std::string message;
    const CheckContext context{*runner.host_, runner.plant_, runner.clock_->now, runner.options_.update};
    switch (CheckExpectation(command, context, message)) {
        case CheckResult::Passed: return true;
        case CheckResult::Failed: runner.Fail(command, message); return true;
        case CheckResult::CannotCheck: break;
    }
    why = message;
    return false;
}

ScriptRunner::ScriptRunner(RunnerOptions options)
    : options_(std::move(options)), clock_(std::make_unique<PinnedClock>()) {}
ScriptRunner::~ScriptRunner() { EndProgress(); }

void ScriptRunner::SetClock(const WallTime& time) { clock_->now = time; }

PanelHost& ScriptRunner::Host() {
    EnsureStarted();
    return *host_;
}

std::ostream& ScriptRunner::Out() { return options_.out != nullptr ? *options_.out : std::cout; }

void ScriptRunner::EnsureStarted() {
    if (host_) return;
    host_ = std::make_unique<PanelHost>(*clock_, kRunnerButtonFace);
    host_->Start();
    host_->SetPlantHook([this] { plant_.Apply(); });
    host_->SetZoom(1);
}

void ScriptRunner::FireTimed() {
    const std::int64_t now = ticks_;
    // In the order of their times, and in script order at the same time.
    std::stable_sort(timed_.begin(), timed_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    while (!timed_.empty() && timed_.front().first <= now) {
        const std::shared_ptr<const ScriptCommand> command = timed_.front().second;
        timed_.erase(timed_.begin());
        PlantCommandContext context{plant_, Out(), &clock_->now};
        std::string why;
        ExecutePlantCommand(command->plant, context, why);  // plant changes only: nothing to fail
    }
}

void ScriptRunner::Ticks(long count) {
    FireTimed();
    for (long i = 0; i < count && !closed_; ++i) {
        if (options_.beforeTick) options_.beforeTick();
        if (host_->Tick() == TickResult::Close) closed_ = true;
        if (options_.progress && (i & 255) == 255) {
            ticksDone_ = i + 1;
            ticksAsked_ = count;
            ShowProgress(false);
        }
        ++ticks_;
        if (animation_ && animation_->Recording()) AnimationFrame();
        FireTimed();
    }
}

// A frame of what the panel shows, with the finger's ring when it is shown.
void ScriptRunner::AnimationFrame() {
    int x = 0;
    int y = 0;
    if (!options_.showTouches || !FingerOnPanel(x, y)) {
        animation_->Frame(host_->Mirror(), ticks_ * kTickMilliseconds);
        return;
    }
    std::vector<Rgb565> screen(host_->Mirror(), host_->Mirror() + kScreenWidth * kScreenHeight);
    DrawTouchRing(screen.data(), x, y);
    animation_->Frame(screen.data(), ticks_ * kTickMilliseconds);
}

void ScriptRunner::Fail(const ScriptCommand& command, const std::string& message) {
    failures_.push_back({command.file, command.line, message});
    EndProgress();
    std::ostream& messages = options_.messages != nullptr ? *options_.messages : std::cerr;
    messages << failures_.back().Text() << std::endl;
}

void ScriptRunner::ShowProgress(bool force) {
    constexpr long long kQuiet = 2'000'000'000;  // short runs show nothing
    constexpr long long kEvery = 200'000'000;    // a steady line, not a flicker
    const long long now = NowNanos();
    if (running_ == nullptr || now - startNanos_ < kQuiet || (!force && now - lastShownNanos_ < kEvery)) return;
    lastShownNanos_ = now;
    const ScriptCommand& command = running_->commands[std::min(commandIndex_, running_->commands.size() - 1)];
    std::string ticks;
    if (ticksAsked_ > 0) ticks = ", tick " + std::to_string(ticksDone_) + " of " + std::to_string(ticksAsked_);
    std::fprintf(stderr, "\r\033[K%s: command %zu of %zu (%s:%d%s), %.1f s", running_->file.c_str(), commandIndex_ + 1,
                 running_->commands.size(), command.file.c_str(), command.line, ticks.c_str(),
                 static_cast<double>(now - startNanos_) / 1e9);
    std::fflush(stderr);
    progressShown_ = true;
}

void ScriptRunner::EndProgress() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown_ = false;
}

ScriptStatus ScriptRunner::Execute(const Script& script, ScriptError& error) {
    running_ = &script;
    scriptStart_ = ticks_;
    timed_.clear();
    startNanos_ = NowNanos();
    const std::size_t failedBefore = failures_.size();
    for (commandIndex_ = 0; commandIndex_ < script.commands.size(); ++commandIndex_) {
        const ScriptCommand& command = script.commands[commandIndex_];
        const RunnerVerbs::Rule& rule = RunnerVerbs::Of(command);
        // The clock may be pinned before the firmware starts, so that the
        // start sequence already reads it.
        if (command.verb != Verb::Clock) EnsureStarted();
        ticksAsked_ = 0;
        if (command.verb == Verb::Plant) {
            EndProgress();  // print writes to the same terminal
        } else if (options_.progress) {
            ShowProgress(false);
        }
        std::string why;
        if (closed_ && command.verb != Verb::Clock) {
            why = "the window is closed; nothing can follow close";
        } else if (rule.execute(*this, command, why)) {
            continue;
        }
        EndProgress();
        running_ = nullptr;
        error = {command.file, command.line, std::string(rule.name) + ": " + why};
        if (animation_) animation_->Abandon();
        return ScriptStatus::BadInput;
    }
    EndProgress();
    running_ = nullptr;
    EnsureStarted();
    // A recording still running is written when the script ends.
    if (animation_ && animation_->Recording()) {
        std::string why;
        if (!animation_->Stop(ticks_ * kTickMilliseconds, why)) {
            error = {script.file, 0, "animation: " + why};
            return ScriptStatus::BadInput;
        }
    }
    if (failures_.size() > failedBefore) {
        error = failures_[failedBefore];
        return ScriptStatus::CheckFailed;
    }
    return ScriptStatus::Ran;
}

bool ScriptRunner::Run(std::istream& in, std::string& error) {
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<ScriptError> errors;
    const Script script = ParseScript(text, "-", errors);
    CheckScriptFiles(script, errors);
    if (!errors.empty()) {
        error = errors.front().Text();
        return false;
    }
    ScriptError failure;
    if (Execute(script, failure) != ScriptStatus::Ran) {
        error = failure.Text();
        return false;
    }
    return true;
}
