// The window's capture and file menus: screenshots, animations, touch
// recordings and state files, driven through the form's handlers and ticks.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "host/core/TouchRing.h"
#include "host/export/PngWriter.h"
#include "host/plant/PlantState.h"
#include "host/runner/Runner.h"
#include "host/window/Haupt.h"
#include "host/window/PlantPanel.h"
#include "panel/app/AppState.h"
#include "panel/gfx/Colour.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

class SteppingClock final : public WallClock {
public:
    WallTime now = MakeWallTime(2011, 4, 15, 13, 47, 58);
    WallTime Now() override { return now; }
};

std::vector<Rgb565> MirrorOf(const PanelHost& host) {
    return {host.Mirror(), host.Mirror() + kScreenWidth * kScreenHeight};
}

// A window whose ticks the test runs and whose dialogs answer from `answers`
// (one per question; an empty one cancels) and `discard`.
struct Window {
    SteppingClock clock;
    THaupt haupt{&clock};
    std::vector<QString> answers;
    std::vector<QString> errors;
    std::vector<QString> questions;
    bool discard = true;

    Window() {
        haupt.TimerRefresh->stop();
        haupt.askSaveFileName = [this](const QString&, const QString&, const QString&) { return Next(); };
        haupt.askOpenFileName = [this](const QString&, const QString&, const QString&) { return Next(); };
        haupt.askDiscard = [this](const QString& question) {
            questions.push_back(question);
            return discard;
        };
        haupt.showError = [this](const QString& message) { errors.push_back(message); };
    }
    QString Next() {
        if (answers.empty()) return {};
        const QString answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void Answer(const std::filesystem::path& path) { answers.push_back(QString::fromStdString(path.string())); }
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
    void Click(const char* button) { haupt.plantPanel->findChild<QPushButton*>(QString::fromLatin1(button))->click(); }
};

// Plays a saved script in the runner, as kandorelle-cli would, and returns
// the screen it ends on.
std::vector<Rgb565> Replay(const std::filesystem::path& path) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(ReadAll(path), path.string(), errors);
    EXPECT_TRUE(errors.empty()) << errors.front().Text();
    ScriptRunner runner;
    ScriptError error;
    EXPECT_EQ(runner.Execute(script, error), ScriptStatus::Ran) << error.Text();
    return MirrorOf(runner.Host());
}

// A recording starts from the state the panel is in (here one opened from a
// file), keeps the Plant panel's actions, and plays back in the runner to
// the window's screen.
TEST(Capture, RecordedTouchesStartFromTheCurrentStateAndPlayBackToTheSameScreen) {
    const auto folder = FreshFolder("recording");
    Window w;
    w.haupt.mnuZoom200->trigger();
    w.Ticks(50);
    {
        PlantValue frost;
        std::string why;
        ASSERT_TRUE(PlantModel::Parse("frost", "on", frost, why));
        w.haupt.Plant().Set(frost);
        Settings.language = 6;
        std::string error;
        ASSERT_TRUE(SaveState((folder / "scenario.json").string(), w.haupt.Plant(),
                              MakeWallTime(2026, 12, 6, 13, 47, 0), error));
    }
    w.haupt.Plant().Reset();
    Settings.language = 0;
    w.Answer(folder / "scenario.json");
    w.haupt.mnuOpenState->trigger();
    ASSERT_TRUE(w.errors.empty()) << w.errors[0].toStdString();
    EXPECT_EQ(Settings.language, 6);
    w.Ticks(50);
    w.Tap(w.Button(Button::kMenu), 4);  // wanders off before the recording
    w.Ticks(40);

    w.haupt.mnuRecordTouchesClick();  // starts again from the start page, in the opened state
    ASSERT_TRUE(w.haupt.Recorder().Recording());
    EXPECT_TRUE(w.haupt.windowTitle().endsWith(QStringLiteral("recording touches")));
    EXPECT_EQ(w.haupt.Plant().Format(*PlantModel::Find("frost")), "on");
    w.Ticks(60);
    w.Tap(w.Button(Button::kMenu), 3);
    w.Ticks(50);
    // A drag that leaves the window, then the minute turns.
    w.haupt.FormMouseDown(Qt::LeftButton, 200, 2 * 90);
    w.haupt.FormMouseMove(210, 2 * 92);
    w.Ticks(2);
    w.haupt.FormMouseMove(-40, 2 * 250);
    w.Ticks(1);
    w.haupt.FormMouseUp(Qt::LeftButton);
    w.Ticks(30);
    w.clock.now = MakeWallTime(2011, 4, 15, 13, 48, 1);
    w.Tap(w.Button(Button::kHome), 5);
    w.haupt.plantPanel->FaultList()->setCurrentIndex(22);
    w.Click("historyButton");
    w.Click("raiseButton");
    w.Ticks(100);

    w.answers = {QString(), QString::fromStdString((folder / "walk").string())};
    w.discard = false;  // the first dialog is cancelled, and the recording kept
    w.haupt.mnuRecordTouchesClick();
    EXPECT_FALSE(w.haupt.Recorder().Recording());
    EXPECT_EQ(w.questions.size(), 1u);
    EXPECT_TRUE(w.errors.empty());
    const std::string script = ReadAll(folder / "walk.txt");
    EXPECT_EQ(script.rfind("# Recorded", 0), 0u) << script;
    EXPECT_NE(script.find("\nstate load \"walk.state.json\"\nclock 2026-12-06 13:47:00\ntick 60\npress "),
              std::string::npos)
        << script;
    EXPECT_NE(script.find("\nhistory add 22 2026-12-06 13:47:03\nfault 22\ntick 100\n"), std::string::npos) << script;
    EXPECT_TRUE(std::filesystem::exists(folder / "walk.state.json"));

    const std::vector<Rgb565> windowScreen = MirrorOf(w.haupt.Host());
    const FaultHistoryEntry newest = FaultHistory[0];
    EXPECT_TRUE(Replay(folder / "walk.txt") == windowScreen);
    EXPECT_EQ(std::memcmp(&FaultHistory[0], &newest, sizeof newest), 0);
    EXPECT_EQ(Settings.language, 6);
}

// Cancelling the save and confirming throws the recording away; so does
// the window's close, which asks first.
TEST(Capture, ARecordingIsThrownAwayOnlyWhenTheUserSaysSo) {
    Window w;
    w.haupt.mnuRecordTouchesClick();
    w.Ticks(5);
    w.haupt.mnuRecordTouchesClick();
    EXPECT_EQ(w.questions.size(), 1u);
    EXPECT_FALSE(w.haupt.Recorder().Recording());
    EXPECT_EQ(w.haupt.windowTitle(), QStringLiteral("Kandorelle II V1.05 15.04.2011"));

    const auto folder = FreshFolder("closing");
    w.haupt.show();
    w.haupt.mnuRecordTouchesClick();
    w.Ticks(5);
    w.Answer(folder / "closed.txt");
    w.haupt.close();
    EXPECT_FALSE(w.haupt.Recorder().Recording());
    EXPECT_TRUE(std::filesystem::exists(folder / "closed.txt"));
    EXPECT_TRUE(std::filesystem::exists(folder / "closed.state.json"));
}

// The picture is the one of the moment of the key press, even when the panel
// changes while the dialog is open; a name without .png gets it.
TEST(Capture, ScreenshotsAreTakenAtTheKeyPressAndNamedAsPictures) {
    const auto folder = FreshFolder("shots");
    Window w;
    w.haupt.mnuZoom300->trigger();
    w.Ticks(80);
    const QImage before = w.haupt.Screenshot(false);
    w.haupt.askSaveFileName = [&](const QString&, const QString&, const QString&) {
        FramebufferAt(10, 20) = 0xF800;  // the panel goes on while the dialog is open
        w.Ticks(1);
        return QString::fromStdString((folder / "plain").string());
    };
    w.haupt.mnuSaveScreenshot->trigger();
    w.haupt.askSaveFileName = [&](const QString&, const QString&, const QString&) {
        return QString::fromStdString((folder / "zoomed.PNG").string());
    };
    w.haupt.mnuSaveZoomedScreenshotClick();

    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::string error;
    ASSERT_TRUE(ReadPng((folder / "plain.png").string(), width, height, rgb, error)) << error;
    EXPECT_EQ(QSize(width, height), QSize(320, 240));
    EXPECT_EQ(rgb[20 * 320 + 10], before.pixel(10, 20) & 0xFFFFFFu);
    EXPECT_NE(rgb[20 * 320 + 10], 0xFF0000u);
    ASSERT_TRUE(ReadPng((folder / "zoomed.PNG").string(), width, height, rgb, error)) << error;
    EXPECT_EQ(QSize(width, height), QSize(960, 720));

    w.haupt.mnuCopyScreenshot->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(320, 240));

    w.haupt.askSaveFileName = [](const QString&, const QString&, const QString&) {
        return QStringLiteral("/no/such/folder/x.png");
    };
    w.haupt.mnuSaveScreenshot->trigger();
    ASSERT_EQ(w.errors.size(), 1u);
    EXPECT_TRUE(w.errors[0].contains(QStringLiteral("/no/such/folder/x.png"))) << w.errors[0].toStdString();
}

// Touches shown: the ring is in the pictures and nowhere else, and the
// panel's own framebuffer never holds it.
TEST(Capture, TheTouchRingIsInThePicturesOnly) {
    Window w;
    w.Ticks(300);
    w.haupt.FormMouseDown(Qt::LeftButton, 160, 120);
    w.Ticks(1);
    const std::vector<Rgb565> panel = MirrorOf(w.haupt.Host());
    for (const bool zoomed : {false, true}) {
        const QImage plain = w.haupt.Screenshot(zoomed);
        w.haupt.mnuShowTouches->trigger();
        const QImage ringed = w.haupt.Screenshot(zoomed);
        w.haupt.mnuShowTouches->trigger();
        const DirtyRect area = TouchRingArea(zoomed ? w.haupt.Host().Zoom() : 1, 160, 120);
        int differing = 0;
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) {
                if (plain.pixel(x, y) == ringed.pixel(x, y)) continue;
                ++differing;
                EXPECT_TRUE(x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1) << x << "," << y;
            }
        }
        EXPECT_GT(differing, 50);
    }
    w.haupt.mnuShowTouches->trigger();
    w.Ticks(3);
    EXPECT_TRUE(MirrorOf(w.haupt.Host()) == panel);
}

TEST(Capture, RecordsAnAnimationBetweenTwoClicks) {
    const auto folder = FreshFolder("animation");
    Window w;
    w.Ticks(60);
    w.Answer(folder / "window");
    w.haupt.mnuRecordAnimation->trigger();
    EXPECT_TRUE(w.haupt.RecordingAnimation());
    EXPECT_TRUE(w.haupt.windowTitle().endsWith(QStringLiteral("recording animation")));
    w.Ticks(250);
    w.haupt.mnuRecordAnimation->trigger();
    EXPECT_FALSE(w.haupt.RecordingAnimation());

    int code = 0;
    GifFileType* gif = DGifOpenFileName((folder / "window.gif").c_str(), &code);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, kScreenWidth);
    EXPECT_GT(gif->ImageCount, 10);  // the pump turns
    DGifCloseFile(gif, &code);

    // A recording still running when the window goes is written.
    {
        Window closing;
        closing.Answer(folder / "closed.gif");
        closing.haupt.mnuRecordAnimation->trigger();
        closing.Ticks(30);
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "closed.gif"));
}

// The runner replays the session once per language: seven pictures of the
// page the window shows, the German one equal to the window's own.
TEST(Capture, SavesThePageInAllSevenLanguages) {
    const auto folder = FreshFolder("languages");
    Window w;
    w.Ticks(50);
    w.Tap(w.Button(Button::kMenu), 3);
    w.Ticks(100);
    const QImage shown = w.haupt.Screenshot(false);
    w.Answer(folder / "menu.png");
    w.haupt.mnuSaveAllLanguages->trigger();
    EXPECT_TRUE(w.haupt.SavingLanguages());
    QElapsedTimer waited;
    waited.start();
    while (w.haupt.SavingLanguages() && waited.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_TRUE(w.errors.empty()) << w.errors[0].toStdString();
    std::vector<std::uint32_t> pictures[7];
    int index = 0;
    for (const char* code : {"de", "en", "fr", "it", "es", "nl", "pl"}) {
        int width = 0, height = 0;
        std::string error;
        ASSERT_TRUE(ReadPng((folder / ("menu-" + std::string(code) + ".png")).string(), width, height,
                            pictures[index++], error))
            << error;
    }
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) ASSERT_EQ(pictures[0][y * 320 + x], shown.pixel(x, y) & 0xFFFFFFu);
    }
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[6]);
}

}  // namespace
