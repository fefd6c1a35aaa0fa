// The headless runner: plays a script of ticks and touches against the host
// core with a pinned clock and writes screenshots, without any display.
//
// Script lines (blank lines and lines starting with # are ignored):
//   clock YYYY-MM-DD HH:MM:SS   pin the wall clock (before or between ticks)
//   zoom 1|2|3                  pick a zoom, as the popup menu does
//   tick [N]                    run N ticks of 12 ms (default 1)
//   press X Y                   put the finger down at panel pixel (X, Y)
//   drag X Y                    move the held finger to panel pixel (X, Y)
//   release                     lift the finger
//   tap X Y [N]                 press, N ticks (default 3), release, 3 ticks
//   screenshot FILE.png         write what the window shows
//   close                       request a close and tick until it happens
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "host/PanelHost.h"

class ScriptRunner {
public:
    ScriptRunner();
    ~ScriptRunner();

    // Runs the script; on the first bad line stops and says why in `error`.
    bool Run(std::istream& script, std::string& error);

    PanelHost& Host();
    bool Closed() const { return closed_; }

private:
    class PinnedClock;

    bool Execute(const std::string& line, std::string& error);
    void EnsureStarted();
    void Ticks(long count);
    bool Screenshot(const std::string& path, std::string& error);

    std::unique_ptr<PinnedClock> clock_;
    std::unique_ptr<PanelHost> host_;
    bool closed_ = false;
};
