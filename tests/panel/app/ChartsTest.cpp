#include "panel/app/Charts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/Plant.h"
#include "panel/hw/Clock.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"
#include "tests/panel/dl/DlTestSupport.h"

namespace {

// A text as queued: its position, its font and everything printed from there
// until the next position.
struct Line {
    u16 x;
    u16 y;
    u8 font;
    std::string text;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os) {
    *os << "(" << l.x << ", " << l.y << ") font " << int(l.font) << " \"" << l.text << "\"";
}

// Consumes the queued commands and returns the texts among them.
std::vector<Line> TakeLines() {
    std::vector<Line> lines;
    u8 font = 3;  // the page builder's choice before it calls the charts
    while (DlBytesUsed() != 0) {
        u16 length = 1;
        switch (DlPeekByte(0)) {
            case DL_SET_FLAGS: length = 2; break;
            case DL_SET_FONT:
                font = DlPeekByte(1);
                length = 2;
                break;
            case DL_SET_FOREGROUND:
            case DL_SET_BACKGROUND: length = 3; break;
            case DL_MOVE_TO:
            case DL_LINE_TO: length = 5; break;
            case DL_RECT: length = 9; break;
            case DL_TEXT_POS:
                lines.push_back({DlPeekWord(1), DlPeekWord(3), font, ""});
                length = 5;
                break;
            case DL_CHAR:
                lines.back().text += static_cast<char>(DlPeekByte(1));
                length = 2;
                break;
            case DL_TEXT:
                while (DlPeekByte(static_cast<u8>(length)) != 0)
                    lines.back().text += static_cast<char>(DlPeekByte(static_cast<u8>(length++)));
                ++length;
                break;
            default: ADD_FAILURE() << "unexpected opcode " << int(DlPeekByte(0)); return lines;
        }
        DlAdvanceRead(length);
    }
    return lines;
}

Line RightAt40(const std::string& text, u16 y) {
    return {static_cast<u16>(40 - TextWidth(text.c_str(), 3)), y, 3, text};
}
Line CentredAt(const std::string& text, u16 x, u16 y, u8 font) {
    return {static_cast<u16>(x - TextWidth(text.c_str(), font) / 2), y, font, text};
}

class Charts : public ::testing::Test {
protected:
    void SetUp() override {
        dltest::Boot();
        LoadSettingsDefaults();
        InitAppState();
        PanelClock = {0, 47, 13, 0, 6, 12, 2026, 0};  // Sunday, 6 December 2026
    }
    // The queued chart drawn on a blank screen.
    void Draw() {
        dltest::PaintFramebuffer(kBlank);
        dltest::RunUntilIdle();
    }
    static constexpr Rgb565 kBlank = 0x1234;
};

TEST_F(Charts, CollectorScaleFollowsTheValuesAndHoursMarkEverySixthHour) {
    CollectorCurveCount = 216;
    for (u16 i = 0; i < 216; ++i) CollectorCurve[i] = static_cast<u16>(100 + 5 * i);
    DrawCollectorChart();
    std::vector<Line> expected = {RightAt40("150", 82), RightAt40("0", 190), RightAt40("75", 136)};
    const u16 hours[] = {12, 6, 0, 18, 12, 6};
    for (u16 k = 0; k < 6; ++k) expected.push_back(CentredAt(std::to_string(hours[k]), 257 - 36 * k, 203, 3));
    expected.push_back({20, 59, 3,
                        "\xB0"
                        "C"});
    expected.push_back({285, 203, 3, "h"});
    EXPECT_EQ(TakeLines(), expected);

    CollectorCurve[7] = static_cast<u16>(-20);
    DrawCollectorChart();
    const std::vector<Line> lines = TakeLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<Line>(lines.begin(), lines.begin() + 3),
              (std::vector<Line>{RightAt40("150", 82), RightAt40("-50", 190), RightAt40("50", 136)}));
}

TEST_F(Charts, CollectorCurveStaysInsideThePlot) {
    // 750 on a scale from -500 to 3000 stands 39 rows above the bottom row;
    // values beyond the scale end at its top and bottom rows.
    CollectorCurveCount = 216;
    for (u16& v : CollectorCurve) v = 750;
    CollectorCurve[100] = 5000;
    CollectorCurve[150] = static_cast<u16>(-1000);
    DrawCollectorChart();
    Draw();
    const auto column = [](int x, int y0, int y1) {
        std::vector<Rgb565> c;
        for (int y = y0; y <= y1; ++y) c.push_back(dltest::Pixel(x, y));
        return c;
    };
    std::vector<Rgb565> normal(3, kBlank);
    normal.insert(normal.end(), 2, Colour::kDarkGrey);
    normal.insert(normal.end(), 38, Colour::kYellow);
    normal.insert(normal.end(), 2, Colour::kBlack);
    EXPECT_EQ(column(60, 135, 179), normal);
    EXPECT_EQ(column(49, 50, 179), std::vector<Rgb565>(130, Colour::kBlack));
    EXPECT_EQ(dltest::Pixel(151, 66), kBlank);
    EXPECT_EQ(dltest::Pixel(151, 67), Colour::kDarkGrey);
    EXPECT_EQ(column(201, 176, 181), (std::vector<Rgb565>{Colour::kDarkGrey, Colour::kDarkGrey, Colour::kDarkGrey,
                                                          Colour::kBlack, kBlank, kBlank}));
}

TEST_F(Charts, YieldScaleLabelsAndWeekdays) {
    const struct {
        u16 max;
        const char* top;
        const char* middle;
    } scales[] = {{180, "20", "10"}, {80, "10", "5"}, {40, "5", "2,5"}, {6000, "500", "250"}};
    YieldHistoryBlock.count = 14;
    for (u8 i = 0; i < kYieldHistoryDays; ++i) YieldHistoryBlock.days[i] = 10;
    for (const auto& s : scales) {
        YieldHistoryBlock.days[5] = s.max;
        DrawYieldChart();
        const std::vector<Line> lines = TakeLines();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(std::vector<Line>(lines.begin(), lines.begin() + 4),
                  (std::vector<Line>{
                      RightAt40(s.top, 86), RightAt40("0", 180), RightAt40(s.middle, 133), {5, 60, 3, "kWh"}}));
    }

    // Today is a Sunday; every second bar back from today's gets its day. The
    // English abbreviations are too wide for the body font at this spacing.
    const char* german[] = {"So", "Fr", "Mi", "Mo", "Sa", "Do", "Di"};
    const char* english[] = {"Su", "Fr", "We", "Mo", "Sa", "Th", "Tu"};
    for (u8 language : {kGerman, kEnglish}) {
        Settings.language = language;
        const u8 font = language == kGerman ? 3 : 1;
        DrawYieldChart();
        const std::vector<Line> lines = TakeLines();
        std::vector<Line> expected;
        for (u16 k = 0; k < 7; ++k) {
            expected.push_back(CentredAt(language == kGerman ? german[k] : english[k], 267 - 32 * k, 203, font));
        }
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(std::vector<Line>(lines.begin() + 4, lines.end()), expected);
    }
}

TEST_F(Charts, YieldBarAboveTheTopIsAFullBar) {
    YieldHistoryBlock.count = 1;
    YieldHistoryBlock.days[0] = 60000;
    DrawYieldChart();
    Draw();
    EXPECT_EQ(dltest::Pixel(59, 68), kBlank);
    EXPECT_EQ(dltest::Pixel(59, 69), Colour::kDarkGrey);
    EXPECT_EQ(dltest::Pixel(59, 70), Colour::kDarkGrey);
    EXPECT_EQ(dltest::Pixel(59, 71), Colour::kYellow);
    EXPECT_EQ(dltest::Pixel(59, 169), Colour::kYellow);
    EXPECT_EQ(dltest::Pixel(52, 120), Colour::kDarkGrey);
    EXPECT_EQ(dltest::Pixel(53, 120), Colour::kYellow);
}

TEST_F(Charts, FaultEntryLinesAndBadIndices) {
    FaultHistoryEntry& e = FaultHistory[1];
    e = {};
    e.type = 0;
    e.minute = 5;
    e.hour = 9;
    e.day = 3;
    e.month = 11;
    e.year = 2031;
    e.faultCode = 8;
    e.collectorTemp = 523;
    e.tankTemp = -72;
    e.outsideTemp = 5;
    e.flow = 40;
    e.controllerStateIndex = 5;
    DrawFaultEntry(1);
    const std::string g =
        "\xB0"
        "C";
    const std::vector<Line> expected = {
        {10, 70, 3, "03.11.2031  09:05"},  {10, 94, 3, std::string(GetText(96, kGerman)) + " 08"},
        {10, 118, 3, GetText(0, kGerman)}, {10, 142, 3, "TSA:  52,3 " + g},
        {160, 142, 3, "TSE: -7,2 " + g},   {10, 166, 3, "V:  4,0 l/min"},
        {160, 166, 3, "TAM:  0,5 " + g},   {10, 190, 3, "Automatik, Speicher voll"},
    };
    EXPECT_EQ(TakeLines(), expected);

    // Translations too wide for the line take the small font, on two lines
    // when even that does not fit.
    e.faultCode = 12;
    e.controllerStateIndex = 4;
    DrawFaultEntry(1);
    std::vector<Line> lines = TakeLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[2], (Line{10, 118, 1, GetText(108, kGerman)}));
    EXPECT_EQ(lines[7], (Line{10, 186, 1, "Automatik,"}));
    EXPECT_EQ(lines[8], (Line{10, 203, 1, GetText(69, kGerman)}));

    // Codes and indices beyond their tables give empty texts.
    e.faultCode = 200;
    e.operatingModeIndex = 4;
    e.controllerStateIndex = 10;
    DrawFaultEntry(1);
    lines = TakeLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2].text, "");
    EXPECT_EQ(lines[7].text, "");

    e.type = kFaultEntryEmpty;
    DrawFaultEntry(1);
    DrawFaultEntry(2);
    DrawFaultEntry(255);
    EXPECT_EQ(DlBytesUsed(), 0);
}

TEST_F(Charts, ConfirmDialogOffersYesAndNo) {
    AppState.dialogTimer = 0;
    DrawConfirmDialog();
    EXPECT_EQ(AppState.dialogTimer, 1000);
    const std::vector<Line> lines = TakeLines();
    const u16 baseLine = 100 + FontHeight(4) / 2;
    EXPECT_EQ(lines, (std::vector<Line>{CentredAt("Ja", 105, baseLine, 4), CentredAt("Nein", 215, baseLine, 4),
                                        CentredAt("Update auf V0.00.0 ?", 160, 170, 1)}));
    const TouchRegion* yes = TouchRegionAt(0);
    const TouchRegion* no = TouchRegionAt(1);
    ASSERT_NE(yes, nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_EQ((std::vector<int>{yes->id, yes->x1, yes->y1, yes->x2, yes->y2}),
              (std::vector<int>{Button::kYes, 70, 70, 140, 130}));
    EXPECT_EQ((std::vector<int>{no->id, no->x1, no->y1, no->x2, no->y2}),
              (std::vector<int>{Button::kNo, 180, 70, 250, 130}));
}

TEST(ChartTexts, FormatUnsignedAndVersion) {
    char out[6];
    EXPECT_EQ(FormatUnsigned(out, 0), 1);
    EXPECT_STREQ(out, "0");
    EXPECT_EQ(FormatUnsigned(out, 65535), 5);
    EXPECT_STREQ(out, "65535");
    EXPECT_EQ(FormatUnsigned(out, 120), 3);
    EXPECT_STREQ(out, "120");
    VersionNumber = 105;
    EXPECT_STREQ(FormatVersion(), "V 1.05");
    VersionNumber = 100;
    EXPECT_STREQ(FormatVersion(), "V 1.00");
}

}  // namespace
