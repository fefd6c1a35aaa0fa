// The runner's plant verbs, its checks and golden images, and include.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/core/TouchRing.h"
#include "host/export/PngWriter.h"
#include "host/runner/Runner.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

namespace fs = std::filesystem;

// One fresh runner playing one script, with what it printed and reported.
struct Played {
    ScriptStatus status = ScriptStatus::Ran;
    ScriptError error;
    std::string out;
    std::string messages;
};

Played Play(const std::string& text, const std::string& file = "t.txt", bool update = false,
            const std::string& artifacts = "") {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(text, file, errors);
    Played played;
    if (!errors.empty()) {
        played.status = ScriptStatus::BadInput;
        played.error = errors.front();
        return played;
    }
    StringSink out;
    StringSink messages;
    RunnerOptions options;
    options.out = &out;
    options.messages = &messages;
    options.update = update;
    options.artifacts = artifacts;
    ScriptRunner runner(options);
    played.status = runner.Execute(script, played.error);
    played.out = out.Text();
    played.messages = messages.Text();
    return played;
}

// A set value on the pages (and the start page's rounding) is the
// measurements script's golden walk.
TEST(RunnerPlant, ASavedStateLoadsIntoTheSameScreen) {
    const fs::path folder = FreshFolder("runner_state");
    const std::string state = (folder / "s.json").string();
    const std::string walk = "tick 300\ntap 24 225\ntick 200\n";
    Played played = Play("clock 2026-12-06 13:47:00\nset collector 95.5\nfault 21\nhistory add 22\n" + walk +
                         "state save " + state + "\nscreenshot " + (folder / "a.png").string() + "\n");
    ASSERT_EQ(played.status, ScriptStatus::Ran) << played.error.Text();
    played = Play("state load " + state + "\n" + walk + "expect clock 2026-12-06 13:47:00\nscreenshot " +
                  (folder / "b.png").string() + "\n");
    ASSERT_EQ(played.status, ScriptStatus::Ran) << played.error.Text() << played.messages;
    EXPECT_EQ(ReadAll(folder / "a.png"), ReadAll(folder / "b.png"));

    // A state a script loads is found beside the script, as a recorded
    // scenario's is.
    WriteAll(folder / "scenario.txt", "state load s.json\nexpect clock 2026-12-06 13:47:00\n");
    std::vector<ScriptError> errors;
    const Script scenario = ParseScript(ReadAll(folder / "scenario.txt"), (folder / "scenario.txt").string(), errors);
    ASSERT_TRUE(errors.empty());
    ScriptError error;
    EXPECT_EQ(ScriptRunner().Execute(scenario, error), ScriptStatus::Ran) << error.Text();

    // What a damaged file says is the state file's test; here, that it stops the script as bad input.
    WriteAll(folder / "bad.json", "{\"plant\": 1");
    played = Play("tick\nstate load " + (folder / "bad.json").string() + "\ntick\n", "bad.txt");
    EXPECT_EQ(played.status, ScriptStatus::BadInput);
    EXPECT_EQ(played.error.line, 2);
}

// Touches shown: a held finger's ring is in the screenshot and nowhere
// else; without a finger the pictures are the same.
TEST(RunnerScreenshots, ShowTouchesDrawsARingWhereTheFingerIs) {
    const fs::path folder = FreshFolder("runner_ring");
    const std::string walk = "tick 300\npress 100 60\ntick 2\nscreenshot " + (folder / "down.png").string() +
                             " 2\nrelease\ntick 2\nscreenshot " + (folder / "up.png").string() + "\n";
    std::vector<std::uint32_t> pictures[2][2];
    for (const bool ring : {false, true}) {
        std::vector<ScriptError> errors;
        const Script script = ParseScript(walk, "ring.txt", errors);
        RunnerOptions options;
        options.showTouches = ring;
        ScriptRunner runner(options);
        ScriptError error;
        ASSERT_EQ(runner.Execute(script, error), ScriptStatus::Ran) << error.Text();
        int width = 0, height = 0;
        std::string why;
        ASSERT_TRUE(ReadPng((folder / "down.png").string(), width, height, pictures[ring][0], why)) << why;
        ASSERT_TRUE(ReadPng((folder / "up.png").string(), width, height, pictures[ring][1], why)) << why;
    }
    EXPECT_EQ(pictures[0][1], pictures[1][1]);
    const DirtyRect area = TouchRingArea(2, 100, 60);
    int differing = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * 640 + x;
            if (pictures[0][0][i] == pictures[1][0][i]) continue;
            ++differing;
            EXPECT_TRUE(x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1) << x << "," << y;
        }
    }
    EXPECT_GT(differing, 100);
}

TEST(RunnerChecks, AFailedCheckIsReportedAndTheScriptGoesOn) {
    const Played played = Play(
        "set collector 95.5\ntick 300\nexpect collector 95.4\nexpect page 3\nexpect pixel 0 0 #123456\n"
        "expect frost on\nexpect collector 95.5\nprint page\n",
        "c.txt");
    EXPECT_EQ(played.status, ScriptStatus::CheckFailed);
    EXPECT_EQ(played.out, "page = 0 start-page\n");  // the lines after the failures ran
    EXPECT_EQ(played.messages,
              "c.txt:3: expected collector 95.4, got 95.5\n"
              "c.txt:4: expected page 3 outside-temperature-and-flow-rate, got 0 start-page\n"
              "c.txt:5: expected pixel 0 0 #123456, got #FFFF00\n"
              "c.txt:6: expected frost on, got off\n");
    EXPECT_EQ(played.error.Text(), "c.txt:3: expected collector 95.4, got 95.5");
}

// A step that cannot find what it names ends the script with a failed check
// that says what the screen holds instead; a wait that times out is a failed
// check and the script goes on.
TEST(RunnerChecks, NamesNotOnTheScreenAndWaitsThatTimeOutSayWhatIsThere) {
    Played played = Play("wait settled\ntap delete\nprint page\n", "n.txt");
    EXPECT_EQ(played.status, ScriptStatus::CheckFailed);
    EXPECT_EQ(played.messages,
              "n.txt:2: no 'delete' on page 0 start-page; the bar holds: shortcut, wand, menu, home, lamp\n");
    EXPECT_EQ(played.out, "");
    played = Play("tap menu\ntap \"Nirgends\"\n", "t.txt");
    EXPECT_EQ(played.messages.rfind("t.txt:2: no text 'Nirgends' on page 1 menu; the screen shows: 'Men", 0), 0u)
        << played.messages;

    played =
        Play("wait settled\nwait page menu 10\nwait gone StartTitle 2\nexpect text \" 82 °C\"\nprint page\n", "w.txt");
    EXPECT_EQ(played.status, ScriptStatus::CheckFailed);
    EXPECT_EQ(played.messages.substr(0, played.messages.find('\n')),
              "w.txt:2: waited 120 ms for page menu; page 0 start-page shows 'Kandorelle Lumo II', ' 82 °C', "
              "' 73 °C', ' 53 °C'");
    EXPECT_NE(played.messages.find("w.txt:3: waited 24 ms for 'StartTitle' to go"), std::string::npos);
    EXPECT_EQ(played.out, "page = 0 start-page\n");
}

TEST(RunnerChecks, GoldenImagesAreWrittenComparedAndExplained) {
    const fs::path folder = FreshFolder("runner_golden");
    const std::string script = (folder / "s.txt").string();
    const std::string start = "tick 300\nexpect screen start.png\n";
    const std::string menu = "tick 300\ntap 290 225\ntick 200\nexpect screen start.png 5\n";

    Played played = Play(start, script);
    EXPECT_EQ(played.status, ScriptStatus::BadInput);
    EXPECT_EQ(played.error.message,
              "expect: no golden image " + (folder / "start.png").string() + " (run with --update to write it)");

    EXPECT_EQ(Play(start, script, true).status, ScriptStatus::Ran);
    EXPECT_EQ(Play(start, script).status, ScriptStatus::Ran);
    EXPECT_FALSE(fs::exists(folder / "start.actual.png"));

    played = Play(menu, script);
    EXPECT_EQ(played.status, ScriptStatus::CheckFailed);
    EXPECT_NE(played.messages.find("differing pixels; see "), std::string::npos) << played.messages;
    int width = 0, height = 0;
    std::vector<std::uint32_t> actual, diff, golden;
    std::string error;
    ASSERT_TRUE(ReadPng((folder / "start.actual.png").string(), width, height, actual, error)) << error;
    ASSERT_TRUE(ReadPng((folder / "start.diff.png").string(), width, height, diff, error)) << error;
    ASSERT_TRUE(ReadPng((folder / "start.png").string(), width, height, golden, error)) << error;
    for (std::size_t i = 0; i < diff.size(); ++i) {
        ASSERT_EQ(diff[i] == 0xFF00FFu, actual[i] != golden[i]) << i;
    }
    // Passing again removes what the failure left.
    EXPECT_EQ(Play(start, script).status, ScriptStatus::Ran);
    EXPECT_FALSE(fs::exists(folder / "start.diff.png"));

    // Where the pictures cannot be written the check still fails with its count.
    fs::create_directories(folder / "start.actual.png");
    played = Play(menu, script);
    EXPECT_EQ(played.status, ScriptStatus::CheckFailed);
    EXPECT_NE(played.messages.find("differing pixels; the pictures of the difference were not kept (cannot write"),
              std::string::npos)
        << played.messages;
    fs::remove(folder / "start.actual.png");
    // With an artifacts folder they go there, under the golden image's own path.
    const fs::path artifacts = folder / "artifacts";
    EXPECT_EQ(Play(menu, script, false, artifacts.string()).status, ScriptStatus::CheckFailed);
    EXPECT_TRUE(fs::exists(artifacts / folder.relative_path() / "start.actual.png"));
    EXPECT_TRUE(fs::exists(artifacts / folder.relative_path() / "start.diff.png"));
    EXPECT_FALSE(fs::exists(folder / "start.actual.png"));

    // A golden image of another size, or no PNG at all, is bad input.
    played = Play("zoom 2\n" + start, script);
    EXPECT_EQ(played.status, ScriptStatus::BadInput);
    EXPECT_NE(played.error.message.find("is 320x240, the window shows 640x480"), std::string::npos);
    WriteAll(folder / "start.png", "not a png");
    EXPECT_EQ(Play(start, script).status, ScriptStatus::BadInput);
}

TEST(RunnerInclude, IncludedLinesRunAndReportWhereTheyAre) {
    const fs::path folder = FreshFolder("runner_include");
    fs::create_directories(folder / "lib");
    WriteAll(folder / "lib" / "menu.txt", "# open the menu\ntap 290 225\ntick 200\nexpect page 9\n");
    WriteAll(folder / "lib" / "loop.txt", "include loop.txt\n");
    const std::string script = (folder / "main.txt").string();
    Played played = Play("tick 300\ninclude lib/menu.txt\nprint page\n", script);
    EXPECT_EQ(played.status, ScriptStatus::CheckFailed);
    EXPECT_EQ(played.messages,
              (folder / "lib" / "menu.txt").string() + ":4: expected page 9 total-yield-deleted, got 1 menu\n");
    played = Play("include lib/loop.txt\n", script);
    EXPECT_EQ(played.status, ScriptStatus::BadInput);
    EXPECT_NE(played.error.message.find("nested more than 8 deep"), std::string::npos) << played.error.Text();
}

}  // namespace
