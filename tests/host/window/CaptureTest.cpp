// The window's capture menu: screenshots, animations and touch recordings,
// driven through the form's handlers and ticks.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/Haupt.h"
#include "host/PngWriter.h"
#include "host/Runner.h"
#include "panel/app/AppState.h"
#include "panel/gfx/Colour.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/TouchStage.h"

namespace {

class SteppingClock final : public WallClock {
public:
    WallTime now = MakeWallTime(2011, 4, 15, 13, 47, 58);
    WallTime Now() override { return now; }
};

std::vector<Rgb565> MirrorOf(const PanelHost& host) {
    return {host.Mirror(), host.Mirror() + kScreenWidth * kScreenHeight};
}

void SetPlant(PlantModel& plant, const std::string& name, const std::string& value) {
    PlantValue parsed;
    std::string error;
    ASSERT_TRUE(PlantModel::Parse(name, value, parsed, error)) << error;
    plant.Set(parsed);
}

std::string TempPath(const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove(path);
    return path.string();
}

// A window whose ticks the test runs and whose save dialogs answer `answer`.
struct Window {
    SteppingClock clock;
    THaupt haupt{&clock};
    QString answer;
    std::vector<QString> errors;

    Window() {
        haupt.TimerRefresh->stop();
        haupt.askSaveFileName = [this](const QString&, const QString&, const QString&) { return answer; };
        haupt.showError = [this](const QString& message) { errors.push_back(message); };
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) haupt.TimerRefreshTimer();
    }
    // The centre of a bottom-bar button, in window pixels.
    QPoint Button(ButtonId id) const {
        for (u8 slot = 0; slot < kTouchRegionCount; ++slot) {
            const TouchRegion* r = TouchRegionAt(slot);
            if (r != nullptr && r->id >= 0 && (r->id & 0xFF) == id) {
                const int zoom = const_cast<THaupt&>(haupt).Host().Zoom();
                return {(r->x1 + r->x2) / 2 * zoom, (r->y1 + r->y2) / 2 * zoom};
            }
        }
        ADD_FAILURE() << "no button " << int(id);
        return {};
    }
    void Tap(QPoint p, int ticks) {
        haupt.FormMouseDown(Qt::LeftButton, p.x(), p.y());
        Ticks(ticks);
        haupt.FormMouseUp(Qt::LeftButton);
    }
};

// Plays a recorded script in the runner. The plant lines go through a plant
// model of the test's own, which the runner's ticks then apply.
std::vector<Rgb565> Replay(const std::string& script) {
    ScriptRunner runner;
    PlantModel plant;
    std::istringstream lines(script);
    std::string line, chunk, error;
    bool hooked = false;
    const auto play = [&] {
        std::istringstream in(chunk);
        EXPECT_TRUE(runner.Run(in, error)) << error;
        chunk.clear();
    };
    while (std::getline(lines, line)) {
        if (line.rfind("set ", 0) != 0) {
            chunk += line + "\n";
            continue;
        }
        play();
        if (!hooked) runner.Host().SetPlantHook([&plant] { plant.Apply(); });
        hooked = true;
        std::istringstream words(line.substr(4));
        std::string name, value;
        words >> name >> value;
        SetPlant(plant, name, value);
    }
    play();
    return MirrorOf(runner.Host());
}

TEST(Capture, RecordedTouchesPlayBackToTheSameScreenInTheRunner) {
    Window w;
    w.haupt.mnuZoom200->trigger();
    w.Ticks(50);
    w.Tap(w.Button(Button::kMenu), 4);  // wanders off before the recording
    w.Ticks(40);

    w.haupt.mnuRecordTouchesClick();  // starts again from the start page
    ASSERT_TRUE(w.haupt.Recorder().Recording());
    EXPECT_EQ(w.haupt.mnuRecordTouches->text(), QStringLiteral("Stop recording\tF3"));
    w.Ticks(60);
    w.Tap(w.Button(Button::kMenu), 3);
    w.Ticks(50);
    // Settings, then the language list; a drag that leaves the window.
    w.haupt.FormMouseDown(Qt::LeftButton, 200, 2 * 90);
    w.haupt.FormMouseMove(210, 2 * 92);
    w.haupt.FormMouseMove(210, 2 * 92);
    w.Ticks(2);
    w.haupt.FormMouseMove(-40, 2 * 250);
    w.Ticks(1);
    w.haupt.FormMouseUp(Qt::LeftButton);
    w.Ticks(30);
    w.Tap(w.Button(Button::kSelect), 2);
    w.Ticks(40);
    w.clock.now = MakeWallTime(2011, 4, 15, 13, 48, 1);  // the minute turns while recording
    w.Tap(w.Button(Button::kHome), 5);
    SetPlant(w.haupt.Plant(), "fault", "22");  // from the Plant panel: the lamp turns red
    SetPlant(w.haupt.Plant(), "collector", "95.5");
    w.Ticks(100);

    const std::string path = TempPath("recorded.txt");
    w.answer = QString::fromStdString(path);
    w.haupt.mnuRecordTouchesClick();
    EXPECT_FALSE(w.haupt.Recorder().Recording());
    EXPECT_TRUE(w.errors.empty());
    std::ifstream file(path);
    const std::string script((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(script.find("\nclock 2011-04-15 13:47:58\ntick 60\npress "), std::string::npos) << script;
    EXPECT_NE(script.find("\nclock 2011-04-15 13:48:01\n"), std::string::npos) << script;
    EXPECT_NE(script.find("\ndrag 0 239\n"), std::string::npos) << script;
    EXPECT_NE(script.find("\nrelease\nset collector 95.5\nset collector.faulty off\nset fault 22\ntick 100\n"),
              std::string::npos)
        << script;

    const std::vector<Rgb565> windowScreen = MirrorOf(w.haupt.Host());
    EXPECT_EQ(AppState.currentPage, Page::kStart);
    EXPECT_TRUE(Replay(script) == windowScreen);
}

TEST(Capture, ScreenshotsAtPanelPixelsOrZoomedAndToTheClipboard) {
    Window w;
    w.haupt.mnuZoom300->trigger();
    w.Ticks(80);
    const std::string plain = TempPath("plain.png");
    const std::string zoomed = TempPath("zoomed.png");
    w.answer = QString::fromStdString(plain);
    w.haupt.mnuSaveScreenshot->trigger();
    w.answer = QString::fromStdString(zoomed);
    w.haupt.mnuSaveZoomedScreenshotClick();
    w.answer.clear();  // cancelled: nothing is written
    w.haupt.mnuSaveScreenshot->trigger();

    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::string error;
    ASSERT_TRUE(ReadPng(plain, width, height, rgb, error)) << error;
    EXPECT_EQ(QSize(width, height), QSize(320, 240));
    EXPECT_EQ(rgb[20 * 320 + 10], Rgb565ToRgb888(w.haupt.Host().Mirror()[FramebufferIndex(10, 20)]));
    ASSERT_TRUE(ReadPng(zoomed, width, height, rgb, error)) << error;
    EXPECT_EQ(QSize(width, height), QSize(960, 720));

    w.haupt.mnuCopyScreenshot->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(320, 240));

    w.answer = QStringLiteral("/no/such/folder/x.png");
    w.haupt.mnuSaveScreenshot->trigger();
    ASSERT_EQ(w.errors.size(), 1u);
    EXPECT_TRUE(w.errors[0].contains(QStringLiteral("/no/such/folder/x.png"))) << w.errors[0].toStdString();
}

TEST(Capture, RecordsAnAnimationBetweenTwoClicks) {
    Window w;
    w.Ticks(60);
    const std::string path = TempPath("window.gif");
    w.answer = QString::fromStdString(path);
    w.haupt.mnuRecordAnimation->trigger();
    EXPECT_TRUE(w.haupt.RecordingAnimation());
    EXPECT_TRUE(w.haupt.mnuRecordAnimation->isChecked());
    w.Ticks(250);
    EXPECT_FALSE(std::filesystem::exists(path));  // written when it stops
    w.haupt.mnuRecordAnimation->trigger();
    EXPECT_FALSE(w.haupt.RecordingAnimation());
    EXPECT_FALSE(w.haupt.mnuRecordAnimation->isChecked());

    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, kScreenWidth);
    EXPECT_GT(gif->ImageCount, 10);  // the pump turns
    DGifCloseFile(gif, &code);

    // A recording still running when the window goes is written.
    const std::string last = TempPath("closed.gif");
    {
        Window closing;
        closing.answer = QString::fromStdString(last);
        closing.haupt.mnuRecordAnimation->trigger();
        closing.Ticks(30);
    }
    EXPECT_TRUE(std::filesystem::exists(last));
}

}  // namespace
