// kandorelle-cli: plays touch scripts against the panel without a display and
// checks what it shows.
#include <sys/time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/core/FileAccess.h"
#include "host/export/PngWriter.h"
#include "host/plant/PlantFeed.h"
#include "host/runner/Gallery.h"
#include "host/runner/Runner.h"
#include "host/runner/RunnerArtifacts.h"
#include "host/runner/RunnerSuite.h"
#include "host/runner/TextCheck.h"
#include "host/runner/TextOverride.h"
#include "net/Dispatcher.h"

namespace {

constexpr char kUsage[] =
    "usage: kandorelle-cli [OPTIONS] SCRIPT...  play script files (- reads standard input)\n"
    "       kandorelle-cli [OPTIONS] -e 'CMD; CMD; ...'   play commands given inline\n"
    "       kandorelle-cli --check-texts [--texts FILE.po ...]   check that every text fits\n"
    "       kandorelle-cli --gallery DIR [--lang de,en,...] [--zoom N] [--sheet]\n"
    "                         every page in every language as DIR/LANG/NN-name.png, and DIR/index.html;\n"
    "                         --sheet also puts a language's pages on one contact sheet, DIR/LANG/sheet.png\n"
    "       kandorelle-cli --help\n"
    "\n"
    "Options:\n"
    "  --clock 'YYYY-MM-DD HH:MM:SS'  pin the wall clock before the script starts\n"
    "  --update                    expect screen writes the golden images instead of comparing\n"
    "  --show-touches              screenshots and animations show a ring where the finger is\n"
    "  --junit FILE.xml            write one JUnit test case per script\n"
    "  -j N                        play N scripts at once (default: the number of cores)\n"
    "  --shard I/N                 play only the I-th of N parts of the scripts (a CI matrix)\n"
    "  --timeout SECONDS           end a script that runs longer, as an error\n"
    "  --fail-fast                 start no more scripts once one has failed\n"
    "  --artifacts DIR             write .actual.png, .diff.png and, for a failed script,\n"
    "                              SCRIPT.last.gif and SCRIPT.lines.txt under DIR\n"
    "  --plant-udp PORT            take plant values as UDP datagrams on 127.0.0.1:PORT\n"
    "                              (one script only)\n"
    "Several scripts each run from a fresh start, in processes of their own; their\n"
    "output is kept in the order given, and a summary line ends the run.\n"
    "\n"
    "One command per line (or per ; with -e); a word starting with # starts a comment.\n";

// After the verbs.
constexpr char kUsageEnd[] =
    "\n"
    "The whole script is checked before it runs. Errors go to standard error as\n"
    "FILE:LINE: message (FILE is -e for inline commands, - for standard input).\n"
    "Exit status: 0 the script ran and every check passed, 1 a check failed,\n"
    "2 bad input or usage.\n";

void PrintUsage(std::FILE* to) {
    std::fputs(kUsage, to);
    std::fputs(ScriptVerbHelp().c_str(), to);
    std::fputs(kUsageEnd, to);
}

constexpr int kBadInput = static_cast<int>(ScriptStatus::BadInput);

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kandorelle-cli: %s\n%s", message.c_str(), "run kandorelle-cli --help for the usage\n");
    return kBadInput;
}

struct Options {
    std::vector<std::string> scripts;
    std::optional<std::string> inline_;  // -e, each one a line of its own
    std::optional<std::string> clock;
    std::optional<WallTime> pinned;
    bool update = false;
    bool showTouches = false;
    std::string junit;
    int jobs = 0;
    int plantPort = 0;
    int shardIndex = 0;
    int shardCount = 0;
    double timeout = 0;
    std::string timeoutText;
    bool failFast = false;
    std::string artifacts;
    std::string childResult;           // set by the suite for a script's own process
    std::vector<std::string> poFiles;  // forwarded to the scripts' own processes
};

bool ParseWhole(const char* text, long lo, long hi, long& out) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < lo || value > hi) return false;
    out = value;
    return true;
}

// The value that follows the option at argv[i]; null, with the reason, when the line ends first.
const char* OptionValue(int argc, char** argv, int& i, const char* what, std::string& error) {
    if (i + 1 < argc) return argv[++i];
    error = std::string(argv[i]) + " wants " + what;
    return nullptr;
}

// A whole number lo..hi for `option`; `what` names it in the message.
bool TakeWhole(const std::string& option, const char* text, long lo, long hi, const char* what, int& out,
               std::string& error) {
    long number = 0;
    if (!ParseWhole(text, lo, hi, number)) {
        error = option + ": '" + std::string(text) + "' is not " + what + " " + std::to_string(lo) + ".." +
                std::to_string(hi);
        return false;
    }
    out = static_cast<int>(number);
    return true;
}

// --clock takes the date and the time as one word, split at a blank or a T.
bool TakeClock(const char* text, Options& options, std::string& error) {
    WallTime when;
    if (!ParseWallTime(text, when, error)) {
        error = "--clock: " + error;
        return false;
    }
    options.clock = text;
    options.pinned = when;
    return true;
}

// --shard I/N: 1 <= I <= N.
bool TakeShard(const char* text, Options& options, std::string& error) {
    const std::string value = text;
    const std::size_t slash = value.find('/');
    long index = 0;
    long count = 0;
    if (slash == std::string::npos || !ParseWhole(value.substr(0, slash).c_str(), 1, 1000, index) ||
        !ParseWhole(value.substr(slash + 1).c_str(), 1, 1000, count) || index > count) {
        error = "--shard: '" + value + "' is not I/N with 1 <= I <= N <= 1000";
        return false;
    }
    options.shardIndex = static_cast<int>(index);
    options.shardCount = static_cast<int>(count);
    return true;
}

// --timeout SECONDS: a number with decimals allowed, up to a day.
bool TakeTimeout(const char* text, Options& options, std::string& error) {
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(seconds >= 0.1 && seconds <= 86400)) {
        error = "--timeout: '" + std::string(text) + "' is not a number of seconds 0.1..86400";
        return false;
    }
    options.timeout = seconds;
    options.timeoutText = text;
    return true;
}

// One option with its value, as a row: the gallery and any later mode add theirs here.
bool TakeOption(int argc, char** argv, int& i, Options& options, std::string& error) {
    const std::string arg = argv[i];
    if (arg == "-e") {
        const char* text = OptionValue(argc, argv, i, "the commands", error);
        if (text != nullptr) options.inline_ = options.inline_ ? *options.inline_ + "\n" + text : std::string(text);
        return text != nullptr;
    }
    if (arg == "--shard") {
        const char* text = OptionValue(argc, argv, i, "I/N", error);
        return text != nullptr && TakeShard(text, options, error);
    }
    if (arg == "--timeout") {
        const char* text = OptionValue(argc, argv, i, "a number of seconds", error);
        return text != nullptr && TakeTimeout(text, options, error);
    }
    if (arg == "--fail-fast") {
        options.failFast = true;
        return true;
    }
    if (arg == "--artifacts") {
        const char* text = OptionValue(argc, argv, i, "a folder", error);
        if (text != nullptr) options.artifacts = text;
        return text != nullptr;
    }
    if (arg == kChildResultOption) {
        const char* text = OptionValue(argc, argv, i, "a file", error);
        if (text != nullptr) options.childResult = text;
        return text != nullptr;
    }
    if (arg == "--clock") {
        const char* text = OptionValue(argc, argv, i, "a time YYYY-MM-DD HH:MM:SS", error);
        return text != nullptr && TakeClock(text, options, error);
    }
    if (arg == "--update") {
        options.update = true;
        return true;
    }
    if (arg == "--show-touches") {
        options.showTouches = true;
        return true;
    }
    if (arg == "--junit") {
        const char* text = OptionValue(argc, argv, i, "a file name", error);
        if (text != nullptr) options.junit = text;
        return text != nullptr;
    }
    if (arg.rfind("-j", 0) == 0) {
        const char* text = arg == "-j" ? OptionValue(argc, argv, i, "a number of scripts", error) : argv[i] + 2;
        return text != nullptr && TakeWhole("-j", text, 1, 256, "a number of scripts", options.jobs, error);
    }
    if (arg == "--plant-udp") {
        const char* text = OptionValue(argc, argv, i, "a port", error);
        return text != nullptr && TakeWhole("--plant-udp", text, 1024, 65535, "a port", options.plantPort, error);
    }
    if (arg == "-" || arg[0] != '-') {
        options.scripts.push_back(arg);
        return true;
    }
    error = "unknown option '" + arg + "'";
    return false;
}

// What the scripts given allow: inline commands or files, standard input and
// the plant feed only for one script.
bool CheckScriptChoice(const Options& options, std::string& error) {
    if (options.inline_ && !options.scripts.empty()) {
        error = "-e and script files cannot be mixed";
        return false;
    }
    if (!options.inline_ && options.scripts.empty()) {
        error = "no script given";
        return false;
    }
    if (options.shardCount > 0 && options.inline_) {
        error = "--shard splits script files, not -e";
        return false;
    }
    if (options.scripts.size() > 1 || options.shardCount > 0) {
        for (const std::string& script : options.scripts) {
            if (script == "-") {
                error = "standard input can only be read as the one script";
                return false;
            }
        }
        if (options.plantPort != 0) {
            error = "--plant-udp serves one script only";
            return false;
        }
    }
    return true;
}

bool TakeOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        if (!TakeOption(argc, argv, i, options, error)) return false;
    }
    return CheckScriptChoice(options, error);
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

// The signal that asks the script to stop: SIGALRM for --timeout, SIGINT or SIGTERM.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void AskToStop(int signal) {
    if (stopSignal == 0) stopSignal = signal;
}

// Stops the script at the next tick or command when a signal or the time limit comes.
void WatchForStop(const Options& options, bool child) {
    struct sigaction action {};
    action.sa_handler = AskToStop;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGALRM}) sigaction(signal, &action, nullptr);
#ifdef __linux__
    // A script's process ends with the suite that started it, however that ended.
    if (child) prctl(PR_SET_PDEATHSIG, SIGTERM);
#else
    (void)child;
#endif
    if (options.timeout > 0) {
        itimerval limit{};
        limit.it_value.tv_sec = static_cast<time_t>(options.timeout);
        limit.it_value.tv_usec = static_cast<suseconds_t>((options.timeout - std::floor(options.timeout)) * 1e6);
        setitimer(ITIMER_REAL, &limit, nullptr);
    }
}

std::string StopReason(const Options& options) {
    const int signal = stopSignal;
    if (signal == 0) return {};
    if (signal == SIGALRM)
        return "timed out after " + SecondsText(options.timeout) + " (--timeout " + options.timeoutText + ")";
    return signal == SIGINT ? "interrupted (SIGINT)" : "interrupted (SIGTERM)";
}

// A process stopped by SIGINT or SIGTERM dies of it once it has said where it
// was, so that a shell or a CI runner sees the interruption.
int Ending(int status) {
    const int signal = stopSignal;
    if (signal != SIGINT && signal != SIGTERM) return status;
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    raise(signal);
    return status;
}

// Tells the suite what came of the script (only in a script's own process).
void TellSuite(const Options& options, const std::vector<ScriptError>& failures, const ScriptError* error) {
    if (options.childResult.empty()) return;
    std::string text;
    if (!failures.empty()) text += OutcomeLine("failure", failures.front());
    if (error != nullptr) text += OutcomeLine("error", *error);
    std::string why;
    WriteOutputFile(options.childResult, text, why);
}

// The text of the script to play and the name it goes by in messages.
bool ReadScript(const Options& options, std::string& text, std::string& file, std::string& why) {
    if (options.inline_) {
        file = "-e";
        text = *options.inline_;
        // A ; between quotes belongs to the quoted text.
        bool quoted = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '"') quoted = !quoted;
            if (quoted && text[i] == '\\')
                ++i;
            else if (!quoted && text[i] == ';')
                text[i] = '\n';
        }
        return true;
    }
    file = options.scripts[0];
    if (file == "-") {
        if (ReadInputDescriptor(STDIN_FILENO, text, why)) return true;
        why = "cannot read standard input: " + why;
        return false;
    }
    if (ReadScriptFile(file, text, why)) return true;
    why = "cannot read the script: " + why;
    return false;
}

// Plays one script in this process.
int PlayOne(const Options& options) {
    WatchForStop(options, !options.childResult.empty());
    std::string text;
    std::string file;
    std::string why;
    if (!ReadScript(options, text, file, why)) {
        const ScriptError error{file, 0, why};
        TellSuite(options, {}, &error);
        std::fprintf(stderr, "%s\n", error.Text().c_str());
        return Ending(kBadInput);
    }

    std::vector<ScriptError> errors;
    const Script script = ParseScript(text, file, errors);
    CheckScriptFiles(script, errors);
    for (const ScriptError& error : errors) std::fprintf(stderr, "%s\n", error.Text().c_str());
    if (!errors.empty()) {
        TellSuite(options, {}, &errors.front());
        return Ending(kBadInput);
    }

    TQueueDispatcher dispatcher;
    FailureTrail trail;
    RunnerOptions runnerOptions;
    runnerOptions.update = options.update;
    runnerOptions.showTouches = options.showTouches;
    runnerOptions.progress = StderrIsTerminal();
    runnerOptions.artifacts = options.artifacts;
    runnerOptions.stopRequest = [&options] { return StopReason(options); };
    if (!options.artifacts.empty()) {
        runnerOptions.beforeCommand = [&trail](const ScriptCommand& command) { trail.Command(command); };
        runnerOptions.afterTick = [&trail](const Rgb565* screen, std::int64_t ms,
                                           const std::vector<DirtyRect>& changed) { trail.Frame(screen, ms, changed); };
    }
    if (options.plantPort != 0) runnerOptions.beforeTick = [&dispatcher] { dispatcher.Pump(); };
    ScriptRunner runner(runnerOptions);
    if (options.pinned) runner.SetClock(*options.pinned);

    std::optional<PlantFeed> feed;
    if (options.plantPort != 0) {
        feed.emplace(dispatcher,
                     [&runner](const std::string& datagram) { return runner.Plant().ApplyLines(datagram); });
        if (!feed->Start(options.plantPort, why)) return UsageError("--plant-udp: " + why);
    }

    ScriptError error;
    const ScriptStatus status = runner.Execute(script, error);
    // Failed checks were reported as they happened; only a script error is left.
    if (status == ScriptStatus::BadInput) std::fprintf(stderr, "%s\n", error.Text().c_str());
    std::cout.flush();
    TellSuite(options, runner.Failures(), status == ScriptStatus::BadInput ? &error : nullptr);
    if (status != ScriptStatus::Ran && !options.artifacts.empty() && !trail.Write(options.artifacts, file, why)) {
        std::fprintf(stderr, "%s\n", ScriptError{file, 0, "--artifacts: " + why}.Text().c_str());
    }
    return Ending(static_cast<int>(status));
}

// The options that every script's own process of a suite is started with.
std::vector<std::string> ChildArguments(const Options& options) {
    std::vector<std::string> common{"kandorelle-cli"};
    for (const std::string& po : options.poFiles) {
        common.push_back("--texts");
        common.push_back(po);
    }
    if (options.clock) {
        common.push_back("--clock");
        common.push_back(*options.clock);
    }
    if (options.update) common.push_back("--update");
    if (options.showTouches) common.push_back("--show-touches");
    if (options.timeout > 0) {
        common.push_back("--timeout");
        common.push_back(options.timeoutText);
    }
    if (!options.artifacts.empty()) {
        common.push_back("--artifacts");
        common.push_back(options.artifacts);
    }
    return common;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        std::fputs(kTextOptionsUsage, stdout);
        return 0;
    }
    TextOptions texts;
    std::string optionError;
    if (!TakeTextOptions(argc, argv, texts, optionError)) {
        std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return kBadInput;
    }
    if (texts.check) {
        if (argc == 1) return RunTextCheck(texts);
        PrintUsage(stderr);
        return kBadInput;
    }
    GalleryOptions gallery;
    bool galleryWanted = false;
    if (!TakeGalleryOptions(argc, argv, gallery, galleryWanted, optionError)) return UsageError(optionError);
    if (galleryWanted) {
        if (argc != 1) {
            PrintUsage(stderr);
            return kBadInput;
        }
        if (const int status = ApplyTextOptions(texts); status != 0) return status;
        const int status = RunGallery(gallery, optionError);
        if (status != 0) std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return status;
    }
    if (argc == 1) {
        PrintUsage(stderr);
        return kBadInput;
    }
    Options options;
    if (!TakeOptions(argc, argv, options, optionError)) return UsageError(optionError);
    options.poFiles = texts.poFiles;
    if (!options.artifacts.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.artifacts, ec);
        if (!std::filesystem::is_directory(options.artifacts, ec)) {
            return UsageError("--artifacts: cannot make the folder " + options.artifacts);
        }
    }
    if (options.childResult.empty() &&
        (options.scripts.size() > 1 || !options.junit.empty() || options.shardCount > 0)) {
        if (options.inline_) return UsageError("--junit reports script files, not -e");
        for (const std::string& script : options.scripts) {
            if (script == "-") return UsageError("--junit reports script files, not standard input");
        }
        if (!options.junit.empty()) {
            // A report that cannot be written is known before anything runs.
            const std::string problem = WriteProblem(options.junit);
            if (!problem.empty()) return UsageError("--junit: " + problem);
        }
        SuiteOptions suite;
        suite.scripts = options.scripts;
        suite.childArguments = ChildArguments(options);
        suite.junit = options.junit;
        suite.jobs = options.jobs;
        suite.shardIndex = options.shardIndex;
        suite.shardCount = options.shardCount;
        suite.timeout = options.timeout;
        suite.failFast = options.failFast;
        return PlaySuite(suite);
    }
    if (const int status = ApplyTextOptions(texts); status != 0) return status;
    return PlayOne(options);
}
