#include "host/export/GifRecorder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "host/runner/Runner.h"
#include "panel/gfx/Colour.h"
#include "panel/hw/LcdQueue.h"

namespace {

struct DecodedFrame {
    int left, top, width, height;
    int delay;  // centiseconds
};

// Reads the GIF back with giflib and paints its frames one over the other, as
// a viewer does; the screen is 0xRRGGBB row by row.
bool Decode(const std::string& path, std::vector<DecodedFrame>& frames, std::vector<std::uint32_t>& screen) {
    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    if (gif == nullptr) return false;
    const bool ok = DGifSlurp(gif) == GIF_OK && gif->SWidth == kScreenWidth && gif->SHeight == kScreenHeight;
    screen.assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0);
    for (int i = 0; ok && i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        const GifImageDesc& d = image.ImageDesc;
        frames.push_back({d.Left, d.Top, d.Width, d.Height, control.DelayTime});
        const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                const GifColorType c = map->Colors[image.RasterBits[y * d.Width + x]];
                screen[static_cast<std::size_t>(d.Top + y) * kScreenWidth + d.Left + x] =
                    static_cast<std::uint32_t>(c.Red) << 16 | static_cast<std::uint32_t>(c.Green) << 8 | c.Blue;
            }
        }
    }
    DGifCloseFile(gif, &code);
    return ok;
}

std::filesystem::path Temp(const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove(path);
    return path;
}

TEST(GifRecorder, RecordsTheStartPageAnimationWithItsRealTiming) {
    const std::filesystem::path path = Temp("start.gif");
    ScriptRunner runner;
    std::istringstream script("tick 100\nanimation start " + path.string() + "\ntick 400\nanimation stop\n");
    std::string error;
    ASSERT_TRUE(runner.Run(script, error)) << error;

    std::vector<DecodedFrame> frames;
    std::vector<std::uint32_t> screen;
    ASSERT_TRUE(Decode(path.string(), frames, screen));
    ASSERT_GT(frames.size(), 20u);  // the pump turns several times a second
    EXPECT_EQ(frames[0].width, kScreenWidth);
    EXPECT_EQ(frames[0].height, kScreenHeight);
    int total = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        total += frames[i].delay;
        EXPECT_GE(frames[i].delay * 10, GifRecorder::kMinFrameMilliseconds) << i;
        if (i == 0) continue;
        // After the first frame only the pump and the pipes move: small
        // rectangles inside the schematic, never the title or the buttons.
        EXPECT_GT(frames[i].top, 30) << i;
        EXPECT_LT(frames[i].top + frames[i].height, 200) << i;
        EXPECT_LT(frames[i].width * frames[i].height, kScreenWidth * kScreenHeight / 4) << i;
    }
    // The last frame may be stretched to the shortest delay viewers keep.
    EXPECT_GE(total, 400 * kTickMilliseconds / 10);
    EXPECT_LE(total, 400 * kTickMilliseconds / 10 + GifRecorder::kMinFrameMilliseconds / 10);
    // Played to its end, the GIF shows what the panel shows.
    const Rgb565* mirror = runner.Host().Mirror();
    for (int x = 0; x < kScreenWidth; ++x) {
        for (int y = 0; y < kScreenHeight; ++y) {
            const Rgb565 pixel = mirror[FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y))];
            ASSERT_EQ(screen[static_cast<std::size_t>(y) * kScreenWidth + x], Rgb565ToRgb888(pixel)) << x << "," << y;
        }
    }
}

TEST(GifRecorder, KeepsOnlyChangesThatLastAndWritesNothingWhenStopped) {
    const std::filesystem::path path = Temp("frames.gif");
    std::vector<Rgb565> a(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0x0000);
    std::vector<Rgb565> b = a, c = a;
    b[5] = 0xF800;
    c[5] = 0x07E0;
    GifRecorder gif;
    std::string error;
    ASSERT_TRUE(gif.Start(path.string(), error)) << error;
    gif.Frame(a.data(), 1000);
    gif.Frame(a.data(), 1012);  // unchanged: no frame
    gif.Frame(b.data(), 1100);
    gif.Frame(c.data(), 1112);  // b showed for 12 ms: c takes its place
    gif.Frame(a.data(), 1300);
    ASSERT_TRUE(gif.Stop(1500, error)) << error;
    std::vector<DecodedFrame> frames;
    std::vector<std::uint32_t> screen;
    ASSERT_TRUE(Decode(path.string(), frames, screen));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].delay, 10);
    EXPECT_EQ(frames[1].delay, 20);
    EXPECT_EQ(frames[2].delay, 20);
    EXPECT_EQ(frames[1].width * frames[1].height, 1);
    EXPECT_EQ(screen[5 * kScreenWidth], 0u);

    // A recording dropped (or a script that fails) leaves no file behind.
    const std::filesystem::path dropped = Temp("dropped.gif");
    ASSERT_TRUE(gif.Start(dropped.string(), error)) << error;
    gif.Frame(a.data(), 0);
    gif.Abandon();
    for (const auto& entry : std::filesystem::directory_iterator(dropped.parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find("dropped.gif"), std::string::npos) << entry.path();
    }
    ScriptRunner runner;
    std::istringstream bad("animation start " + dropped.string() + "\ntick 5\nanimation start x.gif\n");
    EXPECT_FALSE(runner.Run(bad, error));
    EXPECT_EQ(error, "-:3: animation: an animation is already being recorded into " + dropped.string());
    EXPECT_FALSE(std::filesystem::exists(dropped));
    std::istringstream stop("animation stop\n");
    EXPECT_FALSE(ScriptRunner().Run(stop, error));
    EXPECT_EQ(error, "-:1: animation: no animation is being recorded");
}

}  // namespace
