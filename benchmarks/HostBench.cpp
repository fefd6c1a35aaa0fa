// The host's per-tick costs: the repaint of an unchanged panel against a
// plain comparison of two frames, the full repaint at zoom 3, and whole ticks
// of a settled page and of the animated start page, with the scene following
// the drawing and without it.
#include <benchmark/benchmark.h>

#include <cstring>

#include "host/PanelHost.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/dl/Interpreter.h"
#include "panel/hw/LcdQueue.h"

namespace {

class FixedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 12, 0, 0); }
};

PanelHost& StartedHost(int zoom) {
    static FixedClock clock;
    static PanelHost host(clock, 0xF0F0F0);
    static bool started = false;
    if (!started) {
        host.Start();
        started = true;
    }
    // A busy picture, so that nothing is uniform by accident.
    for (int i = 0; i < kScreenWidth * kScreenHeight; ++i)
        PanelFramebuffer[i] = static_cast<Rgb565>(i * 2654435761u >> 16);
    host.SetZoom(zoom);
    return host;
}

void BM_CompareTwoFrames(benchmark::State& state) {
    static Rgb565 a[kScreenWidth * kScreenHeight];
    static Rgb565 b[kScreenWidth * kScreenHeight];
    for (int i = 0; i < kScreenWidth * kScreenHeight; ++i) a[i] = b[i] = static_cast<Rgb565>(i);
    for (auto _ : state) {
        bool equal = true;
        for (int i = 0; i < kScreenWidth * kScreenHeight; ++i) {
            if (a[i] != b[i]) {
                equal = false;
                break;
            }
        }
        benchmark::DoNotOptimize(equal);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CompareTwoFrames);

void BM_TickRepaintUnchanged(benchmark::State& state) {
    PanelHost& host = StartedHost(1);
    for (auto _ : state) {
        host.TickRepaint();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TickRepaintUnchanged);

void BM_FullRepaintZoom3(benchmark::State& state) {
    PanelHost& host = StartedHost(3);
    for (auto _ : state) {
        host.FullRepaint();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullRepaintZoom3)->Unit(benchmark::kMicrosecond);

// Whole ticks of a panel on `page` once it has settled; with `scene` false the
// interpreter reports to no one, as before there was a scene.
void Ticks(benchmark::State& state, int page, bool scene) {
    static FixedClock clock;
    ResetFirmwareState();
    PanelHost host(clock, 0xF0F0F0);
    host.Start();
    GoToPage(static_cast<u8>(page));
    for (int i = 0; i < 600; ++i) host.Tick();
    if (!scene) DlSetObserver(nullptr);
    for (auto _ : state) {
        host.Tick();
        benchmark::ClobberMemory();
    }
    state.counters["scene elements"] = static_cast<double>(host.GetScene().Elements().size());
}

void BM_IdleTick(benchmark::State& state) { Ticks(state, Page::kMenu, state.range(0) != 0); }
BENCHMARK(BM_IdleTick)->ArgName("scene")->Arg(0)->Arg(1);

void BM_StartPageTick(benchmark::State& state) { Ticks(state, Page::kStart, state.range(0) != 0); }
BENCHMARK(BM_StartPageTick)->ArgName("scene")->Arg(0)->Arg(1);

}  // namespace
