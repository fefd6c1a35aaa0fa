#include "host/plant/PlantPresets.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/host/FreshPanel.h"

namespace {

class PlantPresetsTest : public FreshPanel, public ::testing::Test {};

// Every preset applies on its own start values, whatever was set before.
TEST_F(PlantPresetsTest, EveryPresetAppliesFromTheStartValues) {
    PlantModel plant;
    for (const PlantPreset& preset : PlantPresets()) {
        SCOPED_TRACE(preset.key);
        for (const PlantPreset& before : PlantPresets()) {
            ASSERT_EQ(ApplyPlantPreset(plant, before.key), "ok");
            ASSERT_EQ(ApplyPlantPreset(plant, preset.key), "ok");
            PlantModel fresh;
            fresh.Reset();
            ASSERT_EQ(fresh.ApplyLines(preset.lines), "ok");
            for (int i = 0; i < static_cast<int>(PlantModel::Entries().size()); ++i)
                EXPECT_EQ(plant.Get(i), fresh.Get(i)) << PlantModel::Entries()[i].name << " after " << before.key;
        }
    }
    EXPECT_EQ(ApplyPlantPreset(plant, "heatwave"), "unknown preset 'heatwave'");
}

// The controls show every value once, in every language in words of its own,
// and every value, its sensor flags too, has a tip in every language.
TEST_F(PlantPresetsTest, GroupsNameEveryValueOnceWithLabelsAndTipsInEveryLanguage) {
    std::set<std::string> shown;
    for (const PlantGroup& group : PlantGroups()) {
        for (const char* name : group.names) {
            const std::optional<int> entry = PlantModel::Find(name);
            ASSERT_TRUE(entry) << name;
            EXPECT_TRUE(shown.insert(name).second) << name << " is in two groups";
            for (Language l = 0; l < kLanguageCount; ++l) EXPECT_STRNE(PlantLabel(*entry, l), name) << int(l);
        }
    }
    for (int i = 0; i < static_cast<int>(PlantModel::Entries().size()); ++i) {
        const std::string name = PlantModel::Entries()[i].name;
        EXPECT_TRUE(shown.count(name) == 1 || IsSensorFlag(i)) << name << " is in no group";
        for (Language l = 0; l < kLanguageCount; ++l) {
            if (l == kEnglish) continue;
            EXPECT_STRNE(PlantHelp(i, l), PlantHelp(i, kEnglish)) << name << " " << int(l);
        }
    }
    for (int w = 0; w < static_cast<int>(PlantWord::Count); ++w) {
        for (Language l = 0; l < kLanguageCount; ++l) EXPECT_STRNE(PlantWordText(static_cast<PlantWord>(w), l), "");
    }
}

}  // namespace
