#include "host/runner/TextOverride.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "host/texts/PoTexts.h"
#include "panel/text/TextData.h"
#include "panel/text/TextIds.h"

namespace {

struct Source {
    std::string file;
    std::array<int, kTextCount> lines{};
};

std::array<Source, kLanguageCount> sources;

// The shipped text, whatever a preview shows in its place.
const char* BuiltInText(TextId id, Language language) {
    std::size_t offset = 0;
    for (TextId i = 0; i < id; ++i) offset += std::size_t{kLanguageCount} * TextData::kSlotWidths[i];
    return reinterpret_cast<const char*>(
        &TextData::kBlocks[offset + std::size_t{language} * TextData::kSlotWidths[id]]);
}

}  // namespace

const PoTemplate& BuiltInTemplate() {
    static const PoTemplate made = [] {
        PoTemplate t;
        for (TextId id = 0; id < kTextCount; ++id) {
            t[id] = PoTemplateText{
                Txt::kNames[id], TextData::kTemplateEnglish[id], static_cast<int>(TextData::kSlotWidths[id]), {}};
        }
        return t;
    }();
    return made;
}

const char* const kTextOptionsUsage =
    "       --texts FILE.po     show the texts of FILE.po in place of its language's built-in texts\n"
    "                           (any number of files; a bad file stops the program with status 2)\n";

bool LoadTextOverrides(const std::vector<std::string>& files, std::vector<std::string>& errors,
                       std::vector<std::string>* held) {
    std::vector<PoLanguage> read;
    std::array<bool, kLanguageCount> given{};
    for (const std::string& file : files) {
        PoLanguage l;
        const bool ok = ReadPoLanguage(file, BuiltInTemplate(), PoUse::Preview, l, errors);
        if (l.language >= 0 && given[l.language]) {
            errors.push_back(file + ":" + std::to_string(l.headerLine) + ": " +
                             LanguageName(static_cast<Language>(l.language)) + " is given twice");
            continue;
        }
        if (l.language >= 0) given[l.language] = true;
        if (ok) read.push_back(std::move(l));
    }
    if (!errors.empty()) return false;
    if (held != nullptr) {
        for (const PoLanguage& l : read) held->insert(held->end(), l.held.begin(), l.held.end());
    }
    return InstallTextOverrides(read, errors);
}

bool InstallTextOverrides(const std::vector<PoLanguage>& read, std::vector<std::string>& errors) {
    for (const PoLanguage& l : read) {
        const char* texts[kTextCount];
        const Language language = static_cast<Language>(l.language);
        for (TextId id = 0; id < kTextCount; ++id) {
            texts[id] = l.texts[id].held ? BuiltInText(id, language) : l.texts[id].bytes.c_str();
        }
        if (!OverrideTexts(language, texts)) {
            errors.push_back(l.path + ":1: the panel refused the texts");
            return false;
        }
        sources[language].file = l.path;
        // A held-back text is the built-in one, and is found where that stands.
        for (TextId id = 0; id < kTextCount; ++id)
            sources[language].lines[id] = l.texts[id].held ? 0 : l.texts[id].line;
    }
    return true;
}

void RemoveTextOverrides() {
    ClearTextOverrides();
    for (Source& source : sources) source.file.clear();
}

bool TextOverrideSource(Language language, TextId id, std::string& file, int& line) {
    if (language >= kLanguageCount || id >= kTextCount || sources[language].file.empty()) return false;
    if (sources[language].lines[id] == 0) return false;
    file = sources[language].file;
    line = sources[language].lines[id];
    return true;
}

bool TakeTextOptions(int& argc, char** argv, TextOptions& options, std::string& error) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--texts") == 0) {
            if (i + 1 >= argc) {
                error = "--texts needs a PO file";
                return false;
            }
            options.poFiles.push_back(argv[++i]);
        } else if (std::strcmp(argv[i], "--check-texts") == 0) {
            options.check = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

int ApplyTextOptions(const TextOptions& options, std::size_t* held) {
    if (options.poFiles.empty()) return 0;
    std::vector<std::string> errors;
    std::vector<std::string> notShown;
    const bool ok = LoadTextOverrides(options.poFiles, errors, &notShown);
    for (const std::string& line : ok ? notShown : errors) std::fprintf(stderr, "%s\n", line.c_str());
    if (held != nullptr) *held = ok ? notShown.size() : 0;
    return ok ? 0 : 2;
}
