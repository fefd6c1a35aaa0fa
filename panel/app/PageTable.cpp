#include "panel/app/PageTable.h"

#include <iterator>

#include "panel/app/pages/Checks.h"
#include "panel/app/pages/Commissioning.h"
#include "panel/app/pages/Dialogs.h"
#include "panel/app/pages/Faults.h"
#include "panel/app/pages/Measurements.h"
#include "panel/app/pages/Menu.h"
#include "panel/app/pages/Settings.h"
#include "panel/app/pages/Start.h"
#include "panel/app/pages/SystemData.h"
#include "panel/app/pages/Yields.h"

constexpr const PageRecord* PageTable[] = {
    &StartPage,                     // Page::kStart
    &MenuPage,                      // Page::kMenu
    &TemperaturesPage,              // Page::kMeasurement
    &FlowPage,                      // Page::kMeasurementFlow
    &ExtraSensorsPage,              // Page::kMeasurementExtra
    &CollectorChartPage,            // Page::kCollectorChart
    &YieldsPage,                    // Page::kSolarYields
    &DailyYieldChartPage,           // Page::kDailyYieldChart
    &DeleteYieldQuestionPage,       // Page::kDeleteYieldQuestion
    &YieldDeletedPage,              // Page::kYieldDeleted
    &WarmWaterPage,                 // Page::kWarmWater
    &LoadStrategyPage,              // Page::kLoadStrategy
    &LoadStrategyListPage,          // Page::kLoadStrategyList
    &TimePage,                      // Page::kTime
    &DatePage,                      // Page::kDate
    &LanguagePage,                  // Page::kLanguage
    &LanguageListPage,              // Page::kLanguageList
    &ShortcutPage,                  // Page::kShortcut
    &ShortcutListPage,              // Page::kShortcutList
    &AccessCodePage,                // Page::kAccessCode
    &WrongAccessCodePage,           // Page::kWrongAccessCode
    &SupplementaryPage,             // Page::kSupplementary
    &SupplementaryListPage,         // Page::kSupplementaryList
    &MaxTankPage,                   // Page::kMaxTank
    &MaxTank2Page,                  // Page::kMaxTank2
    &MaxSupplyPage,                 // Page::kMaxSupply
    &FaultsEntryPage,               // Page::kFaultsEntry
    &OperatingModePage,             // Page::kOperatingMode
    &OperatingModeListPage,         // Page::kOperatingModeList
    &ControllerStatusPage,          // Page::kControllerStatus
    &RuntimePage,                   // Page::kRuntime
    &SolarPumpPage,                 // Page::kSolarPump
    &ZoneValvePage,                 // Page::kZoneValve
    &ZoneValveListPage,             // Page::kZoneValveList
    &SwitchingValvePage,            // Page::kSwitchingValve
    &SwitchingValveListPage,        // Page::kSwitchingValveList
    &AlarmTransducerPage,           // Page::kAlarmTransducer
    &AlarmTransducerListPage,       // Page::kAlarmTransducerList
    &CommissioningEntryPage,        // Page::kCommissioningEntry
    &VersionsPage,                  // Page::kVersions
    &CommissioningQuestionPage,     // Page::kCommissioningQuestion
    &CommissioningRunPage,          // Page::kCommissioningRun
    &CommissioningNotPossiblePage,  // Page::kCommissioningNotPossible
    &CurrentFaultPage,              // Page::kCurrentFault
    &FaultHistoryPage,              // Page::kFaultHistory
    &ConfirmDialogPage,             // Page::kConfirmDialog
};
static_assert(std::size(PageTable) == kPageCount, "one record per page id");

namespace {

constexpr PageRecord kUnknownPage = {.names = Names("unknown page", "unknown-page")};

}  // namespace

const PageRecord& PageRecordAt(u8 page) { return page < kPageCount ? *PageTable[page] : kUnknownPage; }

const PageDescriptor& PageAt(u8 page) { return PageRecordAt(page).nav; }

const PageView& PageViewAt(u8 page) { return PageRecordAt(page).view; }

bool IsListPage(u8 page) { return (PageViewAt(page).flags & PageFlag::kList) != 0; }

u8 ListRowCount(u8 page) {
    const PageView& view = PageViewAt(page);
    return view.rowCount != nullptr ? view.rowCount() : static_cast<u8>(view.rows.size());
}
