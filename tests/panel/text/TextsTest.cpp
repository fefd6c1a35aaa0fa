#include "panel/text/Texts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The fixed slot width of every text; a translation must never widen them.
constexpr u8 kSlotWidths[kTextCount] = {
    20, 18, 6,  21, 20, 17, 19, 11, 19, 12, 16, 21, 22, 19, 21, 19, 12, 20, 5,  6,  22, 20, 18, 32, 27, 22, 29, 23,
    20, 24, 24, 19, 19, 13, 10, 20, 10, 12, 30, 14, 21, 18, 30, 19, 18, 18, 9,  24, 23, 24, 26, 22, 29, 24, 14, 31,
    31, 19, 12, 18, 19, 9,  6,  9,  22, 24, 24, 13, 23, 31, 18, 26, 11, 13, 30, 23, 21, 27, 17, 17, 19, 25, 24, 11,
    14, 10, 10, 11, 17, 20, 19, 28, 21, 31, 26, 24, 18, 18, 27, 25, 25, 31, 28, 18, 31, 32, 24, 32, 38, 30, 31, 31,
    27, 34, 31, 31, 30, 28, 29, 29, 31, 23, 14, 14, 14, 14, 21, 21, 14, 3,  21, 14, 21, 31, 16, 28, 28,
};

std::string Text(TextId id, Language language) { return GetText(id, language); }

TEST(Texts, LooksUpTextsByIdAndLanguageAndNamesEachLanguageInItsOwn) {
    EXPECT_EQ(Text(3, kEnglish), "Measurement");
    EXPECT_EQ(Text(3, kGerman), "Messwerte");
    const char* const names[kLanguageCount] = {"Deutsch",
                                               "English",
                                               "Fran\xE7"
                                               "ais",
                                               "Italiano",
                                               "Espa\xF1ol",
                                               "Nederlands",
                                               "Polski"};
    for (Language k = 0; k < kLanguageCount; ++k) {
        EXPECT_EQ(Text(37, k), names[k]) << int(k);
        EXPECT_EQ(Text(129, k), "h") << int(k);
    }
}

TEST(Texts, UnknownLanguageOrIdGivesAnEmptyString) {
    EXPECT_STREQ(GetText(5, 7), "");
    EXPECT_STREQ(GetText(0, 255), "");
    EXPECT_STREQ(GetText(kNoText, kGerman), "");
    EXPECT_STREQ(GetText(kNoText, 200), "");
    EXPECT_STREQ(GetText(137, kGerman), "");
    EXPECT_STREQ(GetText(0xFFFE, kPolish), "");
    for (u32 id = kTextCount; id <= 0xFFFF; id += 97) EXPECT_STREQ(GetText(static_cast<TextId>(id), 1), "") << id;
}

TEST(Texts, GermanAndEnglishKeepTheirExactBytes) {
    EXPECT_EQ(Text(5, kGerman), "Einstellungen ");
    EXPECT_EQ(Text(5, kDutch), "Basisonderhoud ");
    EXPECT_EQ(Text(39, kEnglish), "   ");
    EXPECT_EQ(Text(92, kEnglish), "   ");
    EXPECT_EQ(Text(2, kGerman), "Men\xFC");
    EXPECT_EQ(Text(15, kGerman),
              "Au\xDF"
              "entemperatur");
    EXPECT_EQ(Text(23, kGerman), "Gesamtgewinn jetzt l\xF6schen ?");
    EXPECT_EQ(Text(77, kEnglish), "since commiss on");
    EXPECT_EQ(Text(91, kEnglish), "Commissioning now ?");
    EXPECT_EQ(Text(108, kGerman), "ULV defekt o.Sp.f\xFChler falsch platz.");
    EXPECT_EQ(Text(110, kEnglish), "Tk undercooled by frost prot.");
    EXPECT_EQ(Text(136, kGerman), "Test Zonenventil");
}

TEST(Texts, RowsFixedInEveryLanguageHoldTheirWording) {
    const char* const weekdays[kLanguageCount] = {
        "Mo Di Mi Do Fr Sa So", "Mo Tu We Th Fr Sa Su", "Lu Ma Me Je Ve Sa Di",   "Lu Ma Me Gi Ve Sa Do",
        "Lu Ma Mi Ju Vi Sa Do", "Ma Di Wo Do Vr Za Zo", "Pn Wt \x8Fr Cz Pt Sb Nd"};
    const char* const language[kLanguageCount] = {"Sprache", "Language", "Langue",  "Lingua",
                                                  "Idioma",  "Taal",     "J\x89zyk"};
    const char* const shortcutSecondLine[kLanguageCount] = {"taste",
                                                            "   ",
                                                            "de raccourci",
                                                            "rapida",
                                                            "r\xE1pida",
                                                            "toets",
                                                            "skr\xF3"
                                                            "conego"};
    const char* const commissionSecondLine[kLanguageCount] = {"durchf\xFChren ?",   "   ",    "la mise en service?",
                                                              "messa in funzione?", "ahora?", "uitvoeren?",
                                                              "uruchomienie?"};
    for (Language k = 0; k < kLanguageCount; ++k) {
        SCOPED_TRACE(int(k));
        EXPECT_EQ(Text(0, k), "Kandorelle Lumo II");
        EXPECT_EQ(Text(1, k), "Kandorelle Ro II");
        // The weekday chart cuts seven three-character cells out of text 25.
        EXPECT_EQ(Text(25, k), weekdays[k]);
        EXPECT_EQ(std::strlen(weekdays[k]), 20u);
        EXPECT_EQ(Text(36, k), language[k]);
        EXPECT_EQ(Text(39, k), shortcutSecondLine[k]);
        EXPECT_EQ(Text(92, k), commissionSecondLine[k]);
        EXPECT_EQ(Text(51, k), k == kGerman ? "Ventil Dampfbildung" : "Stagnations-D\xE4mpfung");
        EXPECT_EQ(Text(27, k), "Sollwert Solarvorlauf");
        EXPECT_EQ(Text(44, k), "Zusatzfkt. OUT 1");
        EXPECT_EQ(Text(45, k), "Zusatzfkt. OUT 2");
        EXPECT_EQ(Text(50, k), k == kGerman ? "Solarvorlaufumschaltung" : "Solarvorlauf-Umschaltung");
    }
}

TEST(Texts, PolishUsesThePanelsOwnLetterCodes) {
    EXPECT_EQ(Text(17, kPolish), "Przep\x8Byw");
    EXPECT_EQ(Text(41, kPolish), "Kod dost\x89pu");
    EXPECT_EQ(Text(103, kPolish),
              "B\x8B\x89"
              "dny czas");
    EXPECT_EQ(Text(70, kPolish), "Zasobnik pe\x8Bny");
}

bool PanelByte(u8 c) { return (c >= 0x20 && c <= 0x7E) || c >= 0xA0 || (c >= 0x84 && c <= 0x93); }

// Walks the stored slots through the pointers the lookup hands out: every
// text's seven slots follow each other, and the next text starts right after.
TEST(Texts, EverySlotIsFilledTerminatedAndZeroPadded) {
    for (TextId id = 0; id < kTextCount; ++id) {
        SCOPED_TRACE(id);
        const u8* first = reinterpret_cast<const u8*>(GetText(id, 0));
        const u32 width = kSlotWidths[id];
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
