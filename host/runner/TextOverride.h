// The translators' preview: texts read from PO files replace the built-in
// texts of their languages while the program runs, so a changed translation
// shows on the panel without a build. Also the command-line options that ask
// for it, shared by the window and the runner.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "panel/text/Texts.h"

// Reads every file (each file's "Language" header names its language) and
// installs them only when all of them are good: the panel never shows a
// half-loaded table. Every problem goes to `errors` as "FILE:LINE: message".
// A fuzzy text, or one whose English changed since it was translated, is not
// shown: the built-in text stands in, and `held` says so, one line each.
bool LoadTextOverrides(const std::vector<std::string>& files, std::vector<std::string>& errors,
                       std::vector<std::string>* held = nullptr);

struct PoLanguage;
struct PoTemplateText;

// The template that the built-in table was made from: every text's name,
// English and slot, against which a previewed file is read.
const std::array<PoTemplateText, kTextCount>& BuiltInTemplate();

// Installs languages already read and checked (a file the web page read),
// each held-back text as its built-in text; false, with a message, when the
// panel refuses one.
bool InstallTextOverrides(const std::vector<PoLanguage>& languages, std::vector<std::string>& errors);

// Back to the built-in texts in every language.
void RemoveTextOverrides();

// Where the previewed text of a language was read; false when the language,
// or this text of it, shows its built-in text.
bool TextOverrideSource(Language language, TextId id, std::string& file, int& line);

struct TextOptions {
    std::vector<std::string> poFiles;  // --texts FILE.po, in the given order
    bool check = false;                // --check-texts
};

// Takes "--texts FILE.po" (any number) and "--check-texts" out of argv, so the
// rest of the command line reads as before. False, with a message, when
// --texts lacks its file.
bool TakeTextOptions(int& argc, char** argv, TextOptions& options, std::string& error);

// Installs the previews of the options. Prints each problem on standard error
// and returns 2 when a file is bad, else 0. Each text that is not shown (see
// LoadTextOverrides) is named on standard error too, and counted in `held`.
int ApplyTextOptions(const TextOptions& options, std::size_t* held = nullptr);

// The usage lines of the options.
extern const char* const kTextOptionsUsage;
