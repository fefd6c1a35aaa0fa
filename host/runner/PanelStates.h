// The states of the panel that reviewers look at and that the fit check
// reads: every page as a user reaches it, and the states that bring the rest
// of the panel's texts on the screen (each fault, each controller status,
// the commissioning steps, two tanks, every row of every list selected).
//
// A driver shows one state at a time in one language: it starts the panel
// afresh, brings the state about with plant values and taps, and ticks until
// the screen has settled. It drives the panel through the runner's driver
// (RunnerPanel: the restart, the ticks, the taps), as scripts and tests do;
// what it adds is going to a page directly and the settling.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/runner/RunnerPanel.h"
#include "host/runner/SettleWatch.h"
#include "panel/text/Texts.h"

class StateDriver;

struct PanelState {
    std::string file;      // the gallery's file name without .png: "43-current-fault-22"
    std::string title;     // "current fault, fault 22"
    int page = 0;          // the page the state shows
    bool pictured = true;  // drawn by the gallery; the others serve the fit check
    std::function<void(StateDriver&)> show;
};

// All states, the 46 pages first, in page order.
const std::vector<PanelState>& PanelStates();

class StateDriver {
public:
    // With `pictures` the screen settles fully for the pictured states, as a
    // picture needs it; without, each state ends once its drawing is done.
    StateDriver(Language language, int zoom, bool pictures);

    // Starts the panel afresh and brings the state on the screen, settled.
    void Show(const PanelState& state);

    PanelHost& Host() { return panel_.Host(); }
    Language GetLanguage() const { return language_; }

    // The steps a state is made of. Set is false for a plant value that does
    // not parse.
    bool Set(const char* name, const char* value);
    void Go(int page);
    void TapButton(unsigned char button);
    // Plays steps as a page's record gives them, separated by ";": set NAME
    // VALUE, go PAGE, tap BUTTON, repeat N STEP. A step that cannot be played
    // ends them, and Error() says which until the next Show.
    void Play(std::string_view steps);
    const std::string& Error() const { return error_; }
    // Ticks until nothing but an animation changes and nothing is left to draw.
    void Settle();

private:
    RunnerPanel panel_;
    Language language_;
    int zoom_;
    bool pictures_;
    int quietTicks_ = kSettledTicks;
    std::string error_;
};
