// The text table as the panel reads it. The wording lives in the PO files
// the table is generated from (and the translators' tools check them); here
// the stored bytes: the fonts' own codes, the slots' layout, the lookup's
// bounds and the run-time overrides.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "panel/text/TextIds.h"

namespace {

TEST(TextTable, TextsAreStoredInTheFontsCodesAndEndInsideTheirSlots) {
    const struct {
        TextId id;
        Language language;
        const char* bytes;
    } samples[] = {
        {Txt::kMenuTitle, kGerman, "Men\xFC"},
        {Txt::kLanguageName, kFrench,
         "Fran\xE7"
         "ais"},
        {Txt::kDeleteTotalYieldQuestion, kPolish,
         "Wyzerowa\x87 uzysk \x8B\x85"
         "czny?"},
    };
    for (const auto& c : samples) EXPECT_STREQ(GetText(c.id, c.language), c.bytes) << c.id;
    for (TextId id = 0; id < kTextCount; ++id) {
        for (Language k = 0; k < kLanguageCount; ++k) {
            const char* text = GetText(id, k);
            ASSERT_NE(std::memchr(text, 0, TextSlotWidth(id)), nullptr) << id << " " << int(k);
            ASSERT_NE(text[0], 0) << id << " " << int(k);
        }
    }
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
}  // namespace
