// The host's per-tick costs: a plain comparison of two frames, which is what
// a tick once spent to find what changed, against the repaint of what the
// controller wrote; the full repaint at zoom 3; whole ticks of a settled page
// and of the animated start page, with the scene following the drawing and
// without it, and with a trace running and without; and ticks that redraw
// areas of growing size.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "host/runner/EngineMonitor.h"

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/app/Plant.h"
#include "panel/dl/Interpreter.h"
#include "panel/hw/LcdQueue.h"

namespace {

class FixedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 12, 0, 0); }
};

PanelHost& StartedHost(int zoom) {
    static FixedClock clock;
    static PlantModel plant;
    static PanelHost host(clock, plant, 0xF0F0F0);
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

Rgb565 frameA[kScreenWidth * kScreenHeight];
Rgb565 frameB[kScreenWidth * kScreenHeight];

bool SameFrames() {
    const Rgb565* a = frameA;
    const Rgb565* b = frameB;
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    return std::memcmp(a, b, sizeof frameA) == 0;
}

void BM_MemcmpTwoFrames(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(SameFrames());
}
BENCHMARK(BM_MemcmpTwoFrames);

// Processor nanoseconds of one plain memcmp of two equal frames, measured
// now (the least of a few rounds, as the machine may be busy), so that a tick
// can be compared with it in the same run.
double CpuNanoseconds() { return static_cast<double>(std::clock()) * (1e9 / CLOCKS_PER_SEC); }

double MemcmpNanoseconds() {
    constexpr int kRounds = 2000;
    double least = 1e18;
    for (int round = 0; round < 5; ++round) {
        const double start = CpuNanoseconds();
        for (int i = 0; i < kRounds; ++i) benchmark::DoNotOptimize(SameFrames());
        least = std::min(least, (CpuNanoseconds() - start) / kRounds);
    }
    return least;
}

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
// interpreter reports to no one, as before there was a scene; with `trace` a
// trace records every tick. The counter "memcmp share" is a tick's time over
// that of a plain memcmp of two frames.
void Ticks(benchmark::State& state, int page, bool scene, bool trace) {
    static FixedClock clock;
    static PlantModel plant;
    ResetFirmwareState();
    PanelHost host(clock, plant, 0xF0F0F0);
    host.Start();
    GoToPage(static_cast<u8>(page));
    for (int i = 0; i < 600; ++i) host.Tick();
    if (!scene) DlSetObserver(nullptr);
    EngineMonitor monitor(host);
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench-trace-" + std::to_string(getpid()) + ".json")).string();
    std::string error;
    if (trace && !monitor.StartTrace(path, error)) state.SkipWithError(error.c_str());
    const double memcmp = MemcmpNanoseconds();
    const double start = CpuNanoseconds();
    for (auto _ : state) {
        host.Tick();
        benchmark::ClobberMemory();
    }
    const double tick = (CpuNanoseconds() - start) / static_cast<double>(state.iterations());
    monitor.AbandonTrace();
    state.counters["memcmp share"] = tick / memcmp;
    state.counters["scene elements"] = static_cast<double>(host.GetScene().Elements().size());
}

void BM_IdleTick(benchmark::State& state) { Ticks(state, Page::kMenu, state.range(0) != 0, state.range(1) != 0); }
BENCHMARK(BM_IdleTick)->ArgNames({"scene", "trace"})->Args({0, 0})->Args({1, 0})->Args({1, 1});

void BM_StartPageTick(benchmark::State& state) { Ticks(state, Page::kStart, state.range(0) != 0, state.range(1) != 0); }
BENCHMARK(BM_StartPageTick)->ArgNames({"scene", "trace"})->Args({0, 0})->Args({1, 0})->Args({1, 1});

// A tick in which the controller writes a square of the given side and the
// host repaints it: the cost follows the square, not the screen.
void BM_TickRepaintArea(benchmark::State& state) {
    PanelHost& host = StartedHost(1);
    const auto side = static_cast<u16>(state.range(0));
    Rgb565 colour = 0;
    for (auto _ : state) {
        LcdSetWindow(10, 0, static_cast<u16>(10 + side - 1), static_cast<u8>(side - 1));
        for (int i = 0; i < side * side; ++i) LcdWritePixel(colour);
        colour = static_cast<Rgb565>(colour + 0x0841);
        LcdApplyQueue();
        host.TickRepaint();
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = static_cast<double>(side) * side;
}
BENCHMARK(BM_TickRepaintArea)->Arg(8)->Arg(32)->Arg(120)->Arg(239);

// A whole tick of the temperatures page that redraws one value: the
// collector's reading changes every tick.
void BM_OneFieldTick(benchmark::State& state) {
    static FixedClock clock;
    static PlantModel plant;
    ResetFirmwareState();
    PanelHost host(clock, plant, 0xF0F0F0);
    host.Start();
    GoToPage(Page::kMeasurement);
    for (int i = 0; i < 600; ++i) host.Tick();
    std::int16_t reading = 823;
    double repainted = 0;
    for (auto _ : state) {
        reading = reading == 823 ? 824 : 823;
        Plant.collectorTemp = reading;
        host.Tick();
        for (const DirtyRect& r : host.Damage()) repainted += (r.x1 - r.x0) * (r.y1 - r.y0);
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = repainted / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OneFieldTick);

}  // namespace
