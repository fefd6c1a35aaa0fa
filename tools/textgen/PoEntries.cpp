// The checks and conversions that follow a PO library's reading, apart from
// the library itself, so that the web page, which reads PO files with a
// JavaScript library, checks them exactly as the build and the host do.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include "panel/gfx/FontFormat.h"
#include "tools/common/Utf8.h"
#include "tools/textgen/PoTexts.h"

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

// "slot 23" in a translator comment gives the text's slot width.
int SlotFromComment(const char* comments) {
    const char* at = std::strstr(comments, "slot ");
    if (at == nullptr) return 0;
    return std::atoi(at + 5);
}

// A translator comment line "name: SolarOutput" gives the text's name.
std::string NameFromComment(const char* comments) {
    std::string line;
    for (const char* p = comments;; ++p) {
        if (*p != '\n' && *p != 0) {
            line += *p;
            continue;
        }
        const size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, 5, "name:") == 0) {
            const size_t first = line.find_first_not_of(' ', start + 5);
            const size_t last = line.find_last_not_of(" \t\r");
            return first == std::string::npos ? std::string() : line.substr(first, last + 1 - first);
        }
        if (*p == 0) return {};
        line.clear();
    }
}

bool IsCodeName(const std::string& name) {
    if (name.empty() || name[0] < 'A' || name[0] > 'Z') return false;
    for (const char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

bool ParseId(const char* context, int& id) {
    if (*context == 0) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(context, &end, 10);
    if (*end != 0 || errno != 0 || value < 0 || value >= kTextCount) return false;
    if (context[0] == '0' && context[1] != 0) return false;
    id = static_cast<int>(value);
    return true;
}

using Fail = std::function<void(int, const std::string&)>;

// The language that the header names, or -1; the header must declare UTF-8.
int HeaderLanguage(const PoHeader& header, const Fail& fail) {
    int language = -1;
    if (header.present) {
        language = LanguageOfCode(header.language);
        if (header.contentType.find("charset=UTF-8") == std::string::npos)
            fail(1, "the header must declare \"Content-Type: text/plain; charset=UTF-8\"");
    }
    if (language < 0) fail(1, "the header's \"Language\" must be one of de, en, fr, it, es, nl, pl");
    return language;
}

// The translation of one entry, its slot and its name, into `text`.
void ReadText(const PoEntry& entry, int id, bool slotKnown, PoText& text, const Fail& fail) {
    const std::string where = "id " + std::to_string(id) + ": ";
    text.name = NameFromComment(entry.comments.c_str());
    if (!slotKnown) text.slotWidth = SlotFromComment(entry.comments.c_str());
    if (!slotKnown && text.slotWidth < 3) {
        fail(text.line, where + "the comment must give the slot (\"# slot N: ...\")");
        return;
    }
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
    const int limit = text.slotWidth - 2;
    if (static_cast<int>(text.bytes.size()) > limit) {
        fail(text.line, where + std::to_string(text.bytes.size()) + " characters, longer than its slot allows (" +
                            std::to_string(limit) + ")");
    }
}

}  // namespace

int LanguageOfCode(const std::string& code) {
    for (int i = 0; i < kLanguageCount; ++i) {
        if (code == kCodes[i]) return i;
    }
    return -1;
}

const char* LanguageName(Language language) { return language < kLanguageCount ? kNames[language] : "?"; }
const char* LanguageCode(Language language) { return language < kLanguageCount ? kCodes[language] : "?"; }

bool CheckPoEntries(const PoHeader& header, const std::vector<PoEntry>& entries,
                    const std::array<int, kTextCount>* slotWidths, PoLanguage& out, std::vector<std::string>& errors) {
    const size_t errorsBefore = errors.size();
    const Fail fail = [&](int line, const std::string& message) {
        errors.push_back(out.path + ":" + std::to_string(line) + ": " + message);
    };
    out.language = HeaderLanguage(header, fail);
    if (out.language < 0) return false;
    std::array<bool, kTextCount> seen{};
    for (const PoEntry& entry : entries) {
        int id = 0;
        if (!entry.hasContext || !ParseId(entry.context.c_str(), id)) {
            fail(entry.line, "extra id \"" + entry.context + "\": the panel has text ids 0 to 136 only");
            continue;
        }
        if (seen[id]) {
            fail(entry.line, "id " + std::to_string(id) + " appears twice");
            continue;
        }
        seen[id] = true;
        PoText& text = out.texts[id];
        text.line = entry.line;
        text.nameLine = entry.nameLine;
        if (slotWidths != nullptr) text.slotWidth = (*slotWidths)[id];
        ReadText(entry, id, slotWidths != nullptr, text, fail);
    }
    for (int id = 0; id < kTextCount; ++id) {
        if (!seen[id]) fail(1, "id " + std::to_string(id) + " is missing");
    }
    return errors.size() == errorsBefore;
}

bool CheckTextNames(const PoLanguage& language, std::vector<std::string>& errors) {
    const size_t errorsBefore = errors.size();
    std::map<std::string, int> owners;  // name -> the id that has it
    for (int id = 0; id < kTextCount; ++id) {
        const PoText& text = language.texts[id];
        const std::string where = language.path + ":" + std::to_string(text.nameLine != 0 ? text.nameLine : text.line) +
                                  ": id " + std::to_string(id) + ": ";
        if (text.name.empty()) {
            errors.push_back(where + "the comment must give the text's name (\"# name: SolarOutput\")");
        } else if (!IsCodeName(text.name)) {
            errors.push_back(where + "\"" + text.name +
                             "\" is not a name the code can use (a capital letter, then letters and digits)");
        } else if (const auto [owner, added] = owners.emplace(text.name, id); !added) {
            errors.push_back(where + "the name \"" + text.name + "\" is already given to id " +
                             std::to_string(owner->second));
        }
    }
    return errors.size() == errorsBefore;
}
