// Reads the panel's translations from gettext PO files and checks them
// against the template. Every text is an entry whose msgctxt is the text's
// name ("SolarOutput"), msgid its English and msgstr the translation.
//
// po/en.po is where the English texts are written: besides them it gives each
// text's name (msgctxt) and, in extracted comments ("#."), its number, its
// slot and where the panel shows it. The build makes the template
// (po/kandorelle.pot) of it; every language, English included, is then read
// against that template, and nothing but the msgctxt, msgid, msgstr and the
// fuzzy mark is taken from a translation.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "panel/text/Texts.h"

// One text of the template.
struct PoTemplateText {
    std::string name;     // msgctxt
    std::string english;  // msgid, UTF-8
    int slotWidth = 0;    // the text may have slotWidth - 2 characters
    std::string shown;    // where the panel shows it, for translators
};
using PoTemplate = std::array<PoTemplateText, kTextCount>;

struct PoText {
    std::string bytes;  // panel bytes, no terminator
    std::string utf8;   // the translation as written in the PO file
    int line = 0;       // of the msgstr in the PO file
    bool held = false;  // fuzzy or stale in a preview: not shown, the built-in text stands in
};

struct PoLanguage {
    std::string path;
    int language = -1;  // Language, or -1 before the header was read
    int headerLine = 1;
    std::array<PoText, kTextCount> texts{};
    // A preview's texts that are not shown (fuzzy or stale), as "FILE:LINE: message".
    std::vector<std::string> held;
};

// What a PO library read from one file, before the checks below.
struct PoHeader {
    bool present = false;        // the file has a header entry
    std::string language;        // its "Language" field
    std::string contentType;     // its "Content-Type" field
    std::string revisionDate;    // its "PO-Revision-Date" field
    std::string projectVersion;  // its "Project-Id-Version" field
    int line = 1;                // of the header's msgid
    int languageLine = 0;        // of the "Language:" field, 0 when not found
    int contentTypeLine = 0;     // of the "Content-Type:" field, 0 when not found
};

struct PoEntry {
    bool hasContext = false;
    std::string context;          // msgctxt: the text's name
    std::string msgid;            // UTF-8
    std::string msgstr;           // UTF-8 (the first form of a plural entry)
    bool fuzzy = false;           // "#, fuzzy"
    bool plural = false;          // has a msgid_plural
    std::string previousContext;  // "#| msgctxt": msgmerge proposed another text's translation
    std::string extracted;        // the "#." comments, one per line
    int line = 1;                 // of the msgstr
    int idLine = 1;               // of the msgid
    int contextLine = 0;          // of the msgctxt, 0 when there is none
    int flagLine = 0;             // of the "#," comment, 0 when there is none
    int pluralLine = 0;           // of the msgid_plural, 0 when there is none
};

// How strictly a file is read: the build refuses a fuzzy or stale text; the
// preview shows the built-in text in its place and says so.
enum class PoUse { Build, Preview };

// Language of a PO "Language" header value ("fr", "fr_FR" and "fr-FR" give
// French; "pt_BR" gives none), or -1.
int LanguageOfCode(const std::string& code);
// "German", "English" ...
const char* LanguageName(Language language);
// "de", "en" ...
const char* LanguageCode(Language language);

// Reads one PO file with libgettextpo: its header and its entries, with the
// line of each part. A file may start with a byte-order mark and have CRLF
// line ends. Problems go to `errors` as "FILE:LINE: message"; false when the
// file cannot be read as a PO file.
bool ReadPoFile(const std::string& path, PoHeader& header, std::vector<PoEntry>& entries,
                std::vector<std::string>& errors);

// The checks that follow the library's reading: a header that names one of
// the panel's languages and declares UTF-8; every text of the template once,
// by name, with the template's English as its msgid, not fuzzy and not
// plural; translations that the fonts can show within their slots. `out.path`
// names the file in the messages; every problem is appended to `errors` as
// "FILE:LINE: message". With PoUse::Preview a fuzzy or stale text is held
// back (`out.held` says why) instead of refused.
bool CheckPoEntries(const PoHeader& header, const std::vector<PoEntry>& entries, const PoTemplate& tmpl, PoUse use,
                    PoLanguage& out, std::vector<std::string>& errors);

// The language a header names (as CheckPoEntries reads it: "Language" one
// of the panel's languages, UTF-8 declared), or -1 with the problems appended
// to `errors` as "PATH:LINE: message". For other files in the panel's
// languages, such as the plant controls' words.
int CheckPoHeader(const std::string& path, const PoHeader& header, std::vector<std::string>& errors);

// ReadPoFile and CheckPoEntries.
bool ReadPoLanguage(const std::string& path, const PoTemplate& tmpl, PoUse use, PoLanguage& out,
                    std::vector<std::string>& errors);

// The template made from the English source file (po/en.po, read with
// ReadPoFile): each entry's msgctxt a name the code can use (a capital
// letter, then letters and digits) and given once, its extracted comment
// "text N, slot W: ..." with every number 0..136 once, and its msgid the
// same as its msgstr. Problems go to `errors` as "FILE:LINE: message".
bool MakePoTemplate(const std::string& path, const PoHeader& header, const std::vector<PoEntry>& entries,
                    PoTemplate& out, std::vector<std::string>& errors);

// The extracted comment of a text in the template, lines without "#. ".
std::string TemplateComment(TextId id, const PoTemplateText& text);

// "text SolarOutput: English changed from "..." to "..."; review the
// translation and update its msgid".
std::string StaleMessage(const PoTemplateText& text, const std::string& msgid);

// Writes the template to `path` with libgettextpo. The header takes the
// project and the date of the English source's header (`source`).
bool WritePoTemplate(const PoTemplate& tmpl, const PoHeader& source, const std::string& path,
                     std::vector<std::string>& errors);

// Prepares a translation for msgmerge: a text whose msgid differs from the
// template's English gets that English as its msgid, keeps its translation
// and is marked fuzzy, with the English it was translated from as its
// previous msgid. msgmerge then finds every text under its own name and never
// proposes another text's translation for it. The file is rewritten only when
// a text was marked; `marked` counts them.
bool MarkChangedTexts(const PoTemplate& tmpl, const std::string& path, int& marked, std::vector<std::string>& errors);
