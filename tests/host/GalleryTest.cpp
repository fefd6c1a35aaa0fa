#include "host/runner/Gallery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "host/export/PngWriter.h"
#include "host/runner/PanelStates.h"
#include "panel/app/AppState.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

TEST(Gallery, WritesEveryPageOfTheChosenLanguagesAndAnIndex) {
    const std::filesystem::path dir = FreshFolder("gallery_two");
    GalleryOptions options;
    options.dir = dir.string();
    std::string error;
    ASSERT_TRUE(ParseLanguageList("pl,en,pl", options.languages, error)) << error;
    ASSERT_EQ(options.languages.size(), 2u);
    options.zoom = 2;
    options.sheet = true;
    ASSERT_EQ(RunGallery(options, error), 0) << error;

    const std::string index = ReadAll(dir / "index.html");
    for (const char* code : {"pl", "en"}) {
        // The contact sheet: six pages to a row, 4 pixels apart.
        int sheetWidth = 0, sheetHeight = 0;
        std::vector<std::uint32_t> sheet;
        ASSERT_TRUE(ReadPng((dir / code / "sheet.png").string(), sheetWidth, sheetHeight, sheet, error)) << error;
        EXPECT_EQ(sheetWidth, 6 * 644 + 4);
        EXPECT_EQ(sheetHeight, 8 * 484 + 4);
        std::set<std::vector<std::uint32_t>> distinct;
        for (int page = 0; page < kPageCount; ++page) {
            const std::string file = std::string(code) + "/" + GalleryPageFile(page);
            EXPECT_NE(index.find("href=\"" + file + "\""), std::string::npos) << file;
            int width = 0, height = 0;
            std::vector<std::uint32_t> rgb;
            ASSERT_TRUE(ReadPng((dir / file).string(), width, height, rgb, error)) << error;
            EXPECT_EQ(width, 640);
            EXPECT_EQ(height, 480);
            distinct.insert(rgb);
            const int ox = 4 + page % 6 * 644, oy = 4 + page / 6 * 484;
            int differing = 0;
            for (int y = 0; y < height && oy + y < sheetHeight; ++y) {
                for (int x = 0; x < width && ox + x < sheetWidth; ++x) {
                    differing += sheet[static_cast<std::size_t>(oy + y) * sheetWidth + ox + x] !=
                                 rgb[static_cast<std::size_t>(y) * width + x];
                }
            }
            EXPECT_EQ(differing, 0) << file << " on the sheet";
        }
        // Every page shows something of its own: none is an empty frame or
        // a copy of another page that could not be reached.
        EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kPageCount)) << code;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "de"));
    EXPECT_NE(index.find("id=\"overflow\""), std::string::npos);
    EXPECT_LT(index.find("<th>Polish (pl)"), index.find("<th>English (en)"));
}

// Each page's steps, as its record gives them, bring that page on the
// screen; a step the driver cannot play is named.
TEST(Gallery, EveryPageStateEndsOnItsPageAndBadStepsAreNamed) {
    StateDriver driver(kEnglish, 1, false);
    for (int page = 0; page < kPageCount; ++page) {
        const PanelState& state = PanelStates()[static_cast<std::size_t>(page)];
        driver.Show(state);
        EXPECT_EQ(driver.Error(), "") << state.file;
        EXPECT_EQ(AppState.currentPage, page) << state.file;
    }
    for (const char* bad : {"tap nothing", "go nowhere", "set fault x", "repeat x tap plus", "jump", "go"}) {
        driver.Show({"bad", "bad", 0, false, [bad](StateDriver& d) { d.Play(bad); }});
        EXPECT_EQ(driver.Error(), std::string("cannot play '") + bad + "'");
    }
}

TEST(Gallery, RejectsBadOptionsBeforeWritingAnything) {
    struct Case {
        std::vector<std::string> args;
        const char* why;
    };
    const Case cases[] = {
        {{"--gallery", "x", "--lang", "de,xx"}, "unknown language 'xx'"},
        {{"--gallery", "x", "--lang", "de,"}, "unknown language ''"},
        {{"--gallery", "x", "--zoom", "4"}, "--zoom '4' is not 1, 2 or 3"},
        {{"--gallery"}, "--gallery needs a value"},
        {{"--lang", "de", "walk.txt"}, "--lang, --zoom and --sheet go with --gallery"},
        {{"--sheet", "walk.txt"}, "--lang, --zoom and --sheet go with --gallery"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = {"kandorelle-cli"};
        words.insert(words.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(words.size());
        GalleryOptions options;
        bool wanted = false;
        std::string why;
        EXPECT_FALSE(TakeGalleryOptions(argc, argv.data(), options, wanted, why));
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << why;
    }

    const std::filesystem::path blocked = FreshFolder("gallery_blocked") / "file";
    std::ofstream(blocked.string()) << "a file, not a folder";
    GalleryOptions options;
    options.dir = blocked.string();
    std::string error;
    EXPECT_EQ(RunGallery(options, error), 2);
    EXPECT_NE(error.find("cannot create the folder"), std::string::npos) << error;
    std::filesystem::remove(blocked);
}

}  // namespace
