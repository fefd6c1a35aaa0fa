// The Plant panel's words: every row speaks all seven languages, and every
// plant value the panel shows has its row.
#include "host/PlantWords.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/PlantModel.h"

namespace {

TEST(PlantWords, EveryRowHasEveryLanguageAndEveryValueItsWord) {
    std::set<std::string> keys;
    for (int i = 0; i < PlantWordCount(); ++i) {
        const std::string key(PlantWordKey(i));
        EXPECT_TRUE(keys.insert(key).second) << key << " twice";
        for (int language = 0; language < 7; ++language) {
            const std::string word = PlantWord(key, language);
            EXPECT_FALSE(word.empty()) << key << " " << language;
            EXPECT_NE(word, key) << key << " " << language;
        }
    }
    // The sensor flags have a check beside their reading and the fault a
    // group of its own, not a row.
    for (const PlantEntry& e : PlantModel::Entries()) {
        const std::string name = e.name;
        const bool flag = name.find(".faulty") != std::string::npos || name.find(".present") != std::string::npos ||
                          name.find(".absent") != std::string::npos;
        if ((!flag && name != "fault") || name == "flow.faulty") {
            EXPECT_TRUE(keys.count(name)) << name;
        }
    }
    EXPECT_EQ(PlantWord("no.such.word", 0), "no.such.word");
}

}  // namespace
