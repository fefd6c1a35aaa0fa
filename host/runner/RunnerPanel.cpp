#include "host/runner/RunnerPanel.h"

#include "panel/Firmware.h"

namespace {

// The colour around the panel in the runner's pictures, as in the window.
constexpr std::uint32_t kRunnerButtonFace = 0xF0F0F0;

}  // namespace

RunnerPanel::RunnerPanel() : clock_(std::make_unique<PinnedClock>()) {}
RunnerPanel::~RunnerPanel() = default;

PanelHost& RunnerPanel::Host() {
    EnsureStarted();
    return *host_;
}

void RunnerPanel::EnsureStarted() {
    if (host_ != nullptr) return;
    ownedHost_ = std::make_unique<PanelHost>(*clock_, plant_, kRunnerButtonFace);
    host_ = ownedHost_.get();
    host_->Start();
    host_->SetZoom(1);
}

void RunnerPanel::Restart() {
    ResetFirmwareState();
    closed_ = false;
    if (host_ == nullptr) return EnsureStarted();
    host_->Start();
    host_->SetZoom(1);
}

void RunnerPanel::Press(int x, int y) {
    const int zoom = Host().Zoom();
    host_->MouseDown(MouseButton::Left, x * zoom, y * zoom);
}

void RunnerPanel::Drag(int x, int y) {
    const int zoom = Host().Zoom();
    host_->MouseMove(x * zoom, y * zoom);
}

void RunnerPanel::Release() { Host().MouseUp(MouseButton::Left); }

void RunnerPanel::Tap(int x, int y, long holdTicks) {
    Press(x, y);
    Ticks(holdTicks);
    Release();
    Ticks(kTapAfterTicks);
}

void RunnerPanel::Ticks(long count) {
    EnsureStarted();
    BeforeTicks();
    for (long i = 0; i < count && !closed_; ++i) {
        if (!BeforeTick(i, count)) break;
        if (host_->Tick() == TickResult::Close) closed_ = true;
        AfterTick(i, count);
    }
}
