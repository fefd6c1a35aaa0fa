// Replaying a full LCD queue into the framebuffer.
#include <benchmark/benchmark.h>

#include "panel/hw/LcdQueue.h"

namespace {

void BM_LcdFlushFullQueue(benchmark::State& state) {
    LcdSetWindow(0, 0, 319, 239);
    while (LcdQueueFree() >= 2) LcdWritePixel(static_cast<Rgb565>(LcdQueueFree()));
    const u16 count = LcdQueueCount();
    for (auto _ : state) {
        LcdFlush(count);
        benchmark::ClobberMemory();
    }
    state.counters["entries"] = count;
}
BENCHMARK(BM_LcdFlushFullQueue)->Unit(benchmark::kMicrosecond);

}  // namespace
