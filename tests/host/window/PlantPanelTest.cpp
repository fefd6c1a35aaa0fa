#include "host/PlantPanel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "host/Haupt.h"
#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/hw/LcdQueue.h"
#include "panel/settings/Settings.h"

namespace {

class PinnedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 13, 47, 0); }
};

void Ticks(THaupt& haupt, int n) {
    for (int i = 0; i < n; ++i) haupt.TimerRefreshTimer();
}

Rgb565 Pixel(int x, int y) { return FramebufferAt(static_cast<u16>(x), static_cast<u16>(y)); }

TEST(PlantPanel, HiddenAtStartAndShownFromTheMenu) {
    PinnedClock clock;
    THaupt haupt(&clock);
    ASSERT_NE(haupt.plantPanel, nullptr);
    EXPECT_FALSE(haupt.plantPanel->isVisible());
    EXPECT_EQ(haupt.size(), QSize(320, 240));
    haupt.show();
    haupt.mnuPlant->trigger();
    EXPECT_TRUE(haupt.plantPanel->isVisible());
    EXPECT_TRUE(haupt.mnuPlant->isChecked());
    EXPECT_EQ(haupt.size(), QSize(320, 240)) << "the display keeps its size";
    haupt.mnuPlant->trigger();
    EXPECT_FALSE(haupt.plantPanel->isVisible());
    EXPECT_FALSE(haupt.mnuPlant->isChecked());
}

TEST(PlantPanel, RaisingAFaultTurnsTheLampRedAndNamesIt) {
    PinnedClock clock;
    THaupt haupt(&clock);
    Ticks(haupt, 300);
    EXPECT_EQ(Pixel(308, 16), 0x03E0);
    PlantPanel& panel = *haupt.plantPanel;
    panel.FaultList()->setCurrentIndex(22);
    panel.findChild<QPushButton*>(QStringLiteral("raiseButton"))->click();
    Ticks(haupt, 5);
    EXPECT_EQ(Pixel(308, 16), 0xF800);
    EXPECT_EQ(Settings.faultCode, 22);
    EXPECT_EQ(panel.FaultList()->itemText(22), QStringLiteral("22 Ausfall Kollektorf\u00FChler"));
    GoToPage(Page::kCurrentFault);
    Ticks(haupt, 100);
    panel.Refresh();
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("pageLabel"))->text(), QStringLiteral("43 current fault"));
    panel.findChild<QPushButton*>(QStringLiteral("clearButton"))->click();
    Ticks(haupt, 20);
    EXPECT_EQ(Pixel(308, 16), 0x03E0);
}

TEST(PlantPanel, ASpinBoxSetsItsValueAndShowsTheFirmwaresOwn) {
    PinnedClock clock;
    THaupt haupt(&clock);
    PlantPanel& panel = *haupt.plantPanel;
    auto* collector = panel.findChild<QDoubleSpinBox*>(QStringLiteral("collector"));
    ASSERT_NE(collector, nullptr);
    EXPECT_DOUBLE_EQ(collector->value(), 82.3);
    collector->setValue(95.5);
    EXPECT_EQ(Plant.collectorTemp, 955);
    Plant.collectorTemp = 123;  // as if the firmware had changed it
    panel.Refresh();
    EXPECT_DOUBLE_EQ(collector->value(), 12.3);
    panel.findChild<QPushButton*>(QStringLiteral("resetButton"))->click();
    EXPECT_EQ(Plant.collectorTemp, 823);
}

}  // namespace
