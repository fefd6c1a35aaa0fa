#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

TEST(AppNavigation, HomeLeavesEveryPageAndEndsTheWizard) {
    PanelDriver panel;
    for (u8 page = Page::kMenu; page < Page::kConfirmDialog; ++page) {
        panel.Show(page);
        AppState.wizardMode = 1;
        panel.TapHome();
        EXPECT_EQ(panel.Page(), Page::kStart) << "from page " << int(page);
        EXPECT_EQ(AppState.wizardMode, 0);
    }
    panel.Show(Page::kCommissioningRun);
    ControllerLink.commissioningRunning = 1;
    panel.TapHome();
    EXPECT_EQ(ControllerLink.commissioningRunning, 0);
    EXPECT_EQ(ControllerLink.commissioningAborted, 1);
}

TEST(AppNavigation, AHeldButtonActsOnceAndAgainAfterTheHold) {
    PanelDriver panel;
    panel.Show(Page::kMenu);
    std::vector<bool> clicked;  // at each action
    const std::vector<int> changes = panel.ChangesWhileHeld(2, 3010, [&, row = -1]() mutable {
        if (AppState.selectedRow != row && row >= 0) clicked.push_back(GetSignalCountdown() > 0);
        row = AppState.selectedRow;
        return row;
    });
    EXPECT_EQ(changes, (std::vector<int>{2, 2 + 1501, 2 + 2 * 1501}));
    EXPECT_EQ(clicked, (std::vector<bool>{true, false, false}));  // only the first action of a press clicks
}

}  // namespace
