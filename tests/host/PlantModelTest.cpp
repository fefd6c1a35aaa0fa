#include "host/plant/PlantModel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "panel/app/Draw.h"
#include "panel/app/Plant.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"
#include "tests/host/FreshPanel.h"

namespace {

int Entry(const char* name) { return PlantModel::Find(name).value_or(-1); }

void SetOrFail(PlantModel& plant, const char* name, const char* value) {
    PlantValue v;
    std::string error;
    ASSERT_TRUE(PlantModel::Parse(name, value, v, error)) << name << " " << value << ": " << error;
    plant.Set(v);
}

// A value given for a name, and the text that follows from it.
struct Case {
    const char* name;
    const char* value;
    const char* expected;
};

TEST(PlantModel, RefusesBadValuesAndSaysWhy) {
    // The expected text is a part of the message.
    const Case cases[] = {
        {"colector", "95.5", "valid names: collector, collector.faulty"},
        {"collector", "250.1", "out of range -50.0..250.0"},
        {"collector", "95.55", "at most one decimal"},
        {"collector", "warm", "at most one decimal"},
        {"tank1.bottom", "absent", "wants a temperature"},
        {"frost", "yes", "frost wants on or off"},
        {"fault", "51", "out of range 0..50"},
        {"status", "10", "out of range 0..9"},
        {"pump.speed", "1001", "out of range 0..1000"},
        {"pump.speed", "50.5", "whole number"},
        {"flow", "-0.1", "out of range 0.0..999.7"},
        // 999.8 and 999.9 l/min are the pages' "never drawn" and "no value" marks.
        {"flow", "999.8", "out of range 0.0..999.7"},
        {"commissioning.counter", "4294967296", "out of range 0..4294967295"},
    };
    for (const Case& c : cases) {
        PlantValue v;
        std::string error;
        EXPECT_FALSE(PlantModel::Parse(c.name, c.value, v, error)) << c.name << " " << c.value;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(PlantModel, FormatsWhatItWasGiven) {
    FreshPanel panel;
    PlantModel plant;
    const Case cases[] = {
        {"collector", "95.5", "95.5"},
        {"outside", "-0.5", "-0.5"},
        {"tank1.top", "60", "60.0"},
        {"tank1.top", "absent", "absent"},
        {"frost", "on", "on"},
        {"flow", "12.5", "12.5"},
        {"status", "9", "9 Emergency mode"},
        {"fault", "22", "22 Collector sensor failure"},
        {"fault", "8", "8 Fault solar 8"},
        {"fault", "clear", "0 No fault"},
        {"commissioning.counter", "4294967295", "4294967295"},
    };
    for (const Case& c : cases) {
        SetOrFail(plant, c.name, c.value);
        EXPECT_EQ(plant.Format(Entry(c.name)), c.expected) << c.name;
    }
    // A reading given again brings its sensor back.
    SetOrFail(plant, "tank1.top", "61.5");
    EXPECT_EQ(plant.Format(Entry("tank1.top.present")), "on");
    SetOrFail(plant, "collector", "absent");
    EXPECT_EQ(Plant.sensorFault & SensorFault::kCollector, SensorFault::kCollector);
    EXPECT_EQ(Plant.collectorTemp, 955) << "absent keeps the last reading";
}

TEST(PlantModel, StartValuesAreTheHostsAndResetRestoresThem) {
    FreshPanel panel;
    PlantModel plant;
    const auto expectStartValues = [&plant] {
        const auto entries = PlantModel::Entries();
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            if (std::string(entries[i].name) == "tank2.row") continue;
            EXPECT_EQ(plant.Get(i), entries[i].start) << entries[i].name;
        }
    };
    expectStartValues();
    for (auto [name, value] : {std::pair{"collector", "10"},
                               {"fault", "22"},
                               {"tank2.top", "33.3"},
                               {"tank1.top.present", "off"},
                               {"commissioning.step", "3"},
                               {"icon.clock", "on"}})
        SetOrFail(plant, name, value);
    plant.Reset();
    panel.Ticks(1);
    expectStartValues();
}

TEST(PlantModel, AValueTheHostRewritesHoldsUntilReset) {
    FreshPanel panel;
    PlantModel& plant = panel.Plant();
    Settings.supplementaryFunction = 2;
    panel.Ticks(1);
    EXPECT_EQ(Plant.fifthRowTemp, 521);
    SetOrFail(plant, "tank2.top", "60.5");
    SetOrFail(plant, "tank2.row", "off");
    panel.Ticks(5);
    EXPECT_EQ(Plant.fifthRowTemp, 605);
    EXPECT_EQ(Plant.fifthRowTwinTemp, 605);
    EXPECT_EQ(Plant.fifthRowShown, 0);
    plant.Reset();
    panel.Ticks(1);
    EXPECT_EQ(Plant.fifthRowTemp, 521);
    EXPECT_EQ(Plant.fifthRowShown, 1);
}

// A code without a text of its own must not show the model name (text 0).
TEST(PlantModel, UnlistedFaultCodesReadLikeTheFaultLine) {
    FreshPanel panel;
    EXPECT_STREQ(FaultDescription(8), "St\xF6rung Solar 8");
    EXPECT_STREQ(FaultDescription(22), GetText(112, kGerman));
    Settings.language = kEnglish;
    EXPECT_STREQ(FaultDescription(48), "Fault solar 48");
    EXPECT_EQ(FaultCodeText(8, kPolish), "Usterka solarna 8");
}

TEST(PlantModel, ADatagramIsAppliedWholeOrNotAtAll) {
    FreshPanel panel;
    PlantModel plant;
    EXPECT_EQ(plant.ApplyLines("collector 95.5\r\n  frost   on  \n\nfault 22\n"), "ok");
    EXPECT_EQ(Plant.collectorTemp, 955);
    EXPECT_EQ(Plant.frost, 1);
    EXPECT_EQ(Settings.faultCode, 22);
    const std::string bad = plant.ApplyLines("collector 20\nfrots on\n");
    EXPECT_EQ(bad.rfind("datagram:2: unknown name 'frots'; valid names: ", 0), 0u) << bad;
    EXPECT_EQ(Plant.collectorTemp, 955);
    EXPECT_EQ(plant.ApplyLines("collector"), "datagram:1: a line is NAME VALUE, not 'collector'");
    EXPECT_EQ(plant.ApplyLines("collector 1 2"), "datagram:1: a line is NAME VALUE, not 'collector 1 2'");
    EXPECT_EQ(plant.ApplyLines("\n \n"), "datagram:1: no NAME VALUE line");
}

}  // namespace
