// One row per page: its navigation (title, section icon, bottom bar, targets
// of back, previous, next and cancel) and its view (labels, list rows, free
// touch, build and refresh routines).
#include "panel/app/PageTable.h"

#include <array>
#include <utility>

#include "panel/app/Charts.h"
#include "panel/app/Layout.h"
#include "panel/app/Refresh.h"
#include "panel/app/Schematic.h"

namespace {

constexpr u8 N = Button::kNone;
constexpr TextId kNoTitle = kNoText;

// The menu section whose icon a page's title shows (image table 4, index + 1).
namespace Section {
constexpr u8 kNone = 0;
constexpr u8 kMeasurement = 1;
constexpr u8 kYields = 2;
constexpr u8 kSettings = 3;
constexpr u8 kSystemData = 4;
constexpr u8 kCheck = 5;
constexpr u8 kFaults = 7;
}  // namespace Section

using Bar = std::array<ButtonId, 4>;
using namespace Button;
constexpr Bar kNoBar = {N, N, N, N};
constexpr Bar kListBar = {kCancel, kPrevious, kNext, kConfirm};
constexpr Bar kQuestionBar = {kCancel, N, N, kConfirm};
constexpr Bar kBackOnly = {kBack, N, N, N};
constexpr Bar kChartBar = {kBack, N, kNext, kChart};
constexpr Bar kBackPrevious = {kBack, kPrevious, N, N};
constexpr Bar kSettingBar = {kBack, kPrevious, kNext, kEdit};
constexpr Bar kLastSettingBar = {kBack, kPrevious, N, kEdit};
constexpr Bar kFirstSettingBar = {kBack, N, kNext, kEdit};
constexpr Bar kStepBar = {kBack, kPrevious, kNext, N};
constexpr Bar kEntryBar = {kBack, kPrevious, kNext, kSelect};

// A page's navigation as its row writes it; a target left at 0 is decided by
// the handlers in Navigation.cpp and Editors.cpp.
struct Nav {
    TextId title;
    u8 section;
    Bar bar;
    PageId back = 0;
    PageId previous = 0;
    PageId next = 0;
    PageId cancel = 0;
};

struct PageRecord {
    PageDescriptor nav;
    PageView view;
};

constexpr PageRecord Row(const Nav& n, const PageView& view = {}) {
    PageRecord r{};
    r.nav.titleText = n.title;
    r.nav.section = n.section;
    for (u8 i = 0; i < 4; ++i) r.nav.bar[i] = n.bar[i];
    r.nav.backPage = n.back;
    r.nav.prevPage = n.previous;
    r.nav.nextPage = n.next;
    r.nav.cancelPage = n.cancel;
    r.view = view;
    return r;
}

// A page that shows fixed labels only.
constexpr PageRecord Labels(const Nav& n, std::span<const PageLabel> labels, void (*refresh)() = nullptr) {
    return Row(n, {labels, {}, 0, nullptr, refresh});
}

// A setting whose value line opens its editor.
constexpr PageRecord Setting(const Nav& n, std::span<const PageLabel> labels, void (*build)(), void (*refresh)()) {
    return Row(n, {labels, {}, PageFlag::kValueLine, build, refresh});
}

constexpr PageRecord List(const Nav& n, std::span<const TextId> rows, u8 flags = 0) {
    return Row(n, {{}, rows, static_cast<u8>(PageFlag::kList | flags), nullptr, nullptr});
}

constexpr PageLabel kTemperatureLabels[] = {
    {Txt::kCollector, 10, 65}, {Txt::kSolarReturn, 10, 99}, {Txt::kSolarSupply, 10, 133}, {Txt::kTankTop, 10, 167}};
constexpr PageLabel kFlowLabels[] = {{Txt::kCollectorOutsideTemperatureLine1, 10, 70},
                                     {Txt::kCollectorOutsideTemperatureLine2, 10, 94},
                                     {Txt::kFlowRate, 10, 128},
                                     {Txt::kMaxCollectorTemperatureLine1, 10, 162},
                                     {Txt::kMaxCollectorTemperatureLine2, 10, 186}};
constexpr PageLabel kExtraSensorLabels[] = {{Txt::kCollector1, 10, 70},
                                            {Txt::kOutsideTemperature1, 10, 104},
                                            {Txt::kCollector2, 10, 138},
                                            {Txt::kOutsideTemperature2, 10, 172}};
constexpr PageLabel kYieldLabels[] = {
    {Txt::kSolarOutput, 10, 70}, {Txt::kDailyYield, 10, 104}, {Txt::kTotalYield, 10, 138}};
constexpr PageLabel kDeleteYieldLabels[] = {{Txt::kDeleteTotalYieldQuestion, 10, 70}};
constexpr PageLabel kYieldDeletedLabels[] = {{Txt::kTotalYieldDeleted, 50, 138}};
constexpr PageLabel kWarmWaterLabels[] = {{Txt::kWarmWaterSetValue, 10, 70}};
constexpr PageLabel kLoadStrategyLabels[] = {{Txt::kLoadStrategy, 10, 70}};
constexpr PageLabel kTimeLabels[] = {{Txt::kTime, 10, 70}};
constexpr PageLabel kDateLabels[] = {{Txt::kDate, 10, 70}};
constexpr PageLabel kLanguageLabels[] = {{Txt::kLanguage, 10, 70}};
constexpr PageLabel kShortcutLabels[] = {{Txt::kShortcutFunctionLine1, 10, 70}, {Txt::kShortcutFunctionLine2, 10, 100}};
constexpr PageLabel kAccessCodeLabels[] = {{Txt::kAccessCode, 10, 70}};
constexpr PageLabel kWrongCodeLabels[] = {{Txt::kWrongAccessCode, 50, 138}};
constexpr PageLabel kSupplementaryLabels[] = {{Txt::kSupplementaryFunction, 10, 70}};
constexpr PageLabel kMaxTankLabels[] = {{Txt::kMaxTankTemperature, 10, 70}};
constexpr PageLabel kMaxTank2Labels[] = {{Txt::kMaxTank2TemperatureLine1, 10, 70},
                                         {Txt::kMaxTank2TemperatureLine2, 10, 94}};
constexpr PageLabel kMaxSupplyLabels[] = {{Txt::kMaxSupplyTemperatureLine1, 10, 70},
                                          {Txt::kMaxSupplyTemperatureLine2, 10, 94}};
constexpr PageLabel kFaultsEntryLabels[] = {{Txt::kFaults, 10, 70}};
constexpr PageLabel kOperatingModeLabels[] = {{Txt::kOperatingMode, 10, 70}};
constexpr PageLabel kStatusLabels[] = {{Txt::kControllerStatus, 10, 70}};
constexpr PageLabel kRuntimeLabels[] = {
    {Txt::kPumpRuntime, 10, 70}, {Txt::kTotalStagnation, 10, 104}, {Txt::kSinceCommissioning, 10, 148}};
constexpr PageLabel kSolarPumpLabels[] = {{Txt::kSolarPump, 10, 70}};
constexpr PageLabel kZoneValveLabels[] = {{Txt::kZoneValve, 10, 70}};
constexpr PageLabel kSwitchingValveLabels[] = {{Txt::kSwitchingValve, 10, 70}};
constexpr PageLabel kTransducerLabels[] = {{Txt::kAlarmTransducerLine1, 10, 70}, {Txt::kAlarmTransducerLine2, 10, 104}};
constexpr PageLabel kCommissioningLabels[] = {{Txt::kCommissioning, 10, 70}};
constexpr PageLabel kVersionLabels[] = {{Txt::kVersion, 10, 70},
                                        {Txt::kSoftware, 10, 104},
                                        {Txt::kHardware, 10, 138},
                                        {Txt::kBasicSystem, 10, 172},
                                        {Txt::kSerialNumber, 10, 204}};
constexpr PageLabel kCommissioningQuestionLabels[] = {{Txt::kCommissioningQuestionLine1, 10, 70},
                                                      {Txt::kCommissioningQuestionLine2, 10, 104}};
constexpr PageLabel kNotPossibleLabels[] = {{Txt::kCommissioningNotPossibleLine1, 50, 104},
                                            {Txt::kCommissioningNotPossibleLine2, 50, 138}};
constexpr PageLabel kCurrentFaultLabels[] = {{Txt::kSolarFaultLabel, 10, 70}};

constexpr TextId kLoadStrategyRows[] = {Txt::kStrategyPriorityTank1, Txt::kStrategyMaxTank1,
                                        Txt::kStrategyPriorityTank2, Txt::kStrategyMaxTank2};
constexpr TextId kLanguageRows[kLanguageCount] = {Txt::kLanguageName, Txt::kLanguageName, Txt::kLanguageName,
                                                  Txt::kLanguageName, Txt::kLanguageName, Txt::kLanguageName,
                                                  Txt::kLanguageName};
constexpr TextId kShortcutRows[] = {Txt::kMeasurementTitle, Txt::kSolarYields, Txt::kLanguage};
constexpr TextId kSupplementaryRows[] = {Txt::kSupplementaryNone, Txt::kSupplementaryTwoTanks,
                                         Txt::kSupplementaryHeatingSupport};
constexpr TextId kOperatingModeRows[] = {Txt::kModeAuto, Txt::kModeOff, Txt::kModeTest, Txt::kModeManual};
constexpr TextId kOnOffRows[] = {Txt::kOutputOn, Txt::kOutputOff};

constexpr u8 kSelectLine = PageFlag::kSelectLine;

constexpr PageRecord kPages[kPageCount] = {
    // Page::kStart
    Row({Txt::kStartTitle, Section::kNone, {kLanguageShortcut, N, N, kMenu}},
        {{}, {}, 0, BuildStartPage, RefreshSchematic}),
    // Page::kMenu
    Row({Txt::kMenuTitle, Section::kNone, kEntryBar}, {{}, {}, 0, BuildMenuPage, RefreshMenu}),
    // Page::kMeasurement
    Row({Txt::kMeasurementTitle, Section::kMeasurement, kChartBar, Page::kMenu, 0, Page::kMeasurementFlow},
        {kTemperatureLabels, {}, 0, BuildTemperaturesPage, RefreshMeasurementPage}),
    // Page::kMeasurementFlow
    Row({Txt::kMeasurementTitle, Section::kMeasurement, kBackPrevious, Page::kMenu, Page::kMeasurement},
        {kFlowLabels, {}, 0, BuildFlowPage, RefreshMeasurementPage}),
    // Page::kMeasurementExtra
    Row({Txt::kMeasurementTitle, Section::kMeasurement, kBackPrevious, Page::kMenu, Page::kMeasurementFlow},
        {kExtraSensorLabels, {}, 0, BuildExtraSensorsPage, RefreshMeasurementPage}),
    // Page::kCollectorChart
    Row({Txt::kCollector, Section::kMeasurement, kBackOnly, Page::kMeasurement},
        {{}, {}, 0, DrawCollectorChart, nullptr}),
    // Page::kSolarYields
    Row({Txt::kSolarYields, Section::kYields, {kBack, N, kDelete, kChart}, Page::kMenu},
        {kYieldLabels, {}, 0, BuildYieldsPage, RefreshYields}),
    // Page::kDailyYieldChart
    Row({Txt::kDailyYieldTitle, Section::kYields, kBackOnly, Page::kSolarYields}, {{}, {}, 0, DrawYieldChart, nullptr}),
    // Page::kDeleteYieldQuestion
    Labels({Txt::kSolarYields, Section::kYields, kQuestionBar, 0, 0, 0, Page::kSolarYields}, kDeleteYieldLabels),
    // Page::kYieldDeleted
    Labels({Txt::kSolarYields, Section::kYields, kNoBar}, kYieldDeletedLabels, CloseYieldDeletedMessage),
    // Page::kWarmWater
    Setting({Txt::kSettings, Section::kSettings, kFirstSettingBar, Page::kMenu, 0, 0, Page::kWarmWater},
            kWarmWaterLabels, nullptr, RefreshWarmWater),
    // Page::kLoadStrategy
    Setting({Txt::kSettings, Section::kSettings, kSettingBar, Page::kMenu, Page::kWarmWater, Page::kTime},
            kLoadStrategyLabels, BuildLoadStrategyPage, nullptr),
    // Page::kLoadStrategyList
    List({Txt::kLoadStrategy, Section::kSettings, kListBar, 0, 0, 0, Page::kLoadStrategy}, kLoadStrategyRows),
    // Page::kTime
    Setting({Txt::kSettings, Section::kSettings, kSettingBar, Page::kMenu, 0, Page::kDate, Page::kTime}, kTimeLabels,
            nullptr, RefreshTime),
    // Page::kDate
    Setting({Txt::kSettings, Section::kSettings, kSettingBar, Page::kMenu, Page::kTime, Page::kLanguage, Page::kDate},
            kDateLabels, nullptr, RefreshDate),
    // Page::kLanguage
    Setting({Txt::kSettings, Section::kSettings, kSettingBar, Page::kMenu, Page::kDate, Page::kShortcut},
            kLanguageLabels, BuildLanguagePage, nullptr),
    // Page::kLanguageList
    List({Txt::kLanguage, Section::kSettings, kListBar, 0, 0, 0, Page::kLanguage}, kLanguageRows,
         PageFlag::kRowsInOwnLanguage),
    // Page::kShortcut
    Setting({Txt::kSettings, Section::kSettings, kLastSettingBar, Page::kMenu, Page::kLanguage}, kShortcutLabels,
            BuildShortcutPage, nullptr),
    // Page::kShortcutList
    List({Txt::kShortcutKey, Section::kSettings, kListBar, 0, 0, 0, Page::kShortcut}, kShortcutRows),
    // Page::kAccessCode
    Labels({Txt::kSystemData, Section::kSystemData, {kBack, kMinus, kPlus, kConfirm}}, kAccessCodeLabels,
           RefreshAccessCode),
    // Page::kWrongAccessCode
    Labels({Txt::kSystemData, Section::kSystemData, kNoBar}, kWrongCodeLabels, CloseWrongCodeMessage),
    // Page::kSupplementary
    Setting({Txt::kSystemData, Section::kSystemData, kFirstSettingBar, Page::kMenu}, kSupplementaryLabels,
            BuildSupplementaryPage, nullptr),
    // Page::kSupplementaryList
    List({Txt::kSupplementaryFunction, Section::kSystemData, kListBar}, kSupplementaryRows),
    // Page::kMaxTank
    Setting({Txt::kSystemData, Section::kSystemData, kSettingBar, Page::kMenu}, kMaxTankLabels, nullptr,
            RefreshMaxTank),
    // Page::kMaxTank2
    Setting({Txt::kSystemData, Section::kSystemData, kLastSettingBar, Page::kMenu, Page::kMaxTank}, kMaxTank2Labels,
            nullptr, RefreshMaxTank2),
    // Page::kMaxSupply
    Setting({Txt::kSystemData, Section::kSystemData, kLastSettingBar, Page::kMenu, Page::kMaxTank}, kMaxSupplyLabels,
            nullptr, RefreshMaxTank2),
    // Page::kFaultsEntry
    Row({Txt::kCheck, Section::kCheck, {kBack, N, kNext, kSelect}, Page::kMenu, 0, Page::kOperatingMode},
        {kFaultsEntryLabels, {}, kSelectLine, nullptr, nullptr}),
    // Page::kOperatingMode
    Setting({Txt::kCheck, Section::kCheck, kSettingBar, Page::kMenu, Page::kFaultsEntry, Page::kControllerStatus},
            kOperatingModeLabels, BuildOperatingModePage, nullptr),
    // Page::kOperatingModeList
    List({Txt::kOperatingMode, Section::kCheck, kListBar, 0, 0, 0, Page::kOperatingMode}, kOperatingModeRows),
    // Page::kControllerStatus
    Row({Txt::kCheck, Section::kCheck, kStepBar, Page::kMenu, Page::kOperatingMode, Page::kRuntime},
        {kStatusLabels, {}, 0, ResetStatusCache, RefreshStatus}),
    // Page::kRuntime
    Row({Txt::kCheck, Section::kCheck, kStepBar, Page::kMenu, Page::kControllerStatus, Page::kSolarPump},
        {kRuntimeLabels, {}, 0, BuildRuntimePage, RefreshRuntime}),
    // Page::kSolarPump
    Setting(
        {Txt::kCheck, Section::kCheck, kSettingBar, Page::kMenu, Page::kRuntime, Page::kZoneValve, Page::kSolarPump},
        kSolarPumpLabels, ResetPumpCache, RefreshPumpSpeed),
    // Page::kZoneValve
    Setting({Txt::kCheck, Section::kCheck, kSettingBar, Page::kMenu, Page::kSolarPump}, kZoneValveLabels, nullptr,
            RefreshZoneValve),
    // Page::kZoneValveList
    List({Txt::kZoneValve, Section::kCheck, kListBar, 0, 0, 0, Page::kZoneValve}, kOnOffRows),
    // Page::kSwitchingValve
    Setting({Txt::kCheck, Section::kCheck, kSettingBar, Page::kMenu, Page::kZoneValve, Page::kAlarmTransducer},
            kSwitchingValveLabels, nullptr, RefreshSwitchingValve),
    // Page::kSwitchingValveList
    List({Txt::kSwitchingValve, Section::kCheck, kListBar, 0, 0, 0, Page::kSwitchingValve}, kOnOffRows),
    // Page::kAlarmTransducer
    Setting({Txt::kCheck, Section::kCheck, kSettingBar, Page::kMenu, 0, Page::kCommissioningEntry}, kTransducerLabels,
            BuildAlarmTransducerPage, nullptr),
    // Page::kAlarmTransducerList
    List({Txt::kTransducer, Section::kCheck, kListBar, 0, 0, 0, Page::kAlarmTransducer}, kOnOffRows),
    // Page::kCommissioningEntry
    Row({Txt::kCheck, Section::kCheck, kEntryBar, Page::kMenu, Page::kAlarmTransducer, Page::kVersions},
        {kCommissioningLabels, {}, kSelectLine, nullptr, nullptr}),
    // Page::kVersions
    Row({Txt::kCheck, Section::kCheck, kBackPrevious, Page::kMenu, Page::kCommissioningEntry},
        {kVersionLabels, {}, 0, BuildVersionsPage, nullptr}),
    // Page::kCommissioningQuestion
    Labels({Txt::kCommissioning, Section::kCheck, kQuestionBar}, kCommissioningQuestionLabels),
    // Page::kCommissioningRun
    Row({Txt::kCommissioning, Section::kCheck, kNoBar}, {{}, {}, 0, ResetCommissioningRun, RunCommissioning}),
    // Page::kCommissioningNotPossible
    Labels({Txt::kCommissioning, Section::kCheck, kNoBar}, kNotPossibleLabels, CloseNotPossibleMessage),
    // Page::kCurrentFault
    Labels({Txt::kFaults, Section::kFaults, {kBack, N, kNext, kDelete}, Page::kFaultsEntry}, kCurrentFaultLabels,
           RefreshCurrentFault),
    // Page::kFaultHistory
    Row({Txt::kFaults, Section::kFaults, {kBack, kPrevious, kNext, kDelete}, Page::kFaultsEntry},
        {{}, {}, 0, BuildFaultHistoryPage, nullptr}),
    // Page::kConfirmDialog
    Row({kNoTitle, Section::kNone, kNoBar}, {{}, {}, 0, DrawConfirmDialog, RefreshConfirmDialog}),
};

template <std::size_t... I>
constexpr std::array<PageDescriptor, kPageCount> NavigationOf(std::index_sequence<I...>) {
    return {kPages[I].nav...};
}

constexpr PageRecord kEmptyPage = Row({kNoTitle, Section::kNone, kNoBar});

}  // namespace

constexpr std::array<PageDescriptor, kPageCount> PageTable = NavigationOf(std::make_index_sequence<kPageCount>{});

const PageDescriptor& PageAt(u8 page) { return page < kPageCount ? PageTable[page] : kEmptyPage.nav; }

const PageView& PageViewAt(u8 page) { return page < kPageCount ? kPages[page].view : kEmptyPage.view; }
