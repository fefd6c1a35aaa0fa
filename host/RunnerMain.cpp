// kandorelle-cli: plays a touch script against the panel without a display.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "host/Runner.h"
#include "host/TextCheck.h"
#include "host/TextOverride.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: kandorelle-cli SCRIPT      play a script file (- reads standard input)\n"
                 "       kandorelle-cli -e 'CMD; CMD; ...'\n"
                 "commands: clock YYYY-MM-DD HH:MM:SS | zoom N | tick [N] | press X Y | drag X Y | release |\n"
                 "          tap X Y [N] | screenshot FILE.png | close\n"
                 "       kandorelle-cli --check-texts [--texts FILE.po ...]   check that every text fits\n"
                 "%s",
                 kTextOptionsUsage);
}

}  // namespace

int main(int argc, char* argv[]) {
    TextOptions texts;
    std::string optionError;
    if (!TakeTextOptions(argc, argv, texts, optionError)) {
        std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return 2;
    }
    if (texts.check) return argc == 1 ? RunTextCheck(texts) : (Usage(), 2);
    if (const int status = ApplyTextOptions(texts); status != 0) return status;
    std::string script;
    if (argc == 3 && std::strcmp(argv[1], "-e") == 0) {
        script = argv[2];
        for (char& c : script) {
            if (c == ';') c = '\n';
        }
    } else if (argc == 2 && std::strcmp(argv[1], "-") == 0) {
        std::ostringstream all;
        all << std::cin.rdbuf();
        script = all.str();
    } else if (argc == 2 && argv[1][0] != '-') {
        std::ifstream file(argv[1]);
        if (!file) {
            std::fprintf(stderr, "kandorelle-cli: cannot read %s\n", argv[1]);
            return 2;
        }
        std::ostringstream all;
        all << file.rdbuf();
        script = all.str();
    } else {
        Usage();
        return 2;
    }
    ScriptRunner runner;
    std::istringstream in(script);
    std::string error;
    if (!runner.Run(in, error)) {
        std::fprintf(stderr, "kandorelle-cli: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
