// Feeds arbitrary bytes to the PO reader, as --texts and the fit check read
// translators' files and the build reads the English file for the template.
// Reading must never crash or end the program: a bad file gives FILE:LINE:
// messages, a good one texts in the panel's bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/texts/PoTexts.h"
#include "panel/text/TextData.h"
#include "panel/text/TextIds.h"

namespace {

// The built-in table's template, as the preview reads a file against it.
PoTemplate MakeBuiltInTemplate() {
    PoTemplate t;
    for (TextId id = 0; id < kTextCount; ++id) {
        t[id] = PoTemplateText{Txt::kNames[id], TextData::kTemplateEnglish[id], TextData::kSlotWidths[id], {}};
    }
    return t;
}

void CheckMessages(const std::vector<std::string>& errors, const std::string& path) {
    for (const std::string& error : errors) {
        if (error.rfind(path + ":", 0) != 0 || std::atoi(error.c_str() + path.size() + 1) < 1) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const PoTemplate builtIn = MakeBuiltInTemplate();
    // The library reads a file by its name: a file in memory has one.
    const int fd = memfd_create("fuzz.po", MFD_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    // One reading, checked as the preview and the build check a translation,
    // and taken as the English file that the template is made of.
    PoHeader header;
    std::vector<PoEntry> entries;
    std::vector<std::string> errors;
    if (ReadPoFile(path, header, entries, errors)) {
        for (const PoUse use : {PoUse::Preview, PoUse::Build}) {
            PoLanguage language;
            language.path = path;
            std::vector<std::string> found;
            const bool ok = CheckPoEntries(header, entries, builtIn, use, language, found);
            if (ok != found.empty()) std::abort();
            CheckMessages(found, path);
            if (ok && (language.language < 0 || language.language >= kLanguageCount)) std::abort();
            if (use == PoUse::Build && !language.held.empty()) std::abort();
            CheckMessages(language.held, path);
        }
        PoTemplate made;
        const bool ok = MakePoTemplate(path, header, entries, made, errors);
        if (ok != errors.empty()) std::abort();
        for (const PoTemplateText& text : made) {
            if (ok && (text.name.empty() || text.slotWidth < 3 || text.slotWidth > 255)) std::abort();
        }
    }
    CheckMessages(errors, path);
    close(fd);
    return 0;
}
