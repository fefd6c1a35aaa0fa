// Feeds arbitrary text to the runner's script parser. Parsing must never
// crash, and a script that parses must run its commands without surprise:
// every command record carries values that its execute step accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/runner/Runner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt", errors);
    for (const ScriptError& error : errors) {
        if (error.line < 1 || error.message.empty() || error.file != "fuzz.txt") std::abort();
    }
    const std::size_t count = script.commands.size();
    for (std::size_t i = 0; i < count; ++i) {
        const ScriptCommand& command = script.commands[i];
        if (command.line < 1) std::abort();
        // A usable script's repeat and its } name each other.
        if (errors.empty() && command.verb == Verb::Repeat && command.source != "}") {
            const auto end = static_cast<std::size_t>(command.number[1]);
            if (end <= i || end >= count || script.commands[end].number[0] != static_cast<long>(i)) std::abort();
        }
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
