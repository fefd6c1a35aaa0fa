#include "host/TextCheck.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <tuple>

#include "host/PanelHost.h"
#include "host/TextOverride.h"
#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/Refresh.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/text/TextData.h"
#include "tools/textgen/PoTexts.h"

namespace {

// Columns are panel pixels; `end` is the first column a text must not reach
// (the column where its field ends or its neighbour begins).
constexpr int kRightEnd = 310;       // texts end at x = 309 at the latest
constexpr int kTitleEnd = 248;       // the home button
constexpr int kStartTitleEnd = 203;  // the start page's yellow title field
constexpr int kListEnd = 310;
constexpr int kLanguageListEnd = 294;  // the language list's scroll strip
constexpr int kCheckMarkEnd = 298;     // a commissioning line's check mark
constexpr int kLeftMargin = 10;

class Checker {
public:
    explicit Checker(Language language) : language_(language) {}

    const char* Get(TextId id) const { return GetText(id, language_); }

    // A text printed from x that must end before `end`.
    void FromLeft(int page, TextId id, const char* text, u8 font, int x, int end) {
        Report(page, id, x + TextWidth(text, font) - end);
    }
    void FromLeft(int page, TextId id, u8 font, int x, int end) { FromLeft(page, id, Get(id), font, x, end); }

    // A text right-aligned to end at `right` that must start at `start` or later.
    void RightAligned(int page, TextId id, const char* text, u8 font, int right, int start) {
        Report(page, id, start - (right - TextWidth(text, font)));
    }
    void RightAligned(int page, TextId id, u8 font, int right, int start) {
        RightAligned(page, id, Get(id), font, right, start);
    }

    // A text centred on `centre` that must stay within [left, end).
    void Centred(int page, TextId id, const char* text, u8 font, int centre, int left, int end) {
        const int x = centre - TextWidth(text, font) / 2;
        Report(page, id, std::max(left - x, x + TextWidth(text, font) - end));
    }

    void Report(int page, TextId id, int excess) {
        if (excess <= 0) return;
        int& worst = faults_[{id, page}];
        worst = std::max(worst, excess);
    }

    void Collect(std::vector<TextFitFault>& out) const {
        for (const auto& [key, pixels] : faults_) out.push_back({key.first, language_, key.second, pixels});
    }

private:
    Language language_;
    std::map<std::pair<TextId, int>, int> faults_;
};

struct LabelRow {
    int page;
    TextId id;
    int x;
    int row;  // value row of the page, or -1 when the label has its line to itself
};

// Labels in the body font; the value rows are those of ValueFieldLeft.
constexpr LabelRow kLabels[] = {
    {Page::kMeasurement, Txt::kCollector, 10, 0},
    {Page::kMeasurement, Txt::kSolarReturn, 10, 1},
    {Page::kMeasurement, Txt::kSolarSupply, 10, 2},
    {Page::kMeasurement, Txt::kTankTop, 10, 3},
    {Page::kMeasurement, Txt::kTank2Top, 10, 4},
    {Page::kMeasurement, Txt::kHeatingReturn, 10, 4},
    {Page::kMeasurementFlow, Txt::kCollectorOutsideTemperatureLine1, 10, 0},
    {Page::kMeasurementFlow, Txt::kCollectorOutsideTemperatureLine2, 10, -1},
    {Page::kMeasurementFlow, Txt::kFlowRate, 10, 1},
    {Page::kMeasurementFlow, Txt::kMaxCollectorTemperatureLine1, 10, 2},
    {Page::kMeasurementFlow, Txt::kMaxCollectorTemperatureLine2, 10, -1},
    {Page::kMeasurementExtra, Txt::kCollector1, 10, 0},
    {Page::kMeasurementExtra, Txt::kOutsideTemperature1, 10, 1},
    {Page::kMeasurementExtra, Txt::kCollector2, 10, 2},
    {Page::kMeasurementExtra, Txt::kOutsideTemperature2, 10, 3},
    {Page::kSolarYields, Txt::kSolarOutput, 10, 0},
    {Page::kSolarYields, Txt::kDailyYield, 10, 1},
    {Page::kSolarYields, Txt::kTotalYield, 10, 2},
    {Page::kDeleteYieldQuestion, Txt::kDeleteTotalYieldQuestion, 10, -1},
    {Page::kYieldDeleted, Txt::kTotalYieldDeleted, 50, -1},
    {Page::kWarmWater, Txt::kWarmWaterSetValue, 10, -1},
    {Page::kLoadStrategy, Txt::kLoadStrategy, 10, -1},
    {Page::kTime, Txt::kTime, 10, -1},
    {Page::kDate, Txt::kDate, 10, -1},
    {Page::kLanguage, Txt::kLanguage, 10, -1},
    {Page::kShortcut, Txt::kShortcutFunctionLine1, 10, -1},
    {Page::kShortcut, Txt::kShortcutFunctionLine2, 10, -1},
    {Page::kAccessCode, Txt::kAccessCode, 10, -1},
    {Page::kWrongAccessCode, Txt::kWrongAccessCode, 50, -1},
    {Page::kSupplementary, Txt::kSupplementaryFunction, 10, -1},
    {Page::kMaxTank, Txt::kMaxTankTemperature, 10, -1},
    {Page::kMaxTank2, Txt::kMaxTank2TemperatureLine1, 10, -1},
    {Page::kMaxTank2, Txt::kMaxTank2TemperatureLine2, 10, -1},
    {Page::kMaxSupply, Txt::kMaxSupplyTemperatureLine1, 10, -1},
    {Page::kMaxSupply, Txt::kMaxSupplyTemperatureLine2, 10, -1},
    {Page::kFaultsEntry, Txt::kFaults, 10, -1},
    {Page::kOperatingMode, Txt::kOperatingMode, 10, -1},
    {Page::kControllerStatus, Txt::kControllerStatus, 10, -1},
    {Page::kRuntime, Txt::kPumpRuntime, 10, 0},
    {Page::kRuntime, Txt::kTotalStagnation, 10, 1},
    {Page::kRuntime, Txt::kSinceCommissioning, 10, -1},
    {Page::kSolarPump, Txt::kSolarPump, 10, -1},
    {Page::kZoneValve, Txt::kZoneValve, 10, -1},
    {Page::kSwitchingValve, Txt::kSwitchingValve, 10, -1},
    {Page::kAlarmTransducer, Txt::kAlarmTransducerLine1, 10, -1},
    {Page::kAlarmTransducer, Txt::kAlarmTransducerLine2, 10, -1},
    {Page::kCommissioningEntry, Txt::kCommissioning, 10, -1},
    {Page::kVersions, Txt::kVersion, 10, -1},
    {Page::kCommissioningQuestion, Txt::kCommissioningQuestionLine1, 10, -1},
    {Page::kCommissioningQuestion, Txt::kCommissioningQuestionLine2, 10, -1},
    {Page::kCommissioningNotPossible, Txt::kCommissioningNotPossibleLine1, 50, -1},
    {Page::kCommissioningNotPossible, Txt::kCommissioningNotPossibleLine2, 50, -1},
    {Page::kCurrentFault, Txt::kSolarFaultLabel, 10, -1},
};

// The version page's values stand at x = 160.
constexpr TextId kVersionLabels[] = {Txt::kSoftware, Txt::kHardware, Txt::kBasicSystem, Txt::kSerialNumber};
constexpr int kVersionValueX = 160;

// A setting's choices: the value on its page, right-aligned to end at x = 309,
// and the rows of its list page from x = 55, bold when selected.
struct Choices {
    int valuePage;
    int listPage;  // kNoList when the value has no list of its own
    std::span<const TextId> ids;
};
constexpr int kNoList = -1;

constexpr TextId kLoadStrategies[] = {Txt::kStrategyPriorityTank1, Txt::kStrategyMaxTank1, Txt::kStrategyPriorityTank2,
                                      Txt::kStrategyMaxTank2};
constexpr TextId kShortcutTargets[] = {Txt::kMeasurementTitle, Txt::kSolarYields, Txt::kLanguage};
constexpr TextId kSupplementaryFunctions[] = {Txt::kSupplementaryNone, Txt::kSupplementaryTwoTanks,
                                              Txt::kSupplementaryHeatingSupport,
                                              Txt::kSupplementaryHeatingSupportLine2};
constexpr TextId kOperatingModes[] = {Txt::kModeAuto, Txt::kModeOff, Txt::kModeTest, Txt::kModeManual};
constexpr TextId kLanguageNames[] = {Txt::kLanguageName};

constexpr Choices kChoices[] = {
    {Page::kLoadStrategy, Page::kLoadStrategyList, kLoadStrategies},
    {Page::kShortcut, Page::kShortcutList, kShortcutTargets},
    {Page::kSupplementary, Page::kSupplementaryList, kSupplementaryFunctions},
    {Page::kOperatingMode, Page::kOperatingModeList, kOperatingModes},
    {Page::kLanguage, kNoList, kLanguageNames},
    {Page::kControllerStatus, kNoList, StatusTexts},
};

// The manual outputs: "on" or "off" at x = 270 on the output's page, and the
// two rows of its list page.
constexpr std::pair<int, int> kOutputPages[] = {
    {Page::kZoneValve, Page::kZoneValveList},
    {Page::kSwitchingValve, Page::kSwitchingValveList},
    {Page::kAlarmTransducer, Page::kAlarmTransducerList},
};

std::string FaultLine(const Checker& c) { return std::string(c.Get(Txt::kFaultCodeLabel)) + " 12"; }

// The current fault's text: one line, or broken once at the last blank that
// lets the first line end by x = 309.
void WrappedFaultText(Checker& c, TextId id) {
    const std::string text = c.Get(id);
    const auto width = [](const std::string& s) { return static_cast<int>(TextWidth(s.c_str(), FontSlot::kBody)); };
    if (kLeftMargin + width(text) <= 309) return;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && kLeftMargin + width(text.substr(0, i)) <= 309) cut = i;
    }
    if (cut == std::string::npos || cut == 0) {
        c.Report(Page::kCurrentFault, id, kLeftMargin + width(text) - kRightEnd);
        return;
    }
    c.Report(Page::kCurrentFault, id, kLeftMargin + width(text.substr(cut + 1)) - kRightEnd);
}

// Page titles, the main menu's rows and the labels beside their values.
void CheckTitlesAndLabels(Checker& c) {
    for (u8 page = 0; page < kPageCount; ++page) {
        const PageDescriptor& d = PageAt(page);
        if (d.titleText >= kTextCount) continue;
        c.FromLeft(page, d.titleText, FontSlot::kTitle, d.section != 0 ? 46 : 10,
                   page == Page::kStart ? kStartTitleEnd : kTitleEnd);
    }
    for (TextId id : {Txt::kMenuMeasurement, Txt::kSolarYields, Txt::kSettings, Txt::kSystemData, Txt::kCheck}) {
        c.FromLeft(Page::kMenu, id, FontSlot::kBody, 46, 221);
    }
    for (const LabelRow& l : kLabels) {
        const int end = l.row < 0 ? kRightEnd : ValueFieldLeft(static_cast<u8>(l.page), static_cast<u8>(l.row));
        c.FromLeft(l.page, l.id, FontSlot::kBody, l.x, end);
    }
    for (TextId id : kVersionLabels) c.FromLeft(Page::kVersions, id, FontSlot::kBody, 10, kVersionValueX);
    c.FromLeft(Page::kCollectorChart, Txt::kHoursUnit, FontSlot::kBody, 285, 320);
}

// Setting values and list rows.
void CheckChoices(Checker& c) {
    for (const Choices& choices : kChoices) {
        for (TextId id : choices.ids) {
            c.RightAligned(choices.valuePage, id, FontSlot::kBody, 309, kLeftMargin);
            // The selected row is bold, so every row is measured in the title font.
            if (choices.listPage != kNoList) c.FromLeft(choices.listPage, id, FontSlot::kTitle, 55, kListEnd);
        }
    }
    // The supplementary value and its second line start at the same x.
    for (TextId id : {Txt::kSupplementaryNone, Txt::kSupplementaryTwoTanks, Txt::kSupplementaryHeatingSupport}) {
        const int x = 309 - std::max(TextWidth(c.Get(id), FontSlot::kBody),
                                     TextWidth(c.Get(Txt::kSupplementaryHeatingSupportLine2), FontSlot::kBody));
        c.Report(Page::kSupplementary, id, kLeftMargin - x);
    }
    for (const auto& [page, list] : kOutputPages) {
        for (TextId id : {Txt::kOutputOn, Txt::kOutputOff}) {
            c.FromLeft(page, id, FontSlot::kBody, 270, kRightEnd);
            c.FromLeft(list, id, FontSlot::kTitle, 55, kListEnd);
        }
    }
    // Language list: every language's name, in its own language, on every list.
    c.FromLeft(Page::kLanguageList, Txt::kLanguageName, FontSlot::kTitle, 55, kLanguageListEnd);
    // The start page shows a mode other than automatic in its corner.
    for (TextId id : {Txt::kModeOff, Txt::kModeTest, Txt::kModeManual}) {
        c.FromLeft(Page::kStart, id, FontSlot::kSmall, 10, 76);
    }
}

// The fault line, the fault texts, the commissioning run and the fault history.
void CheckFaultsAndRun(Checker& c) {
    for (TextId id : {Txt::kCommissioningTestFlowRate, Txt::kCommissioningAdjustFlowRate, Txt::kCommissioningVent,
                      Txt::kCommissioningFlowRateValveOn, Txt::kCommissioningTestZoneValve}) {
        c.FromLeft(Page::kCommissioningRun, id, FontSlot::kBody, 10, kCheckMarkEnd);
    }
    const std::string faultLine = FaultLine(c);
    c.FromLeft(Page::kCommissioningRun, Txt::kFaultCodeLabel, faultLine.c_str(), FontSlot::kBody, 10, kCheckMarkEnd);
    c.FromLeft(Page::kCurrentFault, Txt::kFaultCodeLabel, faultLine.c_str(), FontSlot::kBody, 10, kRightEnd);
    c.FromLeft(Page::kFaultHistory, Txt::kFaultCodeLabel, faultLine.c_str(), FontSlot::kBody, 10, kRightEnd);
    c.RightAligned(Page::kStart, Txt::kFaultCodeLabel, faultLine.c_str(), FontSlot::kTitle, 276, kLeftMargin);

    for (u8 code = 0; code < kFaultCodeCount; ++code) {
        const TextId id = FaultTextId(code);
        if (id == kUnlistedFault || id == kNoText) continue;
        WrappedFaultText(c, id);
        // The history view, whose lines may reach the screen's edge, takes the
        // small font for a text the body font cannot fit.
        if (10 + TextWidth(c.Get(id), FontSlot::kBody) > kScreenWidth) {
            c.FromLeft(Page::kFaultHistory, id, FontSlot::kSmall, 10, kScreenWidth);
        }
    }
    // The history's mode and status share a line, or take a small line each.
    std::vector<TextId> historyWords(std::begin(kOperatingModes), std::end(kOperatingModes));
    historyWords.insert(historyWords.end(), std::begin(StatusTexts), std::end(StatusTexts));
    for (TextId id : historyWords) {
        const std::string withComma = std::string(c.Get(id)) + ",";
        c.FromLeft(Page::kFaultHistory, id, withComma.c_str(), FontSlot::kSmall, 10, kScreenWidth);
    }
}

// The update dialog and the weekday labels of the yield chart.
void CheckDialogAndChart(Checker& c) {
    // The buttons' words inside their buttons, the question inside the white box.
    c.Centred(Page::kConfirmDialog, Txt::kYes, c.Get(Txt::kYes), FontSlot::kTitle, 105, 71, 140);
    c.Centred(Page::kConfirmDialog, Txt::kNo, c.Get(Txt::kNo), FontSlot::kTitle, 215, 181, 250);
    const std::string question = std::string(c.Get(Txt::kUpdateTo)) + " V0.00.0 ?";
    c.Centred(Page::kConfirmDialog, Txt::kUpdateTo, question.c_str(), FontSlot::kSmall, 160, 21, 300);

    // Weekday labels stand 32 px apart; two neighbours must not touch in the
    // small font, the chart's narrowest.
    const std::string days = c.Get(Txt::kWeekdayAbbreviations);
    const auto cell = [&days](int k) {
        std::string s = days.substr(std::min<size_t>(3 * k, days.size()), 3);
        if (s.size() == 3 && s[2] == ' ') s.resize(2);
        return s;
    };
    for (int k = 0; k < 7; ++k) {
        const int halfWidths =
            (TextWidth(cell(k).c_str(), FontSlot::kSmall) + TextWidth(cell((k + 2) % 7).c_str(), FontSlot::kSmall)) / 2;
        c.Report(Page::kDailyYieldChart, Txt::kWeekdayAbbreviations, halfWidths - 31);
    }
}

void CheckLanguage(Checker& c) {
    CheckTitlesAndLabels(c);
    CheckChoices(c);
    CheckFaultsAndRun(c);
    CheckDialogAndChart(c);
}

}  // namespace

std::vector<TextFitFault> CheckTextFit() {
    std::vector<TextFitFault> faults;
    for (Language language = 0; language < kLanguageCount; ++language) {
        Checker c(language);
        CheckLanguage(c);
        c.Collect(faults);
    }
    std::sort(faults.begin(), faults.end(), [](const TextFitFault& a, const TextFitFault& b) {
        return std::tie(a.language, a.id, a.page) < std::tie(b.language, b.id, b.page);
    });
    return faults;
}

std::string DescribeTextFitFault(const TextFitFault& fault) {
    std::string file;
    int line = 0;
    if (!TextOverrideSource(fault.language, fault.id, file, line)) {
        file = TextData::kSourceFiles[fault.language];
        line = TextData::kSourceLines[fault.language][fault.id];
    }
    return file + ":" + std::to_string(line) + ": id " + std::to_string(fault.id) + ", " +
           LanguageName(fault.language) + ", page " + std::to_string(fault.page) + ": " + std::to_string(fault.pixels) +
           " px too wide";
}

int RunTextCheck(const TextOptions& options) {
    // The fonts are registered by the start sequence.
    SystemWallClock clock;
    PanelHost host(clock, 0xF0F0F0);
    host.Start();
    if (const int status = ApplyTextOptions(options); status != 0) return status;
    const std::vector<TextFitFault> faults = CheckTextFit();
    for (const TextFitFault& f : faults) std::fprintf(stderr, "%s\n", DescribeTextFitFault(f).c_str());
    return faults.empty() ? 0 : 1;
}
