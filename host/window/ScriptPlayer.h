// Plays a runner script live in the window: the same parser and the same
// meaning of every verb as kandorelle-cli, but the ticks are the window's own
// 12 ms timer ticks, so that `tick 100`, a tap or a wait spreads over real
// time while the panel stays alive. A trainer prepares an exercise as a
// script (a state to start from, timed plant changes such as `at 30s fault
// 22`) and plays it, pauses it, steps through it line by line, or stops it.
//
// Touches go through the window's own mouse handlers and plant changes
// through the captures' path, as the Plant panel's do, so that a touch
// recording made meanwhile keeps them.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/runner/Runner.h"

class PanelCapture;
struct PanelControls;

class ScriptPlayer {
public:
    ScriptPlayer(PanelControls& controls, PanelCapture& capture) : controls_(controls), capture_(capture) {}

    // Reads and checks the whole script; false, with every problem as
    // FILE:LINE: message, when it cannot be played.
    bool Load(const QString& path, QString& error);
    void Start();
    void Pause();
    void Resume();
    // Plays the next line whole (its ticks included), then pauses.
    void Step();
    void Stop();

    bool Active() const { return active_; }
    bool Paused() const { return paused_; }
    // The script and the line being played, for the title.
    QString Where() const;
    // The checks that failed, as FILE:LINE: expected ..., got ...
    std::vector<ScriptError> Failures() const;
    // Called when the line being played changes, and when a step pauses.
    std::function<void()> onLine;
    // Called when the script has ended or stopped, with what went wrong.
    std::function<void(const QString& report)> onEnd;

    // Before every tick of the window: carries out the lines whose time has
    // come, up to one that waits for ticks.
    void BeforeTick();

private:
    // One step of a line: something to do at once, ticks to wait, or a
    // wait until something is so (at most `ticks`, then `missed`).
    struct Action {
        std::function<bool(std::string& why)> run;
        long ticks = 0;
        std::function<bool()> until;
        std::function<void()> missed;
    };

    void Expand(const ScriptCommand& command);
    bool Execute(const ScriptCommand& command, std::string& why);
    bool Repeat(const ScriptCommand& command, std::string& why);
    void FireTimed();
    void Finish(const QString& problem);
    void Press(long x, long y);

    PanelControls& controls_;
    PanelCapture& capture_;
    Script script_;
    std::size_t next_ = 0;        // the next command to start
    std::size_t current_ = 0;     // the command being played
    std::deque<Action> actions_;  // what is left of the current command
    bool active_ = false;
    bool paused_ = false;
    bool stepping_ = false;
    std::int64_t ticks_ = 0;  // ticks since the script began, for `at`
    std::vector<std::pair<std::int64_t, std::shared_ptr<const ScriptCommand>>> timed_;
    std::vector<long> loops_;  // the passes left of each repeat being played
    // The runner's own checks and waits, looking at the window's panel.
    std::unique_ptr<ScriptRunner> checker_;
    int targetX_ = -1;  // where a `tap NAME` found its target
    int targetY_ = -1;
    bool halted_ = false;  // a step that could not act ends the script, as in the runner
};
