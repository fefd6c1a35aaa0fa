#include "host/TextCheck.h"

#include <algorithm>
#include <cstdio>
#include <map>
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
    {2, 9, 10, 0},    {2, 10, 10, 1},   {2, 13, 10, 2},   {2, 11, 10, 3},   {2, 12, 10, 4},   {2, 14, 10, 4},
    {3, 15, 10, 0},   {3, 16, 10, -1},  {3, 17, 10, 1},   {3, 130, 10, 2},  {3, 131, 10, -1}, {4, 122, 10, 0},
    {4, 126, 10, 1},  {4, 123, 10, 2},  {4, 127, 10, 3},  {6, 20, 10, 0},   {6, 21, 10, 1},   {6, 22, 10, 2},
    {8, 23, 10, -1},  {9, 24, 50, -1},  {10, 26, 10, -1}, {11, 28, 10, -1}, {13, 33, 10, -1}, {14, 34, 10, -1},
    {15, 36, 10, -1}, {17, 38, 10, -1}, {17, 39, 10, -1}, {19, 41, 10, -1}, {20, 42, 50, -1}, {21, 43, 10, -1},
    {23, 52, 10, -1}, {24, 53, 10, -1}, {24, 54, 10, -1}, {25, 55, 10, -1}, {25, 56, 10, -1}, {26, 58, 10, -1},
    {27, 59, 10, -1}, {29, 64, 10, -1}, {30, 75, 10, 0},  {30, 76, 10, 1},  {30, 77, 10, -1}, {31, 78, 10, -1},
    {32, 79, 10, -1}, {34, 80, 10, -1}, {36, 81, 10, -1}, {36, 82, 10, -1}, {38, 90, 10, -1}, {39, 85, 10, -1},
    {40, 91, 10, -1}, {40, 92, 10, -1}, {42, 93, 50, -1}, {42, 94, 50, -1}, {43, 95, 10, -1},
};

// The version page's values stand at x = 160.
constexpr TextId kVersionLabels[] = {86, 87, 88, 128};
constexpr int kVersionValueX = 160;

struct ListPage {
    int page;
    TextId ids[4];
    int count;
};

constexpr ListPage kLists[] = {
    {12, {29, 31, 30, 32}, 4}, {18, {8, 4, 36}, 3}, {22, {46, 47, 48, 49}, 4}, {28, {60, 61, 62, 63}, 4},
    {33, {83, 84}, 2},         {35, {83, 84}, 2},   {37, {83, 84}, 2},
};

struct ValueTexts {
    int page;
    TextId ids[10];
    int count;
};

// Setting and status texts right-aligned to end at x = 309.
constexpr ValueTexts kRightAlignedValues[] = {
    {11, {29, 31, 30, 32}, 4}, {15, {37}, 1},
    {17, {8, 4, 36}, 3},       {21, {46, 47, 48, 49}, 4},
    {27, {60, 61, 62, 63}, 4}, {29, {65, 66, 67, 68, 69, 70, 71, 72, 73, 74}, 10},
};

std::string FaultLine(const Checker& c) { return std::string(c.Get(96)) + " 12"; }

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
        c.Report(43, id, kLeftMargin + width(text) - kRightEnd);
        return;
    }
    c.Report(43, id, kLeftMargin + width(text.substr(cut + 1)) - kRightEnd);
}

void CheckLanguage(Checker& c) {
    for (u8 page = 0; page < kPageCount; ++page) {
        const PageDescriptor& d = PageAt(page);
        if (d.titleText >= kTextCount) continue;
        c.FromLeft(page, d.titleText, FontSlot::kTitle, d.section != 0 ? 46 : 10,
                   page == 0 ? kStartTitleEnd : kTitleEnd);
    }
    for (TextId id = 3; id <= 7; ++id) c.FromLeft(1, id, FontSlot::kBody, 46, 221);
    for (const LabelRow& l : kLabels) {
        const int end = l.row < 0 ? kRightEnd : ValueFieldLeft(static_cast<u8>(l.page), static_cast<u8>(l.row));
        c.FromLeft(l.page, l.id, FontSlot::kBody, l.x, end);
    }
    for (TextId id : kVersionLabels) c.FromLeft(39, id, FontSlot::kBody, 10, kVersionValueX);
    for (const ListPage& list : kLists) {
        // The selected row is bold, so every row is measured in the title font.
        for (int i = 0; i < list.count; ++i) c.FromLeft(list.page, list.ids[i], FontSlot::kTitle, 55, kListEnd);
    }
    for (const ValueTexts& v : kRightAlignedValues) {
        for (int i = 0; i < v.count; ++i) c.RightAligned(v.page, v.ids[i], FontSlot::kBody, 309, kLeftMargin);
    }
    // The supplementary value and its second line start at the same x.
    for (TextId id : {46, 47, 48}) {
        const int x = 309 - std::max(TextWidth(c.Get(id), FontSlot::kBody), TextWidth(c.Get(49), FontSlot::kBody));
        c.Report(21, id, kLeftMargin - x);
    }
    for (int page : {32, 34, 36}) {
        for (TextId id : {83, 84}) c.FromLeft(page, id, FontSlot::kBody, 270, kRightEnd);
    }
    for (TextId id : {132, 133, 134, 135, 136}) c.FromLeft(41, id, FontSlot::kBody, 10, kCheckMarkEnd);
    const std::string faultLine = FaultLine(c);
    c.FromLeft(41, 96, faultLine.c_str(), FontSlot::kBody, 10, kCheckMarkEnd);
    c.FromLeft(43, 96, faultLine.c_str(), FontSlot::kBody, 10, kRightEnd);
    c.FromLeft(44, 96, faultLine.c_str(), FontSlot::kBody, 10, kRightEnd);
    c.RightAligned(0, 96, faultLine.c_str(), FontSlot::kTitle, 276, kLeftMargin);
    // The start page shows a mode other than automatic in its corner.
    for (TextId id : {61, 62, 63}) c.FromLeft(0, id, FontSlot::kSmall, 10, 76);
    c.FromLeft(5, 129, FontSlot::kBody, 285, 320);

    for (u8 code = 0; code < kFaultCodeCount; ++code) {
        const TextId id = FaultTextId(code);
        if (id == 0 || id == kNoText) continue;
        WrappedFaultText(c, id);
        // The history view, whose lines may reach the screen's edge, takes the
        // small font for a text the body font cannot fit.
        if (10 + TextWidth(c.Get(id), FontSlot::kBody) > kScreenWidth) {
            c.FromLeft(44, id, FontSlot::kSmall, 10, kScreenWidth);
        }
    }
    // The history's mode and status share a line, or take a small line each.
    for (TextId id : {60, 61, 62, 63, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74}) {
        const std::string withComma = std::string(c.Get(id)) + ",";
        c.FromLeft(44, id, withComma.c_str(), FontSlot::kSmall, 10, kScreenWidth);
    }

    // Language list: every language's name, in its own language, on every list.
    c.FromLeft(16, 37, FontSlot::kTitle, 55, kLanguageListEnd);

    // The update dialog: the buttons' words inside their buttons, the question
    // inside the white box.
    c.Centred(45, 18, c.Get(18), FontSlot::kTitle, 105, 71, 140);
    c.Centred(45, 19, c.Get(19), FontSlot::kTitle, 215, 181, 250);
    const std::string question = std::string(c.Get(57)) + " V0.00.0 ?";
    c.Centred(45, 57, question.c_str(), FontSlot::kSmall, 160, 21, 300);

    // Weekday labels of the yield chart stand 32 px apart; two neighbours
    // must not touch in the small font, the chart's narrowest.
    const std::string days = c.Get(25);
    const auto cell = [&days](int k) {
        std::string s = days.substr(std::min<size_t>(3 * k, days.size()), 3);
        if (s.size() == 3 && s[2] == ' ') s.resize(2);
        return s;
    };
    for (int k = 0; k < 7; ++k) {
        const int halfWidths =
            (TextWidth(cell(k).c_str(), FontSlot::kSmall) + TextWidth(cell((k + 2) % 7).c_str(), FontSlot::kSmall)) / 2;
        c.Report(7, 25, halfWidths - 31);
    }
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
