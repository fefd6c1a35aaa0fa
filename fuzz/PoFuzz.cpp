// Feeds arbitrary bytes to the PO reader, as --texts and the fit check read
// translators' files. Reading must never crash or end the program: a bad
// file gives FILE:LINE: messages, a good one texts in the panel's bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/textgen/PoTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
    PoLanguage language;
    std::vector<std::string> errors;
    const bool ok = ReadPoLanguage(path, nullptr, language, errors);
    close(fd);
    if (ok != errors.empty()) std::abort();
    for (const std::string& error : errors) {
        if (error.rfind(path + ":", 0) != 0 || std::atoi(error.c_str() + path.size() + 1) < 1) std::abort();
    }
    if (ok && (language.language < 0 || language.language >= kLanguageCount)) std::abort();
    return 0;
}
