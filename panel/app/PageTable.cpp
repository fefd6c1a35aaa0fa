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
constexpr TextId kNoTitle = 65535;

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
constexpr Bar kBackPrevious = {kBack, kPrevious, N, N};
constexpr Bar kSettingBar = {kBack, kPrevious, kNext, kEdit};
constexpr Bar kLastSettingBar = {kBack, kPrevious, N, kEdit};
constexpr Bar kFirstSettingBar = {kBack, N, kNext, kEdit};
constexpr Bar kStepBar = {kBack, kPrevious, kNext, N};
constexpr Bar kEntryBar = {kBack, kPrevious, kNext, kSelect};

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

constexpr PageLabel kTemperatureLabels[] = {{9, 10, 65}, {10, 10, 99}, {13, 10, 133}, {11, 10, 167}};
constexpr PageLabel kFlowLabels[] = {{15, 10, 70}, {16, 10, 94}, {17, 10, 128}, {130, 10, 162}, {131, 10, 186}};
constexpr PageLabel kExtraSensorLabels[] = {{122, 10, 70}, {126, 10, 104}, {123, 10, 138}, {127, 10, 172}};
constexpr PageLabel kYieldLabels[] = {{20, 10, 70}, {21, 10, 104}, {22, 10, 138}};
constexpr PageLabel kDeleteYieldLabels[] = {{23, 10, 70}};
constexpr PageLabel kYieldDeletedLabels[] = {{24, 50, 138}};
constexpr PageLabel kWarmWaterLabels[] = {{26, 10, 70}};
constexpr PageLabel kLoadStrategyLabels[] = {{28, 10, 70}};
constexpr PageLabel kTimeLabels[] = {{33, 10, 70}};
constexpr PageLabel kDateLabels[] = {{34, 10, 70}};
constexpr PageLabel kLanguageLabels[] = {{36, 10, 70}};
constexpr PageLabel kShortcutLabels[] = {{38, 10, 70}, {39, 10, 100}};
constexpr PageLabel kAccessCodeLabels[] = {{41, 10, 70}};
constexpr PageLabel kWrongCodeLabels[] = {{42, 50, 138}};
constexpr PageLabel kSupplementaryLabels[] = {{43, 10, 70}};
constexpr PageLabel kMaxTankLabels[] = {{52, 10, 70}};
constexpr PageLabel kMaxTank2Labels[] = {{53, 10, 70}, {54, 10, 94}};
constexpr PageLabel kMaxSupplyLabels[] = {{55, 10, 70}, {56, 10, 94}};
constexpr PageLabel kFaultsEntryLabels[] = {{58, 10, 70}};
constexpr PageLabel kOperatingModeLabels[] = {{59, 10, 70}};
constexpr PageLabel kStatusLabels[] = {{64, 10, 70}};
constexpr PageLabel kRuntimeLabels[] = {{75, 10, 70}, {76, 10, 104}, {77, 10, 148}};
constexpr PageLabel kSolarPumpLabels[] = {{78, 10, 70}};
constexpr PageLabel kZoneValveLabels[] = {{79, 10, 70}};
constexpr PageLabel kSwitchingValveLabels[] = {{80, 10, 70}};
constexpr PageLabel kTransducerLabels[] = {{81, 10, 70}, {82, 10, 104}};
constexpr PageLabel kCommissioningLabels[] = {{90, 10, 70}};
constexpr PageLabel kVersionLabels[] = {{85, 10, 70}, {86, 10, 104}, {87, 10, 138}, {88, 10, 172}, {128, 10, 204}};
constexpr PageLabel kCommissioningQuestionLabels[] = {{91, 10, 70}, {92, 10, 104}};
constexpr PageLabel kNotPossibleLabels[] = {{93, 50, 104}, {94, 50, 138}};
constexpr PageLabel kCurrentFaultLabels[] = {{95, 10, 70}};

constexpr TextId kLoadStrategyRows[] = {29, 31, 30, 32};
constexpr TextId kLanguageRows[kLanguageCount] = {37, 37, 37, 37, 37, 37, 37};
constexpr TextId kShortcutRows[] = {8, 4, 36};
constexpr TextId kSupplementaryRows[] = {46, 47, 48};
constexpr TextId kOperatingModeRows[] = {60, 61, 62, 63};
constexpr TextId kOnOffRows[] = {83, 84};

constexpr u8 kSelectLine = PageFlag::kSelectLine;
constexpr u8 kValueLine = PageFlag::kValueLine;

// clang-format off
constexpr PageRecord kPages[kPageCount] = {
    Row({0, Section::kNone, {kLanguageShortcut, N, N, kMenu}}, {{}, {}, 0, BuildStartPage, RefreshSchematic}),
    Row({2, Section::kNone, kEntryBar}, {{}, {}, 0, BuildMenuPage, RefreshMenu}),
    Row({8, Section::kMeasurement, {kBack, N, kNext, kChart}, Page::kMenu, 0, Page::kMeasurementFlow},
        {kTemperatureLabels, {}, 0, BuildTemperaturesPage, RefreshMeasurementPage}),
    Row({8, Section::kMeasurement, kBackPrevious, Page::kMenu, Page::kMeasurement},
        {kFlowLabels, {}, 0, BuildFlowPage, RefreshMeasurementPage}),
    Row({8, Section::kMeasurement, kBackPrevious, Page::kMenu, Page::kMeasurementFlow},
        {kExtraSensorLabels, {}, 0, BuildExtraSensorsPage, RefreshMeasurementPage}),
    Row({9, Section::kMeasurement, kBackOnly, Page::kMeasurement}, {{}, {}, 0, DrawCollectorChart, nullptr}),
    Row({4, Section::kYields, {kBack, N, kDelete, kChart}, Page::kMenu},
        {kYieldLabels, {}, 0, BuildYieldsPage, RefreshYields}),
    Row({35, Section::kYields, kBackOnly, Page::kSolarYields}, {{}, {}, 0, DrawYieldChart, nullptr}),
    Labels({4, Section::kYields, kQuestionBar, 0, 0, 0, Page::kSolarYields}, kDeleteYieldLabels),
    Labels({4, Section::kYields, kNoBar}, kYieldDeletedLabels, CloseYieldDeletedMessage),
    Setting({5, Section::kSettings, kFirstSettingBar, Page::kMenu, 0, 0, Page::kWarmWater}, kWarmWaterLabels,
            nullptr, RefreshWarmWater),
    Setting({5, Section::kSettings, kSettingBar, Page::kMenu, Page::kWarmWater, Page::kTime}, kLoadStrategyLabels,
            BuildLoadStrategyPage, nullptr),
    List({28, Section::kSettings, kListBar, 0, 0, 0, Page::kLoadStrategy}, kLoadStrategyRows),
    Setting({5, Section::kSettings, kSettingBar, Page::kMenu, 0, Page::kDate, Page::kTime}, kTimeLabels, nullptr,
            RefreshTime),
    Setting({5, Section::kSettings, kSettingBar, Page::kMenu, Page::kTime, Page::kLanguage, Page::kDate},
            kDateLabels, nullptr, RefreshDate),
    Setting({5, Section::kSettings, kSettingBar, Page::kMenu, Page::kDate, Page::kShortcut}, kLanguageLabels,
            BuildLanguagePage, nullptr),
    List({36, Section::kSettings, kListBar, 0, 0, 0, Page::kLanguage}, kLanguageRows, PageFlag::kRowsInOwnLanguage),
    Setting({5, Section::kSettings, kLastSettingBar, Page::kMenu, Page::kLanguage}, kShortcutLabels,
            BuildShortcutPage, nullptr),
    List({40, Section::kSettings, kListBar, 0, 0, 0, Page::kShortcut}, kShortcutRows),
    Labels({6, Section::kSystemData, {kBack, kMinus, kPlus, kConfirm}}, kAccessCodeLabels, RefreshAccessCode),
    Labels({6, Section::kSystemData, kNoBar}, kWrongCodeLabels, CloseWrongCodeMessage),
    Setting({6, Section::kSystemData, kFirstSettingBar, Page::kMenu}, kSupplementaryLabels, BuildSupplementaryPage,
            nullptr),
    List({43, Section::kSystemData, kListBar}, kSupplementaryRows),
    Setting({6, Section::kSystemData, kSettingBar, Page::kMenu}, kMaxTankLabels, nullptr, RefreshMaxTank),
    Setting({6, Section::kSystemData, kLastSettingBar, Page::kMenu, Page::kMaxTank}, kMaxTank2Labels, nullptr,
            RefreshMaxTank2),
    Setting({6, Section::kSystemData, kLastSettingBar, Page::kMenu, Page::kMaxTank}, kMaxSupplyLabels, nullptr,
            RefreshMaxTank2),
    Row({7, Section::kCheck, {kBack, N, kNext, kSelect}, Page::kMenu, 0, Page::kOperatingMode},
        {kFaultsEntryLabels, {}, kSelectLine, nullptr, nullptr}),
    Setting({7, Section::kCheck, kSettingBar, Page::kMenu, Page::kFaultsEntry, Page::kControllerStatus},
            kOperatingModeLabels, BuildOperatingModePage, nullptr),
    List({59, Section::kCheck, kListBar, 0, 0, 0, Page::kOperatingMode}, kOperatingModeRows),
    Row({7, Section::kCheck, kStepBar, Page::kMenu, Page::kOperatingMode, Page::kRuntime},
        {kStatusLabels, {}, 0, ResetStatusCache, RefreshStatus}),
    Row({7, Section::kCheck, kStepBar, Page::kMenu, Page::kControllerStatus, Page::kSolarPump},
        {kRuntimeLabels, {}, 0, BuildRuntimePage, RefreshRuntime}),
    Setting({7, Section::kCheck, kSettingBar, Page::kMenu, Page::kRuntime, Page::kZoneValve, Page::kSolarPump},
            kSolarPumpLabels, ResetPumpCache, RefreshPumpSpeed),
    Setting({7, Section::kCheck, kSettingBar, Page::kMenu, Page::kSolarPump}, kZoneValveLabels, nullptr,
            RefreshZoneValve),
    List({79, Section::kCheck, kListBar, 0, 0, 0, Page::kZoneValve}, kOnOffRows),
    Setting({7, Section::kCheck, kSettingBar, Page::kMenu, Page::kZoneValve, Page::kAlarmTransducer},
            kSwitchingValveLabels, nullptr, RefreshSwitchingValve),
    List({80, Section::kCheck, kListBar, 0, 0, 0, Page::kSwitchingValve}, kOnOffRows),
    Setting({7, Section::kCheck, kSettingBar, Page::kMenu, 0, Page::kCommissioningEntry}, kTransducerLabels,
            BuildAlarmTransducerPage, nullptr),
    List({89, Section::kCheck, kListBar, 0, 0, 0, Page::kAlarmTransducer}, kOnOffRows),
    Row({7, Section::kCheck, kEntryBar, Page::kMenu, Page::kAlarmTransducer, Page::kVersions},
        {kCommissioningLabels, {}, kSelectLine, nullptr, nullptr}),
    Row({7, Section::kCheck, kBackPrevious, Page::kMenu, Page::kCommissioningEntry},
        {kVersionLabels, {}, 0, BuildVersionsPage, nullptr}),
    Labels({90, Section::kCheck, kQuestionBar}, kCommissioningQuestionLabels),
    Row({90, Section::kCheck, kNoBar}, {{}, {}, 0, ResetCommissioningRun, RunCommissioning}),
    Labels({90, Section::kCheck, kNoBar}, kNotPossibleLabels, CloseNotPossibleMessage),
    Labels({58, Section::kFaults, {kBack, N, kNext, kDelete}, Page::kFaultsEntry}, kCurrentFaultLabels,
           RefreshCurrentFault),
    Row({58, Section::kFaults, {kBack, kPrevious, kNext, kDelete}, Page::kFaultsEntry},
        {{}, {}, 0, BuildFaultHistoryPage, nullptr}),
    Row({kNoTitle, Section::kNone, kNoBar}, {{}, {}, 0, DrawConfirmDialog, RefreshConfirmDialog}),
};
// clang-format on

template <std::size_t... I>
constexpr std::array<PageDescriptor, kPageCount> NavigationOf(std::index_sequence<I...>) {
    return {kPages[I].nav...};
}

constexpr PageRecord kEmptyPage = Row({kNoTitle, Section::kNone, kNoBar});

}  // namespace

constexpr std::array<PageDescriptor, kPageCount> PageTable = NavigationOf(std::make_index_sequence<kPageCount>{});

const PageDescriptor& PageAt(u8 page) { return page < kPageCount ? PageTable[page] : kEmptyPage.nav; }

const PageView& PageViewAt(u8 page) { return page < kPageCount ? kPages[page].view : kEmptyPage.view; }
