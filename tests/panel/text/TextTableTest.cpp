// The generated table against the table as it stood before the reviewed
// translations were applied: every byte of every slot is the same, apart
// from the reviewed texts, which read as the review asks. This pins the
// wording and slot width of every text; the other cases check the lookup,
// the slots' layout and the overrides.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "panel/text/TextIds.h"

namespace {

// The reviewed texts in the panel's bytes (Polish at the fonts' own codes).
const std::map<std::pair<int, int>, std::string> kReviewed = {
    {{Txt::kPumpRuntime, kFrench}, "Heures pompe"},
    {{Txt::kPumpRuntime, kItalian}, "Ore funz. pompa"},
    {{Txt::kPumpRuntime, kSpanish}, "Horas func. bomba"},
    {{Txt::kFaultThreeWayValveOrSensor, kFrench},
     "V3V d\xE9"
     "f. ou sonde mal plac\xE9"
     "e"},
    {{Txt::kFaultThreeWayValveOrSensor, kItalian}, "V3V guasta o sonda mal posiz."},
    {{Txt::kFaultThreeWayValveOrSensor, kSpanish}, "V3V averiada/sonda mal colocada"},
    {{Txt::kSupplementaryHeatingSupport, kFrench}, "Soutien chauffage"},
    {{Txt::kCommissioning, kItalian}, "Messa in funzione"},
    {{Txt::kSinceCommissioning, kItalian}, "dalla messa in funzione"},
    {{Txt::kStatusWarmingTank, kItalian}, "Accumulo in carica"},
    {{Txt::kDeleteTotalYieldQuestion, kItalian}, "Azzerare resa totale?"},
    {{Txt::kStatusTankFull, kSpanish}, "Dep\xF3sito cargado"},
    {{Txt::kFaultCollectorSensorDisturbed, kSpanish},
     "Anomal\xED"
     "a sonda colector"},
    {{Txt::kTotalStagnation, kFrench}, "Cumul stagnation"},
    {{Txt::kSolarFaultLabel, kDutch}, "Storing solarsysteem"},
    {{Txt::kDeleteTotalYieldQuestion, kPolish},
     "Wyzerowa\x87 uzysk \x8B\x85"
     "czny?"},
    {{Txt::kTotalYieldDeleted, kPolish},
     "Uzysk \x8B\x85"
     "czny wyzerowany!"},
    {{Txt::kWarmWaterSetValue, kPolish}, "Temp. zadana CWU"},
    {{Txt::kStatusFrostProtection, kPolish}, "Antyzamarzanie"},
};

std::string Hex(const u8* bytes, u32 n) {
    std::string s;
    char b[3];
    for (u32 i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02x", bytes[i]);
        s += b;
    }
    return s;
}

TEST(TextTable, EqualsTheTableBeforeTheReviewApartFromTheReviewedTexts) {
    std::ifstream in(KANDO_TABLE_BEFORE_REVIEW);
    ASSERT_TRUE(in) << KANDO_TABLE_BEFORE_REVIEW;
    int lines = 0;
    int reviewed = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int id = 0;
        int lang = 0;
        std::string before;
        fields >> id >> lang >> before;
        ++lines;
        const u32 width = TextSlotWidth(static_cast<TextId>(id));
        ASSERT_EQ(before.size(), 2u * width) << "slot width of text " << id;
        const u8* slot = reinterpret_cast<const u8*>(GetText(static_cast<TextId>(id), static_cast<Language>(lang)));
        const auto review = kReviewed.find({id, lang});
        if (review == kReviewed.end()) {
            EXPECT_EQ(Hex(slot, width), before) << "text " << id << ", language " << lang;
            continue;
        }
        ++reviewed;
        EXPECT_NE(Hex(slot, width), before) << "text " << id << ", language " << lang;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(slot)), review->second) << id << " " << lang;
        for (u32 i = static_cast<u32>(review->second.size()); i < width; ++i) EXPECT_EQ(slot[i], 0);
    }
    EXPECT_EQ(lines, kTextCount * kLanguageCount);
    EXPECT_EQ(reviewed, static_cast<int>(kReviewed.size()));
}

class TextOverride : public ::testing::Test {
protected:
    void SetUp() override { ClearTextOverrides(); }
    void TearDown() override { ClearTextOverrides(); }

    // The built-in French texts, with the pump's runtime label replaced.
    void FrenchWith(const char* runtime) {
        for (TextId id = 0; id < kTextCount; ++id) {
            copies[id] = GetText(id, kFrench);
            texts[id] = copies[id].c_str();
        }
        texts[Txt::kPumpRuntime] = runtime;
    }
    std::string copies[kTextCount];
    const char* texts[kTextCount] = {};
};

TEST_F(TextOverride, ReplacesOneLanguageWholeRefusesAMissingEmptyOrTooLongTextAndComesBack) {
    FrenchWith("Essai");
    const std::string german = GetText(Txt::kPumpRuntime, kGerman);
    ASSERT_TRUE(OverrideTexts(kFrench, texts));
    EXPECT_STREQ(GetText(Txt::kLanguageName, kFrench),
                 "Fran\xE7"
                 "ais");
    EXPECT_EQ(GetText(Txt::kPumpRuntime, kGerman), german);
    const std::string tooLong(TextSlotWidth(Txt::kPumpRuntime) - 1, 'x');
    const std::string longest(TextSlotWidth(Txt::kPumpRuntime) - 2, 'y');
    for (const char* bad : {static_cast<const char*>(nullptr), "", tooLong.c_str()}) {
        FrenchWith(bad);
        texts[Txt::kMenuMeasurement] = "Changed";
        EXPECT_FALSE(OverrideTexts(kFrench, texts));
        EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Essai");
        EXPECT_STREQ(GetText(Txt::kMenuMeasurement, kFrench), "Mesures");
    }
    FrenchWith(longest.c_str());
    EXPECT_TRUE(OverrideTexts(kFrench, texts));
    EXPECT_EQ(GetText(Txt::kPumpRuntime, kFrench), longest);
    EXPECT_FALSE(OverrideTexts(kLanguageCount, texts));
    EXPECT_FALSE(OverrideTexts(kFrench, nullptr));
    ClearTextOverrides();
    EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Heures pompe");
}

TEST(Texts, UnknownLanguageOrIdGivesAnEmptyString) {
    const struct {
        u32 id;
        u32 language;
    } cases[] = {
        {Txt::kSettings, 7}, {0, 255}, {kNoText, kGerman}, {kNoText, 200}, {kTextCount, kGerman}, {0xFFFE, kPolish},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetText(static_cast<TextId>(c.id), static_cast<Language>(c.language)), "") << c.id;
    }
    for (u32 id = kTextCount; id <= 0xFFFF; id += 97) EXPECT_STREQ(GetText(static_cast<TextId>(id), 1), "") << id;
    EXPECT_EQ(TextSlotWidth(kTextCount), 0u);
}

// The stored layout, through the pointers the lookup hands out: every text's
// seven slots follow each other, and the next text starts right after. (The
// bytes of every slot are pinned by the comparison above.)
TEST(Texts, SlotsFollowEachOtherInLanguageThenIdOrder) {
    for (TextId id = 0; id < kTextCount; ++id) {
        const char* first = GetText(id, 0);
        const u32 width = TextSlotWidth(id);
        for (Language k = 1; k < kLanguageCount; ++k) {
            ASSERT_EQ(GetText(id, k), first + k * width) << id << " " << int(k);
        }
        if (id + 1 < kTextCount) {
            ASSERT_EQ(GetText(id + 1, 0), first + kLanguageCount * width) << id;
        }
    }
}

}  // namespace
