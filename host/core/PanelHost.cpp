#include "host/core/PanelHost.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "panel/Firmware.h"
#include "panel/app/Plant.h"
#include "panel/hw/Clock.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"
#include "panel/settings/Settings.h"

namespace {

constexpr std::int32_t kCurveRecomputeAfter = 1000;
constexpr std::uint16_t kStartVersionNumber = 100;
constexpr char kStartSerial[10] = "003-05127";
constexpr std::uint16_t kStartYields[kYieldHistoryDays] = {10, 20, 30, 60, 30, 60, 90, 20, 130, 150, 160, 180, 140, 80};

}  // namespace

WallTime SystemWallClock::Now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     local.tm_wday};
}

WallTime MakeWallTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_hour = 12;  // noon: no daylight-saving edge can move the date
    const std::time_t t = timegm(&date);
    std::tm normalised{};
    gmtime_r(&t, &normalised);
    return {year, month, day, hour, minute, second, normalised.tm_wday};
}

std::uint16_t CollectorCurveValue(int hour, int i) {
    const int x = 6 * hour + i + 66;
    const double a = x * 3.1415 * (1.0 / 144.0);
    const double value = 1100.0 * std::pow(std::sin(a), 2.0) + 100.0;
    return static_cast<std::uint16_t>(value);
}

PanelHost::PanelHost(WallClock& clock, PlantInputs& plant, std::uint32_t buttonFaceColour)
    : clock_(clock), plant_(plant), buttonFace_(buttonFaceColour) {}

std::string PanelHost::Caption() { return std::string(kApplicationTitle) + " " + kSoftwareVersion; }

void PanelHost::Start() {
    const WallTime now = clock_.Now();
    closeCountdown_ = 0;
    WholeScreenChanged();
    mirrorStale_ = true;
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            const u32 i = FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y));
            PanelFramebuffer[i] = 0x0000;
            mirror_[i] = 0xFFFF;
        }
    }
    scene_.Clear();
    scene_.SetTick(0);
    scene_.Activate();
    ticksRun_ = 0;
    DlInit();
    RegisterGraphics();
    LoadSettingsDefaults();
    InitAppState();
    SetHistories(now);
    ComputeCollectorCurve(now.hour);
    VersionNumber = kStartVersionNumber;
    std::memcpy(Settings.serialNumber, kStartSerial, sizeof kStartSerial);
    plant_.Reset();
    TouchSample = kNoTouch;
    pendingTouch_.clear();
    fingerDown_ = false;
    lastSeenDown_ = false;
    Stage(TickWatcher::Stage::Started);
}

void StampFaultEntry(FaultHistoryEntry& entry, const WallTime& when, std::uint8_t code) {
    entry.type = 0;
    entry.second = static_cast<std::uint8_t>(when.second);
    entry.minute = static_cast<std::uint8_t>(when.minute);
    entry.hour = static_cast<std::uint8_t>(when.hour);
    entry.day = static_cast<std::uint8_t>(when.day);
    entry.month = static_cast<std::uint8_t>(when.month);
    entry.year = static_cast<std::uint16_t>(when.year);
    entry.faultCode = code;
}

void PanelHost::SetHistories(const WallTime& now) {
    YieldHistoryBlock.index = 0;
    YieldHistoryBlock.count = kYieldHistoryDays;
    std::memcpy(YieldHistoryBlock.days, kStartYields, sizeof kStartYields);
    Settings.dailyYield = 80;
    Settings.totalYield = 57280;
    // Two faults logged at the moment of the start.
    for (FaultHistoryEntry& entry : FaultHistory) entry.type = kFaultEntryEmpty;
    const auto fillEntry = [&now](FaultHistoryEntry& e, std::uint8_t code, std::int16_t tsa, std::int16_t tse,
                                  std::int16_t tam, std::int16_t flow, std::uint8_t state) {
        StampFaultEntry(e, now, code);
        e.collectorTemp = tsa;
        e.tankTemp = tse;
        e.outsideTemp = tam;
        e.flow = flow;
        e.operatingModeIndex = 0;
        e.controllerStateIndex = state;
    };
    fillEntry(FaultHistory[0], 2, 523, 432, 162, 52, 3);
    fillEntry(FaultHistory[1], 4, 621, 556, 258, 20, 5);
}

void PanelHost::ComputeCollectorCurve(int hour) {
    for (int i = 0; i < kCollectorCurveLength; ++i) CollectorCurve[i] = CollectorCurveValue(hour, i);
    CollectorCurveCount = kCollectorCurveLength;
}

void PanelHost::FeedClockTime(const WallTime& now) {
    PanelClock.hour = static_cast<std::uint8_t>(now.hour);
    PanelClock.minute = static_cast<std::uint8_t>(now.minute);
    PanelClock.second = static_cast<std::uint8_t>(now.second);
}

void PanelHost::FeedClockDate(const WallTime& now) {
    PanelClock.year = static_cast<std::uint16_t>(now.year);
    PanelClock.month = static_cast<std::uint8_t>(now.month);
    PanelClock.day = static_cast<std::uint8_t>(now.day);
    PanelClock.weekday = static_cast<std::uint8_t>(now.weekday);
    PanelClock.reserved = 0;
}

TickResult PanelHost::Tick() {
    Stage(TickWatcher::Stage::TickBegin);
    if (!keepDamage_) damage_.clear();
    keepDamage_ = false;
    plant_.Apply();

    const WallTime now = clock_.Now();
    FeedClockTime(now);
    if (tickCounter_++ > kCurveRecomputeAfter) {
        tickCounter_ = 0;
        ComputeCollectorCurve(now.hour);
    }
    FeedClockDate(now);

    if (closeCountdown_ != 0) {
        const bool close = --closeCountdown_ == 0;
        if (close) timerEnabled_ = false;
        Stage(TickWatcher::Stage::TickEnd);
        return close ? TickResult::Close : TickResult::Closing;
    }

    scene_.SetTick(static_cast<std::int32_t>(++ticksRun_));
    DispatchTouch();
    BuildPage();
    RefreshPage();
    Stage(TickWatcher::Stage::Interpreter);
    DisplayListRun();
    DeliverPendingTouch();
    Stage(TickWatcher::Stage::Repaint);
    TickRepaint();
    Stage(TickWatcher::Stage::TickEnd);
    return TickResult::Ran;
}

bool PanelHost::CloseQuery() {
    closeCountdown_ = kCloseCountdownTicks;
    return !timerEnabled_;
}

void PanelHost::SetZoom(int zoom) {
    zoom_ = zoom < 1 ? 1 : (zoom > 3 ? 3 : zoom);
    FullRepaint();
}

void PanelHost::PaintSquare(int x, int y, Rgb565 colour) {
    const std::uint32_t rgb = Rgb565ToRgb888(colour);
    if (zoom_ > 1) {
        canvas_.FillRect(x * zoom_, y * zoom_, x * zoom_ + zoom_, y * zoom_ + zoom_, rgb);
    } else {
        canvas_.SetPixel(x, y, rgb);
    }
}

void PanelHost::FullRepaint() {
    if (!painting_) return;
    canvas_.Resize(kScreenWidth * zoom_, kScreenHeight * zoom_);
    canvas_.FillRect(0, 0, Canvas::kMaxWidth, Canvas::kMaxHeight, buttonFace_);
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            const u32 i = FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y));
            const Rgb565 pixel = PanelFramebuffer[i];
            mirror_[i] = pixel;
            PaintSquare(x, y, pixel);
        }
    }
    WholeScreenChanged();
    mirrorStale_ = false;
}

void PanelHost::SetPainting(bool on) {
    painting_ = on;
    if (!on) mirrorStale_ = true;
}

// Everything may have changed: what the controller reported so far is part
// of it.
void PanelHost::WholeScreenChanged() {
    LcdClearDamage();
    damage_.assign(1, DirtyRect{0, 0, kScreenWidth, kScreenHeight});
    keepDamage_ = true;
}

void PanelHost::TickRepaint() {
    const std::size_t first = damage_.size();
    for (u8 i = 0; i < LcdDamageCount(); ++i) {
        const LcdArea a = LcdDamageArea(i);
        damage_.push_back({a.x0, a.y0, a.x1 + 1, a.y1 + 1});
    }
    LcdClearDamage();
    if (!painting_) return;
    if (mirrorStale_) {
        mirrorStale_ = false;
        RepaintArea({0, 0, kScreenWidth, kScreenHeight});
        return;
    }
    for (std::size_t i = first; i < damage_.size(); ++i) RepaintArea(damage_[i]);
}

// Rows outer, columns inner, as the full repaint goes; a pixel written with
// the value it had is not painted again.
void PanelHost::RepaintArea(const DirtyRect& area) {
    for (int y = area.y0; y < area.y1; ++y) {
        for (int x = area.x0; x < area.x1; ++x) {
            const u32 i = FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y));
            const Rgb565 pixel = PanelFramebuffer[i];
            if (mirror_[i] == pixel) continue;
            mirror_[i] = pixel;
            PaintSquare(x, y, pixel);
        }
    }
}

void PanelHost::MouseDown(MouseButton button, int x, int y) {
    if (button != MouseButton::Left) return;
    fingerDown_ = true;
    OfferTouch({TouchEvent::Kind::Press, (x / zoom_) & 0xFFF, (y / zoom_) & 0xFFF});
}

PointerShift PanelHost::MouseMove(int x, int y) {
    PointerShift shift;
    if (!fingerDown_) return shift;
    int px = x / zoom_;
    int py = y / zoom_;
    if (px < 0) {
        shift.dx = -px;
        px = 0;
    } else if (px > kScreenWidth - 1) {
        shift.dx = -(px - (kScreenWidth - 1));
        px = kScreenWidth - 1;
    }
    if (py < 0) {
        shift.dy = -py;
        py = 0;
    } else if (py > kScreenHeight - 1) {
        shift.dy = -(py - (kScreenHeight - 1));
        py = kScreenHeight - 1;
    }
    OfferTouch({TouchEvent::Kind::Move, px, py});
    return shift;
}

void PanelHost::MouseUp(MouseButton button) {
    if (button == MouseButton::Left) LiftFinger();
}

void PanelHost::LiftFinger() {
    if (!fingerDown_) return;
    fingerDown_ = false;
    OfferTouch({TouchEvent::Kind::Release, 0, 0});
}

// An event goes straight into the sample unless it would hide a change that
// no touch stage has seen yet; then it waits, and so does everything after it.
void PanelHost::OfferTouch(const TouchEvent& event) {
    if (pendingTouch_.empty() && CanApply(event)) {
        ApplyTouch(event);
        return;
    }
    // Only the last of several moves in a row can ever be seen.
    if (event.kind == TouchEvent::Kind::Move && !pendingTouch_.empty() &&
        pendingTouch_.back().kind == TouchEvent::Kind::Move) {
        pendingTouch_.back() = event;
        return;
    }
    pendingTouch_.push_back(event);
}

bool PanelHost::CanApply(const TouchEvent& event) const {
    const bool down = TouchSample >= 0;
    switch (event.kind) {
        case TouchEvent::Kind::Press: return down || !lastSeenDown_;
        case TouchEvent::Kind::Release: return !down || lastSeenDown_;
        case TouchEvent::Kind::Move: break;
    }
    return true;
}

void PanelHost::ApplyTouch(const TouchEvent& event) {
    switch (event.kind) {
        case TouchEvent::Kind::Press: TouchSample = MakeTouchSample(event.x, event.y); break;
        case TouchEvent::Kind::Move:
            if (TouchSample >= 0) TouchSample = MakeTouchSample(event.x, event.y);
            break;
        case TouchEvent::Kind::Release: TouchSample = kNoTouch; break;
    }
}

// After a touch stage: what it saw is now seen, so the next waiting change
// (and the moves that follow it) may reach the sample.
void PanelHost::DeliverPendingTouch() {
    lastSeenDown_ = TouchSample >= 0;
    while (!pendingTouch_.empty() && CanApply(pendingTouch_.front())) {
        ApplyTouch(pendingTouch_.front());
        pendingTouch_.pop_front();
    }
}
