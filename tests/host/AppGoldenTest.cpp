// Whole pages compared pixel for pixel with reviewed pictures in
// tests/golden. After an intended change of a layout, run
//   UPDATE_GOLDEN=1 ctest --preset dev -R AppGolden
// and look at the rewritten pictures before committing them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/PngWriter.h"
#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"
#include "tests/host/PanelDriver.h"

namespace {

// From the build system: __FILE__ may be relative to the build directory
// (compiler caches rewrite it), while tests run from elsewhere.
const std::filesystem::path kGoldenDir = KANDO_GOLDEN_DIR;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ExpectPage(u8 page, u8 language, const std::string& name) {
    PanelDriver panel;
    Settings.language = language;
    panel.Show(page);
    panel.Ticks(300);
    const std::vector<std::uint8_t> png = EncodePng(kScreenWidth, kScreenHeight, panel.Rgb());
    const std::filesystem::path golden = kGoldenDir / (name + ".png");
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        WriteFile(golden, png);
        return;
    }
    int width = 0, height = 0;
    std::vector<std::uint32_t> expected;
    ASSERT_TRUE(DecodePng(ReadFile(golden), width, height, expected))
        << golden << " is missing or damaged; run with UPDATE_GOLDEN=1";
    if (width != kScreenWidth || height != kScreenHeight || expected != panel.Rgb()) {
        const std::filesystem::path actual = std::filesystem::temp_directory_path() / (name + ".actual.png");
        WriteFile(actual, png);
        FAIL() << name << " differs from " << golden << "; the page as drawn now is " << actual;
    }
}

TEST(AppGolden, PagesInGermanAndEnglish) {
    const struct {
        u8 page;
        const char* name;
    } pages[] = {{Page::kStart, "start"},
                 {Page::kMenu, "menu"},
                 {Page::kMeasurement, "measurement"},
                 {Page::kLanguageList, "language-list"},
                 {Page::kVersions, "versions"}};
    for (const auto& p : pages) {
        ExpectPage(p.page, kGerman, std::string(p.name) + "-de");
        ExpectPage(p.page, kEnglish, std::string(p.name) + "-en");
    }
}

}  // namespace
