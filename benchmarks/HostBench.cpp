// The host's per-tick costs: the repaint of an unchanged panel against a
// plain comparison of two frames, and the full repaint at zoom 3.
#include <benchmark/benchmark.h>

#include <cstring>

#include "host/PanelHost.h"
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

}  // namespace
