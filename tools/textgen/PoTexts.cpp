#include "tools/textgen/PoTexts.h"

#include <gettext-po.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>

#include "panel/gfx/FontFormat.h"

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
// the line of each msgctxt and of the msgstr after it, so that messages can
// name the line a translator has to change. The contents come from the
// library alone.
struct Lines {
    std::map<std::string, int> context;  // msgctxt line as written -> line number
    std::map<int, int> msgstrAfter;      // msgctxt line -> line of its msgstr
};

Lines FindLines(const std::string& path) {
    Lines lines;
    std::ifstream in(path);
    std::string text;
    int n = 0;
    int lastContext = 0;
    while (std::getline(in, text)) {
        ++n;
        if (text.rfind("msgctxt ", 0) == 0) {
            lastContext = n;
            lines.context.emplace(text.substr(8), n);
        } else if (text.rfind("msgstr", 0) == 0 && lastContext != 0) {
            lines.msgstrAfter.emplace(lastContext, n);
            lastContext = 0;
        }
    }
    return lines;
}

int MsgstrLine(const Lines& lines, const std::string& context) {
    const auto c = lines.context.find("\"" + context + "\"");
    if (c == lines.context.end()) return 1;
    const auto s = lines.msgstrAfter.find(c->second);
    return s != lines.msgstrAfter.end() ? s->second : c->second;
}

// Decodes one UTF-8 character; length 0 marks a malformed sequence.
char32_t DecodeUtf8(const unsigned char* s, int& length) {
    const unsigned char lead = s[0];
    char32_t code = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else {
        length = 0;
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            length = 0;
            return 0;
        }
        code = (code << 6) | (s[i] & 0x3F);
    }
    return code;
}

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
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
                problem += Utf8Of(c);
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
    auto fail = [&](int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    };
    out = PoLanguage{};
    out.path = path;
    if (!std::ifstream(path)) {
        fail(1, "cannot read the file");
        return false;
    }
    currentErrors = &errors;
    currentPath = path;
    std::unique_ptr<po_file, PoFileCloser> file(po_file_read(path.c_str(), &kHandler));
    currentErrors = nullptr;
    if (!file || errors.size() != errorsBefore) {
        if (errors.size() == errorsBefore) fail(1, "not a PO file");
        return false;
    }
    const Lines lines = FindLines(path);

    const char* header = po_file_domain_header(file.get(), nullptr);
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
    if (language < 0) {
        fail(1, "the header's \"Language\" must be one of de, en, fr, it, es, nl, pl");
        return false;
    }
    out.language = language;

    std::array<bool, kTextCount> seen{};
    std::unique_ptr<struct po_message_iterator, IteratorCloser> it(po_message_iterator(file.get(), nullptr));
    while (po_message_t message = po_next_message(it.get())) {
        if (po_message_is_obsolete(message)) continue;
        const char* context = po_message_msgctxt(message);
        const char* msgid = po_message_msgid(message);
        if (context == nullptr && msgid != nullptr && *msgid == 0) continue;  // the header
        const std::string contextText = context != nullptr ? context : "";
        const int line = MsgstrLine(lines, contextText);
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
        text.slotWidth = slotWidths != nullptr ? (*slotWidths)[id] : SlotFromComment(po_message_comments(message));
        const std::string where = "id " + std::to_string(id) + ": ";
        if (slotWidths == nullptr && text.slotWidth < 3) {
            fail(line, where + "the comment must give the slot (\"# slot N: ...\")");
            continue;
        }
        const char* translation = po_message_msgstr(message);
        if (translation == nullptr || *translation == 0) {
            fail(line, where + "the translation is empty (where nothing is to be shown, write three blanks)");
            continue;
        }
        std::string problem;
        if (!ToPanelBytes(translation, text.bytes, problem)) {
            fail(line, where + problem);
            continue;
        }
        const int limit = text.slotWidth - 2;
        if (static_cast<int>(text.bytes.size()) > limit) {
            fail(line, where + std::to_string(text.bytes.size()) + " characters, longer than its slot allows (" +
                           std::to_string(limit) + ")");
        }
    }
    for (int id = 0; id < kTextCount; ++id) {
        if (!seen[id]) fail(1, "id " + std::to_string(id) + " is missing");
    }
    return errors.size() == errorsBefore;
}
