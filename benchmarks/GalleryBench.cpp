// The translators' tools as a whole: the gallery of every page and state in
// all seven languages (one process a language), and the fit check alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "host/runner/Gallery.h"
#include "host/runner/TextCheck.h"

namespace {

void BM_Gallery(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kandorelle-bench-gallery";
    for (auto _ : state) {
        std::filesystem::remove_all(dir);
        GalleryOptions options;
        options.dir = dir.string();
        std::string error;
        if (RunGallery(options, error) != 0) state.SkipWithError(error.c_str());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Gallery)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CheckTexts(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CheckTextFit());
}
BENCHMARK(BM_CheckTexts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
