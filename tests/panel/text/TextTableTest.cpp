// The generated table against the table as it stood before the reviewed
// translations were applied: every byte of every slot is the same, apart
// from the reviewed texts, which read as the review asks. This pins the
// wording and slot width of every text; the other cases check the lookup,
// the slots' layout and the overrides.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "panel/text/Texts.h"

namespace {

// The reviewed texts in the panel's bytes (Polish at the fonts' own codes).
const std::map<std::pair<int, int>, std::string> kReviewed = {
    {{75, kFrench}, "Heures pompe"},
    {{75, kItalian}, "Ore funz. pompa"},
    {{75, kSpanish}, "Horas func. bomba"},
    {{108, kFrench},
     "V3V d\xE9"
     "f. ou sonde mal plac\xE9"
     "e"},
    {{108, kItalian}, "V3V guasta o sonda mal posiz."},
    {{108, kSpanish}, "V3V averiada/sonda mal colocada"},
    {{48, kFrench}, "Soutien chauffage"},
    {{90, kItalian}, "Messa in funzione"},
    {{77, kItalian}, "dalla messa in funzione"},
    {{69, kItalian}, "Accumulo in carica"},
    {{23, kItalian}, "Azzerare resa totale?"},
    {{70, kSpanish}, "Dep\xF3sito cargado"},
    {{114, kSpanish},
     "Anomal\xED"
     "a sonda colector"},
    {{76, kFrench}, "Cumul stagnation"},
    {{95, kDutch}, "Storing solarsysteem"},
    {{23, kPolish},
     "Wyzerowa\x87 uzysk \x8B\x85"
     "czny?"},
    {{24, kPolish},
     "Uzysk \x8B\x85"
     "czny wyzerowany!"},
    {{26, kPolish}, "Temp. zadana CWU"},
    {{66, kPolish}, "Antyzamarzanie"},
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

    // The built-in French texts, with text 75 replaced.
    void FrenchWith(const char* text75) {
        for (TextId id = 0; id < kTextCount; ++id) {
            copies[id] = GetText(id, kFrench);
            texts[id] = copies[id].c_str();
        }
        texts[75] = text75;
    }
    std::string copies[kTextCount];
    const char* texts[kTextCount] = {};
};

TEST_F(TextOverride, ReplacesOneLanguageWholeRefusesAMissingEmptyOrTooLongTextAndComesBack) {
    FrenchWith("Essai");
    const std::string german = GetText(75, kGerman);
    ASSERT_TRUE(OverrideTexts(kFrench, texts));
    EXPECT_STREQ(GetText(37, kFrench),
                 "Fran\xE7"
                 "ais");
    EXPECT_EQ(GetText(75, kGerman), german);
    const std::string tooLong(TextSlotWidth(75) - 1, 'x');
    const std::string longest(TextSlotWidth(75) - 2, 'y');
    for (const char* bad : {static_cast<const char*>(nullptr), "", tooLong.c_str()}) {
        FrenchWith(bad);
        texts[3] = "Changed";
        EXPECT_FALSE(OverrideTexts(kFrench, texts));
        EXPECT_STREQ(GetText(75, kFrench), "Essai");
        EXPECT_STREQ(GetText(3, kFrench), "Mesures");
    }
    FrenchWith(longest.c_str());
    EXPECT_TRUE(OverrideTexts(kFrench, texts));
    EXPECT_EQ(GetText(75, kFrench), longest);
    EXPECT_FALSE(OverrideTexts(kLanguageCount, texts));
    EXPECT_FALSE(OverrideTexts(kFrench, nullptr));
    ClearTextOverrides();
    EXPECT_STREQ(GetText(75, kFrench), "Heures pompe");
}

TEST(Texts, UnknownLanguageOrIdGivesAnEmptyString) {
    EXPECT_STREQ(GetText(5, 7), "");
    EXPECT_STREQ(GetText(0, 255), "");
    EXPECT_STREQ(GetText(kNoText, kGerman), "");
    EXPECT_STREQ(GetText(kNoText, 200), "");
    EXPECT_STREQ(GetText(137, kGerman), "");
    EXPECT_STREQ(GetText(0xFFFE, kPolish), "");
    for (u32 id = kTextCount; id <= 0xFFFF; id += 97) EXPECT_STREQ(GetText(static_cast<TextId>(id), 1), "") << id;
    EXPECT_EQ(TextSlotWidth(kTextCount), 0u);
}

bool PanelByte(u8 c) { return (c >= 0x20 && c <= 0x7E) || c >= 0xA0 || (c >= 0x84 && c <= 0x93); }

// Walks the stored slots through the pointers the lookup hands out: every
// text's seven slots follow each other, and the next text starts right after.
TEST(Texts, EverySlotIsFilledTerminatedAndZeroPadded) {
    for (TextId id = 0; id < kTextCount; ++id) {
        SCOPED_TRACE(id);
        const u8* first = reinterpret_cast<const u8*>(GetText(id, 0));
        const u32 width = TextSlotWidth(id);
        for (Language k = 0; k < kLanguageCount; ++k) {
            const u8* slot = reinterpret_cast<const u8*>(GetText(id, k));
            ASSERT_EQ(slot, first + k * width) << int(k);
            const size_t length = std::strlen(reinterpret_cast<const char*>(slot));
            EXPECT_GT(length, 0u) << int(k);
            EXPECT_LE(length + 2, width) << int(k);
            for (size_t i = 0; i < length; ++i) EXPECT_TRUE(PanelByte(slot[i])) << int(k) << " byte " << i;
            for (size_t i = length; i < width; ++i) EXPECT_EQ(slot[i], 0) << int(k) << " byte " << i;
        }
        if (id + 1 < kTextCount) {
            EXPECT_EQ(reinterpret_cast<const u8*>(GetText(id + 1, 0)), first + kLanguageCount * width);
        }
    }
}

}  // namespace
