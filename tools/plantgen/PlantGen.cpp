// Generates the plant controls' word table (the Plant panel beside the
// window's display, the web page's plant controls) from the PO files in
// po/plant/.
//
//   plantgen [--relative-to DIR] OUT.h TEMPLATE.pot de.po en.po fr.po ...
//
// Reads every file with the panel's PO reader (libgettextpo). The template
// gives every word: its key (msgctxt), its English (msgid) and where it shows
// (the "#." comment). Each language's file, English too, must have every
// word of the template once, by key, with the template's English as its
// msgid, not fuzzy, not plural and not empty; its header names its language.
// The table is written as a C++ header: each key with its seven words in the
// panel's language order, UTF-8. Anything else is refused, with
// "FILE:LINE: message" and exit status 2, and nothing is written.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "host/texts/PoTexts.h"
#include "tools/GeneratedSource.h"

namespace {

struct Word {
    std::string key;
    std::string english;
    std::array<std::string, kLanguageCount> words;
};

struct Reader {
    std::vector<std::string> errors;

    void Fail(const std::string& path, int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    }

    // The template's words, in its order.
    bool ReadTemplate(const std::string& path, std::vector<Word>& words) {
        PoHeader header;
        std::vector<PoEntry> entries;
        if (!ReadPoFile(path, header, entries, errors)) return false;
        std::map<std::string, int> seen;
        for (const PoEntry& e : entries) {
            if (!e.hasContext || e.context.empty()) {
                Fail(path, e.idLine, "an entry without msgctxt: every word needs its key");
            } else if (seen.count(e.context) != 0) {
                Fail(path, e.contextLine, "word " + e.context + " is given twice");
            } else if (e.msgid.empty()) {
                Fail(path, e.idLine, "word " + e.context + " has no English (msgid)");
            } else if (e.plural) {
                Fail(path, e.pluralLine, "word " + e.context + ": a plural entry; a word has one form");
            } else {
                seen[e.context] = e.idLine;
                words.push_back({e.context, e.msgid, {}});
            }
        }
        if (words.empty() && errors.empty()) Fail(path, 1, "the template has no words");
        return errors.empty();
    }

    // One language's file against the template; its language, or -1.
    int ReadLanguage(const std::string& path, std::vector<Word>& words) {
        PoHeader header;
        std::vector<PoEntry> entries;
        if (!ReadPoFile(path, header, entries, errors)) return -1;
        const int language = CheckPoHeader(path, header, errors);
        if (language < 0) return -1;
        std::map<std::string, std::size_t> index;
        for (std::size_t i = 0; i < words.size(); ++i) index[words[i].key] = i;
        std::vector<bool> given(words.size(), false);
        for (const PoEntry& e : entries) {
            const auto at = index.find(e.context);
            if (!e.hasContext) {
                Fail(path, e.idLine, "an entry without msgctxt: every word needs its key (the template's msgctxt)");
            } else if (at == index.end()) {
                Fail(path, e.contextLine,
                     "word " + e.context + " is not in the template; remove it (or add it to the template)");
            } else if (given[at->second]) {
                Fail(path, e.contextLine, "word " + e.context + " is given twice");
            } else {
                Word& w = words[at->second];
                given[at->second] = true;
                if (e.plural) {
                    Fail(path, e.pluralLine, "word " + e.context + ": a plural entry; a word has one form");
                } else if (e.msgid != w.english) {
                    Fail(path, e.idLine,
                         "word " + e.context + ": English changed from \"" + e.msgid + "\" to \"" + w.english +
                             "\"; review the translation and update its msgid (./dev.sh po-update)");
                } else if (e.fuzzy) {
                    Fail(path, e.flagLine != 0 ? e.flagLine : e.line,
                         "word " + e.context +
                             ": the translation is marked fuzzy (not yet reviewed); review it and remove the fuzzy "
                             "mark");
                } else if (e.msgstr.empty()) {
                    Fail(path, e.line, "word " + e.context + ": the translation is empty");
                } else {
                    w.words[static_cast<std::size_t>(language)] = e.msgstr;
                }
            }
        }
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (!given[i]) {
                Fail(path, header.line,
                     "word " + words[i].key +
                         " is missing; bring the file up to date with the template "
                         "(./dev.sh po-update)");
            }
        }
        return language;
    }
};

std::string Table(const std::vector<Word>& words, const std::string& templatePath) {
    std::string s;
    s += "// Generated by tools/plantgen from " + templatePath + " and its languages; do not edit.\n";
    s += "#pragma once\n\nnamespace PlantWordData {\n\n";
    s += "struct Row {\n    const char* key;\n    const char* words[" + std::to_string(kLanguageCount) +
         "];  // de, en, fr, it, es, nl, pl; UTF-8\n};\n\n";
    s += "inline constexpr Row kRows[] = {\n";
    for (const Word& w : words) {
        s += "    {" + Literal(w.key) + ",\n     {";
        for (std::size_t l = 0; l < w.words.size(); ++l) s += (l == 0 ? "" : ", ") + Literal(w.words[l]);
        s += "}},\n";
    }
    s += "};\n\n}  // namespace PlantWordData\n";
    return s;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: plantgen [--relative-to DIR] OUT.h TEMPLATE.pot de.po en.po fr.po ...\n"
                 "Writes the plant controls' word table from the template and the seven\n"
                 "languages' PO files (any order; each file's \"Language\" header names its\n"
                 "language). Exit status 2 on bad input.\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string root;
    if (args.size() >= 2 && args[0] == "--relative-to") {
        root = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() < 3) return Usage();
    Reader reader;
    std::vector<Word> words;
    if (reader.ReadTemplate(args[1], words)) {
        std::array<std::string, kLanguageCount> files;
        for (std::size_t i = 2; i < args.size(); ++i) {
            const int language = reader.ReadLanguage(args[i], words);
            if (language < 0) continue;
            std::string& file = files[static_cast<std::size_t>(language)];
            if (!file.empty()) {
                reader.Fail(
                    args[i], 1,
                    std::string(LanguageName(static_cast<Language>(language))) + " is given twice (also " + file + ")");
            }
            file = args[i];
        }
        for (int l = 0; l < kLanguageCount; ++l) {
            if (files[static_cast<std::size_t>(l)].empty() && reader.errors.empty()) {
                reader.Fail("plantgen", 1, std::string("no PO file for ") + LanguageName(static_cast<Language>(l)));
            }
        }
    }
    if (!reader.errors.empty()) {
        for (const std::string& e : reader.errors) std::fprintf(stderr, "%s\n", e.c_str());
        return 2;
    }
    const std::string out = args[0];
    {
        std::ofstream file(out + ".tmp", std::ios::binary);
        file << Table(words, Relative(args[1], root));
        if (!file.flush()) {
            std::fprintf(stderr, "%s.tmp:1: cannot write\n", out.c_str());
            return 2;
        }
    }
    std::error_code ec;
    std::filesystem::rename(out + ".tmp", out, ec);
    if (ec) {
        std::fprintf(stderr, "%s:1: cannot write: %s\n", out.c_str(), ec.message().c_str());
        std::remove((out + ".tmp").c_str());
        return 2;
    }
    return 0;
}
