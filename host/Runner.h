// The headless runner: plays a script of ticks and touches against the host
// core with a pinned clock and writes screenshots, without any display.
//
// Script lines (blank lines are ignored; a word starting with # starts a
// comment that runs to the end of the line):
//   clock YYYY-MM-DD HH:MM:SS   pin the wall clock (before or between ticks)
//   zoom 1|2|3                  pick a zoom, as the popup menu does
//   tick [N]                    run N ticks of 12 ms (default 1)
//   press X Y                   put the finger down at panel pixel (X, Y)
//   drag X Y                    move the held finger to panel pixel (X, Y)
//   release                     lift the finger
//   tap X Y [N]                 press, N ticks (default 3), release, 3 ticks
//   screenshot FILE.png         write what the window shows
//   close                       request a close and tick until it happens
//   animation start FILE.gif    record what the panel shows as an animated GIF
//   animation stop              write it (a recording still running at the
//                               end of the script is written then)
//
// A script is parsed whole into a list of commands before the first one runs,
// so a bad line anywhere costs no time. Each verb is one row of a table: a
// parse step that turns the line's words into a ScriptCommand and an execute
// step that plays it.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/PanelHost.h"

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
    CheckFailed = 1,  // kept for checks that scripts may make
    BadInput = 2,
};

enum class Verb : std::uint8_t { Clock, Zoom, Tick, Press, Drag, Release, Tap, Screenshot, Close, Animation };

// One parsed script line.
struct ScriptCommand {
    Verb verb = Verb::Tick;
    int line = 0;
    long number[3] = {0, 0, 0};  // the verb's numbers, in the order written
    WallTime time;               // clock
    std::string path;            // screenshot, animation start (number[0] 1 start, 0 stop)
};

struct Script {
    std::string file;  // the name used in messages: a path, "-" or "-e"
    std::vector<ScriptCommand> commands;
};

// Parses the whole text. Every bad line adds an error; the script is usable
// only when none was added. Touches neither files nor the firmware.
Script ParseScript(std::string_view text, const std::string& file, std::vector<ScriptError>& errors);

// Checks what parsing cannot: that every screenshot's folder exists and can
// be written to. Adds an error per command that would fail.
void CheckScriptFiles(const Script& script, std::vector<ScriptError>& errors);

class ScriptRunner {
public:
    ScriptRunner();
    ~ScriptRunner();

    // Plays the commands in order; on the first one that cannot be carried
    // out (a screenshot that cannot be written, anything after close) stops
    // and says why.
    ScriptStatus Execute(const Script& script, ScriptError& error);

    // Parses, checks and plays; on failure `error` holds the first message
    // as "-:LINE: message".
    bool Run(std::istream& script, std::string& error);

    PanelHost& Host();
    bool Closed() const { return closed_; }

private:
    class PinnedClock;
    friend struct RunnerVerbs;

    void EnsureStarted();
    void Ticks(long count);

    std::unique_ptr<PinnedClock> clock_;
    std::unique_ptr<PanelHost> host_;
    bool closed_ = false;
    std::unique_ptr<GifRecorder> animation_;
    std::int64_t ticks_ = 0;  // the animation's clock
};
