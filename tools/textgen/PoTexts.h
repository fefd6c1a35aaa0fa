// Reads the panel's translations from gettext PO files (one file per
// language: msgctxt the text id, msgid the English text, msgstr the
// translation) and converts them to the panel's bytes. Shared by the build's
// table generator and by the host's translation preview and fit check.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "panel/text/Texts.h"

struct PoText {
    std::string bytes;  // panel bytes, no terminator
    std::string utf8;   // the translation as written in the PO file
    int line = 0;       // line of the msgstr in the PO file
    int slotWidth = 0;  // from the translator comment "slot N", 0 when missing
    std::string name;   // from the translator comment "name: SolarOutput", empty when missing
    int nameLine = 0;   // line of that comment, 0 when missing
};

struct PoLanguage {
    std::string path;
    int language = -1;  // Language, or -1 before the header was read
    int headerLine = 1;
    std::array<PoText, kTextCount> texts{};
};

// What a PO library read from one file, before the checks below.
struct PoHeader {
    bool present = false;     // the file has a header entry
    std::string language;     // its "Language" field
    std::string contentType;  // its "Content-Type" field
};

struct PoEntry {
    bool hasContext = false;
    std::string context;   // msgctxt: the text id
    std::string msgstr;    // UTF-8
    std::string comments;  // the translator comments, one per line
    int line = 1;          // of the msgstr in the file (the msgctxt when not found)
    int nameLine = 0;      // of the "# name:" comment, 0 when there is none
};

// Language of a PO "Language" header value ("fr", "pt_BR" gives none), or -1.
int LanguageOfCode(const std::string& code);
// "German", "English" ...
const char* LanguageName(Language language);
// "de", "en" ...
const char* LanguageCode(Language language);

// Reads one PO file. `slotWidths` gives the slot of every text when known
// (the firmware's table); when null, the slots come from the translator
// comments. Every problem is appended to `errors` as "FILE:LINE: message";
// the result is true only when there was none.
bool ReadPoLanguage(const std::string& path, const std::array<int, kTextCount>* slotWidths, PoLanguage& out,
                    std::vector<std::string>& errors);

// The checks that follow the library's reading: a header that names one of
// the panel's languages and declares UTF-8, every id 0..136 exactly once, and
// translations that the fonts can show within their slots (`slotWidths`, or
// the translator comments' "slot N" when null). `out.path` names the file in
// the messages; every problem is appended to `errors` as "FILE:LINE: message".
bool CheckPoEntries(const PoHeader& header, const std::vector<PoEntry>& entries,
                    const std::array<int, kTextCount>* slotWidths, PoLanguage& out, std::vector<std::string>& errors);

// The English file names every text for the code (Txt::kSolarOutput). Checks
// that each text has a name, that each name can stand in the code (a capital
// letter, then letters and digits) and that no name is given twice; every
// problem is appended to `errors` as "FILE:LINE: message".
bool CheckTextNames(const PoLanguage& language, std::vector<std::string>& errors);
