#include "host/texts/PoTexts.h"

#include <gettext-po.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string_view>

namespace {

// libgettextpo reports syntax errors through these callbacks, which have no
// context pointer; a file is read at a time, so one collector suffices. The
// messages name the file as the user gave it, also when the library read a
// copy of it.
std::vector<std::string>* currentErrors = nullptr;
std::string currentPath;

std::string Located(size_t line, const char* message) {
    return currentPath + ":" + std::to_string(line == static_cast<size_t>(-1) || line == 0 ? 1 : line) + ": " + message;
}

void Xerror(int severity, po_message_t, const char*, size_t lineno, size_t, int, const char* message) {
    if (currentErrors != nullptr) currentErrors->push_back(Located(lineno, message));
    if (severity == PO_SEVERITY_FATAL_ERROR) {
        // The library must not continue after a fatal error; say what there is.
        if (currentErrors != nullptr) {
            for (const std::string& e : *currentErrors) std::fprintf(stderr, "%s\n", e.c_str());
        }
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
using PoFile = std::unique_ptr<po_file, PoFileCloser>;
using PoIterator = std::unique_ptr<struct po_message_iterator, IteratorCloser>;

// libgettextpo does not tell where a message stands in its file; this finds
// the lines of each message in file order (the library keeps that order), so
// that messages can name the line a translator has to change. The contents
// come from the library alone.
struct MessageLines {
    bool obsolete = false;
    int context = 0, id = 0, plural = 0, str = 0, flag = 0, extracted = 0;
};

struct FileLines {
    std::vector<MessageLines> messages;
    int language = 0, contentType = 0;  // fields of the first message, the header
};

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// A keyword followed by its string ("msgid \"\"", "msgid\"\"").
bool IsKeyword(std::string_view text, std::string_view keyword) {
    return StartsWith(text, keyword) && text.size() > keyword.size() &&
           (text[keyword.size()] == ' ' || text[keyword.size()] == '\t' || text[keyword.size()] == '"');
}

FileLines FindLines(const std::string& content) {
    FileLines lines;
    MessageLines pending;
    bool open = false;  // the last message has no msgstr line yet
    int n = 0;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t end = content.find('\n', at);
        if (end == std::string::npos) end = content.size();
        std::string_view text(content.data() + at, end - at);
        at = end + 1;
        ++n;
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        text = TrimLeft(text);
        bool obsolete = false;
        if (StartsWith(text, "#~")) {
            obsolete = true;
            text = TrimLeft(text.substr(2));
        } else if (StartsWith(text, "#,")) {
            pending.flag = n;
            continue;
        } else if (StartsWith(text, "#.")) {
            if (pending.extracted == 0) pending.extracted = n;
            continue;
        } else if (StartsWith(text, "#")) {
            continue;
        }
        if (IsKeyword(text, "msgctxt")) {
            pending.context = n;
        } else if (IsKeyword(text, "msgid_plural")) {
            if (open) lines.messages.back().plural = n;
        } else if (IsKeyword(text, "msgid")) {
            pending.id = n;
            pending.obsolete = obsolete;
            lines.messages.push_back(pending);
            pending = MessageLines{};
            open = true;
        } else if (StartsWith(text, "msgstr") && open) {
            lines.messages.back().str = n;
            open = false;
        } else if (lines.messages.size() == 1 && !obsolete) {
            if (lines.language == 0 && StartsWith(text, "\"Language:")) lines.language = n;
            if (lines.contentType == 0 && StartsWith(text, "\"Content-Type:")) lines.contentType = n;
        }
    }
    return lines;
}

using Fail = std::function<void(int, const std::string&)>;

// A translation is a file of some kilobytes; a device or a pipe (/dev/zero)
// would never end.
constexpr off_t kMaxBytes = off_t{16} << 20;

bool ReadContent(const std::string& path, std::string& content, const Fail& fail) {
    struct stat st {};
    std::ifstream in(path, std::ios::binary);
    if (stat(path.c_str(), &st) != 0 || !in) {
        fail(1, std::string("cannot read the file: ") + std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxBytes) {
        fail(1, S_ISREG(st.st_mode) ? "the file is larger than 16 MiB" : "not a regular file");
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A file in memory that the library can open by name.
class MemoryFile {
public:
    explicit MemoryFile(std::string_view content) : fd_(memfd_create("po", MFD_CLOEXEC)) {
        std::size_t done = 0;
        while (fd_ >= 0 && done < content.size()) {
            const ssize_t n = write(fd_, content.data() + done, content.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ok_ = fd_ >= 0 && done == content.size();
    }
    ~MemoryFile() {
        if (fd_ >= 0) close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool Ok() const { return ok_; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
    bool ok_ = false;
};

// The parsed file, or null after its problems were reported. Editors on some
// systems start a UTF-8 file with a byte-order mark, which libgettextpo takes
// for text: it reads a copy without it.
PoFile ParsePoFile(const std::string& path, std::string& content, std::vector<std::string>& errors, const Fail& fail) {
    if (!ReadContent(path, content, fail)) return nullptr;
    const size_t errorsBefore = errors.size();
    currentErrors = &errors;
    currentPath = path;
    PoFile file;
    if (StartsWith(content, kByteOrderMark)) {
        const MemoryFile copy(std::string_view(content).substr(kByteOrderMark.size()));
        if (copy.Ok()) file.reset(po_file_read(copy.Path().c_str(), &kHandler));
    } else {
        file.reset(po_file_read(path.c_str(), &kHandler));
    }
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

std::string Text(const char* s) { return s != nullptr ? s : ""; }

int IdOfName(const PoTemplate& tmpl, const char* name) {
    for (int id = 0; id < kTextCount; ++id) {
        if (tmpl[id].name == name) return id;
    }
    return -1;
}

// Writes through a file beside `path` that replaces it only when whole.
bool WriteReplacing(const std::string& path, const std::function<bool(const std::string&)>& write,
                    std::vector<std::string>& errors) {
    const std::string temporary = path + ".tmp";
    std::error_code ec;
    if (write(temporary))
        std::filesystem::rename(temporary, path, ec);
    else
        ec = std::make_error_code(std::errc::io_error);
    if (ec) {
        errors.push_back(path + ":1: cannot write: " + ec.message());
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

bool WritePoFile(po_file_t file, const std::string& path, std::vector<std::string>& errors) {
    return WriteReplacing(
        path,
        [&](const std::string& temporary) {
            const size_t errorsBefore = errors.size();
            currentErrors = &errors;
            currentPath = path;
            po_file_write(file, temporary.c_str(), &kHandler);
            currentErrors = nullptr;
            return errors.size() == errorsBefore;
        },
        errors);
}

}  // namespace

bool ReadPoFile(const std::string& path, PoHeader& header, std::vector<PoEntry>& entries,
                std::vector<std::string>& errors) {
    const Fail fail = [&](int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    };
    header = PoHeader{};
    entries.clear();
    std::string content;
    const PoFile file = ParsePoFile(path, content, errors, fail);
    if (!file) return false;
    const FileLines lines = FindLines(content);

    std::vector<po_message_t> messages;
    const PoIterator it(po_message_iterator(file.get(), nullptr));
    while (po_message_t message = po_next_message(it.get())) messages.push_back(message);
    // The lines belong to the library's messages only when both saw the same
    // messages; else every message names the first line.
    bool aligned = lines.messages.size() == messages.size();
    for (std::size_t i = 0; aligned && i < messages.size(); ++i) {
        aligned = lines.messages[i].obsolete == (po_message_is_obsolete(messages[i]) != 0);
    }
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const po_message_t message = messages[i];
        if (po_message_is_obsolete(message)) continue;
        const MessageLines at = aligned ? lines.messages[i] : MessageLines{false, 0, 1, 0, 1, 0, 0};
        const char* context = po_message_msgctxt(message);
        const std::string msgid = Text(po_message_msgid(message));
        if (context == nullptr && msgid.empty() && !header.present) {
            header.present = true;
            const char* text = po_message_msgstr(message);
            header.language = HeaderField(text, "Language");
            header.contentType = HeaderField(text, "Content-Type");
            header.revisionDate = HeaderField(text, "PO-Revision-Date");
            header.projectVersion = HeaderField(text, "Project-Id-Version");
            header.line = at.id;
            header.languageLine = aligned ? lines.language : 0;
            header.contentTypeLine = aligned ? lines.contentType : 0;
            continue;
        }
        PoEntry& entry = entries.emplace_back();
        entry.hasContext = context != nullptr;
        entry.context = Text(context);
        entry.msgid = msgid;
        entry.plural = po_message_msgid_plural(message) != nullptr;
        entry.msgstr = Text(entry.plural ? po_message_msgstr_plural(message, 0) : po_message_msgstr(message));
        entry.fuzzy = po_message_is_fuzzy(message) != 0;
        entry.previousContext = Text(po_message_prev_msgctxt(message));
        entry.extracted = Text(po_message_extracted_comments(message));
        entry.idLine = at.id;
        entry.line = at.str != 0 ? at.str : at.id;
        entry.contextLine = at.context;
        entry.flagLine = at.flag;
        entry.pluralLine = at.plural != 0 ? at.plural : at.id;
    }
    return true;
}

bool ReadPoLanguage(const std::string& path, const PoTemplate& tmpl, PoUse use, PoLanguage& out,
                    std::vector<std::string>& errors) {
    const size_t errorsBefore = errors.size();
    out = PoLanguage{};
    out.path = path;
    PoHeader header;
    std::vector<PoEntry> entries;
    if (!ReadPoFile(path, header, entries, errors)) return false;
    CheckPoEntries(header, entries, tmpl, use, out, errors);
    return errors.size() == errorsBefore;
}

bool WritePoTemplate(const PoTemplate& tmpl, const PoHeader& source, const std::string& path,
                     std::vector<std::string>& errors) {
    const PoFile file(po_file_create());
    const PoIterator it(po_message_iterator(file.get(), nullptr));
    po_message_t header = po_message_create();
    po_message_set_msgid(header, "");
    po_message_set_comments(header,
                            "Kandorelle II panel texts: the template of every language.\n"
                            "Made by the build from po/en.po; do not edit. ./dev.sh po-update brings\n"
                            "it and every language up to date. msgctxt is the text's name, msgid its\n"
                            "English; the comments above give its number, its slot (a translation may\n"
                            "have at most slot - 2 characters) and where the panel shows it.\n"
                            "See \"Translating the panel\" in README.md.\n");
    const std::string fields = "Project-Id-Version: " + source.projectVersion +
                               "\n"
                               "Report-Msgid-Bugs-To: \n"
                               "POT-Creation-Date: " +
                               source.revisionDate +
                               "\n"
                               "PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\n"
                               "Last-Translator: FULL NAME <EMAIL@ADDRESS>\n"
                               "Language-Team: LANGUAGE <LL@li.org>\n"
                               "Language: \n"
                               "MIME-Version: 1.0\n"
                               "Content-Type: text/plain; charset=UTF-8\n"
                               "Content-Transfer-Encoding: 8bit\n";
    po_message_set_msgstr(header, fields.c_str());
    po_message_set_fuzzy(header, 1);
    po_message_insert(it.get(), header);
    for (TextId id = 0; id < kTextCount; ++id) {
        po_message_t message = po_message_create();
        po_message_set_extracted_comments(message, TemplateComment(id, tmpl[id]).c_str());
        po_message_set_msgctxt(message, tmpl[id].name.c_str());
        po_message_set_msgid(message, tmpl[id].english.c_str());
        po_message_set_msgstr(message, "");
        po_message_insert(it.get(), message);
    }
    return WritePoFile(file.get(), path, errors);
}

bool MarkChangedTexts(const PoTemplate& tmpl, const std::string& path, int& marked, std::vector<std::string>& errors) {
    marked = 0;
    const Fail fail = [&](int line, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    };
    std::string content;
    const PoFile file = ParsePoFile(path, content, errors, fail);
    if (!file) return false;
    const PoIterator it(po_message_iterator(file.get(), nullptr));
    while (po_message_t message = po_next_message(it.get())) {
        const char* context = po_message_msgctxt(message);
        if (po_message_is_obsolete(message) || context == nullptr || po_message_msgid_plural(message) != nullptr) {
            continue;
        }
        const int id = IdOfName(tmpl, context);
        const std::string msgid = Text(po_message_msgid(message));
        if (id < 0 || msgid == tmpl[id].english) continue;
        // A text marked before and not yet reviewed keeps the English its
        // translation was made for.
        if (!po_message_is_fuzzy(message) || po_message_prev_msgid(message) == nullptr) {
            po_message_set_prev_msgid(message, msgid.c_str());
        }
        po_message_set_msgid(message, tmpl[id].english.c_str());
        po_message_set_fuzzy(message, 1);
        ++marked;
    }
    return marked == 0 || WritePoFile(file.get(), path, errors);
}
