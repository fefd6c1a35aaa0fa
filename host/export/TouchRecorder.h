// Records what a user does in the window as a runner script, so that the
// runner plays it back to the same screen: the clock the ticks read, the
// finger's presses, drags and releases in panel pixels, the exact number of
// ticks between them, and the plant values changed from outside the firmware
// (the Plant panel, the UDP feed) as `set` lines. Toolkit-free: the window
// feeds it.
//
// A recording starts from a fresh start of the panel, as every runner script
// does, and from the state saved at that moment (`state load` first).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"

// A word of a script line in double quotes, so that blanks, # and quotes in
// it survive.
std::string QuoteWord(const std::string& word);

class TouchRecorder {
public:
    // Begins a script; `clock` is the wall time that the start read. With a
    // state file the script loads it first (the name is written as given).
    void Start(const WallTime& clock, const PlantModel& plant, const std::string& stateFile = {});

    // The finger, in panel pixels, as the window passes it to the host: a
    // press, a move while it is down (clamped to the panel), a release.
    void Press(int x, int y);
    void Drag(int x, int y);
    void Release();

    // Around every tick: before it, plant values changed since the last tick
    // become `set` lines; after it, the tick is counted, and the wall time it
    // read becomes a `clock` line when it moved on.
    void BeforeTick(const PlantModel& plant);
    void AfterTick(const WallTime& clock, const PlantModel& plant);

    // A runner line that changed the plant outside the ticks (the Plant
    // panel's actions), written as it is; `Sync` before it writes the values
    // changed meanwhile by others, `Command` after it takes the plant's new
    // values as known.
    void Sync(const PlantModel& plant) { BeforeTick(plant); }
    void Command(const std::string& line, const PlantModel& plant);

    // Ends the recording and returns the script.
    std::string Finish();
    // The script as it would end now, ticks so far included.
    std::string Script() const;

    bool Recording() const { return recording_; }
    // The script so far, without the ticks not yet written.
    const std::string& Text() const { return text_; }

private:
    void FlushTicks();
    void Line(const std::string& line);
    void Snapshot(const PlantModel& plant);
    static std::string PlantValueText(const PlantModel& plant, int entry);

    bool recording_ = false;
    std::string text_;
    std::string lastLine_;
    long pendingTicks_ = 0;
    WallTime clock_;
    std::vector<std::int64_t> plantValues_;
};
