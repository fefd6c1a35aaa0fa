// The headless runner: plays a script of ticks and touches against the host
// core with a pinned clock and writes screenshots, without any display.
//
// A script is one command a line; blank lines are ignored, a word starting
// with # starts a comment that runs to the end of the line, "double quotes"
// make one word of text with blanks, and a backslash in it keeps the next
// character as it is. The verbs are the rows of the runner's verb table
// (Runner.cpp), which --help lists: each row has a parse step that turns the
// line's words into a ScriptCommand and an execute step that plays it. A
// script is parsed whole into a list of commands before the first one runs,
// so a bad line anywhere costs no time.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/core/SceneQuery.h"
#include "host/plant/PlantCommands.h"
#include "host/plant/PlantModel.h"
#include "host/runner/RunnerPanel.h"

class EngineMonitor;
class GifRecorder;

// Where a script went wrong: FILE:LINE: message. Line 0 means the script as
// a whole (for example a script file that cannot be read).
struct ScriptError {
    std::string file;
    int line = 0;
    std::string message;

    std::string Text() const;
};

// What a run of a script came to; the values are the runner's exit statuses.
enum class ScriptStatus : int {
    Ran = 0,
    CheckFailed = 1,  // every command ran, but at least one check failed
    BadInput = 2,
};

enum class Verb : std::uint8_t {
    Clock,
    Zoom,
    Tick,
    Press,
    Drag,
    Release,
    Tap,
    Screenshot,
    Close,
    PlantChange,  // set, fault, history, reset, print, state
    Expect,
    Animation,
    Wait,
    Mask,
    PrintScene,
    Repeat,
    At,
    Trace,
    PrintEngine
};

enum class Expectation : std::uint8_t { Page, Pixel, Value, Clock, Screen, Text, NoText };

enum class WaitFor : std::uint8_t { Page, Text, Gone, Settled };

// One parsed script line.
struct ScriptCommand {
    Verb verb = Verb::Tick;
    int line = 0;
    std::string file;            // the script the line is in (an included one has its own)
    std::uint8_t rule = 0;       // the verb's row in the runner's table
    long number[3] = {0, 0, 0};  // the verb's numbers, in the order written
    WallTime time;               // clock, expect clock
    std::string path;            // screenshot, expect screen, animation start (number[0] 1 start, 0 stop)
    PlantCommand plant;          // the plant verbs
    Expectation expect = Expectation::Page;
    PlantValue value;       // expect NAME VALUE
    std::string text;       // the expected value as written, for messages
    SceneTarget target;     // tap NAME, wait text, expect text
    bool targeted = false;  // a tap of a target rather than of a point
    WaitFor waitFor = WaitFor::Page;
    long timeout = 0;        // wait, in ticks
    bool hasRegion = false;  // expect text ... in X Y W H
    SceneBox region;
    std::vector<SceneBox> masks;  // expect screen ... mask; mask (none clears)

    std::string source;  // the line as written, for the record of a failed run
    // at TIME COMMAND: the plant change that runs at TIME (number[0], in
    // ticks since the script began)
    std::shared_ptr<const ScriptCommand> then;
};

struct Script {
    std::string file;  // the name used in messages: a path, "-" or "-e"
    std::vector<ScriptCommand> commands;
};

// The verbs of the table, in its order, and their lines for --help.
std::vector<std::string_view> ScriptVerbs();
std::string ScriptVerbHelp();

// A script word as written: "a \"quoted\" word" loses its quotes and
// escapes (a backslash keeps the character after it) and the result is true;
// any other word is copied as it is.
bool Unquote(std::string_view word, std::string& out);

// Reads a script file whole; false, with the system's reason or "is a folder,
// not a script", when it cannot.
bool ReadScriptFile(const std::string& path, std::string& text, std::string& why);

// Parses the whole text. Every bad line adds an error; the script is usable
// only when none was added. Touches neither the firmware nor any file but
// the scripts that `include` names, which are read from the folder of the
// script that names them (the working folder for "-" and "-e").
Script ParseScript(std::string_view text, const std::string& file, std::vector<ScriptError>& errors);

// Checks what parsing cannot: that every screenshot's folder exists and can
// be written to. Adds an error per command that would fail.
void CheckScriptFiles(const Script& script, std::vector<ScriptError>& errors);

// How a runner reports and what it does with golden images.
struct RunnerOptions {
    TextSink* out = nullptr;           // print writes here (standard output when null)
    TextSink* messages = nullptr;      // failed checks are reported here (standard error when null)
    bool update = false;               // expect screen rewrites the golden image instead of comparing
    bool progress = false;             // a progress line on standard error for runs over about 2 s
    std::function<void()> beforeTick;  // runs before every tick (the plant feed's pump)
    // Sees every command before it runs and the screen after every tick, with
    // the areas the tick repainted (the record of a failed run).
    std::function<void(const ScriptCommand&)> beforeCommand;
    std::function<void(const Rgb565* screen, std::int64_t milliseconds, const std::vector<DirtyRect>& changed)>
        afterTick;
    // Asked before every tick and after every command: a reason (a signal, a
    // time limit) stops the script there with an error that says so.
    std::function<std::string()> stopRequest;
    // Where expect screen writes its .actual.png and .diff.png, mirroring the
    // golden image's path; empty: beside the golden image.
    std::string artifacts;
    bool showTouches = false;  // screenshots and animations show a ring where the finger is
};

// Plays scripts on the panel that RunnerPanel drives (SetClock pins the
// clock as a `clock` line before the first command would; Restart, Ticks,
// Press, Drag, Release and Tap drive it as the script verbs do).
class ScriptRunner final : public RunnerPanel {
public:
    explicit ScriptRunner(RunnerOptions options = {});
    ~ScriptRunner() override;

    // Whether expect screen rewrites the golden image from now on.
    void SetUpdate(bool update) { options_.update = update; }

    // Plays the commands in order; on the first one that cannot be carried
    // out (a screenshot that cannot be written, anything after close, a
    // missing or unreadable golden image) stops and says why. A failed check
    // is reported on the messages stream as FILE:LINE: expected ..., got ...
    // and the script goes on; the result is then CheckFailed.
    ScriptStatus Execute(const Script& script, ScriptError& error);

    // The failed checks so far, as they were reported.
    const std::vector<ScriptError>& Failures() const { return failures_; }

    // Parses, checks and plays; on failure `error` holds the first message
    // as "-:LINE: message".
    bool Run(std::istream& script, std::string& error);

    // Carries out a command that takes no ticks (a check, a mask, print
    // scene) as a script does; false, with why, when it cannot.
    bool PlayCommand(const ScriptCommand& command, std::string& why);
    // Whether what a `wait` or a `tap NAME` waits for is there now; for a
    // tap, with the panel pixel to press. `Missed` reports, as a script
    // does, one whose time ran out.
    bool Reached(const ScriptCommand& command, int& x, int& y);
    void Missed(const ScriptCommand& command);

private:
    friend struct RunnerVerbs;

    // What a script adds around the panel's ticks: the timed plant changes,
    // a stop, the plant feed, the progress line, the animation being
    // recorded and the record of a failed run.
    void BeforeTicks() override;
    bool BeforeTick(long done, long count) override;
    void AfterTick(long done, long count) override;
    TextSink& Out();
    // Runs the timed plant changes that are due.
    void FireTimed();
    void Fail(const ScriptCommand& command, const std::string& message);
    // Ticks until `reached` holds (checked before each tick) or `timeout`
    // ticks have passed; true when it held.
    bool TickUntil(long timeout, const std::function<bool()>& reached);
    void ShowProgress(bool force);
    void EndProgress();
    bool StopRequested();

    RunnerOptions options_;
    std::vector<ScriptError> failures_;
    // The progress line: what runs now and since when.
    const Script* running_ = nullptr;
    std::size_t commandIndex_ = 0;
    long ticksDone_ = 0;  // within the command's own ticks
    long ticksAsked_ = 0;
    long long startNanos_ = 0;
    long long lastShownNanos_ = 0;
    bool progressShown_ = false;
    bool halted_ = false;          // a step that could not act ends the script
    std::vector<SceneBox> masks_;  // regions that screen checks ignore
    bool maskAnimations_ = false;  // and the animations on the screen
    std::unique_ptr<GifRecorder> animation_;
    std::int64_t ticks_ = 0;  // the animation's clock

    std::vector<long> loops_;  // the passes left of each repeat being played
    std::string stop_;         // why the script is being stopped
    long stoppedAtTick_ = -1;  // and where, within the command's ticks
    long stoppedOfTicks_ = 0;
    std::int64_t scriptStart_ = 0;  // ticks_ when the script began, for `at`
    std::vector<std::pair<std::int64_t, std::shared_ptr<const ScriptCommand>>> timed_;
    // The wait being watched for a player, and what it has seen so far.
    const ScriptCommand* watched_ = nullptr;
    std::function<bool()> watchReached_;
    // Listens to the engine while a trace runs or the script prints it.
    std::unique_ptr<EngineMonitor> engine_;
};
