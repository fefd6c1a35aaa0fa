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

TEST(AppGolden, StartPageGerman) { ExpectPage(0, 0, "start-de"); }
TEST(AppGolden, StartPageEnglish) { ExpectPage(0, 1, "start-en"); }
TEST(AppGolden, MenuGerman) { ExpectPage(1, 0, "menu-de"); }
TEST(AppGolden, MenuEnglish) { ExpectPage(1, 1, "menu-en"); }
TEST(AppGolden, MeasurementGerman) { ExpectPage(2, 0, "measurement-de"); }
TEST(AppGolden, MeasurementEnglish) { ExpectPage(2, 1, "measurement-en"); }
TEST(AppGolden, LanguageListGerman) { ExpectPage(16, 0, "language-list-de"); }
TEST(AppGolden, LanguageListEnglish) { ExpectPage(16, 1, "language-list-en"); }
TEST(AppGolden, VersionsGerman) { ExpectPage(39, 0, "versions-de"); }
TEST(AppGolden, VersionsEnglish) { ExpectPage(39, 1, "versions-en"); }

}  // namespace
