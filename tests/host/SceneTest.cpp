// The scene: what the screen shows, as the drawing made it.
#include "host/core/Scene.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"
#include "host/runner/TextCheck.h"
#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"
#include "panel/text/TextIds.h"

namespace {

class FixedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2026, 12, 6, 13, 47, 0); }
};

// A started panel on its settled start page, and drawing commands of a test's
// own on top of it.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.Start();
        Run(120);
    }
    void Run(int ticks) {
        for (int i = 0; i < ticks; ++i) host.Tick();
    }
    const Scene& scene() const { return host.GetScene(); }
    std::vector<const SceneElement*> Texts(const std::string& text) const {
        std::vector<const SceneElement*> found;
        for (const SceneElement& e : scene().Elements()) {
            if (e.kind == SceneKind::Text && e.text == text) found.push_back(&e);
        }
        return found;
    }
    static void Fill(u16 x0, u16 y0, u16 x1, u16 y1) {
        DlSetFlags(kDrawFill);
        DlRect(x0, y0, x1, y1);
        DlSetFlags(kDrawOutline);
    }

    FixedClock clock;
    PlantModel plant;
    PanelHost host{clock, plant, 0xF0F0F0};
};

TEST_F(SceneTest, TextsLeaveWhenWipedOrWrittenAnewButNotWhenTouched) {
    DlSetFont(FontSlot::kBody);
    DlTextAt(10, 100, "Alpha");
    DlTextAt(10, 150, "Beta");
    Run(2);
    ASSERT_EQ(Texts("Alpha").size(), 1u);
    const SceneBox alpha = Texts("Alpha")[0]->box;
    EXPECT_LE(alpha.Bottom() - 1, 100);  // the base line is the glyphs' last row
    EXPECT_EQ(alpha.width, TextWidth("Alpha", FontSlot::kBody));

    Fill(0, 70, 319, 101);        // wipes Alpha whole
    Fill(alpha.x, 140, 12, 150);  // touches Beta
    Run(2);
    EXPECT_TRUE(Texts("Alpha").empty());
    EXPECT_EQ(Texts("Beta").size(), 1u);
    DlTextAt(10, 150, "Gamma");  // written where Beta starts
    Run(2);
    EXPECT_TRUE(Texts("Beta").empty());
    EXPECT_EQ(Texts("Gamma").size(), 1u);

    // Pieces written one after another at the cursor read as one text.
    DlTextPos(10, 190);
    DlText("12");
    DlChar(',');
    DlText("5");
    Run(2);
    EXPECT_EQ(Texts("12,5").size(), 1u);
}

// What a reader can make out of a text is its ink: a text leaves once that is
// drawn over, though the blank rows at the top of its font's cell are not (a
// value's field that stands lower than the text's cell), and by several
// elements together (a field and the placeholder written into it). One
// column of ink left keeps it.
TEST_F(SceneTest, TextsLeaveOnceTheirInkIsDrawnOver) {
    DlSetFont(FontSlot::kBody);
    DlTextAt(10, 100, "Alpha");
    DlTextAt(10, 150, "Beta");
    DlTextAt(10, 200, "Gamma");
    Run(2);
    ASSERT_EQ(Texts("Alpha").size(), 1u);
    ASSERT_EQ(Texts("Beta").size(), 1u);
    ASSERT_EQ(Texts("Gamma").size(), 1u);
    const SceneBox alpha = Texts("Alpha")[0]->ink;
    const SceneBox beta = Texts("Beta")[0]->ink;
    const SceneBox gamma = Texts("Gamma")[0]->ink;
    EXPECT_GT(alpha.y, Texts("Alpha")[0]->box.y);  // the cell's top rows are blank
    EXPECT_LE(alpha.Bottom() - 1, 100);

    const auto fill = [](const SceneBox& box, int cutRight) {
        Fill(static_cast<u16>(box.x), static_cast<u16>(box.y), static_cast<u16>(box.Right() - 1 - cutRight),
             static_cast<u16>(box.Bottom() - 1));
    };
    fill(alpha, 0);
    fill({beta.x, beta.y, beta.width / 2, beta.height}, 0);
    fill({beta.x + beta.width / 2, beta.y, beta.width - beta.width / 2, beta.height}, 0);
    fill(gamma, 1);
    Run(2);
    EXPECT_TRUE(Texts("Alpha").empty());
    EXPECT_TRUE(Texts("Beta").empty());
    EXPECT_EQ(Texts("Gamma").size(), 1u);
}

// A field drawn again as it was changes nothing a reader sees (the start page
// with two tanks clears the valve's gaps with each step of its pipes), so the
// screen can settle; another colour there is a change.
TEST_F(SceneTest, AFieldDrawnAgainAsItWasIsNoChange) {
    DlSetBackground(Colour::kRed);
    Fill(40, 160, 50, 170);
    Run(2);
    const std::uint64_t revision = scene().Revision();
    const std::size_t count = scene().Elements().size();
    Fill(40, 160, 50, 170);
    Run(2);
    EXPECT_EQ(scene().Revision(), revision);
    EXPECT_EQ(scene().Elements().size(), count);
    DlSetBackground(Colour::kBlue);
    Fill(40, 160, 50, 170);
    Run(2);
    EXPECT_NE(scene().Revision(), revision);
    EXPECT_EQ(scene().Elements().size(), count);
}

TEST_F(SceneTest, RotatedTextsStandInATurnedBox) {
    DlSetFont(FontSlot::kBody);
    DlTextPos(100, 200);
    DlTextRotated(90, "Rotated");
    Run(5);
    const std::vector<const SceneElement*> found = Texts("Rotated");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->angle, 90);
    EXPECT_GT(found[0]->box.height, found[0]->box.width);
    EXPECT_LE(found[0]->box.Bottom(), 202);  // it rises from its start
}

TEST_F(SceneTest, PicturesHaveNamesAndAnimationsAreNoChange) {
    ASSERT_EQ(scene().Named("menu").size(), 1u);
    ASSERT_EQ(scene().Named("lamp").size(), 1u);
    ASSERT_EQ(scene().Named("edit").size(), 0u);
    // The start page's pump turns and its pipes flow: frames, not changes.
    std::uint64_t revision = scene().Revision();
    Run(200);
    EXPECT_EQ(scene().Revision(), revision);
    EXPECT_GE(scene().AnimatedBoxes().size(), 2u);

    DlSetFlags(kDrawOutline);
    DlImage(100, 100, Button::kEdit, ImageSlot::kButtons);
    Run(2);
    EXPECT_NE(scene().Revision(), revision);
    ASSERT_EQ(scene().Named("edit").size(), 1u);
    EXPECT_EQ(scene().Named("pencil")[0]->box.width, ImageWidth(ImageSlot::kButtons, Button::kEdit));

    // The JSON lists every element, in drawing order.
    const nlohmann::json json = nlohmann::json::parse(scene().Json());
    ASSERT_EQ(json.size(), scene().Elements().size());
    EXPECT_EQ(json.back()["name"], "pencil");
    EXPECT_EQ(json.back()["kind"], "picture");
    bool named = false;
    for (const auto& e : json) named = named || (e.contains("name") && e["name"] == "StartTitle");
    EXPECT_TRUE(named);
}

// The fit check sees a text wherever a page draws it: a label that a page
// gains is checked without the checker knowing of it.
TEST_F(SceneTest, TheFitCheckSeesEveryTextThePagesDraw) {
    FitCollector collector(host.GetScene());
    const char* label = GetText(Txt::kWarmWaterSetValue, Settings.language);
    const int width = TextWidth(label, FontSlot::kBody);
    DlSetFont(FontSlot::kBody);
    DlTextAt(10, 100, label);
    Fill(200, 80, 260, 101);  // a value's field, after the label: 10 + width - 200 too far
    DlTextAt(static_cast<u16>(kScreenWidth - width + 7), 130, label);  // 7 past the screen's edge
    Fill(40, 140, 100, 160);
    DlTextAt(45, 160, label);  // in a field too narrow for it
    Run(5);
    const std::vector<TextFitFault> faults = collector.Faults();
    ASSERT_EQ(faults.size(), 1u);  // once per page, with the largest excess
    EXPECT_EQ(faults[0].id, Txt::kWarmWaterSetValue);
    EXPECT_EQ(faults[0].page, 0);
    EXPECT_EQ(faults[0].pixels, std::max({10 + width - 200, 7, 45 + width - 101}));
}

}  // namespace
