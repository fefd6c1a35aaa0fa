#include "host/runner/Runner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/export/PngWriter.h"
#include "panel/hw/Clock.h"
#include "panel/hw/Touch.h"
#include "tests/host/TestFolder.h"

namespace {

bool Play(ScriptRunner& runner, const std::string& script, std::string& error) {
    std::istringstream in(script);
    return runner.Run(in, error);
}

TEST(Runner, PlaysTicksTouchesAndAPinnedClock) {
    ScriptRunner runner;
    std::string error;
    ASSERT_TRUE(Play(runner,
                     "clock 2026-12-06 13:47:05\n# a comment\n\nzoom 2  # the comment ends the line\r\n"
                     "press 100 50\ntick 2\n",
                     error))
        << error;
    EXPECT_EQ(TouchSample, MakeTouchSample(100, 50));
    EXPECT_EQ(PanelClock.hour, 13);
    EXPECT_EQ(PanelClock.weekday, 0);
    EXPECT_EQ(runner.Host().Zoom(), 2);
    ASSERT_TRUE(Play(runner, "drag 319 10\nrelease\ntap 5 5 2\nclose\n", error)) << error;
    EXPECT_EQ(TouchSample, kNoTouch);
    EXPECT_TRUE(runner.Closed());
    EXPECT_FALSE(Play(runner, "tick\n", error));
    EXPECT_EQ(error, "-:1: tick: the window is closed; nothing can follow close");
}

TEST(Runner, ChecksTheWholeScriptBeforeTheFirstCommand) {
    const struct {
        const char* line;
        const char* message;
    } bad[] = {
        {"clock 2026-12-06T12:00:00",
         "clock: missing an operand after '2026-12-06T12:00:00'; usage: clock "
         "YYYY-MM-DD HH:MM:SS"},
        {"tick 99999999999999999999999", "tick: count '99999999999999999999999' is out of range (0 to 10000000)"},
        {"tick 5 6", "tick: unexpected '6'; usage: tick [N]"},
        {"tap 10 10 abc", "tap: ticks 'abc' is not a whole number"},
        {"press 1", "press: missing an operand after '1'; usage: press X Y"},
        {"drag 400 10", "drag: x '400' is out of range (0 to 319)"},
        {"screenshot", "screenshot: missing operands; usage: screenshot FILE.png [ZOOM]"},
        // The plant verbs' own checks are the plant commands' table; one of them shows they run here too.
        {"set collector 300", "set: collector: 300 is out of range -50.0..250.0"},
        {"screenshot a.png 4", "screenshot: zoom '4' is out of range (1 to 3)"},
        {"fly\x01 1 2",
         "unknown command 'fly\\x01' (commands: clock, zoom, tick, press, drag, release, tap, wait, mask, "
         "screenshot, close, include, repeat, set, fault, history, reset, print, state, at, expect, animation, "
         "trace)"},
        {"expect pixel 1 2 red", "expect: the colour 'red' is not #RRGGBB"},
        {"expect page 46", "expect: no page '46' (a page's number 0..45 or name, as print page shows it)"},
        {"expect page settings", "expect: no page 'settings'"},
        {"tap pencl", "tap: no page has a 'pencl'; names: pump, heating-circuit,"},
        {"tap menu now", "tap: unexpected 'now' after the name"},
        {"tap row 0", "tap: row '0' is out of range (1 to 99)"},
        {"wait page nowhere", "wait: no page 'nowhere'"},
        {"wait text \"51\" 2h", "wait: the time '2h' is not N (ticks), Ns or Nms"},
        {"wait sun", "wait: cannot wait for 'sun'"},
        {"expect text menu", "expect: 'menu' is a picture; a text goes in double quotes"},
        {"expect text \"a\" in 0 0 0 5", "expect: width '0' is out of range (1 to 320)"},
        {"expect screen a.png mask 1 2 3", "expect: a region is X Y W H"},
        {"mask 1 2", "mask: usage: mask X Y W H | mask animations | mask none"},
        {"expect tank9 1",
         "expect: cannot check 'tank9'; checks: page, pixel, screen, clock, text, no text, collector, "},
        {"expect screen",
         "expect: missing an operand after 'screen'; usage: expect page NAME | pixel X Y #RRGGBB | "
         "text \"TEXT\" [in X Y W H]"},
        {"include /nonexistent-folder/x.txt",
         "include: cannot read /nonexistent-folder/x.txt: No such file or "
         "directory"},
        {"close\ntick", "tick: nothing can follow the close on line 2"},
        {"screenshot /nonexistent-folder/x.png", "screenshot: the folder /nonexistent-folder does not exist"},
        {"animation go x.gif", "animation: usage: animation start FILE.gif | animation stop"},
        {"animation start /nonexistent-folder/x.gif", "animation: the folder /nonexistent-folder does not exist"},
        {"trace begin x.json", "trace: usage: trace start FILE.json | trace stop"},
        {"trace start /nonexistent-folder/x.json", "trace: the folder /nonexistent-folder does not exist"},
        {"screenshot \"/nonexistent folder/a # b.png\"", "screenshot: the folder /nonexistent folder does not exist"},
        {"screenshot \"x.png", "the quote that starts at '\"x.png' is not closed"},
        {"screenshot \"x\"y.png", "a blank must follow the closing quote of '\"x\"'"},
        {"repeat x tick", "repeat: count 'x' is not a whole number"},
        {"repeat 2", "repeat: missing operands; usage: repeat N { ... } | repeat N COMMAND"},
        {"tick\nrepeat 2 {", "repeat: the { has no matching }"},
        {"}", "}: no repeat { of this script is open"},
        {"repeat 2 { close }", "close: nothing can follow the close, so it cannot be repeated (repeat on line 2)"},
        {"repeat 2 bogus", "unknown command 'bogus'"},
    };
    for (const auto& c : bad) {
        ScriptRunner runner;
        std::string error;
        EXPECT_FALSE(Play(runner, std::string("tick 50\n") + c.line + "\n", error)) << c.line;
        const std::string where = std::string(c.line).find('\n') == std::string::npos ? "-:2: " : "-:3: ";
        EXPECT_EQ(error.substr(0, where.size() + std::strlen(c.message)), where + c.message);
        // Nothing ran, not even the ticks before the bad line.
        EXPECT_EQ(runner.Host().TickCounter(), 0) << c.line;
    }
}

// Which dates a clock takes is the date grammar's table (PlantState).
TEST(Runner, ReportsEveryBadLine) {
    std::vector<ScriptError> errors;
    ParseScript("tick x\n\ntick\nzoom\n", "b.txt", errors);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].Text(), "b.txt:1: tick: count 'x' is not a whole number");
    EXPECT_EQ(errors[1].line, 4);
}

TEST(Runner, RepeatPlaysItsCommandsNTimes) {
    StringSink out;
    RunnerOptions options;
    options.out = &out;
    ScriptRunner runner(options);
    std::string error;
    ASSERT_TRUE(Play(runner,
                     "repeat 2 {\n  print frost\n  repeat 3 print page\n}\nrepeat 0 { print collector }\n"
                     "repeat 2 { repeat 2 { tick 5 } }\nrepeat 1 print tank1.full\n",
                     error))
        << error;
    const std::string frost =
        "frost = off\n" + std::string() + "page = 0 start-page\n" + "page = 0 start-page\n" + "page = 0 start-page\n";
    EXPECT_EQ(out.Text(), frost + frost + "tank1.full = off\n");
    EXPECT_EQ(runner.Host().TickCounter(), 20);
}

// Windows editors start a file with a byte-order mark; file names may hold blanks.
TEST(Runner, ByteOrderMarkAndQuotedFileNames) {
    const std::filesystem::path folder = FreshFolder("runner quoted");
    std::ofstream(folder / "my lib.txt") << "tick 2\n";
    ScriptRunner runner;
    std::string error;
    const std::string f = folder.string() + "/";
    ASSERT_TRUE(Play(runner,
                     "\xEF\xBB\xBFtick 3\ninclude \"" + f + "my lib.txt\"\nscreenshot \"" + f +
                         "my shot.png\"\nstate save \"" + f + "my state.json\"\nstate load \"" + f +
                         "my state.json\"\nanimation start \"" + f + "my walk.gif\"\ntick 3\n",
                     error))
        << error;
    for (const char* name : {"my shot.png", "my state.json", "my walk.gif"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / name)) << name;
    }
    EXPECT_EQ(runner.Host().TickCounter(), 8);
}

TEST(Runner, UnquoteKeepsEscapedCharacters) {
    std::string out;
    EXPECT_TRUE(Unquote(R"("a \"b\" \\ c")", out));
    EXPECT_EQ(out, R"(a "b" \ c)");
    EXPECT_FALSE(Unquote("plain", out));
    EXPECT_EQ(out, "plain");
}

TEST(Runner, ScreenshotIsAPngOfTheWindow) {
    ScriptRunner runner;
    std::string error;
    const std::string path = (FreshFolder("runner_shot") / "shot.png").string();
    ASSERT_TRUE(Play(runner, "zoom 3\ntick 3\nscreenshot " + path + "\n", error)) << error;
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(ReadPng(path, width, height, pixels, error)) << error;
    ASSERT_EQ(width, 960);
    ASSERT_EQ(height, 720);
    const Canvas& canvas = runner.Host().GetCanvas();
    EXPECT_EQ(pixels[719 * 960 + 959], canvas.Pixels()[719 * canvas.Stride() + 959] & 0xFFFFFFu);

    // At another zoom than the window's, every panel pixel is a square of its own.
    const std::string small = (FreshFolder("runner_shot_zoom") / "small.png").string();
    ASSERT_TRUE(Play(runner, "screenshot " + small + " 1\n", error)) << error;
    std::vector<std::uint32_t> panel;
    ASSERT_TRUE(ReadPng(small, width, height, panel, error)) << error;
    ASSERT_EQ(width, 320);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) ASSERT_EQ(panel[y * 320 + x], pixels[(y * 3 + 2) * 960 + x * 3 + 1]);
    }
}

TEST(Runner, AFailedScreenshotSaysWhyAndLeavesNoFileBehind) {
    const std::filesystem::path folder = FreshFolder("runner_fail");
    std::filesystem::create_directories(folder / "taken.png" / "inside");
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {(folder / "missing" / "x.png").string(), "No such file or directory"},
        {(folder / "taken.png").string(), "it is a folder"},
    };
    for (const auto& c : cases) {
        // The folder check is skipped here, as if the folder changed after it.
        std::vector<ScriptError> errors;
        const Script script = ParseScript("tick\nscreenshot " + c.path + "\n", "s.txt", errors);
        ASSERT_TRUE(errors.empty());
        ScriptRunner runner;
        ScriptError error;
        EXPECT_EQ(runner.Execute(script, error), ScriptStatus::BadInput);
        EXPECT_EQ(error.Text(), "s.txt:2: screenshot: cannot write " + c.path + ": " + c.reason);
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"taken.png"});
}

TEST(PngWriter, DecodesWhatItEncodesAndRefusesDamage) {
    const std::vector<std::uint32_t> pixels = {0xFF0000, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000, 0xABCDEF};
    std::vector<std::uint8_t> png = EncodePng(3, 2, pixels);
    int width = 0, height = 0;
    std::vector<std::uint32_t> decoded;
    ASSERT_TRUE(DecodePng(png, width, height, decoded));
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(decoded, pixels);
    png[png.size() - 20] ^= 1;  // inside the image data: its checksum no longer matches
    EXPECT_FALSE(DecodePng(png, width, height, decoded));
    EXPECT_FALSE(DecodePng({}, width, height, decoded));
    EXPECT_TRUE(EncodePng(3, 3, pixels).empty());
}

}  // namespace
