// The panel driven as a user drives it, by scripts and by whoever walks the
// panel in code (the gallery and the fit check, tests): a pinned clock, the
// plant, a fresh start in this process as a new program would make it, ticks,
// and the finger at panel pixels. ScriptRunner plays scripts on it; what a
// script adds around the ticks (timed changes, recordings, a stop) it hooks
// in, so that a walk in code carries none of it.
#pragma once

#include <memory>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"

// The ticks that a tap holds the finger down (unless told otherwise), and
// that it runs after its release.
inline constexpr long kTapHoldTicks = 3;
inline constexpr long kTapAfterTicks = 3;

class RunnerPanel {
public:
    RunnerPanel();
    virtual ~RunnerPanel();
    RunnerPanel(const RunnerPanel&) = delete;
    RunnerPanel& operator=(const RunnerPanel&) = delete;

    // Pins the clock (default 2011-04-15 12:00:00); it stays where it is put.
    void SetClock(const WallTime& time) { clock_->now = time; }

    // The panel, started at first use.
    PanelHost& Host();
    PlantModel& Plant() { return plant_; }
    // Whether the firmware asked to close (the closing ticks have run).
    bool Closed() const { return closed_; }

    // A fresh start, as a new program would make it; the clock stays pinned.
    void Restart();
    // Runs up to `count` ticks; none once the panel has closed.
    void Ticks(long count);
    void Press(int x, int y);
    void Drag(int x, int y);
    void Release();
    // Holds the finger for `holdTicks` ticks, lifts it and runs
    // kTapAfterTicks more.
    void Tap(int x, int y, long holdTicks = kTapHoldTicks);

    // For a player that runs the ticks itself (the window's script player):
    // what looks at the panel looks at that one instead of one of its own.
    void Attach(PanelHost& host) { host_ = &host; }

protected:
    class PinnedClock final : public WallClock {
    public:
        WallTime now = MakeWallTime(2011, 4, 15, 12, 0, 0);
        WallTime Now() override { return now; }
    };

    void EnsureStarted();

    // Around the ticks of one Ticks call: before the first; before tick
    // `done` of `count` (false stops the call there); after each.
    virtual void BeforeTicks() {}
    virtual bool BeforeTick(long /*done*/, long /*count*/) { return true; }
    virtual void AfterTick(long /*done*/, long /*count*/) {}

    std::unique_ptr<PinnedClock> clock_;
    std::unique_ptr<PanelHost> ownedHost_;
    PanelHost* host_ = nullptr;  // the own one, or an attached one
    PlantModel plant_;
    bool closed_ = false;
};
