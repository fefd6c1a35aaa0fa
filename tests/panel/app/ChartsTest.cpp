#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Plant.h"
#include "panel/app/pages/Faults.h"
#include "panel/app/pages/Measurements.h"
#include "panel/app/pages/Yields.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"
#include "tests/panel/dl/DlTestSupport.h"

namespace {

// A queued text: its position, its font and all that is printed from there
// up to the next position.
struct Line {
    u16 x;
    u16 y;
    u8 font;
    std::string text;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os) {
    *os << l.x << "," << l.y << " f" << int(l.font) << " \"" << l.text << "\"";
}

// Consumes the queued commands and returns the texts among them.
std::vector<Line> TakeLines() {
    std::vector<Line> lines;
    u8 font = 3;  // the page builder selects it before it calls the charts
    while (DlBytesUsed() != 0) {
        const u8 op = DlPeekByte(0);
        u8 length = DlCommandLength(op);
        if (op == DL_SET_FONT) font = DlPeekByte(1);
        if (op == DL_TEXT_POS) lines.push_back({DlPeekWord(1), DlPeekWord(3), font, ""});
        if (op == DL_CHAR) lines.back().text += static_cast<char>(DlPeekByte(1));
        if (op == DL_TEXT) {
            for (; DlPeekByte(length) != 0; ++length) lines.back().text += static_cast<char>(DlPeekByte(length));
            ++length;
        }
        DlAdvanceRead(length);
    }
    return lines;
}

std::vector<Line> Slice(const std::vector<Line>& lines, size_t from, size_t to) {
    return to <= lines.size() ? std::vector<Line>(lines.begin() + from, lines.begin() + to) : lines;
}
Line RightAt40(const std::string& text, u16 y) {
    return {static_cast<u16>(40 - TextWidth(text.c_str(), 3)), y, 3, text};
}
Line CentredAt(const std::string& text, int x, u16 y, u8 font) {
    return {static_cast<u16>(x - TextWidth(text.c_str(), font) / 2), y, font, text};
}

const std::string kDegC = std::string(1, '\xB0') + 'C';
constexpr Rgb565 kBlank = 0x1234;
constexpr Rgb565 kGrey = Colour::kDarkGrey;

class Charts : public ::testing::Test {
protected:
    void SetUp() override {
        dltest::Boot();
        LoadSettingsDefaults();
        InitAppState();
        PanelClock = {0, 47, 13, 0, 6, 12, 2026, 0};  // Sunday, 6 December 2026, 13:47
        CollectorCurveCount = 216;
        for (u16 i = 0; i < 216; ++i) CollectorCurve[i] = static_cast<u16>(100 + 5 * i);
    }
    static void Draw() {
        dltest::FillScreen(kBlank);
        dltest::RunUntilIdle();
    }
};

TEST_F(Charts, CollectorScaleAndSixHourMarks) {
    // A value below zero moves the scale down.
    CollectorCurve[7] = static_cast<u16>(-20);
    // At 10:50 the sixth mark falls at x = 58: its label, sign column
    // included, would start on the axis, so it is left out.
    PanelClock.hour = 10;
    PanelClock.minute = 50;
    DrawCollectorChart();
    std::vector<Line> expected = {RightAt40("150", 82), RightAt40("-50", 190), RightAt40("50", 136)};
    for (int k = 0; k < 5; ++k) expected.push_back(CentredAt(std::to_string((30 - 6 * k) % 24), 238 - 36 * k, 203, 3));
    expected.push_back({20, 59, 3, kDegC});
    EXPECT_EQ(Slice(TakeLines(), 0, 9), expected);
}

TEST_F(Charts, ValuesBeyondTheScaleStayInsideThePlot) {
    // 750 on the scale -500..3000 stands 39 rows up; 5000 and -1000 end at the
    // plot's top and bottom rows instead of crossing the title or the axis.
    for (u16& v : CollectorCurve) v = 750;
    CollectorCurve[100] = 5000;
    CollectorCurve[150] = static_cast<u16>(-1000);
    DrawCollectorChart();
    Draw();
    const std::vector<Rgb565> column = {kBlank, kGrey, kGrey, Colour::kYellow, Colour::kYellow};
    for (int y = 137; y <= 141; ++y) EXPECT_EQ(dltest::Px(60, y), column[y - 137]) << y;
    EXPECT_EQ(dltest::Px(60, 177), Colour::kYellow);
    EXPECT_EQ(dltest::Px(60, 179), Colour::kBlack);
    EXPECT_EQ(dltest::Px(151, 66), kBlank);
    EXPECT_EQ(dltest::Px(151, 67), kGrey);
    EXPECT_EQ(dltest::Px(201, 178), kGrey);
    EXPECT_EQ(dltest::Px(201, 180), kBlank);

    // A day above the largest scale is a full 100-row bar with a two-pixel border.
    YieldHistoryBlock.count = 1;
    YieldHistoryBlock.days[0] = 60000;
    DrawYieldChart();
    Draw();
    const std::vector<Rgb565> bar = {kBlank, kGrey, kGrey, Colour::kYellow};
    for (int y = 68; y <= 71; ++y) EXPECT_EQ(dltest::Px(59, y), bar[y - 68]) << y;
    EXPECT_EQ(dltest::Px(59, 169), Colour::kYellow);
}

TEST_F(Charts, YieldScaleAndWeekdays) {
    const struct {
        u16 max;
        const char* top;
        const char* middle;
    } scales[] = {{80, "10", "5"}, {40, "5", "2,5"}, {6000, "500", "250"}};
    YieldHistoryBlock.count = 14;
    for (u8 i = 0; i < kYieldHistoryDays; ++i) YieldHistoryBlock.days[i] = 10;
    for (const auto& s : scales) {
        YieldHistoryBlock.days[5] = s.max;
        DrawYieldChart();
        EXPECT_EQ(Slice(TakeLines(), 0, 4),
                  (std::vector<Line>{
                      RightAt40(s.top, 86), RightAt40("0", 180), RightAt40(s.middle, 133), {5, 60, 3, "kWh"}}));
    }
    // Every second bar back from today's (a Sunday) gets its day (the shipped
    // abbreviations are on the chart pages' pictures); abbreviations too wide
    // for that spacing take the small font.
    const char* days[7] = {"WS", "WF", "WW", "WM", "WA", "WT", "WD"};
    const char* wide[kTextCount];
    for (TextId id = 0; id < kTextCount; ++id) wide[id] = GetText(id, kFrench);
    wide[25] = "WM WD WW WT WF WA WS";
    ASSERT_TRUE(OverrideTexts(kFrench, wide));
    Settings.language = kFrench;
    std::vector<Line> expected;
    for (int k = 0; k < 7; ++k) expected.push_back(CentredAt(days[k], 267 - 32 * k, 203, 1));
    DrawYieldChart();
    EXPECT_EQ(Slice(TakeLines(), 4, 11), expected);
    ClearTextOverrides();
}

// An ordinary entry is on the fault history's page picture; here the lines
// that change font or run short of their tables.
TEST_F(Charts, FaultEntry) {
    FaultHistory[1] = {0, 0, 5, 9, 0, 3, 11, 2031, 0, 8, 523, -72, 5, 40, 0, 5};
    // A line may reach the screen's edge in the body font.
    FaultHistory[1].faultCode = 25;
    DrawFaultEntry(1);
    EXPECT_EQ(Slice(TakeLines(), 2, 3), (std::vector<Line>{{10, 118, 3, GetText(115, kGerman)}}));

    // Too wide for the line: the small font, on two lines when even that is too wide.
    FaultHistory[1].faultCode = 12;
    FaultHistory[1].controllerStateIndex = 4;
    DrawFaultEntry(1);
    std::vector<Line> lines = TakeLines();
    EXPECT_EQ(Slice(lines, 7, 9), (std::vector<Line>{{10, 186, 1, "Automatik,"}, {10, 203, 1, GetText(69, kGerman)}}));
    EXPECT_EQ(Slice(lines, 2, 3), (std::vector<Line>{{10, 118, 1, GetText(108, kGerman)}}));

    // Codes beyond the fault table read like an unlisted code; indices beyond
    // their tables give empty texts; empty entries nothing.
    FaultHistory[1].faultCode = 200;
    FaultHistory[1].operatingModeIndex = 4;
    FaultHistory[1].controllerStateIndex = 10;
    DrawFaultEntry(1);
    lines = TakeLines();
    EXPECT_EQ(Slice(lines, 7, 8), (std::vector<Line>{{10, 190, 3, ""}}));
    EXPECT_EQ(lines[2].text, GetText(95, kGerman) + std::string(" 200"));
    FaultHistory[1].type = kFaultEntryEmpty;
    for (u8 index : {1, 2, 255}) DrawFaultEntry(index);
    EXPECT_EQ(DlBytesUsed(), 0);
}

// The update dialog's number: only 0 is on a page picture.
TEST_F(Charts, UnsignedNumbersPrintEveryDigit) {
    char out[6];
    for (u16 v : {0, 65535, 120}) {
        EXPECT_EQ(FormatUnsigned(out, v), std::to_string(v).size());
        EXPECT_EQ(out, std::to_string(v));
    }
}

}  // namespace
