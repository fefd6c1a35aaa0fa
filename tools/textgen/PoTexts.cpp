#include "tools/textgen/PoTexts.h"

#include <gettext-po.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "panel/gfx/FontFormat.h"
#include "tools/common/Utf8.h"

namespace {

constexpr const char* kCodes[kLanguageCount] = {"de", "en", "fr", "it", "es", "nl", "pl"};
constexpr const char* kNames[kLanguageCount] = {"German", "English", "French", "Italian", "Spanish", "Dutch", "Polish"};

// libgettextpo reports syntax errors through these callbacks, which have no
// context pointer; a file is read at a time, so one collector suffices.
std::vector<std::string>* currentErrors = nullptr;
std::string currentPath;

std::string Located(const char* file, size_t line, const char* message) {
    std::string where = file != nullptr ? file : currentPath;
    return where + ":" + std::to_string(line == static_cast<size_t>(-1) ? 1 : line) + ": " + message;
}

void Xerror(int severity, po_message_t, const char* filename, size_t lineno, size_t, int, const char* message) {
    if (currentErrors != nullptr) currentErrors->push_back(Located(filename, lineno, message));
    if (severity == PO_SEVERITY_FATAL_ERROR) {
        // The library must not continue after a fatal error; say what there is.
        for (const std::string& e : *currentErrors) std::fprintf(stderr, "%s\n", e.c_str());
        std::exit(2);
    }
}

void Xerror2(int severity, po_message_t, const char* filename1, size_t lineno1, size_t, int, const char* message1,
             po_message_t, const char*, size_t, size_t, int, const char* message2) {
    const std::string message = std::string(message1) + " " + message2;
    Xerror(severity, nullptr, filename1, lineno1, 0, 0, message.c_str());
}

const po_xerror_handler kHandler = {Xerror, Xerror2};

struct PoFileCloser {
    void operator()(po_file* f) const { po_file_free(f); }
};
struct IteratorCloser {
    void operator()(po_message_iterator_t i) const { po_message_iterator_free(i); }
};

// libgettextpo does not tell where a message stands in its file; this finds
// the lines of each entry (its "# name:" comment, its msgctxt and the msgstr
// after it), so that messages can name the line a translator has to change.
// The contents come from the library alone.
struct EntryLines {
    int name = 0;     // 0 when the entry has no name comment
    int context = 0;  // 0 when the entry was not found
    int msgstr = 0;
};

// msgctxt line as written -> the lines of its entry
using Lines = std::map<std::string, EntryLines>;

Lines FindLines(const std::string& path) {
    Lines lines;
    std::ifstream in(path);
    std::string text;
    int n = 0;
    int nameLine = 0;
    EntryLines* entry = nullptr;
    while (std::getline(in, text)) {
        ++n;
        if (text.empty()) {
            nameLine = 0;
        } else if (text.rfind("# name:", 0) == 0) {
            nameLine = n;
        } else if (text.rfind("msgctxt ", 0) == 0) {
            const auto added = lines.emplace(text.substr(8), EntryLines{nameLine, n, 0});
            entry = added.second ? &added.first->second : nullptr;
            nameLine = 0;
        } else if (text.rfind("msgstr", 0) == 0 && entry != nullptr) {
            entry->msgstr = n;
            entry = nullptr;
        }
    }
    return lines;
}

EntryLines LinesOf(const Lines& lines, const std::string& context) {
    const auto c = lines.find("\"" + context + "\"");
    return c != lines.end() ? c->second : EntryLines{};
}

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
    if (comments == nullptr) return 0;
    const char* at = std::strstr(comments, "slot ");
    if (at == nullptr) return 0;
    return std::atoi(at + 5);
}

// A translator comment line "name: SolarOutput" gives the text's name.
std::string NameFromComment(const char* comments) {
    if (comments == nullptr) return {};
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
    if (context == nullptr || *context == 0) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(context, &end, 10);
    if (*end != 0 || errno != 0 || value < 0 || value >= kTextCount) return false;
    if (context[0] == '0' && context[1] != 0) return false;
    id = static_cast<int>(value);
    return true;
}

using Fail = std::function<void(int, const std::string&)>;
using PoFile = std::unique_ptr<po_file, PoFileCloser>;

// The parsed file, or null after its problems were reported.
PoFile OpenPoFile(const std::string& path, std::vector<std::string>& errors, const Fail& fail) {
    // A translation is a file of some kilobytes; a device or a pipe (/dev/zero)
    // would never end.
    constexpr off_t kMaxBytes = off_t{16} << 20;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !std::ifstream(path)) {
        fail(1, std::string("cannot read the file: ") + std::strerror(errno));
        return nullptr;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxBytes) {
        fail(1, S_ISREG(st.st_mode) ? "the file is larger than 16 MiB" : "not a regular file");
        return nullptr;
    }
    const size_t errorsBefore = errors.size();
    currentErrors = &errors;
    currentPath = path;
    PoFile file(po_file_read(path.c_str(), &kHandler));
    currentErrors = nullptr;
    if (!file || errors.size() != errorsBefore) {
        if (errors.size() == errorsBefore) fail(1, "not a PO file");
        return nullptr;
    }
    return file;
}

// The language that the header names, or -1; the header must declare UTF-8.
int HeaderLanguage(po_file_t file, const Fail& fail) {
    const char* header = po_file_domain_header(file, nullptr);
    int language = -1;
    if (header != nullptr) {
        char* code = po_header_field(header, "Language");
        if (code != nullptr) {
            language = LanguageOfCode(code);
            std::free(code);
        }
        char* type = po_header_field(header, "Content-Type");
        const bool utf8 = type != nullptr && std::strstr(type, "charset=UTF-8") != nullptr;
        std::free(type);
        if (!utf8) fail(1, "the header must declare \"Content-Type: text/plain; charset=UTF-8\"");
    }
    if (language < 0) fail(1, "the header's \"Language\" must be one of de, en, fr, it, es, nl, pl");
    return language;
}

// The translation of one entry, its slot and its name, into `text`.
void ReadText(po_message_t message, int id, bool slotKnown, PoText& text, const Fail& fail) {
    const std::string where = "id " + std::to_string(id) + ": ";
    const char* comments = po_message_comments(message);
    text.name = NameFromComment(comments);
    if (!slotKnown) text.slotWidth = SlotFromComment(comments);
    if (!slotKnown && text.slotWidth < 3) {
        fail(text.line, where + "the comment must give the slot (\"# slot N: ...\")");
        return;
    }
    const char* translation = po_message_msgstr(message);
    if (translation == nullptr || *translation == 0) {
        fail(text.line, where + "the translation is empty (where nothing is to be shown, write three blanks)");
        return;
    }
    text.utf8 = translation;
    std::string problem;
    if (!ToPanelBytes(translation, text.bytes, problem)) {
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

bool ReadPoLanguage(const std::string& path, const std::array<int, kTextCount>* slotWidths, PoLanguage& out,
                    std::vector<std::string>& errors) {
    const size_t errorsBefore = errors.size();
    const Fail fail = [&](int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    };
    out = PoLanguage{};
    out.path = path;
    const PoFile file = OpenPoFile(path, errors, fail);
    if (!file) return false;
    const Lines lines = FindLines(path);
    out.language = HeaderLanguage(file.get(), fail);
    if (out.language < 0) return false;

    std::array<bool, kTextCount> seen{};
    std::unique_ptr<struct po_message_iterator, IteratorCloser> it(po_message_iterator(file.get(), nullptr));
    while (po_message_t message = po_next_message(it.get())) {
        if (po_message_is_obsolete(message)) continue;
        const char* context = po_message_msgctxt(message);
        const char* msgid = po_message_msgid(message);
        if (context == nullptr && msgid != nullptr && *msgid == 0) continue;  // the header
        const std::string contextText = context != nullptr ? context : "";
        const EntryLines at = LinesOf(lines, contextText);
        const int line = at.msgstr != 0 ? at.msgstr : at.context != 0 ? at.context : 1;
        int id = 0;
        if (!ParseId(context, id)) {
            fail(line, "extra id \"" + contextText + "\": the panel has text ids 0 to 136 only");
            continue;
        }
        if (seen[id]) {
            fail(line, "id " + std::to_string(id) + " appears twice");
            continue;
        }
        seen[id] = true;
        PoText& text = out.texts[id];
        text.line = line;
        text.nameLine = at.name;
        if (slotWidths != nullptr) text.slotWidth = (*slotWidths)[id];
        ReadText(message, id, slotWidths != nullptr, text, fail);
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
