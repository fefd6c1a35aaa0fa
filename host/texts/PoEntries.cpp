// The checks and conversions that follow a PO library's reading, apart from
// the library itself, so that the web page, which reads PO files with a
// JavaScript library, checks them exactly as the build and the host do; and
// the template's making from the English file.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include "host/texts/PoTexts.h"
#include "host/texts/Utf8.h"
#include "panel/gfx/FontFormat.h"

namespace {

constexpr const char* kCodes[kLanguageCount] = {"de", "en", "fr", "it", "es", "nl", "pl"};
constexpr const char* kNames[kLanguageCount] = {"German", "English", "French", "Italian", "Spanish", "Dutch", "Polish"};

// Panel bytes of a UTF-8 text, or an error message naming the first
// character the fonts cannot show.
bool ToPanelBytes(const char* utf8, std::string& bytes, std::string& problem) {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8);
    while (*s != 0) {
        int length = 0;
        const char32_t c = DecodeUtf8(s, length);
        if (length == 0) {
            problem = "malformed UTF-8";
            return false;
        }
        const u8 code = PanelCodeOf(c);
        if (code == 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
            problem = "the panel fonts cannot show ";
            if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) {
                problem += '"';
                problem += EncodeUtf8(c);
                problem += "\" ";
            }
            problem += std::string("(") + hex + ")";
            return false;
        }
        bytes += static_cast<char>(code);
        s += length;
    }
    return true;
}

bool IsCodeName(const std::string& name) {
    if (name.empty() || name[0] < 'A' || name[0] > 'Z') return false;
    for (const char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string text) {
    for (char& c : text) c = Lower(c);
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// "text/plain; charset=UTF-8", the charset in any case, as editors write it.
bool DeclaresUtf8(const std::string& contentType) {
    const std::string lowered = Lowered(contentType);
    const size_t at = lowered.find("charset=");
    if (at == std::string::npos) return false;
    const std::string charset = Trimmed(lowered.substr(at + 8, lowered.find(';', at) - (at + 8)));
    return charset == "utf-8" || charset == "utf8";
}

using Fail = std::function<void(int, const std::string&)>;

// The language that the header names, or -1; the header must declare UTF-8.
int HeaderLanguage(const PoHeader& header, const Fail& fail) {
    if (!header.present) {
        fail(1,
             "the file has no header (the entry with an empty msgid), which must give \"Language\" and "
             "\"Content-Type: text/plain; charset=UTF-8\"");
        return -1;
    }
    const int language = LanguageOfCode(Trimmed(header.language));
    if (!DeclaresUtf8(header.contentType)) {
        fail(header.contentTypeLine != 0 ? header.contentTypeLine : header.line,
             "the header must declare \"Content-Type: text/plain; charset=UTF-8\"");
    }
    if (language < 0) {
        fail(header.languageLine != 0 ? header.languageLine : header.line,
             "the header's \"Language\" must be one of de, en, fr, it, es, nl, pl (fr_FR or fr-FR also do), not \"" +
                 header.language + "\"");
    }
    return language;
}

int IdOfName(const PoTemplate& tmpl, const std::string& name) {
    for (int id = 0; id < kTextCount; ++id) {
        if (tmpl[id].name == name) return id;
    }
    return -1;
}

// Why an entry names no text of the template, in words a translator can act on.
std::string NoSuchText(const PoEntry& entry, const PoTemplate& tmpl) {
    if (!entry.hasContext) {
        int found = -1;
        for (int id = 0; id < kTextCount; ++id) {
            if (tmpl[id].english == entry.msgid) found = found == -1 ? id : -2;
        }
        const std::string message = "an entry without msgctxt: the panel knows each text by the name in its msgctxt";
        if (found >= 0) {
            return message + "; this English is text " + tmpl[found].name + "'s, so restore the line msgctxt \"" +
                   tmpl[found].name + "\"";
        }
        return message + "; copy the entry from the template (kandorelle.pot)";
    }
    char* end = nullptr;
    const long number = std::strtol(entry.context.c_str(), &end, 10);
    if (!entry.context.empty() && *end == 0 && number >= 0 && number < kTextCount) {
        return "msgctxt \"" + entry.context + "\" is the old number of text " + tmpl[number].name +
               ": the texts are known by name now; update the file from the template (kandorelle.pot)";
    }
    return "\"" + entry.context +
           "\" is not a text of the panel: msgctxt must be a text's name as the template (kandorelle.pot) gives it";
}

std::string FuzzyMessage(const PoTemplateText& text, const PoEntry& entry) {
    std::string message = "text " + text.name + ": the translation is marked fuzzy (not yet reviewed)";
    if (!entry.previousContext.empty() && entry.previousContext != text.name) {
        message += " and was proposed from text " + entry.previousContext;
    }
    return message + "; review it and remove the fuzzy mark";
}

// The translation of one entry, checked for the fonts and the slot, into `text`.
void ReadText(const PoEntry& entry, const PoTemplateText& source, PoText& text, const Fail& fail) {
    const std::string where = "text " + source.name + ": ";
    if (entry.msgstr.empty()) {
        fail(text.line, where + "the translation is empty (where nothing is to be shown, write three blanks)");
        return;
    }
    text.utf8 = entry.msgstr;
    std::string problem;
    if (!ToPanelBytes(entry.msgstr.c_str(), text.bytes, problem)) {
        fail(text.line, where + problem);
        return;
    }
    const int limit = source.slotWidth - 2;
    if (static_cast<int>(text.bytes.size()) > limit) {
        fail(text.line, where + std::to_string(text.bytes.size()) + " characters, longer than its slot allows (" +
                            std::to_string(limit) + ")");
    }
}

// "text 20, slot 22: ..." gives the number and slot of a text; the lines
// after it (the first beginning "shown: ") where the panel shows it.
bool ParseTemplateComment(const std::string& comment, int& id, int& slot, std::string& shown) {
    if (std::sscanf(comment.c_str(), "text %d, slot %d", &id, &slot) != 2) return false;
    const size_t next = comment.find('\n');
    shown = next == std::string::npos ? std::string() : comment.substr(next + 1);
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    if (shown.rfind("shown: ", 0) == 0) shown.erase(0, 7);
    return true;
}

}  // namespace

int CheckPoHeader(const std::string& path, const PoHeader& header, std::vector<std::string>& errors) {
    return HeaderLanguage(header, [&](int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    });
}

int LanguageOfCode(const std::string& code) {
    // "fr", "fr_FR", "fr-FR": the language, then perhaps a country.
    const size_t end = code.find_first_of("_-");
    const std::string language = Lowered(code.substr(0, end));
    if (end != std::string::npos) {
        const std::string country = code.substr(end + 1);
        if (country.empty() || country.size() > 3) return -1;
        for (const char c : country) {
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return -1;
        }
    }
    for (int i = 0; i < kLanguageCount; ++i) {
        if (language == kCodes[i]) return i;
    }
    return -1;
}

const char* LanguageName(Language language) { return language < kLanguageCount ? kNames[language] : "?"; }
const char* LanguageCode(Language language) { return language < kLanguageCount ? kCodes[language] : "?"; }

std::string StaleMessage(const PoTemplateText& text, const std::string& msgid) {
    return "text " + text.name + ": English changed from \"" + msgid + "\" to \"" + text.english +
           "\"; review the translation and update its msgid";
}

std::string TemplateComment(TextId id, const PoTemplateText& text) {
    std::string comment = "text " + std::to_string(id) + ", slot " + std::to_string(text.slotWidth) + ": at most " +
                          std::to_string(text.slotWidth - 2) + " characters";
    if (!text.shown.empty()) comment += "\nshown: " + text.shown;
    return comment;
}

bool CheckPoEntries(const PoHeader& header, const std::vector<PoEntry>& entries, const PoTemplate& tmpl, PoUse use,
                    PoLanguage& out, std::vector<std::string>& errors) {
    const size_t errorsBefore = errors.size();
    const Fail fail = [&](int line, const std::string& message) {
        errors.push_back(out.path + ":" + std::to_string(line) + ": " + message);
    };
    out.headerLine = header.line;
    out.language = HeaderLanguage(header, fail);
    if (out.language < 0) return false;
    std::array<bool, kTextCount> seen{};
    for (const PoEntry& entry : entries) {
        const int id = entry.hasContext ? IdOfName(tmpl, entry.context) : -1;
        if (id < 0) {
            fail(entry.hasContext && entry.contextLine != 0 ? entry.contextLine : entry.idLine,
                 NoSuchText(entry, tmpl));
            continue;
        }
        const PoTemplateText& source = tmpl[id];
        if (seen[id]) {
            fail(entry.contextLine != 0 ? entry.contextLine : entry.idLine, "text " + source.name + " appears twice");
            continue;
        }
        seen[id] = true;
        PoText& text = out.texts[id];
        text.line = entry.line;
        if (entry.plural) {
            fail(entry.pluralLine, "text " + source.name +
                                       ": the panel shows one fixed text, with no plural forms: remove the "
                                       "msgid_plural line and write the translation as msgstr");
            continue;
        }
        int heldLine = entry.idLine;
        std::string held;
        if (entry.msgid != source.english) {
            held = StaleMessage(source, entry.msgid);
        } else if (entry.fuzzy) {
            held = FuzzyMessage(source, entry);
            if (entry.flagLine != 0) heldLine = entry.flagLine;
        }
        if (!held.empty()) {
            if (use == PoUse::Build) {
                fail(heldLine, held);
            } else {
                text.held = true;
                out.held.push_back(out.path + ":" + std::to_string(heldLine) + ": " + held +
                                   " (not shown: the built-in text stands in)");
            }
            continue;
        }
        ReadText(entry, source, text, fail);
    }
    for (int id = 0; id < kTextCount; ++id) {
        if (!seen[id]) {
            fail(header.line,
                 "text " + tmpl[id].name + " is missing: update the file from the template (kandorelle.pot)");
        }
    }
    return errors.size() == errorsBefore;
}

bool MakePoTemplate(const std::string& path, const PoHeader& header, const std::vector<PoEntry>& entries,
                    PoTemplate& out, std::vector<std::string>& errors) {
    const size_t errorsBefore = errors.size();
    const Fail fail = [&](int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    };
    out = PoTemplate{};
    if (LanguageOfCode(Trimmed(header.language)) != kEnglish) {
        fail(header.languageLine != 0 ? header.languageLine : header.line,
             "the template is made from the English texts: this file's \"Language\" must be en");
        return false;
    }
    std::array<bool, kTextCount> given{};
    for (const PoEntry& entry : entries) {
        const int at = entry.contextLine != 0 ? entry.contextLine : entry.idLine;
        if (!entry.hasContext) {
            fail(at, "this entry has no msgctxt: give the text's name there (such as \"SolarOutput\")");
            continue;
        }
        const std::string& name = entry.context;
        if (!IsCodeName(name)) {
            fail(at, "\"" + name + "\" is not a name the code can use (a capital letter, then letters and digits)");
            continue;
        }
        if (const int owner = IdOfName(out, name); owner >= 0) {
            fail(at, "the name \"" + name + "\" is already given to text " + std::to_string(owner));
            continue;
        }
        int id = -1;
        int slot = 0;
        std::string shown;
        if (!ParseTemplateComment(entry.extracted, id, slot, shown)) {
            fail(at, "text " + name + ": the comment must begin \"#. text N, slot W\" (its number and its slot)");
            continue;
        }
        if (id < 0 || id >= kTextCount || slot < 3 || slot > 255) {
            fail(at, "text " + name + ": number " + std::to_string(id) + " and slot " + std::to_string(slot) +
                         " must lie within 0 to 136 and 3 to 255");
            continue;
        }
        if (given[id]) {
            fail(at, "text " + name + ": number " + std::to_string(id) + " is already given to text " + out[id].name);
            continue;
        }
        if (entry.msgid != entry.msgstr && !entry.plural) {
            fail(entry.line, "text " + name +
                                 ": msgid and msgstr differ; in the English file both are the English text, so "
                                 "write the new English in both");
            continue;
        }
        given[id] = true;
        out[id] = PoTemplateText{name, entry.msgid, slot, shown};
    }
    for (int id = 0; id < kTextCount; ++id) {
        if (!given[id]) fail(header.line, "text number " + std::to_string(id) + " is missing");
    }
    return errors.size() == errorsBefore;
}
