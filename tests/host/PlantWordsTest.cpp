// The plant controls' words as translators keep them (po/plant/): the build's
// generator refuses a file it cannot take whole, naming the line to change,
// and the generated table holds no word that nothing shows.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "host/plant/PlantPresets.h"
#include "host/plant/PlantWordData.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

const std::filesystem::path kPlantPo = std::filesystem::path(KANDO_PO_DIR) / "plant";
constexpr const char* kLanguages[] = {"de", "en", "fr", "it", "es", "nl", "pl"};

// The line (1-based) of the first (or last) occurrence of `what` in `text`.
int LineOf(const std::string& text, const std::string& what, bool last) {
    const std::size_t at = last ? text.rfind(what) : text.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

// The generator over the shipped files, with fr.po edited: its exit status,
// with what it wrote to standard error in `errors`.
int Generate(const std::filesystem::path& folder, const std::string& french, std::string& errors) {
    std::string command =
        std::string(KANDO_PLANTGEN) + " " + (folder / "out.h").string() + " " + (kPlantPo / "plant.pot").string();
    for (const char* lang : kLanguages) {
        const std::string file = std::string(lang) + ".po";
        command += " " + (std::string_view(lang) == "fr" ? folder / file : kPlantPo / file).string();
    }
    WriteAll(folder / "fr.po", french);
    const int status = std::system((command + " 2>" + (folder / "stderr.txt").string()).c_str());
    errors = ReadAll(folder / "stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PlantWords, GeneratorRefusesAFileItCannotTakeWhole) {
    const std::string clear = "msgctxt \"word.clear\"\nmsgid \"Clear\"\nmsgstr \"Effacer\"\n";
    const std::string french = ReadAll(kPlantPo / "fr.po");
    const struct {
        const char* name;
        std::string from, to;  // in fr.po
        std::string at;        // the line the message names holds this, `below` lines up
        int below;
        bool last;            // the last of several such lines
        std::string message;  // after "fr.po:LINE: "
    } cases[] = {
        {"a missing word", clear, "", "msgid \"\"", 0, false, "word word.clear is missing; bring the file up to date"},
        {"an extra word", clear, clear + "\nmsgctxt \"word.clean\"\nmsgid \"Clean\"\nmsgstr \"Nettoyer\"\n",
         "msgctxt \"word.clean\"", 0, false, "word word.clean is not in the template; remove it"},
        {"an empty translation", clear, "msgctxt \"word.clear\"\nmsgid \"Clear\"\nmsgstr \"\"\n",
         "msgctxt \"word.clear\"", 2, false, "word word.clear: the translation is empty"},
        {"a fuzzy entry", clear, "#, fuzzy\n" + clear, "#, fuzzy", 0, false,
         "word word.clear: the translation is marked fuzzy (not yet reviewed)"},
        {"a changed English", "msgid \"Clear\"", "msgid \"Clear fault\"", "msgid \"Clear fault\"", 0, false,
         "word word.clear: English changed from \"Clear fault\" to \"Clear\"; review the translation"},
        // The PO library itself refuses it.
        {"a word given twice", clear, clear + "\n" + clear, "msgctxt \"word.clear\"", 1, true,
         "duplicate message definition"},
        {"a language that is not the panel's", "Language: fr", "Language: pt", "\"Language: pt", 0, false,
         "the header's \"Language\" must be one of de, en, fr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path folder = FreshFolder("plantgen");
        std::string text = french;
        const std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, c.from.size(), c.to);
        std::string errors;
        EXPECT_EQ(Generate(folder, text, errors), 2);
        const std::string expected =
            (folder / "fr.po").string() + ":" + std::to_string(LineOf(text, c.at, c.last) + c.below) + ": " + c.message;
        EXPECT_NE(errors.find(expected), std::string::npos) << "wanted " << expected << "\ngot " << errors;
        EXPECT_FALSE(std::filesystem::exists(folder / "out.h"));
    }
    std::string errors;
    EXPECT_EQ(Generate(FreshFolder("plantgen"), french, errors), 0) << errors;
}

// Every word of the table shows somewhere: a group, a button or another word
// of the controls, a plant value's label or tip, a preset's name.
TEST(PlantWords, TheTableHoldsOnlyWordsTheControlsShow) {
    std::set<std::string_view> used;
    for (const PlantWordData::Row& row : PlantWordData::kRows) {
        for (Language l = 0; l < kLanguageCount; ++l) {
            for (int w = 0; w < static_cast<int>(PlantWord::Count); ++w) {
                if (PlantWordText(static_cast<PlantWord>(w), l) == row.words[l]) used.insert(row.key);
            }
            for (int e = 0; e < static_cast<int>(PlantModel::Entries().size()); ++e) {
                if (PlantLabel(e, l) == row.words[l] || PlantHelp(e, l) == row.words[l]) used.insert(row.key);
            }
            for (const PlantPreset& preset : PlantPresets()) {
                if (preset.names[l] == row.words[l]) used.insert(row.key);
            }
        }
        EXPECT_EQ(used.count(row.key), 1u) << row.key << " is shown nowhere";
    }
}

}  // namespace
