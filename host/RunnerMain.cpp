// kandorelle-cli: plays a touch script against the panel without a display.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "host/Gallery.h"
#include "host/Runner.h"
#include "host/TextCheck.h"
#include "host/TextOverride.h"

namespace {

constexpr char kUsage[] =
    "usage: kandorelle-cli SCRIPT            play a script file (- reads standard input)\n"
    "       kandorelle-cli -e 'CMD; CMD; ...' play commands given inline\n"
    "       kandorelle-cli --check-texts [--texts FILE.po ...]   check that every text fits\n"
    "       kandorelle-cli --gallery DIR [--lang de,en,...] [--zoom N]\n"
    "                         every page in every language as DIR/LANG/NN-name.png, and DIR/index.html\n"
    "       kandorelle-cli --help\n"
    "\n"
    "One command per line (or per ; with -e); a word starting with # starts a comment.\n"
    "  clock YYYY-MM-DD HH:MM:SS   pin the wall clock (default 2011-04-15 12:00:00)\n"
    "  zoom 1|2|3                  pick a zoom, as the popup menu does\n"
    "  tick [N]                    run N ticks of 12 ms (default 1, at most 10000000)\n"
    "  press X Y                   put the finger down at panel pixel X 0..319, Y 0..239\n"
    "  drag X Y                    move the held finger\n"
    "  release                     lift the finger\n"
    "  tap X Y [N]                 press for N ticks (default 3), release, 3 more ticks\n"
    "  screenshot FILE.png         write what the window shows at the current zoom\n"
    "  close                       ask the window to close and run the closing ticks\n"
    "  animation start FILE.gif    record the panel as an animated GIF (changed frames, real timing)\n"
    "  animation stop              write it (a recording still running is written at the end)\n"
    "\n"
    "The whole script is checked before it runs. Errors go to standard error as\n"
    "FILE:LINE: message (FILE is -e for inline commands, - for standard input).\n"
    "Exit status: 0 the script ran, 2 bad input or usage.\n";

int Fail(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "%s\n", ScriptError{file, 0, message}.Text().c_str());
    return static_cast<int>(ScriptStatus::BadInput);
}

// Reads a script file whole; false with the system's reason when it cannot.
bool ReadScript(const char* path, std::string& text, std::string& why) {
    struct stat info {};
    if (stat(path, &info) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        why = "is a folder, not a script";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        why = std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string text;
    std::string file;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        std::fputs(kTextOptionsUsage, stdout);
        return 0;
    }
    TextOptions texts;
    std::string optionError;
    if (!TakeTextOptions(argc, argv, texts, optionError)) {
        std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return 2;
    }
    if (texts.check) {
        if (argc == 1) return RunTextCheck(texts);
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (const int status = ApplyTextOptions(texts); status != 0) return status;
    GalleryOptions gallery;
    bool galleryWanted = false;
    if (!TakeGalleryOptions(argc, argv, gallery, galleryWanted, optionError)) {
        std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return 2;
    }
    if (galleryWanted) {
        if (argc != 1) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        const int status = RunGallery(gallery, optionError);
        if (status != 0) std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return status;
    }
    if (argc == 3 && std::strcmp(argv[1], "-e") == 0) {
        file = "-e";
        text = argv[2];
        for (char& c : text) {
            if (c == ';') c = '\n';
        }
    } else if (argc == 2 && std::strcmp(argv[1], "-") == 0) {
        file = "-";
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) return Fail(file, "cannot read standard input");
    } else if (argc == 2 && argv[1][0] != '-') {
        file = argv[1];
        std::string why;
        if (!ReadScript(argv[1], text, why)) return Fail(file, "cannot read the script: " + why);
    } else {
        std::fputs(kUsage, stderr);
        return static_cast<int>(ScriptStatus::BadInput);
    }

    std::vector<ScriptError> errors;
    const Script script = ParseScript(text, file, errors);
    CheckScriptFiles(script, errors);
    for (const ScriptError& error : errors) std::fprintf(stderr, "%s\n", error.Text().c_str());
    if (!errors.empty()) return static_cast<int>(ScriptStatus::BadInput);

    ScriptRunner runner;
    ScriptError error;
    const ScriptStatus status = runner.Execute(script, error);
    if (status != ScriptStatus::Ran) std::fprintf(stderr, "%s\n", error.Text().c_str());
    return static_cast<int>(status);
}
