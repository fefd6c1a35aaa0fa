#include "host/Runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/PngWriter.h"
#include "panel/hw/Clock.h"
#include "panel/hw/Touch.h"

namespace {

bool Play(ScriptRunner& runner, const std::string& script, std::string& error) {
    std::istringstream in(script);
    return runner.Run(in, error);
}

TEST(Runner, PlaysTicksTouchesAndAPinnedClock) {
    ScriptRunner runner;
    std::string error;
    ASSERT_TRUE(Play(runner, "clock 2026-12-06 13:47:05\n# a comment\n\nzoom 2\npress 100 50\ntick 2\n", error))
        << error;
    EXPECT_EQ(TouchSample, MakeTouchSample(100, 50));
    EXPECT_EQ(PanelClock.hour, 13);
    EXPECT_EQ(PanelClock.weekday, 0);
    EXPECT_EQ(runner.Host().Zoom(), 2);
    ASSERT_TRUE(Play(runner, "drag 400 10\n", error) == false);
    EXPECT_EQ(error, "line 1: drag wants a panel position X Y inside 0..319, 0..239");
    ASSERT_TRUE(Play(runner, "drag 319 10\nrelease\ntap 5 5 2\nclose\n", error)) << error;
    EXPECT_EQ(TouchSample, kNoTouch);
    EXPECT_TRUE(runner.Closed());
    EXPECT_FALSE(Play(runner, "tick\n", error));
}

TEST(Runner, RejectsBadLinesWithTheirNumber) {
    const char* bad[] = {"zoom 4",     "tick -3", "tick 5 6", "clock 2026-13-01 00:00:00",
                         "screenshot", "fly 1 2", "press 1"};
    for (const char* line : bad) {
        ScriptRunner runner;
        std::string error;
        EXPECT_FALSE(Play(runner, std::string("tick\n") + line + "\n", error)) << line;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}

TEST(Runner, ScreenshotIsAPngOfTheWindow) {
    ScriptRunner runner;
    std::string error;
    const std::string path = ::testing::TempDir() + "runner_shot.png";
    ASSERT_TRUE(Play(runner, "zoom 3\ntick 3\nscreenshot " + path + "\n", error)) << error;
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    const auto be32 = [&bytes](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 3]));
    };
    EXPECT_EQ(be32(16), 960u);
    EXPECT_EQ(be32(20), 720u);
    EXPECT_FALSE(Play(runner, "screenshot /nonexistent-dir/x.png\n", error));
    EXPECT_NE(error.find("cannot create"), std::string::npos);
}

TEST(PngWriter, DecodesWhatItEncodesAndRefusesDamage) {
    const std::vector<std::uint32_t> pixels = {0xFF0000, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000, 0xABCDEF};
    std::vector<std::uint8_t> png = EncodePng(3, 2, pixels);
    // IEND is empty, so its checksum is the well-known constant.
    const std::vector<std::uint8_t> iendCrc(png.end() - 4, png.end());
    EXPECT_EQ(iendCrc, (std::vector<std::uint8_t>{0xAE, 0x42, 0x60, 0x82}));
    int width = 0, height = 0;
    std::vector<std::uint32_t> decoded;
    ASSERT_TRUE(DecodePng(png, width, height, decoded));
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(decoded, pixels);
    png[40] ^= 1;  // inside the image data: its checksum no longer matches
    EXPECT_FALSE(DecodePng(png, width, height, decoded));
    EXPECT_FALSE(DecodePng({}, width, height, decoded));
}

}  // namespace
