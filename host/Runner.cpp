#include "host/Runner.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <system_error>

#include "host/GifRecorder.h"
#include "host/PngWriter.h"

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
constexpr long kTapAfterTicks = 3;
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

bool ParseClock(const Words& words, ScriptCommand& command, std::string& why) {
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

bool ParseZoom(const Words& words, ScriptCommand& command, std::string& why) {
    return ParseNumber(words[0], "zoom", 1, 3, command.number[0], why);
}

bool ParseTick(const Words& words, ScriptCommand& command, std::string& why) {
    command.number[0] = 1;
    return words.empty() || ParseNumber(words[0], "count", 0, kMaxTicksPerLine, command.number[0], why);
}

bool ParsePosition(const Words& words, ScriptCommand& command, std::string& why) {
    return ParseNumber(words[0], "x", 0, kScreenWidth - 1, command.number[0], why) &&
           ParseNumber(words[1], "y", 0, kScreenHeight - 1, command.number[1], why);
}

bool ParseTap(const Words& words, ScriptCommand& command, std::string& why) {
    if (!ParsePosition(words, command, why)) return false;
    command.number[2] = kTapDefaultTicks;
    return words.size() < 3 || ParseNumber(words[2], "ticks", 1, kMaxTapTicks, command.number[2], why);
}

bool ParseNothing(const Words&, ScriptCommand&, std::string&) { return true; }

bool ParseAnimation(const Words& words, ScriptCommand& command, std::string& why) {
    if (words[0] == "stop" && words.size() == 1) return true;
    if (words[0] == "start" && words.size() == 2) {
        command.number[0] = 1;
        command.path = std::string(words[1]);
        if (std::filesystem::path(command.path).filename().empty()) {
            why = "the file name " + Quoted(words[1]) + " names a folder";
            return false;
        }
        return true;
    }
    why = "usage: animation start FILE.gif | animation stop";
    return false;
}

bool ParseScreenshot(const Words& words, ScriptCommand& command, std::string& why) {
    command.path = std::string(words[0]);
    if (std::filesystem::path(command.path).filename().empty()) {
        why = "the file name " + Quoted(words[0]) + " names a folder";
        return false;
    }
    return true;
}

}  // namespace

// The execute steps; they reach into the runner, which befriends them.
struct RunnerVerbs {
    using Parse = bool (*)(const Words& words, ScriptCommand& command, std::string& why);
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
        const Canvas& canvas = runner.host_->GetCanvas();
        std::vector<std::uint32_t> rgb(static_cast<std::size_t>(canvas.Width()) * canvas.Height());
        for (int y = 0; y < canvas.Height(); ++y) {
            for (int x = 0; x < canvas.Width(); ++x) {
                rgb[static_cast<std::size_t>(y) * canvas.Width() + x] =
                    canvas.Pixels()[y * canvas.Stride() + x] & 0xFFFFFFu;
            }
        }
        return WritePng(command.path, canvas.Width(), canvas.Height(), rgb, why);
    }

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
            gif.Frame(runner.host_->Mirror(), runner.ticks_ * kTickMilliseconds);
            return true;
        }
        if (!gif.Recording()) {
            why = "no animation is being recorded";
            return false;
        }
        return gif.Stop(runner.ticks_ * kTickMilliseconds, why);
    }

    static const Rule* Find(std::string_view name);
    static const Rule& Of(Verb verb);
};

namespace {

const RunnerVerbs::Rule kRules[] = {
    {"clock", Verb::Clock, "YYYY-MM-DD HH:MM:SS", 2, 2, ParseClock, RunnerVerbs::Clock},
    {"zoom", Verb::Zoom, "1|2|3", 1, 1, ParseZoom, RunnerVerbs::Zoom},
    {"tick", Verb::Tick, "[N]", 0, 1, ParseTick, RunnerVerbs::Tick},
    {"press", Verb::Press, "X Y", 2, 2, ParsePosition, RunnerVerbs::Press},
    {"drag", Verb::Drag, "X Y", 2, 2, ParsePosition, RunnerVerbs::Drag},
    {"release", Verb::Release, "", 0, 0, ParseNothing, RunnerVerbs::Release},
    {"tap", Verb::Tap, "X Y [N]", 2, 3, ParseTap, RunnerVerbs::Tap},
    {"screenshot", Verb::Screenshot, "FILE.png", 1, 1, ParseScreenshot, RunnerVerbs::Screenshot},
    {"close", Verb::Close, "", 0, 0, ParseNothing, RunnerVerbs::Close},
    {"animation", Verb::Animation, "start FILE.gif | stop", 1, 2, ParseAnimation, RunnerVerbs::Animation},
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

// The words of one line, up to a word that starts with #.
Words SplitWords(std::string_view line) {
    Words words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size() || line[at] == '#') break;
        const std::size_t start = at;
        while (at < line.size() && !IsBlank(line[at])) ++at;
        words.push_back(line.substr(start, at - start));
    }
    return words;
}

}  // namespace

const RunnerVerbs::Rule* RunnerVerbs::Find(std::string_view name) {
    for (const Rule& rule : kRules) {
        if (rule.name == name) return &rule;
    }
    return nullptr;
}

const RunnerVerbs::Rule& RunnerVerbs::Of(Verb verb) {
    for (const Rule& rule : kRules) {
        if (rule.verb == verb) return rule;
    }
    return kRules[0];
}

std::string ScriptError::Text() const { return file + ":" + std::to_string(line) + ": " + message; }

Script ParseScript(std::string_view text, const std::string& file, std::vector<ScriptError>& errors) {
    Script script;
    script.file = file;
    const std::size_t firstError = errors.size();
    const auto fail = [&](int line, std::string message) {
        if (errors.size() - firstError < kMaxErrors) {
            errors.push_back({file, line, std::move(message)});
        } else if (errors.size() - firstError == kMaxErrors) {
            errors.push_back({file, line, "too many errors; the rest of the script was not checked"});
        }
    };
    int number = 0;
    int closedAt = 0;
    while (!text.empty() && errors.size() - firstError <= kMaxErrors) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        Words words = SplitWords(line);
        if (words.empty()) continue;
        const RunnerVerbs::Rule* rule = RunnerVerbs::Find(words[0]);
        if (rule == nullptr) {
            fail(number, "unknown command " + Quoted(words[0]) + " (commands: " + KnownVerbs() + ")");
            continue;
        }
        if (closedAt != 0) {
            fail(number, std::string(rule->name) + ": nothing can follow the close on line " +
                             std::to_string(closedAt));
            continue;
        }
        words.erase(words.begin());
        if (words.size() < rule->minWords) {
            fail(number, std::string(rule->name) + ": missing " +
                             (words.empty() ? "operands" : "an operand after " + Quoted(words.back())) + "; " +
                             Usage(*rule));
            continue;
        }
        if (words.size() > rule->maxWords) {
            fail(number, std::string(rule->name) + ": unexpected " + Quoted(words[rule->maxWords]) + "; " +
                             Usage(*rule));
            continue;
        }
        ScriptCommand command;
        command.verb = rule->verb;
        command.line = number;
        std::string why;
        if (!rule->parse(words, command, why)) {
            fail(number, std::string(rule->name) + ": " + why);
            continue;
        }
        if (rule->verb == Verb::Close) closedAt = number;
        script.commands.push_back(std::move(command));
    }
    return script;
}

void CheckScriptFiles(const Script& script, std::vector<ScriptError>& errors) {
    for (const ScriptCommand& command : script.commands) {
        if (command.verb != Verb::Screenshot && !(command.verb == Verb::Animation && command.number[0] == 1)) continue;
        const std::filesystem::path path(command.path);
        const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
        std::error_code ec;
        std::string problem;
        if (!std::filesystem::is_directory(folder, ec)) {
            problem = "the folder " + folder.string() + " does not exist";
        } else if (access(folder.c_str(), W_OK | X_OK) != 0) {
            problem = "the folder " + folder.string() + " cannot be written to";
        } else if (std::filesystem::is_directory(path, ec)) {
            problem = command.path + " is a folder";
        }
        if (!problem.empty()) {
            errors.push_back({script.file, command.line,
                              (command.verb == Verb::Animation ? "animation: " : "screenshot: ") + problem});
        }
    }
}

ScriptRunner::ScriptRunner() : clock_(std::make_unique<PinnedClock>()) {}
ScriptRunner::~ScriptRunner() = default;

PanelHost& ScriptRunner::Host() {
    EnsureStarted();
    return *host_;
}

void ScriptRunner::EnsureStarted() {
    if (host_) return;
    host_ = std::make_unique<PanelHost>(*clock_, kRunnerButtonFace);
    host_->Start();
    host_->SetZoom(1);
}

void ScriptRunner::Ticks(long count) {
    for (long i = 0; i < count && !closed_; ++i) {
        if (host_->Tick() == TickResult::Close) closed_ = true;
        ++ticks_;
        if (animation_ && animation_->Recording()) animation_->Frame(host_->Mirror(), ticks_ * kTickMilliseconds);
    }
}

ScriptStatus ScriptRunner::Execute(const Script& script, ScriptError& error) {
    for (const ScriptCommand& command : script.commands) {
        const RunnerVerbs::Rule& rule = RunnerVerbs::Of(command.verb);
        // The clock may be pinned before the firmware starts, so that the
        // start sequence already reads it.
        if (command.verb != Verb::Clock) EnsureStarted();
        std::string why;
        if (closed_ && command.verb != Verb::Clock) {
            why = "the window is closed; nothing can follow close";
        } else if (rule.execute(*this, command, why)) {
            continue;
        }
        error = {script.file, command.line, std::string(rule.name) + ": " + why};
        if (animation_) animation_->Abandon();
        return ScriptStatus::BadInput;
    }
    EnsureStarted();
    // A recording still running is written when the script ends.
    if (animation_ && animation_->Recording()) {
        std::string why;
        if (!animation_->Stop(ticks_ * kTickMilliseconds, why)) {
            error = {script.file, 0, "animation: " + why};
            return ScriptStatus::BadInput;
        }
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
