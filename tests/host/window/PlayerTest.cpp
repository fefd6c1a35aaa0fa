// Runner scripts played live in the window: a trainer's exercise with a
// state to start from and a timed fault, paused, stepped and played out.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <fstream>

#include "host/plant/PlantState.h"
#include "host/window/Haupt.h"
#include "host/window/ScriptPlayer.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"
#include "tests/host/TestFolder.h"

namespace {

class PinnedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 13, 47, 0); }
};

struct Window {
    PinnedClock clock;
    THaupt haupt{&clock};
    std::vector<QString> reports;
    Window() {
        haupt.TimerRefresh->stop();
        haupt.showError = [this](const QString& message) { reports.push_back(message); };
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) haupt.TimerRefreshTimer();
    }
};

void Write(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

TEST(Player, PlaysATrainersExerciseWithPauseAndStep) {
    const auto folder = FreshFolder("exercise");
    {
        Window prepare;
        Settings.language = 1;
        std::string error;
        ASSERT_TRUE(SaveState((folder / "start.json").string(), prepare.haupt.Plant(),
                              MakeWallTime(2026, 12, 6, 6, 30, 0), error));
    }
    ResetFirmwareState();
    Write(folder / "exercise.txt",
          "state load start.json\n"
          "at 2s fault 22   # the collector sensor fails\n"
          "tick 100\n"
          "tap menu\n"
          "wait page menu\n"
          "repeat 4 { tick 25 }\n"
          "expect fault 22\n"
          "wait page 3 20\n");  // never comes: the menu stays
    Window w;
    QString error;
    ASSERT_TRUE(w.haupt.PlayScriptFile(QString::fromStdString((folder / "exercise.txt").string()), error))
        << error.toStdString();
    w.Ticks(1);
    EXPECT_EQ(Settings.language, 1);
    EXPECT_EQ(FormatWallTime(PanelClockTime()), "2026-12-06 06:30:00");
    EXPECT_TRUE(w.haupt.windowTitle().endsWith(QStringLiteral("playing exercise.txt:3")))
        << w.haupt.windowTitle().toStdString();

    // Paused, the panel lives on but the script waits: the fault stays away.
    w.haupt.mnuPlayScript->trigger();
    EXPECT_TRUE(w.haupt.Player().Paused());
    w.Ticks(300);
    EXPECT_EQ(Settings.faultCode, 0);
    EXPECT_TRUE(w.haupt.windowTitle().endsWith(QStringLiteral("paused at exercise.txt:3")));

    // Steps: the rest of `tick 100`, then the tap of the menu button, which
    // waits for it to be drawn.
    for (const char* where : {"exercise.txt:4", "exercise.txt:5"}) {
        w.haupt.mnuStepScript->trigger();
        w.Ticks(120);
        EXPECT_TRUE(w.haupt.Player().Paused());
        EXPECT_EQ(w.haupt.Player().Where(), QString::fromLatin1(where));
    }
    EXPECT_EQ(AppState.currentPage, Page::kMenu);

    w.haupt.mnuPlayScript->trigger();  // resumes
    w.Ticks(300);
    EXPECT_FALSE(w.haupt.Player().Active());
    EXPECT_EQ(Settings.faultCode, 22);
    ASSERT_EQ(w.reports.size(), 1u);
    EXPECT_TRUE(w.reports[0].contains(QStringLiteral("exercise.txt:8: waited 240 ms for page ")))
        << w.reports[0].toStdString();
    EXPECT_FALSE(w.reports[0].contains(QLatin1Char('\n'))) << "one failure only: " << w.reports[0].toStdString();
    EXPECT_EQ(w.haupt.windowTitle(), QStringLiteral("Kandorelle II V1.05 15.04.2011"));
}

TEST(Player, RefusesAScriptWithAnyBadLineAndStops) {
    const auto folder = FreshFolder("bad-exercise");
    Write(folder / "bad.txt", "tick 10\nat soon fault 22\nclose\n");
    Window w;
    QString error;
    EXPECT_FALSE(w.haupt.PlayScriptFile(QString::fromStdString((folder / "bad.txt").string()), error));
    EXPECT_TRUE(error.contains(QStringLiteral("bad.txt:2: at: the time 'soon' is not N (ticks), Ns or Nms")))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("bad.txt:3: close: a script played in the window does not close it")));

    Write(folder / "long.txt", "tick 1000\nfault 22\n");
    ASSERT_TRUE(w.haupt.PlayScriptFile(QString::fromStdString((folder / "long.txt").string()), error));
    w.Ticks(10);
    w.haupt.mnuStopScript->trigger();
    w.Ticks(1000);
    EXPECT_FALSE(w.haupt.Player().Active());
    EXPECT_EQ(Settings.faultCode, 0);
    EXPECT_TRUE(w.reports.empty());
}

}  // namespace
