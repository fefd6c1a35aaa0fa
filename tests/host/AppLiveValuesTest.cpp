// The live values: the pump wheel's pace, and how little a quiet page queues.
// What the pages show of the plant is walked by the runner scripts
// (plant.txt, measurements.txt, fault.txt, zeros.txt).
#include <gtest/gtest.h>

#include <vector>

#include "panel/Firmware.h"
#include "panel/app/Plant.h"
#include "panel/dl/DisplayList.h"
#include "tests/host/PanelDriver.h"

namespace {

struct Field {
    int x0, y0, x1, y1;
};

std::vector<Rgb565> Region(const PanelDriver& panel, Field f) {
    std::vector<Rgb565> pixels;
    for (int x = f.x0; x <= f.x1; ++x) {
        for (int y = f.y0; y <= f.y1; ++y) pixels.push_back(panel.Pixel(x, y));
    }
    return pixels;
}

// What RefreshPage queues when nothing has changed.
u16 BytesQueuedByRefresh() {
    const u16 before = DlBytesUsed();
    RefreshPage();
    return static_cast<u16>(DlBytesUsed() - before);
}

// What the placeholders and the start page's rounding look like is the
// measurements script's; here, that a placeholder is drawn once.
TEST(AppLiveValues, PlaceholdersAreDrawnOnce) {
    PanelDriver panel;
    Plant.sensorFault = SensorFault::kCollector;
    Plant.tankTopPresent = 0;
    panel.Show(Page::kMeasurement);
    EXPECT_EQ(BytesQueuedByRefresh(), 0);
}

// The ticks between changes of the pump wheel's picture.
std::vector<int> WheelPeriods(PanelDriver& panel, int ticks) {
    std::vector<int> periods;
    const Field wheel{206, 148, 229, 168};
    std::vector<Rgb565> last = Region(panel, wheel);
    for (int t = 1, turn = -1; t <= ticks; ++t) {
        panel.Ticks(1);
        std::vector<Rgb565> now = Region(panel, wheel);
        if (now != last && turn >= 0) periods.push_back(t - turn);
        if (now != last) turn = t;
        last = std::move(now);
    }
    return periods;
}

TEST(AppLiveValues, PumpWheelTurnsWithTheSpeed) {
    PanelDriver panel;
    panel.Show(Page::kStart);
    Plant.pumpSpeed = 1000;
    EXPECT_EQ(WheelPeriods(panel, 40), std::vector<int>(7, 5));

    Plant.pumpSpeed = 20;  // 5000 / 20 = 250 ticks, capped at 200
    EXPECT_EQ(WheelPeriods(panel, 650), std::vector<int>(2, 200));

    Plant.pumpSpeed = 0;
    panel.Ticks(1);
    EXPECT_TRUE(WheelPeriods(panel, 450).empty());  // two turns would show even at the slowest period
}

TEST(AppLiveValues, QuietPagesQueueNothing) {
    PanelDriver panel;
    for (u8 page : {Page::kMenu, Page::kMeasurement, Page::kMeasurementFlow, Page::kMeasurementExtra,
                    Page::kSolarYields, Page::kTime, Page::kControllerStatus, Page::kRuntime, Page::kSolarPump,
                    Page::kCommissioningRun, Page::kCurrentFault}) {
        panel.Show(page);
        EXPECT_EQ(DlBytesUsed(), 0) << "page " << int{page};
        EXPECT_EQ(BytesQueuedByRefresh(), 0) << "page " << int{page};
    }
}

}  // namespace
