// kandorelle-cli: plays touch scripts against the panel without a display and
// checks what it shows.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

#include "host/Gallery.h"
#include "host/PlantFeed.h"
#include "host/PngWriter.h"
#include "host/Runner.h"
#include "host/TextCheck.h"
#include "host/TextOverride.h"
#include "net/Dispatcher.h"

#include <tinyxml2.h>

extern char** environ;

namespace {

constexpr char kUsage[] =
    "usage: kandorelle-cli [OPTIONS] SCRIPT...  play script files (- reads standard input)\n"
    "       kandorelle-cli [OPTIONS] -e 'CMD; CMD; ...'   play commands given inline\n"
    "       kandorelle-cli --check-texts [--texts FILE.po ...]   check that every text fits\n"
    "       kandorelle-cli --gallery DIR [--lang de,en,...] [--zoom N]\n"
    "                         every page in every language as DIR/LANG/NN-name.png, and DIR/index.html\n"
    "       kandorelle-cli --help\n"
    "\n"
    "Options:\n"
    "  --clock 'YYYY-MM-DD HH:MM:SS'  pin the wall clock before the script starts\n"
    "  --update                    expect screen writes the golden images instead of comparing\n"
    "  --junit FILE.xml            write one JUnit test case per script\n"
    "  -j N                        play N scripts at once (default: the number of cores)\n"
    "  --plant-udp PORT            take plant values as UDP datagrams on 127.0.0.1:PORT\n"
    "                              (one script only)\n"
    "Several scripts each run from a fresh start, in processes of their own; their\n"
    "output is kept in the order given.\n"
    "\n"
    "One command per line (or per ; with -e); a word starting with # starts a comment.\n"
    "  clock YYYY-MM-DD HH:MM:SS   pin the wall clock (default 2011-04-15 12:00:00)\n"
    "  zoom 1|2|3                  pick a zoom, as the popup menu does\n"
    "  tick [N]                    run N ticks of 12 ms (default 1, at most 10000000)\n"
    "  press X Y                   put the finger down at panel pixel X 0..319, Y 0..239\n"
    "  drag X Y                    move the held finger\n"
    "  release                     lift the finger\n"
    "  tap X Y [N]                 press for N ticks (default 3), release, 3 more ticks\n"
    "  screenshot FILE.png [ZOOM]  write what the window shows, at its zoom or at ZOOM 1..3\n"
    "  close                       ask the window to close and run the closing ticks\n"
    "  include FILE                play another script's lines (FILE is relative to this script)\n"
    "  set NAME VALUE              set a plant value (set collector 95.5, set frost on)\n"
    "  fault CODE|clear            raise fault CODE 0..50 (0 or clear: no fault)\n"
    "  history add CODE [YYYY-MM-DD HH:MM:SS]   a fault-history entry\n"
    "  reset plant                 every plant value back to its start value\n"
    "  print NAME|page|clock|all   write NAME = VALUE lines to standard output\n"
    "  state save FILE|load FILE   the plant, settings, histories and clock as JSON\n"
    "Checks (a failed one is reported and the script goes on):\n"
    "  expect page N               the page shown is N (0..45)\n"
    "  expect pixel X Y #RRGGBB    the panel pixel shows this colour\n"
    "  expect NAME VALUE           a plant value, as print knows it (expect collector 95.5)\n"
    "  expect clock YYYY-MM-DD HH:MM:SS\n"
    "  expect screen FILE.png [TOLERANCE]\n"
    "                              the window matches the golden image beside the script,\n"
    "                              up to TOLERANCE differing pixels (default 0); on failure\n"
    "                              FILE.actual.png and FILE.diff.png are written beside it\n"
    "  animation start FILE.gif    record the panel as an animated GIF (changed frames, real timing)\n"
    "  animation stop              write it (a recording still running is written at the end)\n"
    "\n"
    "The whole script is checked before it runs. Errors go to standard error as\n"
    "FILE:LINE: message (FILE is -e for inline commands, - for standard input).\n"
    "Exit status: 0 the script ran and every check passed, 1 a check failed,\n"
    "2 bad input or usage.\n";

constexpr int kBadInput = static_cast<int>(ScriptStatus::BadInput);

int Fail(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "%s\n", ScriptError{file, 0, message}.Text().c_str());
    return kBadInput;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kandorelle-cli: %s\n%s", message.c_str(), "run kandorelle-cli --help for the usage\n");
    return kBadInput;
}

struct Options {
    std::vector<std::string> scripts;
    std::optional<std::string> inline_;  // -e
    std::optional<std::string> clock;
    std::optional<WallTime> pinned;
    bool update = false;
    std::string junit;
    int jobs = 0;
    int plantPort = 0;
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

// One option with its value, as a row: the gallery and any later mode add theirs here.
bool TakeOption(int argc, char** argv, int& i, Options& options, std::string& error) {
    const std::string arg = argv[i];
    if (arg == "-e") {
        const char* text = OptionValue(argc, argv, i, "the commands", error);
        if (text != nullptr) options.inline_ = text;
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
    if (options.scripts.size() > 1) {
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

// Plays one script in this process.
int PlayOne(const Options& options) {
    std::string text;
    std::string file;
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
    } else if (options.scripts[0] == "-") {
        file = "-";
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) return Fail(file, "cannot read standard input");
    } else {
        file = options.scripts[0];
        std::string why;
        if (!ReadScriptFile(file, text, why)) return Fail(file, "cannot read the script: " + why);
    }

    std::vector<ScriptError> errors;
    const Script script = ParseScript(text, file, errors);
    CheckScriptFiles(script, errors);
    for (const ScriptError& error : errors) std::fprintf(stderr, "%s\n", error.Text().c_str());
    if (!errors.empty()) return kBadInput;

    TQueueDispatcher dispatcher;
    RunnerOptions runnerOptions;
    runnerOptions.update = options.update;
    runnerOptions.progress = StderrIsTerminal();
    if (options.plantPort != 0) runnerOptions.beforeTick = [&dispatcher] { dispatcher.Pump(); };
    ScriptRunner runner(runnerOptions);
    if (options.pinned) runner.SetClock(*options.pinned);

    std::optional<PlantFeed> feed;
    if (options.plantPort != 0) {
        feed.emplace(dispatcher,
                     [&runner](const std::string& datagram) { return runner.Plant().ApplyLines(datagram); });
        std::string why;
        if (!feed->Start(options.plantPort, why)) return UsageError("--plant-udp: " + why);
    }

    ScriptError error;
    const ScriptStatus status = runner.Execute(script, error);
    // Failed checks were reported as they happened; only a script error is left.
    if (status == ScriptStatus::BadInput) std::fprintf(stderr, "%s\n", error.Text().c_str());
    std::cout.flush();
    return static_cast<int>(status);
}

// ---- several scripts, each in a process of its own -------------------------

struct Job {
    std::string script;
    std::string outPath;
    std::string errPath;
    pid_t pid = -1;
    bool done = false;
    int status = kBadInput;
    std::string note;  // what the process itself could not say
    std::chrono::steady_clock::time_point start;
    double seconds = 0;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Spawn(Job& job, const std::vector<std::string>& common) {
    std::vector<std::string> args = common;
    args.push_back(job.script);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, job.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, job.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    job.start = std::chrono::steady_clock::now();
    const int failed = posix_spawn(&job.pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        job.done = true;
        job.note = job.script + ":0: cannot start the runner for this script: " + std::strerror(failed) + "\n";
        return false;
    }
    return true;
}

// XML 1.0 forbids most control bytes even when escaped; the library escapes
// the markup, the report replaces those bytes.
std::string XmlSafe(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r') c = '?';
    }
    return out;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// Writes the report whole or not at all.
bool WriteJUnit(const std::string& path, const std::vector<Job>& jobs, std::string& why) {
    int failures = 0;
    int errors = 0;
    double total = 0;
    for (const Job& job : jobs) {
        failures += job.status == 1;
        errors += job.status != 0 && job.status != 1;
        total += job.seconds;
    }
    tinyxml2::XMLDocument xml;
    xml.InsertEndChild(xml.NewDeclaration());
    tinyxml2::XMLElement* suites = xml.NewElement("testsuites");
    xml.InsertEndChild(suites);
    tinyxml2::XMLElement* suite = suites->InsertNewChildElement("testsuite");
    suite->SetAttribute("name", "kandorelle-cli");
    for (tinyxml2::XMLElement* counts : {suites, suite}) {
        counts->SetAttribute("tests", static_cast<int>(jobs.size()));
        counts->SetAttribute("failures", failures);
        counts->SetAttribute("errors", errors);
        counts->SetAttribute("time", Seconds(total).c_str());
    }
    for (const Job& job : jobs) {
        const std::string out = XmlSafe(Slurp(job.outPath));
        const std::string err = XmlSafe(Slurp(job.errPath) + job.note);
        tinyxml2::XMLElement* test = suite->InsertNewChildElement("testcase");
        test->SetAttribute("classname", "kandorelle-cli");
        test->SetAttribute("name", XmlSafe(job.script).c_str());
        test->SetAttribute("time", Seconds(job.seconds).c_str());
        if (job.status != 0) {
            tinyxml2::XMLElement* verdict = test->InsertNewChildElement(job.status == 1 ? "failure" : "error");
            verdict->SetAttribute("message", FirstLine(err).c_str());
            verdict->SetText(err.c_str());
        }
        if (!out.empty()) test->InsertNewChildElement("system-out")->SetText(out.c_str());
        if (!err.empty()) test->InsertNewChildElement("system-err")->SetText(err.c_str());
    }
    const std::string temporary = path + ".tmp";
    if (xml.SaveFile(temporary.c_str()) != tinyxml2::XML_SUCCESS) {
        why = "cannot write " + temporary + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        why = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// The options every script's own process is started with, before its script.
std::vector<std::string> CommonArguments(const Options& options) {
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
    return common;
}

std::vector<Job> MakeJobs(const Options& options, const std::string& folder) {
    std::vector<Job> jobs(options.scripts.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        jobs[i].script = options.scripts[i];
        jobs[i].outPath = folder + "/" + std::to_string(i) + ".out";
        jobs[i].errPath = folder + "/" + std::to_string(i) + ".err";
    }
    return jobs;
}

void Finish(Job& job, int status) {
    job.done = true;
    job.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - job.start).count();
    if (WIFEXITED(status)) {
        job.status = WEXITSTATUS(status) <= 2 ? WEXITSTATUS(status) : kBadInput;
    } else {
        job.status = kBadInput;
        job.note = job.script + ":0: the runner ended with signal " +
                   std::to_string(WIFSIGNALED(status) ? WTERMSIG(status) : 0) + "\n";
    }
}

enum class Waited { Ended, Interrupted, Failed };

// Waits for one script's process to end and marks its job done.
Waited WaitForOne(std::vector<Job>& jobs, int& running) {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0) return errno == EINTR ? Waited::Interrupted : Waited::Failed;
    for (Job& job : jobs) {
        if (job.pid != pid || job.done) continue;
        Finish(job, status);
        --running;
    }
    return Waited::Ended;
}

// The scripts' output and progress, in the order the scripts were given.
struct Report {
    std::size_t shown = 0;
    int worst = 0;
    bool progress = StderrIsTerminal();
    bool progressShown = false;
    std::chrono::steady_clock::time_point begin = std::chrono::steady_clock::now();

    void EraseProgress() {
        if (progressShown) std::fputs("\r\033[K", stderr);
        progressShown = false;
    }

    // Prints the finished scripts at the front, as soon as the front is done.
    void ShowFront(const std::vector<Job>& jobs) {
        while (shown < jobs.size() && jobs[shown].done) {
            EraseProgress();
            const Job& job = jobs[shown];
            std::cout << Slurp(job.outPath) << std::flush;
            std::cerr << Slurp(job.errPath) << job.note << std::flush;
            worst = std::max(worst, job.status);
            ++shown;
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (progress && elapsed > 2.0 && shown < jobs.size()) {
            std::fprintf(stderr, "\r\033[K%zu of %zu scripts done, %.1f s", shown, jobs.size(), elapsed);
            std::fflush(stderr);
            progressShown = true;
        }
    }
};

int PlayMany(const Options& options) {
    char folder[] = "/tmp/kandorelle-cli-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return UsageError(std::string("cannot make a temporary folder: ") + std::strerror(errno));
    const std::vector<std::string> common = CommonArguments(options);
    std::vector<Job> jobs = MakeJobs(options, folder);
    const int parallel =
        options.jobs > 0 ? options.jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    Report report;
    std::size_t next = 0;
    int running = 0;
    while (report.shown < jobs.size()) {
        while (running < parallel && next < jobs.size()) {
            if (Spawn(jobs[next], common)) ++running;
            ++next;
        }
        if (running > 0) {
            const Waited waited = WaitForOne(jobs, running);
            if (waited == Waited::Interrupted) continue;
            if (waited == Waited::Failed) break;
        }
        report.ShowFront(jobs);
    }
    report.EraseProgress();

    int worst = report.worst;
    if (!options.junit.empty()) {
        std::string why;
        if (!WriteJUnit(options.junit, jobs, why)) {
            std::fprintf(stderr, "kandorelle-cli: --junit: %s\n", why.c_str());
            worst = kBadInput;
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return worst;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
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
        std::fputs(kUsage, stderr);
        return kBadInput;
    }
    GalleryOptions gallery;
    bool galleryWanted = false;
    if (!TakeGalleryOptions(argc, argv, gallery, galleryWanted, optionError)) return UsageError(optionError);
    if (galleryWanted) {
        if (argc != 1) {
            std::fputs(kUsage, stderr);
            return kBadInput;
        }
        if (const int status = ApplyTextOptions(texts); status != 0) return status;
        const int status = RunGallery(gallery, optionError);
        if (status != 0) std::fprintf(stderr, "kandorelle-cli: %s\n", optionError.c_str());
        return status;
    }
    if (argc == 1) {
        std::fputs(kUsage, stderr);
        return kBadInput;
    }
    Options options;
    if (!TakeOptions(argc, argv, options, optionError)) return UsageError(optionError);
    options.poFiles = texts.poFiles;
    if (options.scripts.size() > 1 || !options.junit.empty()) {
        if (options.inline_) return UsageError("--junit reports script files, not -e");
        for (const std::string& script : options.scripts) {
            if (script == "-") return UsageError("--junit reports script files, not standard input");
        }
        if (!options.junit.empty()) {
            // A report that cannot be written is known before anything runs.
            const std::filesystem::path report(options.junit);
            const std::filesystem::path where = report.parent_path().empty() ? "." : report.parent_path();
            std::error_code ec;
            if (!std::filesystem::is_directory(where, ec) || access(where.c_str(), W_OK | X_OK) != 0) {
                return UsageError("--junit: the folder " + where.string() + " cannot be written to");
            }
        }
        return PlayMany(options);
    }
    if (const int status = ApplyTextOptions(texts); status != 0) return status;
    return PlayOne(options);
}
