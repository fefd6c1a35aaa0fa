// Whole pages compared pixel for pixel with reviewed pictures in
// tests/golden. After an intended change of a layout, run
//   UPDATE_GOLDEN=1 ctest --preset dev -R AppGolden
// and look at the rewritten pictures before committing them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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

void ExpectPage(u8 page, u8 language, const std::string& name) {
    PanelDriver panel;
    Settings.language = language;
    panel.Show(page);
    panel.Ticks(300);
    const std::vector<std::uint32_t> drawn = panel.Rgb();
    const std::string golden = (kGoldenDir / (name + ".png")).string();
    std::string error;
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        EXPECT_TRUE(WritePng(golden, kScreenWidth, kScreenHeight, drawn, error)) << error;
        return;
    }
    int width = 0, height = 0;
    std::vector<std::uint32_t> expected;
    ASSERT_TRUE(ReadPng(golden, width, height, expected, error)) << error << "; run with UPDATE_GOLDEN=1";
    if (width != kScreenWidth || height != kScreenHeight || expected != drawn) {
        const std::string actual = (std::filesystem::temp_directory_path() / (name + ".actual.png")).string();
        EXPECT_TRUE(WritePng(actual, kScreenWidth, kScreenHeight, drawn, error)) << error;
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
