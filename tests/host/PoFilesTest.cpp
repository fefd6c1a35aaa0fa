// The translators' PO files as translation tools write, merge and review
// them: read with the lines of their problems in any layout an editor leaves,
// checked against the template that the English file gives, and kept in step
// with it by msgmerge.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/runner/TextOverride.h"
#include "host/texts/PoTexts.h"
#include "panel/text/TextIds.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

const std::filesystem::path kPoDir = KANDO_PO_DIR;
const char* const kTranslations[] = {"de", "fr", "it", "es", "nl", "pl"};

using Edits = std::vector<std::pair<std::string, std::string>>;

std::string Edited(const std::string& file, const Edits& edits) {
    std::string text = ReadAll(kPoDir / file);
    for (const auto& [from, to] : edits) {
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

// The file as editors on other systems save it.
enum class Layout { Lf, Crlf, ByteOrderMark };

std::string InLayout(std::string text, Layout layout) {
    if (layout == Layout::ByteOrderMark) return "\xEF\xBB\xBF" + text;
    if (layout == Layout::Crlf) {
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) {
            text.insert(at, "\r");
        }
    }
    return text;
}

// What a file says of each text: msgid, msgstr and the fuzzy mark by name.
std::map<std::string, std::tuple<std::string, std::string, bool>> Entries(const std::string& path) {
    PoHeader header;
    std::vector<PoEntry> entries;
    std::vector<std::string> errors;
    EXPECT_TRUE(ReadPoFile(path, header, entries, errors)) << path;
    std::map<std::string, std::tuple<std::string, std::string, bool>> found;
    for (const PoEntry& e : entries) found[e.context] = {e.msgid, e.msgstr, e.fuzzy};
    return found;
}

class PoFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTextOverrides();
        dir = FreshFolder(std::string("po-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        ClearTextOverrides();
        std::filesystem::remove_all(dir);
    }

    std::string Write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = dir / name;
        std::filesystem::create_directories(path.parent_path());
        WriteAll(path, text);
        return path.string();
    }

    // A shell command's exit status; its standard error in dir/stderr.txt.
    int Run(const std::string& command) {
        return WEXITSTATUS(std::system((command + " 2>" + (dir / "stderr.txt").string()).c_str()));
    }
    std::string Stderr() { return ReadAll(dir / "stderr.txt"); }

    // The build's generator over the seven files of `folder`.
    int Generate(const std::filesystem::path& folder) {
        std::string command = std::string(KANDO_TEXTGEN) + " --names " + (folder / "TextIds.h").string() +
                              " --template " + (folder / "out.pot").string() + " " + (folder / "TextData.h").string();
        for (const char* lang : {"de", "en", "fr", "it", "es", "nl", "pl"}) command += " " + Po(folder, lang);
        return Run(command);
    }
    static std::string Po(const std::filesystem::path& folder, const std::string& lang) {
        return (folder / (lang + ".po")).string();
    }

    std::filesystem::path dir;
};

// Each refusal names the line to change, also in a file with CRLF line ends
// or a byte-order mark; the preview then shows nothing of the file.
TEST_F(PoFiles, RefusalsNameTheLineInEveryLayout) {
    const std::string runtime = "msgstr \"Heures pompe\"";
    const std::string context = "msgctxt \"PumpRuntime\"";
    const struct {
        Edits edits;
        std::string message;  // after "FILE:LINE: "
        std::string anchor;   // the line the message names, `below` lines under this one
        int below;
    } cases[] = {
        {{{runtime, "msgstr \"Heures \xE2\x82\xAC pompe\""}},
         "text PumpRuntime: the panel fonts cannot show \"\xE2\x82\xAC\" (U+20AC)",
         context,
         2},
        {{{runtime, "msgstr \"Heures de marche de la pompe\""}},
         "text PumpRuntime: 28 characters, longer than its slot allows (21)",
         context,
         2},
        {{{runtime, "msgstr \"\""}},
         "text PumpRuntime: the translation is empty (where nothing is to be shown, write three blanks)",
         context,
         2},
        {{{context, "msgctxt \"PumpRuntim\""}},
         "\"PumpRuntim\" is not a text of the panel: msgctxt must be a text's name as the template "
         "(kandorelle.pot) gives it",
         "msgctxt \"PumpRuntim\"",
         0},
        {{{context, "msgctxt \"75\""}},
         "msgctxt \"75\" is the old number of text PumpRuntime: the texts are known by name now; update the file "
         "from the template (kandorelle.pot)",
         "msgctxt \"75\"",
         0},
        {{{context + "\n", ""}},
         "an entry without msgctxt: the panel knows each text by the name in its msgctxt; this English is text "
         "PumpRuntime's, so restore the line msgctxt \"PumpRuntime\"",
         "msgid \"Runtime pump\"",
         0},
        {{{"msgid \"Runtime pump\"\n" + runtime,
           "msgid \"Runtime pump\"\nmsgid_plural \"Runtime pumps\"\nmsgstr[0] \"Heures pompe\"\nmsgstr[1] \"Heures\""}},
         "text PumpRuntime: the panel shows one fixed text, with no plural forms: remove the msgid_plural line and "
         "write the translation as msgstr",
         "msgid_plural",
         0},
        {{{context + "\nmsgid \"Runtime pump\"\n" + runtime + "\n", ""}},
         "text PumpRuntime is missing: update the file from the template (kandorelle.pot)",
         "msgid \"\"",
         0},
        {{{"Language: fr", "Language: pt_BR"}},
         "the header's \"Language\" must be one of de, en, fr, it, es, nl, pl (fr_FR or fr-FR also do), not "
         "\"pt_BR\"",
         "\"Language:",
         0},
        {{{"charset=UTF-8", "charset=ISO-8859-1"}},
         "the header must declare \"Content-Type: text/plain; charset=UTF-8\"",
         "\"Content-Type:",
         0},
        // libgettextpo's own message, at the line where it notices the fault.
        {{{runtime, "msgstr \"Heures pompe"}}, "end-of-line within string", context, 3},
    };
    for (const Layout layout : {Layout::Lf, Layout::Crlf, Layout::ByteOrderMark}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.message + " in layout " + std::to_string(static_cast<int>(layout)));
            const std::string text = Edited("fr.po", c.edits);
            const std::string path = Write("fr.po", InLayout(text, layout));
            std::vector<std::string> errors;
            PoLanguage fr;
            EXPECT_FALSE(ReadPoLanguage(path, BuiltInTemplate(), PoUse::Preview, fr, errors));
            ASSERT_FALSE(errors.empty());
            EXPECT_EQ(errors[0], path + ":" + std::to_string(LineOf(text, c.anchor, c.below)) + ": " + c.message);
            errors.clear();
            EXPECT_FALSE(LoadTextOverrides({path}, errors));
            EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Heures pompe");
        }
    }
}

// Headers and layouts that editors and platforms write are read as they are.
TEST_F(PoFiles, FilesAsEditorsWriteThemAreShown) {
    const std::pair<std::string, std::string> changed = {"msgstr \"Heures pompe\"", "msgstr \"Essai\""};
    const struct {
        Edits edits;
        Layout layout;
    } files[] = {
        {{{"Language: fr", "Language: fr_FR"}}, Layout::Lf},
        {{{"Language: fr", "Language: fr-FR"}}, Layout::Lf},
        {{{"charset=UTF-8", "charset=utf-8"}}, Layout::Lf},
        {{{"8bit\\n\"", "8bit\\n\"\n\"Plural-Forms: nplurals=2; plural=(n > 1);\\n\""}}, Layout::Lf},
        {{}, Layout::Crlf},
        {{}, Layout::ByteOrderMark},
    };
    for (const auto& f : files) {
        Edits edits = f.edits;
        edits.push_back(changed);
        SCOPED_TRACE(edits.front().second);
        ClearTextOverrides();
        const std::string path = Write("fr.po", InLayout(Edited("fr.po", edits), f.layout));
        std::vector<std::string> errors;
        ASSERT_TRUE(LoadTextOverrides({path}, errors)) << errors[0];
        EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Essai");
    }
}

// A fuzzy text, or one whose English changed since it was translated, is not
// shown: the built-in text stands in, found at its own line, and the preview
// says why at the file's line; the rest of the file is shown.
TEST_F(PoFiles, FuzzyAndStaleTextsAreNotShown) {
    const std::string text =
        Edited("fr.po", {{"msgctxt \"PumpRuntime\"\nmsgid \"Runtime pump\"\nmsgstr \"Heures pompe\"",
                          "#, fuzzy\nmsgctxt \"PumpRuntime\"\nmsgid \"Runtime pump\"\nmsgstr \"Essai\""},
                         {"msgid \"Collector\"\nmsgstr \"Capteur\"", "msgid \"Collect\"\nmsgstr \"Cap\""},
                         {"msgstr \"Mesures\"", "msgstr \"Relevés\""}});
    const std::string path = Write("fr.po", InLayout(text, Layout::Crlf));
    TextOptions options;
    options.poFiles = {path};
    std::size_t held = 0;
    testing::internal::CaptureStderr();
    ASSERT_EQ(ApplyTextOptions(options, &held), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string notShown = " (not shown: the built-in text stands in)\n";
    EXPECT_EQ(said, path + ":" + std::to_string(LineOf(text, "msgid \"Collect\"")) +
                        ": text Collector: English changed from \"Collect\" to \"Collector\"; review the translation "
                        "and update its msgid" +
                        notShown + path + ":" + std::to_string(LineOf(text, "#, fuzzy")) +
                        ": text PumpRuntime: the translation is marked fuzzy (not yet reviewed); review it and remove "
                        "the fuzzy mark" +
                        notShown);
    EXPECT_EQ(held, 2u);
    EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Heures pompe");
    EXPECT_STREQ(GetText(Txt::kCollector, kFrench), "Capteur");
    EXPECT_STREQ(GetText(Txt::kMenuMeasurement, kFrench), "Relev\xE9s");
    std::string file;
    int line = 0;
    EXPECT_FALSE(TextOverrideSource(kFrench, Txt::kPumpRuntime, file, line));
    ASSERT_TRUE(TextOverrideSource(kFrench, Txt::kMenuMeasurement, file, line));
    EXPECT_EQ(line, LineOf(text, "msgstr \"Relevés\""));
}

// The English file gives the template: names the code can use, each once,
// the number and slot of every text, and the same English in msgid and msgstr.
TEST_F(PoFiles, TemplateIsMadeFromTheEnglishFile) {
    const std::string context = "msgctxt \"PumpRuntime\"";
    const struct {
        Edits edits;
        std::string message;
        std::string anchor;
        int below;
    } cases[] = {
        {{{context, "msgctxt \"pumpRuntime\""}},
         "\"pumpRuntime\" is not a name the code can use (a capital letter, then letters and digits)",
         "msgctxt \"pumpRuntime\"",
         0},
        {{{context, "msgctxt \"SolarOutput\""}},
         "the name \"SolarOutput\" is already given to text 20",
         "#. text 75,",
         2},
        {{{"#. text 75, slot 23", "#. slot 23"}},
         "text PumpRuntime: the comment must begin \"#. text N, slot W\" (its number and its slot)",
         context,
         0},
        {{{"#. text 75,", "#. text 74,"}},
         "text PumpRuntime: number 74 is already given to text StatusEmergencyMode",
         context,
         0},
        {{{"msgstr \"Runtime pump\"", "msgstr \"Pump runtime\""}},
         "text PumpRuntime: msgid and msgstr differ; in the English file both are the English text, so write the "
         "new English in both",
         "msgstr \"Pump runtime\"",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string text = Edited("en.po", c.edits);
        const std::string path = Write("en.po", text);
        PoHeader header;
        std::vector<PoEntry> entries;
        std::vector<std::string> errors;
        ASSERT_TRUE(ReadPoFile(path, header, entries, errors));
        PoTemplate made;
        EXPECT_FALSE(MakePoTemplate(path, header, entries, made, errors));
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors[0], path + ":" + std::to_string(LineOf(text, c.anchor, c.below)) + ": " + c.message);
    }
}

// The generator refuses bad input with status 2 and leaves none of its files
// behind; good files give the table, the named ids and the template.
TEST_F(PoFiles, GeneratorWritesAllFilesOrNothing) {
    const struct {
        std::string file;
        Edits edits;
        std::string message;
    } bad[] = {
        {"fr.po",
         {{"msgstr \"Heures pompe\"", "msgstr \"Heures de marche de la pompe\""}},
         "text PumpRuntime: 28 characters"},
        {"fr.po",
         {{"msgctxt \"PumpRuntime\"", "#, fuzzy\nmsgctxt \"PumpRuntime\""}},
         "text PumpRuntime: the translation is marked fuzzy (not yet reviewed); review it and remove the fuzzy mark"},
        {"en.po",
         {{"msgctxt \"PumpRuntime\"", "msgctxt \"SolarOutput\""}},
         "the name \"SolarOutput\" is already given to text 20"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.message);
        for (const char* lang : {"de", "en", "fr", "it", "es", "nl", "pl"}) {
            Write(std::string(lang) + ".po", ReadAll(kPoDir / (std::string(lang) + ".po")));
        }
        Write(c.file, Edited(c.file, c.edits));
        EXPECT_EQ(Generate(dir), 2);
        EXPECT_NE(Stderr().find(c.message), std::string::npos) << Stderr();
        for (const char* out : {"TextData.h", "TextIds.h", "out.pot"}) EXPECT_FALSE(std::filesystem::exists(dir / out));
    }
    for (const char* lang : {"fr", "en"})
        Write(std::string(lang) + ".po", ReadAll(kPoDir / (std::string(lang) + ".po")));
    ASSERT_EQ(Generate(dir), 0) << Stderr();
    EXPECT_NE(ReadAll(dir / "TextIds.h").find("inline constexpr TextId kPumpRuntime = 75;  // \"Runtime pump\"\n"),
              std::string::npos);
    EXPECT_EQ(ReadAll(dir / "out.pot"), ReadAll(kPoDir / "kandorelle.pot"));
}

// The committed template is the one the English file gives, and every
// language is as msgmerge writes it against that template: a translation
// tool that merges or re-saves the files changes nothing.
TEST_F(PoFiles, ShippedFilesAreWhatTheToolsWrite) {
    EXPECT_EQ(ReadAll(KANDO_PO_TEMPLATE), ReadAll(kPoDir / "kandorelle.pot"))
        << "po/kandorelle.pot is out of date with po/en.po: run ./dev.sh po-update";
    for (const char* lang : {"de", "en", "fr", "it", "es", "nl", "pl"}) {
        const std::string merged = (dir / (std::string(lang) + ".po")).string();
        ASSERT_EQ(Run(std::string(KANDO_MSGMERGE) + " --quiet --previous -o " + merged + " " + Po(kPoDir, lang) + " " +
                      (kPoDir / "kandorelle.pot").string()),
                  0)
            << Stderr();
        EXPECT_EQ(ReadAll(merged), ReadAll(Po(kPoDir, lang)))
            << "po/" << lang << ".po is not up to date: run ./dev.sh po-update";
    }
}

// An English edit: the build refuses the six translations as stale; a merge
// with the template, plain msgmerge or ./dev.sh po-update, marks exactly that
// text fuzzy in each, which the build refuses until it is reviewed. Plain
// msgmerge may propose a similar text's translation; po-update keeps the
// text's own, with the English it was made for.
TEST_F(PoFiles, AnEnglishEditMarksExactlyThatTextUntilReviewed) {
    const std::string before = "msgctxt \"Collector\"\nmsgid \"Collector\"\nmsgstr \"Collector\"";
    const std::string after = "msgctxt \"Collector\"\nmsgid \"Collectors\"\nmsgstr \"Collectors\"";
    const struct {
        std::string way;
        bool marksFirst;  // po-update marks the changed texts before msgmerge
    } ways[] = {{"msgmerge", false}, {"po-update", true}};
    std::map<std::string, std::map<std::string, std::tuple<std::string, std::string, bool>>> shipped;
    for (const char* lang : {"de", "en", "fr", "it", "es", "nl", "pl"}) shipped[lang] = Entries(Po(kPoDir, lang));
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        const std::filesystem::path folder = dir / w.way;
        std::filesystem::create_directories(folder);
        for (const char* lang : kTranslations) Write(w.way + "/" + lang + ".po", ReadAll(Po(kPoDir, lang)));
        Write(w.way + "/en.po", Edited("en.po", {{before, after}}));

        ASSERT_EQ(Generate(folder), 2);
        for (const char* lang : kTranslations) {
            const std::string path = Po(folder, lang);
            const std::string line = std::to_string(LineOf(ReadAll(path), "msgctxt \"Collector\"", 1));
            EXPECT_NE(Stderr().find(path + ":" + line +
                                    ": text Collector: English changed from \"Collector\" to \"Collectors\"; "
                                    "review the translation and update its msgid\n"),
                      std::string::npos)
                << Stderr();
        }

        std::string update =
            std::string(KANDO_TEXTGEN) + " --update " + (folder / "kandorelle.pot").string() + " " + Po(folder, "en");
        if (w.marksFirst) {
            for (const char* lang : kTranslations) update += " " + Po(folder, lang);
        }
        ASSERT_EQ(Run(update + " >/dev/null"), 0) << Stderr();
        for (const char* lang : {"de", "en", "fr", "it", "es", "nl", "pl"}) {
            SCOPED_TRACE(lang);
            const auto& old = shipped[lang];
            ASSERT_EQ(Run(std::string(KANDO_MSGMERGE) + " --quiet --update --previous --backup=none " +
                          Po(folder, lang) + " " + (folder / "kandorelle.pot").string()),
                      0);
            std::set<std::string> fuzzy;
            for (const auto& [name, entry] : Entries(Po(folder, lang))) {
                const auto& [msgid, msgstr, isFuzzy] = entry;
                if (isFuzzy) fuzzy.insert(name);
                if (name == "Collector") {
                    EXPECT_EQ(msgid, "Collectors");
                    if (std::string(lang) == "en") {
                        EXPECT_EQ(msgstr, "Collectors");
                    } else if (w.marksFirst) {
                        EXPECT_EQ(msgstr, std::get<1>(old.at(name)));
                    }
                } else {
                    EXPECT_EQ(entry, old.at(name)) << name;
                }
            }
            EXPECT_EQ(fuzzy, std::string(lang) == "en" ? std::set<std::string>{} : std::set<std::string>{"Collector"});
        }
        ASSERT_EQ(Generate(folder), 2);
        EXPECT_NE(Stderr().find("text Collector: the translation is marked fuzzy"), std::string::npos) << Stderr();

        // The review: each translation written anew, and the fuzzy mark removed.
        for (const char* lang : kTranslations) {
            std::string text = ReadAll(Po(folder, lang));
            const std::size_t mark = text.find("#, fuzzy\n");
            ASSERT_NE(mark, std::string::npos);
            text.erase(mark, text.find("\nmsgctxt \"Collector\"", mark) + 1 - mark);
            const std::size_t msgstr = text.find("\nmsgstr", mark) + 1;
            text.replace(msgstr, text.find('\n', msgstr) - msgstr, "msgstr \"Max.\"");
            Write(w.way + "/" + lang + ".po", text);
        }
        EXPECT_EQ(Generate(folder), 0) << Stderr();
    }
}

}  // namespace
