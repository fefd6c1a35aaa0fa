#include "tools/textgen/PoTexts.h"

#include <gettext-po.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

namespace {

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

// A header field's value, or empty.
std::string HeaderField(const char* header, const char* name) {
    char* value = po_header_field(header, name);
    if (value == nullptr) return {};
    std::string text = value;
    std::free(value);
    return text;
}

}  // namespace

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

    PoHeader header;
    if (const char* text = po_file_domain_header(file.get(), nullptr); text != nullptr) {
        header.present = true;
        header.language = HeaderField(text, "Language");
        header.contentType = HeaderField(text, "Content-Type");
    }
    std::vector<PoEntry> entries;
    std::unique_ptr<struct po_message_iterator, IteratorCloser> it(po_message_iterator(file.get(), nullptr));
    while (po_message_t message = po_next_message(it.get())) {
        if (po_message_is_obsolete(message)) continue;
        const char* context = po_message_msgctxt(message);
        const char* msgid = po_message_msgid(message);
        if (context == nullptr && msgid != nullptr && *msgid == 0) continue;  // the header
        PoEntry& entry = entries.emplace_back();
        entry.hasContext = context != nullptr;
        entry.context = context != nullptr ? context : "";
        const EntryLines at = LinesOf(lines, entry.context);
        entry.line = at.msgstr != 0 ? at.msgstr : at.context != 0 ? at.context : 1;
        entry.nameLine = at.name;
        const char* comments = po_message_comments(message);
        entry.comments = comments != nullptr ? comments : "";
        const char* translation = po_message_msgstr(message);
        entry.msgstr = translation != nullptr ? translation : "";
    }
    CheckPoEntries(header, entries, slotWidths, out, errors);
    return errors.size() == errorsBefore;
}
