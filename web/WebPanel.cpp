// The host core behind the web page. The page script calls these functions
// from its event handlers and its frame callback exactly as the window's
// handlers call the core, and copies the canvas rows that changed into its
// <canvas> element.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "host/PanelHost.h"
#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

// The browser's local time, or one instant that never moves, so that the page
// and the headless runner can show the very same pixels.
class PageClock final : public WallClock {
public:
    // The local time is asked of the browser only when the second changes:
    // that call costs more than the rest of an idle tick.
    WallTime Now() override {
        if (pinned_) return pinnedTime_;
        const std::time_t second = std::time(nullptr);
        if (second != lastSecond_) {
            lastSecond_ = second;
            lastTime_ = system_.Now();
        }
        return lastTime_;
    }
    void Pin(const WallTime& time) {
        pinned_ = true;
        pinnedTime_ = time;
    }

private:
    SystemWallClock system_;
    bool pinned_ = false;
    WallTime pinnedTime_;
    std::time_t lastSecond_ = -1;
    WallTime lastTime_;
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A full repaint fills the client area with the button face and then covers
// all of it with panel pixels, so the colour never shows; the runner's.
constexpr std::uint32_t kButtonFace = 0xF0F0F0;

PageClock pageClock;
PanelHost host(pageClock, kButtonFace);
bool started = false;

// The rows handed to the page, as RGBA bytes in the canvas element's layout:
// the current client width, no padding.
std::uint32_t rgbaRows[Canvas::kMaxWidth * Canvas::kMaxHeight];

MouseButton ToMouseButton(int button) {
    switch (button) {
        case 0: return MouseButton::Left;
        case 2: return MouseButton::Right;
        default: return MouseButton::Middle;
    }
}

}  // namespace

extern "C" {

// Pins the clock before the start; 0 for an impossible date or time (the
// start keeps the browser's clock then).
EMSCRIPTEN_KEEPALIVE int KandoPinClock(int year, int month, int day, int hour, int minute, int second) {
    if (started || year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return 0;
    }
    pageClock.Pin(MakeWallTime(year, month, day, hour, minute, second));
    return 1;
}

// The window's constructor: the start sequence, then zoom 100 %.
EMSCRIPTEN_KEEPALIVE void KandoStart() {
    if (started) return;
    started = true;
    host.Start();
    host.SetZoom(1);
}

// One 12 ms tick; the page has no close request, so it always runs.
EMSCRIPTEN_KEEPALIVE void KandoTick() {
    if (started) host.Tick();
}

EMSCRIPTEN_KEEPALIVE const char* KandoCaption() {
    static const std::string caption = PanelHost::Caption();
    return caption.c_str();
}

EMSCRIPTEN_KEEPALIVE void KandoSetZoom(int zoom) { host.SetZoom(zoom); }
EMSCRIPTEN_KEEPALIVE int KandoWidth() { return host.GetCanvas().Width(); }
EMSCRIPTEN_KEEPALIVE int KandoHeight() { return host.GetCanvas().Height(); }

// Buttons as the browser numbers them: 0 left (or a finger), 1 middle, 2 right.
EMSCRIPTEN_KEEPALIVE void KandoMouseDown(int button, int x, int y) { host.MouseDown(ToMouseButton(button), x, y); }
// A browser cannot move the pointer; the finger stays on the panel's edge all
// the same.
EMSCRIPTEN_KEEPALIVE void KandoMouseMove(int x, int y) { host.MouseMove(x, y); }
EMSCRIPTEN_KEEPALIVE void KandoMouseUp(int button) { host.MouseUp(ToMouseButton(button)); }

EMSCRIPTEN_KEEPALIVE int KandoLanguage() { return Settings.language; }

// The language as the panel's language list sets it; the current page is
// drawn again in the new language.
EMSCRIPTEN_KEEPALIVE void KandoSetLanguage(int language) {
    if (language < 0 || language >= kLanguageCount || language == Settings.language) return;
    Settings.language = static_cast<std::uint8_t>(language);
    StoreSettingsField(SETTINGS_FIELD(language));
    AppState.redrawPending = 1;
}

EMSCRIPTEN_KEEPALIVE const std::uint32_t* KandoRows() { return rgbaRows; }

// Converts the rows that changed since the last call into RGBA at KandoRows()
// (row y at y x width) and returns first row | end row << 16; 0 when nothing
// changed.
EMSCRIPTEN_KEEPALIVE std::uint32_t KandoTakeChangedRows() {
    Canvas& canvas = host.GetCanvas();
    const DirtyRect dirty = canvas.TakeDirty();
    if (dirty.Empty()) return 0;
    const int width = canvas.Width();
    const std::uint32_t* pixels = canvas.Pixels();
    for (int y = dirty.y0; y < dirty.y1; ++y) {
        const std::uint32_t* from = pixels + static_cast<std::size_t>(y) * canvas.Stride();
        std::uint32_t* to = rgbaRows + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            // 0xFFRRGGBB in the canvas; the page wants the bytes R, G, B, A.
            const std::uint32_t argb = from[x];
            to[x] = (argb & 0xFF00FF00u) | ((argb >> 16) & 0xFFu) | ((argb & 0xFFu) << 16);
        }
    }
    return static_cast<std::uint32_t>(dirty.y0) | static_cast<std::uint32_t>(dirty.y1) << 16;
}

}  // extern "C"
