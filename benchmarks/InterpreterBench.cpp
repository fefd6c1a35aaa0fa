// The display-list interpreter's two extremes: a run that fills the whole LCD
// queue with a background band and text and flushes it, and an idle run.
#include <benchmark/benchmark.h>

#include "panel/Firmware.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"

namespace {

void Boot() {
    DlInit();
    RegisterGraphics();
    while (DlBytesUsed() != 0) DisplayListRun();
    TouchSample = kNoTouch;
}

void BM_FullQueueRun(benchmark::State& state) {
    Boot();
    u32 entries = 0;
    for (auto _ : state) {
        DlSetFlags(2);
        DlRect(0, 0, 319, 21);
        DlSetFlags(3);
        DlSetFont(3);
        DlTextPos(0, 100);
        DlText(
            "Warmwasser Sollwert 60,0 \xB0"
            "C Kollektor");
        DisplayListRun();
        entries += LcdHighWaterMark();
        state.PauseTiming();
        while (DlBytesUsed() != 0) DisplayListRun();
        LcdResetQueue();
        state.ResumeTiming();
    }
    state.counters["lcd_entries"] = benchmark::Counter(entries, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FullQueueRun)->Unit(benchmark::kMicrosecond);

void BM_IdleRun(benchmark::State& state) {
    Boot();
    for (auto _ : state) {
        DisplayListRun();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_IdleRun)->Unit(benchmark::kNanosecond);

}  // namespace
