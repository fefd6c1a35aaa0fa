// The host core: the firmware's start sequence, the 12 ms tick, the clock
// feed, the collector curve, the display mirror with its repaints, and the
// mouse-to-touch emulation. It is plain C++: the window (or a test, or the
// headless runner) supplies the wall clock and shows the canvas it paints.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/core/Canvas.h"
#include "host/core/Scene.h"
#include "panel/Types.h"
#include "panel/gfx/Colour.h"

struct WallTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0;  // 0 = Sunday
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual WallTime Now() = 0;
};

// A wall time for a calendar date and time of day, with the day of the week
// derived from the date (for pinned clocks in tests and scripted runs).
WallTime MakeWallTime(int year, int month, int day, int hour, int minute, int second);

// The computer's local time.
class SystemWallClock final : public WallClock {
public:
    WallTime Now() override;
};

enum class MouseButton { Left, Right, Middle };

// How far the host must move the screen pointer after a drag, in screen pixels.
struct PointerShift {
    int dx = 0;
    int dy = 0;
};

enum class TickResult {
    Ran,      // the firmware ran and the changed pixels were painted
    Closing,  // a close is pending: nothing ran, nothing was painted
    Close,    // the countdown ended: the timer is off, close the window now
};

inline constexpr char kApplicationTitle[] = "Kandorelle II";
inline constexpr char kSoftwareVersion[] = "V1.05 15.04.2011";
inline constexpr int kTickMilliseconds = 12;
inline constexpr std::uint8_t kCloseCountdownTicks = 10;

struct FaultHistoryEntry;

// A fault logged at wall time `when`: the entry's type, time and fault code.
// The weekday and the readings are the caller's.
void StampFaultEntry(FaultHistoryEntry& entry, const WallTime& when, std::uint8_t code);

// The simulated collector temperature for hour h, entry i (0..215).
std::uint16_t CollectorCurveValue(int hour, int i);

// Told where the host is in its work, for tools that time or record the
// drawing engine (the inspector, traces). The stages of a tick come in this
// order; a tick that a pending close cuts short goes from TickBegin to
// TickEnd.
class TickWatcher {
public:
    enum class Stage : std::uint8_t {
        Started,      // the firmware has just been started afresh
        TickBegin,    // before anything of the tick; touch dispatch, page build and refresh follow
        Interpreter,  // the display-list interpreter's run
        Repaint,      // the changed pixels into the canvas
        TickEnd,
    };
    virtual ~TickWatcher() = default;
    virtual void OnStage(Stage stage) = 0;
};

// The plant values that the firmware reads as a controller's: their start
// values and what changes them each tick come from the plant model, the one
// writer of plant values (host/plant), which the host calls through this.
class PlantInputs {
public:
    virtual ~PlantInputs() = default;
    // Every value to its start value: part of the start sequence.
    virtual void Reset() = 0;
    // Every tick, before the firmware runs.
    virtual void Apply() = 0;
};

class PanelHost {
public:
    // The button face is the toolkit's background colour, as 0xRRGGBB.
    PanelHost(WallClock& clock, PlantInputs& plant, std::uint32_t buttonFaceColour);

    static std::string Caption();

    // Builds the panel's start state: clock, firmware start-up, settings
    // defaults, histories and the plant's start values; the window then
    // selects zoom 100 %.
    void Start();

    // One tick of the 12 ms timer.
    TickResult Tick();

    // A close request: granted only while the timer is off; restarts the
    // countdown either way.
    bool CloseQuery();

    void SetZoom(int zoom);
    int Zoom() const { return zoom_; }

    void FullRepaint();
    // Repaints what the LCD controller wrote since the last repaint, and of
    // that only the pixels that differ from the mirror.
    void TickRepaint();
    // The panel areas (right and bottom exclusive) that the last tick's
    // repaint looked at, as the controller reported them; the whole screen
    // when the start or a full repaint came after the tick before. Whatever
    // keeps a copy of the screen compares these and nothing else.
    const std::vector<DirtyRect>& Damage() const { return damage_; }
    // A host that only reads the scene (the fit check) need not paint: the
    // canvas and the mirror then stay as they are.
    void SetPainting(bool on);

    // The mouse as the panel's finger. The events are kept in order and reach
    // the touch sample so that every touch stage sees at most one change of
    // finger state: a press is seen down for at least one tick and a release
    // is seen, however quickly they follow each other. At a human pace (at
    // most one press or release between two ticks) the sample changes at once.
    void MouseDown(MouseButton button, int x, int y);
    PointerShift MouseMove(int x, int y);
    void MouseUp(MouseButton button);
    // The window can no longer see the left button (a menu took the mouse,
    // focus or grab lost, window hidden or closed): the finger lifts where it
    // was last seen. Does nothing while the finger is up.
    void LiftFinger();
    // Whether the left button is down, counting events not yet delivered.
    bool FingerDown() const { return fingerDown_; }
    // Events waiting for a touch stage to see the one before them.
    std::size_t PendingTouchEvents() const { return pendingTouch_.size(); }

    // One watcher at a time, or none (the default, which costs a test per
    // stage).
    void SetTickWatcher(TickWatcher* watcher) { watcher_ = watcher; }

    bool TimerEnabled() const { return timerEnabled_; }
    std::uint8_t CloseCountdown() const { return closeCountdown_; }
    std::int32_t TickCounter() const { return tickCounter_; }
    // Ticks run since the start, counting on where TickCounter wraps.
    std::int64_t TicksRun() const { return ticksRun_; }
    Canvas& GetCanvas() { return canvas_; }
    const Canvas& GetCanvas() const { return canvas_; }
    // What the screen shows, element by element, as the drawing made it.
    Scene& GetScene() { return scene_; }
    const Scene& GetScene() const { return scene_; }
    const Rgb565* Mirror() const { return mirror_; }

private:
    void FeedClockTime(const WallTime& now);
    void FeedClockDate(const WallTime& now);
    void ComputeCollectorCurve(int hour);
    void SetHistories(const WallTime& now);
    void PaintSquare(int x, int y, Rgb565 colour);
    void RepaintArea(const DirtyRect& area);
    void WholeScreenChanged();
    void Stage(TickWatcher::Stage stage) {
        if (watcher_ != nullptr) watcher_->OnStage(stage);
    }

    struct TouchEvent {
        enum class Kind { Press, Move, Release } kind;
        std::int32_t x;
        std::int32_t y;
    };
    void OfferTouch(const TouchEvent& event);
    bool CanApply(const TouchEvent& event) const;
    static void ApplyTouch(const TouchEvent& event);
    void DeliverPendingTouch();

    WallClock& clock_;
    PlantInputs& plant_;
    std::uint32_t buttonFace_;
    Canvas canvas_;
    Scene scene_;
    std::int64_t ticksRun_ = 0;
    Rgb565 mirror_[kScreenWidth * kScreenHeight];
    std::uint8_t closeCountdown_ = 0;
    int zoom_ = 1;
    std::int32_t tickCounter_ = 0;
    bool timerEnabled_ = true;
    bool painting_ = true;
    // The mirror may differ from the framebuffer anywhere, not only where the
    // controller wrote: after the start and while nothing is painted.
    bool mirrorStale_ = true;
    std::vector<DirtyRect> damage_;
    bool keepDamage_ = false;  // a whole-screen change since the tick before
    TickWatcher* watcher_ = nullptr;
    std::deque<TouchEvent> pendingTouch_;
    bool fingerDown_ = false;
    bool lastSeenDown_ = false;  // what the last touch stage saw
};
