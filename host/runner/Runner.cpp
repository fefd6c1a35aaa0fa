#include "host/runner/Runner.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <utility>

#include "host/core/FileAccess.h"
#include "host/core/ScreenCapture.h"
#include "host/export/GifRecorder.h"
#include "host/export/PngWriter.h"
#include "host/runner/EngineMonitor.h"
#include "host/runner/RunnerGolden.h"
#include "host/runner/SettleWatch.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/dl/DisplayList.h"
#include "panel/hw/LcdQueue.h"

namespace {

constexpr long kMaxTicksPerLine = 10'000'000;
constexpr long kMaxTapTicks = 100'000;
// A wait without a time gives up after about 5 s of panel time.
constexpr long kDefaultWaitTicks = (5000 + kTickMilliseconds - 1) / kTickMilliseconds;
// A script with this many bad lines is probably not a script at all.
constexpr std::size_t kMaxErrors = 20;

// Standard output or error, written through at once so that what is printed
// and what is reported keep their order on a terminal.
class FileSink final : public TextSink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    void Write(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_;
};

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

bool ParseClock(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    return ParseWallTime(std::string(words[0]) + " " + std::string(words[1]), command.time, why);
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
    long ignored = 0;
    std::string unused;
    const bool point = ParseNumber(words[0], "x", LONG_MIN, LONG_MAX, ignored, unused);
    if (point) {
        if (words.size() < 2) {
            why = "missing an operand after " + Quoted(words[0]) + "; usage: tap X Y [N] | NAME | \"TEXT\" | row N";
            return false;
        }
        if (!ParsePosition("tap", words, command, why)) return false;
        command.number[2] = kTapHoldTicks;
        return words.size() < 3 || ParseNumber(words[2], "ticks", 1, kMaxTapTicks, command.number[2], why);
    }
    command.targeted = true;
    command.number[2] = kTapHoldTicks;
    if (words[0] == "row") {
        command.target.kind = SceneTarget::Kind::Row;
        if (words.size() != 2) {
            why = "usage: tap row N";
            return false;
        }
        long row = 0;
        if (!ParseNumber(words[1], "row", 1, 99, row, why)) return false;
        command.target.row = static_cast<int>(row);
        return true;
    }
    if (words.size() > 1) {
        why = "unexpected " + Quoted(words[1]) + " after the name; a text with blanks goes in double quotes";
        return false;
    }
    std::string word;
    const bool quoted = Unquote(words[0], word);
    return ParseSceneTarget(word, quoted, command.target, why);
}

// A panel time: N ticks, Ns (N.NNNs) or Nms.
bool ParseTimeout(std::string_view word, long& ticks, std::string& why) {
    std::string_view number = word;
    long scale = 0;  // milliseconds per unit; 0 for ticks
    if (number.size() > 2 && number.substr(number.size() - 2) == "ms") {
        scale = 1;
        number.remove_suffix(2);
    } else if (number.size() > 1 && number.back() == 's') {
        scale = 1000;
        number.remove_suffix(1);
    }
    const std::size_t dot = scale == 1000 ? number.find('.') : std::string_view::npos;
    const std::string_view whole = number.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : number.substr(dot + 1);
    long units = 0;
    long thousandths = 0;
    std::string unused;
    const bool digits = number.find_first_not_of("0123456789.") == std::string_view::npos;
    if (!digits || whole.empty() || !ParseNumber(whole, "time", 0, kMaxTicksPerLine, units, unused) ||
        fraction.size() > 3 || (dot != std::string_view::npos && fraction.empty()) ||
        (!fraction.empty() && !ParseNumber(fraction, "time", 0, 999, thousandths, unused))) {
        why = "the time " + Quoted(word) + " is not N (ticks), Ns or Nms";
        return false;
    }
    for (std::size_t i = fraction.size(); i < 3; ++i) thousandths *= 10;
    const long long ms = scale == 0 ? 0 : static_cast<long long>(units) * scale + (scale == 1000 ? thousandths : 0);
    const long long t = scale == 0 ? units : (ms + kTickMilliseconds - 1) / kTickMilliseconds;
    if (t > kMaxTicksPerLine) {
        why = "the time " + Quoted(word) + " is out of range (at most " + std::to_string(kMaxTicksPerLine) + " ticks)";
        return false;
    }
    ticks = static_cast<long>(t);
    return true;
}

bool ParseWait(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    const std::string_view what = words[0];
    command.timeout = kDefaultWaitTicks;
    std::size_t operands = 1;
    if (what == "page") {
        command.waitFor = WaitFor::Page;
        if (words.size() < 2) {
            why = "usage: wait page NAME [TIMEOUT]";
            return false;
        }
        const int page = FindPage(words[1]);
        if (page < 0) {
            why = "no page " + Quoted(words[1]) + " (a page's number 0.." + std::to_string(kPageCount - 1) +
                  " or name, as print page shows it)";
            return false;
        }
        command.number[0] = page;
        operands = 2;
    } else if (what == "text" || what == "gone") {
        command.waitFor = what == "text" ? WaitFor::Text : WaitFor::Gone;
        if (words.size() < 2) {
            why = "usage: wait " + std::string(what) + " \"TEXT\"|NAME [TIMEOUT]";
            return false;
        }
        std::string word;
        const bool quoted = Unquote(words[1], word);
        if (!ParseSceneTarget(word, quoted, command.target, why)) return false;
        operands = 2;
    } else if (what == "settled") {
        command.waitFor = WaitFor::Settled;
    } else {
        why = "cannot wait for " + Quoted(what) +
              "; usage: wait page NAME | text \"TEXT\" | gone \"TEXT\" | settled, "
              "then an optional TIMEOUT";
        return false;
    }
    if (words.size() > operands + 1) {
        why = "unexpected " + Quoted(words[operands + 1]);
        return false;
    }
    return words.size() == operands || ParseTimeout(words[operands], command.timeout, why);
}

// X Y W H from words[at], a region of the panel.
bool ParseRegion(const Words& words, std::size_t at, SceneBox& box, std::string& why) {
    if (words.size() < at + 4) {
        why = "a region is X Y W H";
        return false;
    }
    long v[4] = {};
    if (!ParseNumber(words[at], "x", 0, kScreenWidth - 1, v[0], why) ||
        !ParseNumber(words[at + 1], "y", 0, kScreenHeight - 1, v[1], why) ||
        !ParseNumber(words[at + 2], "width", 1, kScreenWidth, v[2], why) ||
        !ParseNumber(words[at + 3], "height", 1, kScreenHeight, v[3], why)) {
        return false;
    }
    box = {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3])};
    return true;
}

bool ParseMask(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    if (words.size() == 1 && words[0] == "none") return true;
    if (words.size() == 1 && words[0] == "animations") {
        command.number[0] = 1;
        return true;
    }
    SceneBox box;
    if (words.size() != 4 || !ParseRegion(words, 0, box, why)) {
        if (why.empty() || words.size() != 4) why = "usage: mask X Y W H | mask animations | mask none";
        return false;
    }
    command.masks.push_back(box);
    return true;
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

bool ParseTrace(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    if (words[0] == "stop" && words.size() == 1) return true;
    if (words[0] == "start" && words.size() == 2) {
        command.number[0] = 1;
        return ParsePngName(words[1], command.path, why);
    }
    why = "usage: trace start FILE.json | trace stop";
    return false;
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
    if (verb == "print" && words.size() == 1 && words[0] == "scene") {
        command.verb = Verb::PrintScene;
        return true;
    }
    if (verb == "print" && words.size() == 1 && words[0] == "engine") {
        command.verb = Verb::PrintEngine;
        return true;
    }
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

bool ExpectUsage(const char* usage, std::string& why) {
    why = "usage: expect " + std::string(usage);
    return false;
}

// expect [no] text "TEXT"|NAME [in X Y W H]
bool ParseExpectText(const Words& words, ScriptCommand& command, std::string& why) {
    const bool no = words[0] == "no";
    command.expect = no ? Expectation::NoText : Expectation::Text;
    const std::size_t at = no ? 2 : 1;
    const char* usage = no ? "no text \"TEXT\"|NAME [in X Y W H]" : "text \"TEXT\"|NAME [in X Y W H]";
    if (words.size() != at + 1 && words.size() != at + 6) return ExpectUsage(usage, why);
    std::string word;
    const bool quoted = Unquote(words[at], word);
    if (!ParseSceneTarget(word, quoted, command.target, why)) return false;
    if (command.target.kind == SceneTarget::Kind::Name) {
        why = "'" + word + "' is a picture; a text goes in double quotes or is named as the panel names it";
        return false;
    }
    command.text = word;
    if (words.size() == at + 1) return true;
    if (words[at + 1] != "in") return ExpectUsage(usage, why);
    command.hasRegion = true;
    return ParseRegion(words, at + 2, command.region, why);
}

constexpr const char* kScreenUsage = "screen FILE.png [TOLERANCE] [mask X Y W H | mask animations ...]";

// expect screen FILE.png [TOLERANCE] [mask X Y W H | mask animations ...]
bool ParseExpectScreen(const Words& words, ScriptCommand& command, std::string& why) {
    command.expect = Expectation::Screen;
    command.number[0] = 0;
    if (!ParsePngName(words[1], command.path, why)) return false;
    std::size_t at = 2;
    if (at < words.size() && words[at] != "mask") {
        if (!ParseNumber(words[at], "tolerance", 0, Canvas::kMaxWidth * Canvas::kMaxHeight, command.number[0], why)) {
            return false;
        }
        ++at;
    }
    while (at < words.size()) {
        SceneBox box;
        if (words[at] != "mask") return ExpectUsage(kScreenUsage, why);
        if (at + 1 < words.size() && words[at + 1] == "animations") {
            command.number[1] = 1;
            at += 2;
            continue;
        }
        if (!ParseRegion(words, at + 1, box, why)) return false;
        command.masks.push_back(box);
        at += 5;
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
        if (!wants(1, 1, "page NAME")) return false;
        command.number[0] = FindPage(words[1]);
        if (command.number[0] >= 0) return true;
        why = "no page " + Quoted(words[1]) + " (a page's number 0.." + std::to_string(kPageCount - 1) +
              " or name, as print page shows it)";
        return false;
    }
    if (what == "text" || (what == "no" && operands >= 1 && words[1] == "text")) {
        return ParseExpectText(words, command, why);
    }
    if (what == "pixel") {
        command.expect = Expectation::Pixel;
        return wants(3, 3, "pixel X Y #RRGGBB") &&
               ParseNumber(words[1], "x", 0, kScreenWidth - 1, command.number[0], why) &&
               ParseNumber(words[2], "y", 0, kScreenHeight - 1, command.number[1], why) &&
               ParseColour(words[3], command.number[2], why);
    }
    if (what == "screen") return wants(1, 64, kScreenUsage) && ParseExpectScreen(words, command, why);
    if (what == "clock") {
        command.expect = Expectation::Clock;
        if (!wants(2, 2, "clock YYYY-MM-DD HH:MM:SS")) return false;
        if (!ParseWallTime(std::string(words[1]) + " " + std::string(words[2]), command.time, why)) return false;
        command.text = FormatWallTime(command.time);
        return true;
    }
    if (!PlantModel::Find(what)) {
        why = "cannot check " + Quoted(what) + "; checks: page, pixel, screen, clock, text, no text, " +
              PlantModel::NameList();
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
        // The verb's lines in --help: each form padded to the description's
        // column; empty for a verb that --help does not list.
        std::string_view help;
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
        runner.Press(static_cast<int>(command.number[0]), static_cast<int>(command.number[1]));
        return true;
    }

    static bool Drag(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        runner.Drag(static_cast<int>(command.number[0]), static_cast<int>(command.number[1]));
        return true;
    }

    static bool Release(ScriptRunner& runner, const ScriptCommand&, std::string&) {
        runner.Release();
        return true;
    }

    static bool Tap(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        if (command.targeted) return TapTarget(runner, command);
        runner.Tap(static_cast<int>(command.number[0]), static_cast<int>(command.number[1]), command.number[2]);
        return true;
    }

    static bool Screenshot(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        const ScreenImage image =
            CaptureScreen(*runner.host_, static_cast<int>(command.number[0]), runner.options_.showTouches);
        return WritePng(command.path, image.width, image.height, image.rgb, why);
    }

    // A target is tapped once it is drawn and the page has finished drawing,
    // as a finger would wait for it; one that never comes ends the script.
    static bool TargetSettled(const std::vector<const SceneElement*>& found) {
        return found.size() > 1 || (found.size() == 1 && DlBytesUsed() == 0);
    }

    static bool TapTarget(ScriptRunner& runner, const ScriptCommand& command) {
        const Scene& scene = runner.host_->GetScene();
        std::vector<const SceneElement*> found;
        runner.TickUntil(kDefaultWaitTicks, [&] {
            found = FindTargets(scene, command.target);
            return TargetSettled(found);
        });
        if (found.size() != 1) {
            runner.Fail(command, TargetProblem(scene, command.target, found.size()));
            runner.halted_ = true;
            return true;
        }
        runner.Tap(found[0]->box.CentreX(), found[0]->box.CentreY(), command.number[2]);
        return true;
    }

    static bool Shows(ScriptRunner& runner, const ScriptCommand& command) {
        const Scene& scene = runner.host_->GetScene();
        const SceneBox* region = command.hasRegion ? &command.region : nullptr;
        if (command.target.kind == SceneTarget::Kind::TextName)
            return ShowsTextId(scene, command.target.textId, region);
        return ShowsText(scene, command.target.value, region);
    }

    static std::string Seen(ScriptRunner& runner) {
        std::string texts;
        for (const std::string& text : ShownTexts(runner.host_->GetScene())) {
            texts += (texts.empty() ? "'" : ", '") + text + "'";
        }
        return "page " + DescribePage() + " shows " + (texts.empty() ? "no text" : texts);
    }

    // What a wait waits for, and its name in the message when it never comes.
    static std::function<bool()> WaitCondition(ScriptRunner& runner, const ScriptCommand& command, std::string& what) {
        std::function<bool()> reached;
        switch (command.waitFor) {
            case WaitFor::Page:
                // Shown means drawn: the page is current and nothing of it waits.
                reached = [&] { return AppState.currentPage == command.number[0] && DlBytesUsed() == 0; };
                what = "page " + PageSlug(static_cast<std::uint8_t>(command.number[0]));
                break;
            case WaitFor::Text:
                reached = [&] { return Shows(runner, command); };
                what = DescribeTarget(command.target);
                break;
            case WaitFor::Gone:
                reached = [&] { return !Shows(runner, command); };
                what = DescribeTarget(command.target) + " to go";
                break;
            case WaitFor::Settled: {
                auto watch = std::make_shared<SettleWatch>(kSettledTicks);
                reached = [&runner, watch] { return watch->Settled(*runner.host_); };
                what = "the screen to settle";
                break;
            }
        }
        return reached;
    }

    static void WaitMissed(ScriptRunner& runner, const ScriptCommand& command, const std::string& what) {
        std::string seen = Seen(runner);
        if (command.waitFor == WaitFor::Settled) seen = "it kept changing; " + seen;
        runner.Fail(command,
                    "waited " + std::to_string(command.timeout * kTickMilliseconds) + " ms for " + what + "; " + seen);
    }

    static bool Wait(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        std::string what;
        if (!runner.TickUntil(command.timeout, WaitCondition(runner, command, what))) WaitMissed(runner, command, what);
        return true;
    }

    static bool Mask(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        if (command.number[0] == 1) {
            runner.maskAnimations_ = true;
        } else if (command.masks.empty()) {
            runner.masks_.clear();
            runner.maskAnimations_ = false;
        } else {
            runner.masks_.insert(runner.masks_.end(), command.masks.begin(), command.masks.end());
        }
        return true;
    }

    static bool PrintScene(ScriptRunner& runner, const ScriptCommand&, std::string&) {
        runner.Out().Write(runner.host_->GetScene().Json() + "\n");
        return true;
    }

    static bool PrintEngine(ScriptRunner& runner, const ScriptCommand&, std::string&) {
        const EngineMonitor* engine = runner.engine_.get();
        const EngineTick* last =
            engine != nullptr && engine->Recording() && engine->Last().tick != 0 ? &engine->Last() : nullptr;
        for (const auto& [name, value] : EngineFigures(*runner.host_, last))
            runner.Out().Write(name + " = " + value + "\n");
        return true;
    }

    static bool Trace(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        if (!runner.engine_) runner.engine_ = std::make_unique<EngineMonitor>(*runner.host_);
        if (command.number[0] == 1) return runner.engine_->StartTrace(command.path, why);
        return runner.engine_->StopTrace(why);
    }

    static bool Plant(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        if (command.verb == Verb::PrintScene) return PrintScene(runner, command, why);
        if (command.verb == Verb::PrintEngine) return PrintEngine(runner, command, why);
        PlantCommandContext context{runner.plant_, runner.Out(), &runner.clock_->now};
        return ExecutePlantCommand(command.plant, context, why);
    }

    static bool Expect(ScriptRunner& runner, const ScriptCommand& command, std::string& why);
    static bool ExpectScreen(ScriptRunner& runner, const ScriptCommand& command, std::string& why);

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
            gif.Frame(*runner.host_, runner.ticks_ * kTickMilliseconds, runner.options_.showTouches);
            return true;
        }
        if (!gif.Recording()) {
            why = "no animation is being recorded";
            return false;
        }
        return gif.Stop(runner.ticks_ * kTickMilliseconds, why);
    }

    // A repeat holds the index of its } and the } that of its repeat; the
    // loop of Execute steps past the index an execute step leaves.
    static bool Repeat(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        if (command.number[0] == 0) {
            runner.commandIndex_ = static_cast<std::size_t>(command.number[1]);
        } else {
            runner.loops_.push_back(command.number[0]);
        }
        return true;
    }

    static bool EndRepeat(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
        if (runner.loops_.empty()) {
            why = "no repeat is being played";
            return false;
        }
        if (--runner.loops_.back() > 0) {
            runner.commandIndex_ = static_cast<std::size_t>(command.number[0]);
        } else {
            runner.loops_.pop_back();
        }
        return true;
    }

    static bool At(ScriptRunner& runner, const ScriptCommand& command, std::string&) {
        // Kept in the order of their times, and in script order at the same time.
        const std::int64_t when = runner.scriptStart_ + command.number[0];
        auto& timed = runner.timed_;
        timed.emplace(std::find_if(timed.begin(), timed.end(), [when](const auto& t) { return t.first > when; }), when,
                      command.then);
        return true;
    }

    static const Rule* Find(std::string_view name);
    static const Rule& Of(const ScriptCommand& command);
};

namespace {

bool ParseAt(std::string_view verb, const Words& words, ScriptCommand& command, std::string& why);

// Every verb of a script, in the order --help lists them: the parser, the
// player, the usage in messages and --help read it here (the README's table
// is checked against it). The web page has no --help and carries no help text.
#ifdef __EMSCRIPTEN__
#define HELP(text) ""
#else
#define HELP(text) text
#endif
const RunnerVerbs::Rule kRules[] = {
    {"clock", Verb::Clock, "YYYY-MM-DD HH:MM:SS", 2, 2, ParseClock, RunnerVerbs::Clock,
     HELP("  clock YYYY-MM-DD HH:MM:SS   pin the wall clock (default 2011-04-15 12:00:00)\n")},
    {"zoom", Verb::Zoom, "1|2|3", 1, 1, ParseZoom, RunnerVerbs::Zoom,
     HELP("  zoom 1|2|3                  pick a zoom, as the popup menu does\n")},
    {"tick", Verb::Tick, "[N]", 0, 1, ParseTick, RunnerVerbs::Tick,
     HELP("  tick [N]                    run N ticks of 12 ms (default 1, at most 10000000)\n")},
    {"press", Verb::Press, "X Y", 2, 2, ParsePosition, RunnerVerbs::Press,
     HELP("  press X Y                   put the finger down at panel pixel X 0..319, Y 0..239\n")},
    {"drag", Verb::Drag, "X Y", 2, 2, ParsePosition, RunnerVerbs::Drag,
     HELP("  drag X Y                    move the held finger\n")},
    {"release", Verb::Release, "", 0, 0, ParseNothing, RunnerVerbs::Release,
     HELP("  release                     lift the finger\n")},
    {"tap", Verb::Tap, "X Y [N] | NAME | \"TEXT\" | row N", 1, 3, ParseTap, RunnerVerbs::Tap,
     HELP("  tap X Y [N]                 press for N ticks (default 3), release, 3 more ticks\n"
          "  tap NAME | \"TEXT\" | row N   tap a button by its picture (menu, pencil, lamp ...), a text\n"
          "                              or a list row, once it is drawn\n")},
    {"wait", Verb::Wait, "page NAME | text \"TEXT\" | gone \"TEXT\" | settled, then [TIMEOUT]", 1, 3, ParseWait,
     RunnerVerbs::Wait,
     HELP("  wait page NAME [TIMEOUT]    tick until the page is shown (TIMEOUT: N ticks, Ns or Nms;\n"
          "                              default 5 s); also wait text \"TEXT\", wait gone \"TEXT\",\n"
          "                              wait settled (nothing but animations moves)\n")},
    {"mask", Verb::Mask, "X Y W H | animations | none", 1, 4, ParseMask, RunnerVerbs::Mask,
     HELP("  mask X Y W H|animations|none  leave a region out of later screen checks\n")},
    {"screenshot", Verb::Screenshot, "FILE.png [ZOOM]", 1, 2, ParseScreenshot, RunnerVerbs::Screenshot,
     HELP("  screenshot FILE.png [ZOOM]  write what the window shows, at its zoom or at ZOOM 1..3\n")},
    {"close", Verb::Close, "", 0, 0, ParseNothing, RunnerVerbs::Close,
     HELP("  close                       ask the window to close and run the closing ticks\n")},
    // `include` is taken apart while parsing; it never reaches execution.
    {"include", Verb::Tick, "FILE", 1, 1, nullptr, nullptr,
     HELP("  include FILE                play another script's lines (FILE is relative to this script)\n")},
    // Blocks are taken apart while parsing (see TakeBlockWords); these rows play them.
    {"repeat", Verb::Repeat, "N { ... } | N COMMAND", 2, 64, ParseNothing, RunnerVerbs::Repeat,
     HELP("  repeat N { ... }            the commands up to the matching } N times (repeat N CMD: one)\n")},
    {"}", Verb::Repeat, "", 0, 0, ParseNothing, RunnerVerbs::EndRepeat, ""},
    {"set", Verb::PlantChange, "NAME VALUE", 2, 2, ParsePlant, RunnerVerbs::Plant,
     HELP("  set NAME VALUE              set a plant value (set collector 95.5, set frost on)\n")},
    {"fault", Verb::PlantChange, "CODE|clear", 1, 1, ParsePlant, RunnerVerbs::Plant,
     HELP("  fault CODE|clear            raise fault CODE 1..50, or clear the fault (fault 0 clears too)\n")},
    {"history", Verb::PlantChange, "add CODE [YYYY-MM-DD HH:MM:SS] | delete N | clear", 1, 4, ParsePlant,
     RunnerVerbs::Plant,
     HELP("  history add CODE [YYYY-MM-DD HH:MM:SS]   a fault-history entry with the current readings\n"
          "  history delete N|clear      empty entry N (1 the newest .. 5), or every entry\n")},
    {"reset", Verb::PlantChange, "plant", 1, 1, ParsePlant, RunnerVerbs::Plant,
     HELP("  reset plant                 every plant value back to its start value\n")},
    {"print", Verb::PlantChange, "NAME|page|clock|all|scene|engine", 1, 1, ParsePlant, RunnerVerbs::Plant,
     HELP("  print NAME|page|clock|all   write NAME = VALUE lines to standard output\n"
          "  print scene                 what the screen shows, as JSON\n"
          "  print engine                the drawing engine's figures as NAME = VALUE lines\n")},
    {"state", Verb::PlantChange, "save|load FILE", 2, 2, ParsePlant, RunnerVerbs::Plant,
     HELP("  state save FILE|load FILE   the plant, settings, histories and clock as JSON\n")},
    {"at", Verb::At, "TIME set|fault|history|reset ...", 2, 6, ParseAt, RunnerVerbs::At,
     HELP("  at TIME COMMAND             a plant change (set, fault, history, reset) made once TIME\n"
          "                              (as a wait's TIMEOUT) has passed since the script began\n")},
    {"expect", Verb::Expect,
     "page NAME | pixel X Y #RRGGBB | text \"TEXT\" [in X Y W H] | no text \"TEXT\" [in X Y W H] | "
     "screen FILE.png [TOLERANCE] [mask X Y W H ...] | NAME VALUE",
     2, 64, ParseExpect, RunnerVerbs::Expect,
     HELP("Checks (a failed one is reported and the script goes on):\n"
          "  expect page NAME            the page shown (a name as print page prints it, or 0..45)\n"
          "  expect text \"TEXT\" [in X Y W H]   the screen says it (also: expect no text ...)\n"
          "  expect pixel X Y #RRGGBB    the panel pixel shows this colour\n"
          "  expect NAME VALUE           a plant value, as print knows it (expect collector 95.5)\n"
          "  expect clock YYYY-MM-DD HH:MM:SS\n"
          "  expect screen FILE.png [TOLERANCE] [mask X Y W H ...]\n"
          "                              the window matches the golden image beside the script,\n"
          "                              up to TOLERANCE differing pixels (default 0); on failure\n"
          "                              FILE.actual.png and FILE.diff.png are written beside it\n")},
    {"animation", Verb::Animation, "start FILE.gif | stop", 1, 2, ParseAnimation, RunnerVerbs::Animation,
     HELP("  animation start FILE.gif    record the panel as an animated GIF (changed frames, real timing)\n"
          "  animation stop              write it (a recording still running is written at the end)\n")},
    {"trace", Verb::Trace, "start FILE.json | stop", 1, 2, ParseTrace, RunnerVerbs::Trace,
     HELP("  trace start FILE.json       record the drawing engine tick by tick as a trace (Chrome Trace\n"
          "                              Event Format: open it in the Perfetto UI)\n"
          "  trace stop                  write it (a trace still running is written at the end)\n")},
};

#undef HELP

std::string Usage(const RunnerVerbs::Rule& rule) {
    return "usage: " + std::string(rule.name) + (rule.operands.empty() ? "" : " ") + std::string(rule.operands);
}

std::string KnownVerbs() {
    std::string names;
    for (const RunnerVerbs::Rule& rule : kRules) {
        if (rule.name != "}") names += (names.empty() ? "" : ", ") + std::string(rule.name);
    }
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

std::vector<std::string_view> ScriptVerbs() {
    std::vector<std::string_view> names;
    for (const RunnerVerbs::Rule& rule : kRules) names.push_back(rule.name);
    return names;
}

std::string ScriptVerbHelp() {
    std::string help;
    for (const RunnerVerbs::Rule& rule : kRules) help += rule.help;
    return help;
}

namespace {

// `at TIME COMMAND`: the command is one of the plant changes, checked now.
bool ParseAt(std::string_view, const Words& words, ScriptCommand& command, std::string& why) {
    if (!ParseTimeout(words[0], command.number[0], why)) return false;
    const RunnerVerbs::Rule* rule = RunnerVerbs::Find(words[1]);
    const std::string_view name = words[1];
    if (rule == nullptr || rule->verb != Verb::PlantChange || name == "print" || name == "state") {
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
    for (std::size_t i = 1; i < words.size(); ++i) then->source += (i > 1 ? " " : "") + std::string(words[i]);
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
    // The repeats whose } has not come yet, innermost last.
    struct Block {
        std::size_t index;  // of the repeat command
        std::string file;
        int line;
        int closedAt;  // the close seen before the block opened
    };
    std::vector<Block> blocks;
    int endsAfterLine = 0;  // blocks that end with the line being parsed
    int endsOnLine = 0;

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

constexpr long kMaxRepeat = 1'000'000;
constexpr std::size_t kMaxBlocks = 16;

ScriptCommand BlockCommand(std::string_view name, const std::string& file, int line) {
    ScriptCommand command;
    const RunnerVerbs::Rule* rule = RunnerVerbs::Find(name);
    command.verb = Verb::Repeat;
    command.rule = static_cast<std::uint8_t>(rule - kRules);
    command.file = file;
    command.line = line;
    return command;
}

void CloseBlock(const std::string& file, int line, Parsing& parsing) {
    if (parsing.blocks.empty() || parsing.blocks.back().file != file) {
        parsing.Fail(file, line, "}: no repeat { of this script is open");
        return;
    }
    const Parsing::Block block = parsing.blocks.back();
    parsing.blocks.pop_back();
    std::vector<ScriptCommand>& commands = parsing.script.commands;
    ScriptCommand end = BlockCommand("}", file, line);
    end.number[0] = static_cast<long>(block.index);
    end.source = "}";
    commands[block.index].number[1] = static_cast<long>(commands.size());
    if (parsing.closedAt != block.closedAt && commands[block.index].number[0] != 1) {
        parsing.Fail(parsing.closedIn, parsing.closedAt,
                     "close: nothing can follow the close, so it cannot be repeated (repeat on line " +
                         std::to_string(block.line) + ")");
    }
    commands.push_back(std::move(end));
}

// The blocks that the line just parsed ended (repeat N COMMAND, or a } at
// its end).
void EndBlocksOfLine(const std::string& file, Parsing& parsing) {
    for (; parsing.endsAfterLine > 0; --parsing.endsAfterLine) CloseBlock(file, parsing.endsOnLine, parsing);
}

// Takes the words of blocks off a line: "repeat N {" and "}" at its front,
// "repeat N" before a command, and "}" at its end. False when nothing is left
// to parse (or the words were wrong, which is reported).
bool TakeBlockWords(Words& words, const std::string& file, int line, Parsing& parsing) {
    parsing.endsOnLine = line;
    while (!words.empty() && (words[0] == "}" || words[0] == "repeat")) {
        if (words[0] == "}") {
            CloseBlock(file, line, parsing);
            words.erase(words.begin());
            continue;
        }
        const bool block = words.size() >= 3 && words[2] == "{";
        long count = 0;
        std::string why;
        if (words.size() < 3) {
            parsing.Fail(file, line, "repeat: missing operands; usage: repeat N { ... } | repeat N COMMAND");
            return false;
        }
        if (!ParseNumber(words[1], "count", 0, kMaxRepeat, count, why)) {
            parsing.Fail(file, line, "repeat: " + why);
            return false;
        }
        if (parsing.blocks.size() >= kMaxBlocks) {
            parsing.Fail(file, line, "repeat: more than " + std::to_string(kMaxBlocks) + " repeats inside each other");
            return false;
        }
        ScriptCommand repeat = BlockCommand("repeat", file, line);
        repeat.number[0] = count;
        repeat.source = std::string(words[0]) + " " + std::string(words[1]) + (block ? " {" : "");
        parsing.blocks.push_back({parsing.script.commands.size(), file, line, parsing.closedAt});
        parsing.script.commands.push_back(std::move(repeat));
        if (!block) ++parsing.endsAfterLine;
        words.erase(words.begin(), words.begin() + (block ? 3 : 2));
    }
    while (!words.empty() && words.back() == "}") {
        words.pop_back();
        ++parsing.endsAfterLine;
    }
    return !words.empty();
}

void ParseInto(std::string_view text, const std::string& file, int depth, Parsing& parsing);

bool OperandsFit(const RunnerVerbs::Rule& rule, const Words& words, const std::string& file, int number,
                 Parsing& parsing) {
    if (words.size() < rule.minWords) {
        parsing.Fail(file, number,
                     std::string(rule.name) + ": missing " +
                         (words.empty() ? "operands" : "an operand after " + Quoted(words.back())) + "; " +
                         Usage(rule));
        return false;
    }
    if (words.size() > rule.maxWords) {
        parsing.Fail(file, number,
                     std::string(rule.name) + ": unexpected " + Quoted(words[rule.maxWords]) + "; " + Usage(rule));
        return false;
    }
    return true;
}

// include FILE: the lines of FILE, named relative to the including script.
void ParseInclude(std::string_view operand, const std::string& file, int number, int depth, Parsing& parsing) {
    std::string name;
    Unquote(operand, name);
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
}

void AddCommand(const RunnerVerbs::Rule& rule, std::string_view verb, const Words& words, std::string_view line,
                const std::string& file, int number, Parsing& parsing) {
    ScriptCommand command;
    command.verb = rule.verb;
    command.rule = static_cast<std::uint8_t>(&rule - kRules);
    command.line = number;
    command.file = file;
    command.source = std::string(line);
    std::string why;
    if (!rule.parse(verb, words, command, why)) {
        parsing.Fail(file, number, std::string(rule.name) + ": " + why);
        return;
    }
    // A golden image lives beside the script that names it, and so does
    // the state that a recorded scenario starts from.
    if (command.verb == Verb::Expect && command.expect == Expectation::Screen) {
        command.path = (FolderOf(file) / command.path).string();
    }
    if (command.verb == Verb::PlantChange && command.plant.verb == PlantVerb::StateLoad) {
        command.plant.path = (FolderOf(file) / command.plant.path).string();
    }
    if (rule.verb == Verb::Close) {
        parsing.closedAt = number;
        parsing.closedIn = file;
    }
    parsing.script.commands.push_back(std::move(command));
}

void ParseInto(std::string_view text, const std::string& file, int depth, Parsing& parsing) {
    int number = 0;
    // Editors on Windows start a UTF-8 file with a byte-order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    // The blocks of this file begin and end in it; a repeat of the including
    // line ends after the include.
    const std::size_t blocksBefore = parsing.blocks.size();
    const int includingEnds = std::exchange(parsing.endsAfterLine, 0);
    const int includingLine = parsing.endsOnLine;
    while (!text.empty() && !parsing.Full()) {
        EndBlocksOfLine(file, parsing);
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
        if (words.empty() || !TakeBlockWords(words, file, number, parsing)) continue;
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
        if (!OperandsFit(*rule, words, file, number, parsing)) continue;
        if (rule->parse == nullptr) {  // include
            ParseInclude(words[0], file, number, depth, parsing);
            continue;
        }
        AddCommand(*rule, verb, words, line, file, number, parsing);
    }
    EndBlocksOfLine(file, parsing);
    while (parsing.blocks.size() > blocksBefore && !parsing.Full()) {
        const Parsing::Block& open = parsing.blocks.back();
        parsing.Fail(file, open.line, "repeat: the { has no matching }");
        parsing.blocks.pop_back();
    }
    parsing.endsAfterLine = includingEnds;
    parsing.endsOnLine = includingLine;
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
    if (ReadInputFile(path, text, why)) return true;
    if (why == "it is a folder") why = "is a folder, not a script";
    return false;
}

Script ParseScript(std::string_view text, const std::string& file, std::vector<ScriptError>& errors) {
    Script script;
    script.file = file;
    Parsing parsing{script, errors, errors.size(), 0, {}, {}, 0, 0};
    ParseInto(text, file, 0, parsing);
    return script;
}

void CheckScriptFiles(const Script& script, std::vector<ScriptError>& errors) {
    for (const ScriptCommand& command : script.commands) {
        const bool animation = command.verb == Verb::Animation && command.number[0] == 1;
        const bool trace = command.verb == Verb::Trace && command.number[0] == 1;
        if (command.verb != Verb::Screenshot && !animation && !trace) continue;
        const std::string problem = WriteProblem(command.path);
        if (!problem.empty()) {
            const char* verb = animation ? "animation: " : trace ? "trace: " : "screenshot: ";
            errors.push_back({command.file, command.line, verb + problem});
        }
    }
}

bool RunnerVerbs::Expect(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
    std::string expected;
    std::string got;
    switch (command.expect) {
        case Expectation::Page:
            if (AppState.currentPage == command.number[0]) return true;
            expected = "page " + std::to_string(command.number[0]) + " " +
                       PageSlug(static_cast<std::uint8_t>(command.number[0]));
            got = DescribePage();
            break;
        case Expectation::Text:
        case Expectation::NoText: {
            const bool shown = Shows(runner, command);
            if (shown == (command.expect == Expectation::Text)) return true;
            expected = std::string(shown ? "no " : "") + DescribeTarget(command.target);
            if (command.hasRegion) {
                expected += " in " + std::to_string(command.region.x) + " " + std::to_string(command.region.y) + " " +
                            std::to_string(command.region.width) + " " + std::to_string(command.region.height);
            }
            got = Seen(runner);
            break;
        }
        case Expectation::Pixel: {
            const std::uint32_t shown =
                CaptureScreen(*runner.host_, 1)
                    .At(static_cast<int>(command.number[0]), static_cast<int>(command.number[1]));
            if (shown == static_cast<std::uint32_t>(command.number[2])) return true;
            expected = "pixel " + std::to_string(command.number[0]) + " " + std::to_string(command.number[1]) + " " +
                       Hex(static_cast<std::uint32_t>(command.number[2]));
            got = Hex(shown);
            break;
        }
        case Expectation::Value: {
            const PlantModel& plant = runner.plant_;
            const int entry = command.value.entry;
            const std::string now = plant.Format(entry);
            const bool absent = now == "absent";
            if (command.value.absent ? absent : (!absent && plant.Get(entry) == command.value.value)) return true;
            expected = std::string(PlantModel::Entries()[static_cast<std::size_t>(entry)].name) + " " + command.text;
            got = now;
            break;
        }
        case Expectation::Clock: {
            const std::string now = FormatWallTime(runner.clock_->now);
            if (now == command.text) return true;
            expected = "clock " + command.text;
            got = now;
            break;
        }
        case Expectation::Screen: return ExpectScreen(runner, command, why);
    }
    runner.Fail(command, "expected " + expected + ", got " + got);
    return true;
}

bool RunnerVerbs::ExpectScreen(ScriptRunner& runner, const ScriptCommand& command, std::string& why) {
    const ScreenImage shown = CaptureScreen(*runner.host_);
    GoldenCheck check{command.path,         command.number[0],         runner.options_.update,
                      runner.host_->Zoom(), runner.options_.artifacts, runner.masks_};
    check.masks.insert(check.masks.end(), command.masks.begin(), command.masks.end());
    if (runner.maskAnimations_ || command.number[1] == 1) {
        const std::vector<SceneBox> animated = runner.host_->GetScene().AnimatedBoxes();
        check.masks.insert(check.masks.end(), animated.begin(), animated.end());
    }
    std::string message;
    switch (CompareWithGolden(check, shown.rgb, shown.width, shown.height, message)) {
        case GoldenVerdict::Matches: return true;
        case GoldenVerdict::Differs: runner.Fail(command, message); return true;
        case GoldenVerdict::CannotCheck: break;
    }
    why = message;
    return false;
}

ScriptRunner::ScriptRunner(RunnerOptions options) : options_(std::move(options)) {}
ScriptRunner::~ScriptRunner() { EndProgress(); }

TextSink& ScriptRunner::Out() {
    static FileSink standardOutput(stdout);
    return options_.out != nullptr ? *options_.out : standardOutput;
}

void ScriptRunner::FireTimed() {
    const std::int64_t now = ticks_;
    while (!timed_.empty() && timed_.front().first <= now) {
        const std::shared_ptr<const ScriptCommand> command = timed_.front().second;
        timed_.erase(timed_.begin());
        PlantCommandContext context{plant_, Out(), &clock_->now};
        std::string why;
        ExecutePlantCommand(command->plant, context, why);  // plant changes only: nothing to fail
    }
}

void ScriptRunner::BeforeTicks() { FireTimed(); }

bool ScriptRunner::BeforeTick(long done, long count) {
    if (StopRequested()) {
        stoppedAtTick_ = done;
        stoppedOfTicks_ = count;
        return false;
    }
    if (options_.beforeTick) options_.beforeTick();
    return true;
}

void ScriptRunner::AfterTick(long done, long count) {
    if (options_.progress && (done & 255) == 255) {
        ticksDone_ = done + 1;
        ticksAsked_ = count;
        ShowProgress(false);
    }
    ++ticks_;
    if (animation_ && animation_->Recording())
        animation_->Frame(*host_, ticks_ * kTickMilliseconds, options_.showTouches);
    if (options_.afterTick) options_.afterTick(host_->Mirror(), ticks_ * kTickMilliseconds, host_->Damage());
    FireTimed();
}

bool ScriptRunner::PlayCommand(const ScriptCommand& command, std::string& why) {
    return RunnerVerbs::Of(command).execute(*this, command, why);
}

bool ScriptRunner::Reached(const ScriptCommand& command, int& x, int& y) {
    if (command.verb == Verb::Tap) {
        const std::vector<const SceneElement*> found = FindTargets(host_->GetScene(), command.target);
        if (!RunnerVerbs::TargetSettled(found)) return false;
        if (found.size() != 1) return true;  // twice: Missed says so at once
        x = found[0]->box.CentreX();
        y = found[0]->box.CentreY();
        return true;
    }
    // A settle watch counts the ticks it has seen: one per wait.
    if (watched_ != &command) {
        std::string what;
        watched_ = &command;
        watchReached_ = RunnerVerbs::WaitCondition(*this, command, what);
    }
    return watchReached_();
}

void ScriptRunner::Missed(const ScriptCommand& command) {
    watched_ = nullptr;
    if (command.verb == Verb::Tap) {
        const std::vector<const SceneElement*> found = FindTargets(host_->GetScene(), command.target);
        Fail(command, TargetProblem(host_->GetScene(), command.target, found.size()));
        return;
    }
    std::string what;
    RunnerVerbs::WaitCondition(*this, command, what);
    RunnerVerbs::WaitMissed(*this, command, what);
}

bool ScriptRunner::TickUntil(long timeout, const std::function<bool()>& reached) {
    for (long waited = 0;; ++waited) {
        if (reached()) return true;
        if (waited >= timeout || closed_ || StopRequested()) return false;
        Ticks(1);
    }
}

bool ScriptRunner::StopRequested() {
    if (stop_.empty() && options_.stopRequest) stop_ = options_.stopRequest();
    return !stop_.empty();
}

void ScriptRunner::Fail(const ScriptCommand& command, const std::string& message) {
    failures_.push_back({command.file, command.line, message});
    EndProgress();
    static FileSink standardError(stderr);
    TextSink& messages = options_.messages != nullptr ? *options_.messages : standardError;
    messages.Write(failures_.back().Text() + "\n");
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
    // The figures of the last tick are there for a script that prints them.
    for (const ScriptCommand& command : script.commands) {
        if (command.verb != Verb::PrintEngine) continue;
        EnsureStarted();
        if (!engine_) engine_ = std::make_unique<EngineMonitor>(*host_);
        engine_->RecordFigures(true);
        break;
    }
    running_ = &script;
    halted_ = false;
    scriptStart_ = ticks_;
    timed_.clear();
    startNanos_ = NowNanos();
    const std::size_t failedBefore = failures_.size();
    loops_.clear();
    for (commandIndex_ = 0; commandIndex_ < script.commands.size(); ++commandIndex_) {
        const ScriptCommand& command = script.commands[commandIndex_];
        const RunnerVerbs::Rule& rule = RunnerVerbs::Of(command);
        // The clock may be pinned before the firmware starts, so that the
        // start sequence already reads it.
        if (command.verb != Verb::Clock) EnsureStarted();
        ticksAsked_ = 0;
        if (command.verb == Verb::PlantChange) {
            EndProgress();  // print writes to the same terminal
        } else if (options_.progress) {
            ShowProgress(false);
        }
        if (options_.beforeCommand) options_.beforeCommand(command);
        std::string why;
        stoppedAtTick_ = -1;
        if (closed_ && command.verb != Verb::Clock && command.verb != Verb::Repeat) {
            why = "the window is closed; nothing can follow close";
        } else if (rule.execute(*this, command, why)) {
            if (halted_) break;
            if (!StopRequested()) continue;
            why = stop_ + (stoppedAtTick_ < 0 ? std::string()
                                              : " at tick " + std::to_string(stoppedAtTick_ + 1) + " of " +
                                                    std::to_string(stoppedOfTicks_));
        }
        EndProgress();
        running_ = nullptr;
        error = {command.file, command.line, std::string(rule.name) + ": " + why};
        if (animation_) animation_->Abandon();
        if (engine_) engine_->AbandonTrace();
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
    if (engine_ && engine_->Tracing()) {
        std::string why;
        if (!engine_->StopTrace(why)) {
            error = {script.file, 0, "trace: " + why};
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
