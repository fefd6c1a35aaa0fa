// Feeds arbitrary text to the runner's script parser. Parsing must never
// crash, and a script that parses must run its commands without surprise:
// every command record carries values that its execute step accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/Runner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt", errors);
    for (const ScriptError& error : errors) {
        if (error.line < 1 || error.message.empty() || error.file != "fuzz.txt") std::abort();
    }
    for (const ScriptCommand& command : script.commands) {
        if (command.line < 1) std::abort();
        switch (command.verb) {
            case Verb::Zoom:
                if (command.number[0] < 1 || command.number[0] > 3) std::abort();
                break;
            case Verb::Tick:
                if (command.number[0] < 0 || command.number[0] > 10'000'000) std::abort();
                break;
            case Verb::Press:
            case Verb::Drag:
            case Verb::Tap:
                if (command.number[0] < 0 || command.number[0] > 319 || command.number[1] < 0 ||
                    command.number[1] > 239) {
                    std::abort();
                }
                break;
            case Verb::Screenshot:
                if (command.path.empty()) std::abort();
                break;
            default: break;
        }
    }
    return 0;
}
