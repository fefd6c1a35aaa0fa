#include "host/runner/RunnerSuite.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "host/export/JUnitReport.h"
#include "host/runner/Runner.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBadInput = static_cast<int>(ScriptStatus::BadInput);
// How long a script's process has to stop after it was asked to, before it
// is ended by force.
constexpr double kGraceSeconds = 3.0;
constexpr std::size_t kSlowestShown = 3;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first failed check and the error of a script, as its process told them.
struct Outcome {
    std::string file;
    int line = 0;
    std::string message;

    std::string Text() const { return file + ":" + std::to_string(line) + ": " + message; }
};

struct Job {
    std::string script;
    std::string outPath;
    std::string errPath;
    std::string resultPath;
    pid_t pid = -1;
    bool started = false;
    bool done = false;
    bool skipped = false;    // --fail-fast: never started
    bool forced = false;     // ended by force after its time was up
    int status = kBadInput;  // 0 passed, 1 a check failed, 2 an error
    std::string note;        // what the suite says about the script
    Clock::time_point start;
    double seconds = 0;
    Outcome failure;  // message empty: none
    Outcome error;
};

void ReadOutcome(Job& job) {
    std::ifstream in(job.resultPath);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind;
        Outcome o;
        std::string number;
        if (!std::getline(fields, kind, '\t') || !std::getline(fields, o.file, '\t') ||
            !std::getline(fields, number, '\t') || !std::getline(fields, o.message)) {
            continue;
        }
        o.line = std::atoi(number.c_str());
        if (kind == "failure" && job.failure.message.empty()) job.failure = o;
        if (kind == "error") job.error = o;
    }
}

bool Spawn(Job& job, const std::vector<std::string>& common) {
    std::vector<std::string> args = common;
    args.insert(args.end(), {kChildResultOption, job.resultPath, job.script});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, job.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, job.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The suite waits for its signals; the scripts' processes take them as usual.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGCHLD}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    job.start = Clock::now();
    job.started = true;
    const int failed = posix_spawn(&job.pid, "/proc/self/exe", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        job.done = true;
        job.error = {job.script, 0, std::string("cannot start the runner for this script: ") + std::strerror(failed)};
        return false;
    }
    return true;
}

void Finish(Job& job, int status) {
    job.done = true;
    job.seconds = Since(job.start);
    job.status = WIFEXITED(status) && WEXITSTATUS(status) <= 2 ? WEXITSTATUS(status) : kBadInput;
    ReadOutcome(job);
    if (job.status == 0 || !job.error.message.empty()) return;
    if (job.status == 1 && WIFEXITED(status)) return;
    if (job.forced) {
        job.error = {job.script, 0, job.note};
    } else {
        job.error = {job.script, 0,
                     WIFSIGNALED(status) ? "the runner ended with signal " + std::to_string(WTERMSIG(status))
                                         : "the runner ended with status " + std::to_string(WEXITSTATUS(status))};
    }
    job.note = job.error.Text() + "\n";
}

// Takes every script's process that has ended.
void Reap(std::vector<Job>& jobs, int& running) {
    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid <= 0) return;
        for (Job& job : jobs) {
            if (job.pid != pid || job.done) continue;
            Finish(job, status);
            --running;
        }
    }
}

// The scripts' output and progress, in the order the scripts were given.
struct Report {
    std::size_t shown = 0;
    bool progress = isatty(STDERR_FILENO) == 1;
    bool progressShown = false;
    Clock::time_point begin = Clock::now();

    void EraseProgress() {
        if (progressShown) std::fputs("\r\033[K", stderr);
        progressShown = false;
    }

    // Prints the finished scripts at the front, as soon as the front is done.
    void ShowFront(const std::vector<Job>& jobs) {
        while (shown < jobs.size() && (jobs[shown].done || jobs[shown].skipped)) {
            EraseProgress();
            const Job& job = jobs[shown];
            if (job.started) {
                std::cout << Slurp(job.outPath) << std::flush;
                std::cerr << Slurp(job.errPath) << job.note << std::flush;
            }
            ++shown;
        }
        const double elapsed = Since(begin);
        if (progress && elapsed > 2.0 && shown < jobs.size()) {
            std::fprintf(stderr, "\r\033[K%zu of %zu scripts done, %.1f s", shown, jobs.size(), elapsed);
            std::fflush(stderr);
            progressShown = true;
        }
    }
};

struct Totals {
    int passed = 0;
    int failed = 0;
    int errors = 0;
    int skipped = 0;
};

Totals Count(const std::vector<Job>& jobs) {
    Totals t;
    for (const Job& job : jobs) {
        if (job.skipped) {
            ++t.skipped;
        } else {
            t.passed += job.status == 0;
            t.failed += job.status == 1;
            t.errors += job.status != 0 && job.status != 1;
        }
    }
    return t;
}

// The jobs as the JUnit report's test cases.
JUnitSuite SuiteReport(const std::vector<Job>& jobs, double wall, std::time_t began) {
    JUnitSuite suite{"kandorelle-cli", wall, began, {}};
    for (const Job& job : jobs) {
        JUnitCase test;
        test.name = job.script;
        test.seconds = job.seconds;
        const Outcome& first = !job.failure.message.empty() ? job.failure : job.error;
        if (!first.message.empty()) {
            test.file = first.file;
            test.line = first.line;
        }
        if (job.skipped) {
            test.result = JUnitCase::Result::Skipped;
            test.message = "not played: an earlier script failed (--fail-fast)";
        } else if (job.status == 1) {
            test.result = JUnitCase::Result::Failed;
            test.message = job.failure.message.empty() ? "a check failed" : job.failure.Text();
        } else if (job.status != 0) {
            test.result = JUnitCase::Result::Error;
            test.message = job.error.message.empty() ? "the script failed" : job.error.Text();
        }
        if (job.started) {
            test.out = Slurp(job.outPath);
            test.err = Slurp(job.errPath) + job.note;
        }
        suite.cases.push_back(std::move(test));
    }
    return suite;
}

// The closing lines that people and CI tools read.
void PrintSummary(const std::vector<Job>& jobs, double wall) {
    std::vector<const Job*> played;
    for (const Job& job : jobs) {
        if (job.started) played.push_back(&job);
    }
    std::stable_sort(played.begin(), played.end(), [](const Job* a, const Job* b) { return a->seconds > b->seconds; });
    if (played.size() > 1) {
        std::string slowest;
        for (std::size_t i = 0; i < played.size() && i < kSlowestShown; ++i) {
            slowest += (i == 0 ? "" : ", ") + played[i]->script + " " + SecondsText(played[i]->seconds);
        }
        std::cout << "slowest: " << slowest << "\n";
    }
    const Totals t = Count(jobs);
    const std::string skipped = t.skipped > 0 ? ", " + std::to_string(t.skipped) + " skipped" : "";
    std::cout << t.passed << " passed, " << t.failed << " failed, " << t.errors << " errors" << skipped << " in "
              << SecondsText(wall) << "\n";
    // An error is a failure too for a tool that knows only these two words.
    std::cout << "scripts: " << t.passed << " passed, " << t.failed + t.errors << " failed" << skipped << std::endl;
}

// Blocks the signals that the suite waits for, and lets them go again.
class SignalWait {
public:
    SignalWait() {
        sigemptyset(&set_);
        for (const int signal : {SIGCHLD, SIGINT, SIGTERM}) sigaddset(&set_, signal);
        sigprocmask(SIG_BLOCK, &set_, &before_);
    }
    ~SignalWait() { sigprocmask(SIG_SETMASK, &before_, nullptr); }

    // Waits up to `seconds` for a signal; SIGINT or SIGTERM when one came.
    int Wait(double seconds) {
        const long nanos = static_cast<long>(std::max(0.001, seconds) * 1e9);
        const timespec limit{nanos / 1'000'000'000, nanos % 1'000'000'000};
        const int signal = sigtimedwait(&set_, nullptr, &limit);
        return signal == SIGINT || signal == SIGTERM ? signal : 0;
    }

private:
    sigset_t set_;
    sigset_t before_;
};

}  // namespace

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 10 ? "%.1f s" : "%.0f s", seconds);
    return text;
}

std::string OutcomeLine(const char* kind, const ScriptError& error) {
    std::string message = error.message;
    for (char& c : message) {
        if (c == '\n' || c == '\t' || c == '\r') c = ' ';
    }
    std::string file = error.file;
    for (char& c : file) {
        if (c == '\n' || c == '\t' || c == '\r') c = ' ';
    }
    return std::string(kind) + "\t" + file + "\t" + std::to_string(error.line) + "\t" + message + "\n";
}

std::vector<std::string> ShardOf(const std::vector<std::string>& scripts, int index, int count) {
    const auto key = [](const std::string& s) { return std::filesystem::path(s).lexically_normal().string(); };
    std::vector<std::string> order;
    for (const std::string& s : scripts) order.push_back(key(s));
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    std::vector<std::string> mine;
    std::vector<std::string> taken;
    for (const std::string& s : scripts) {
        const std::string k = key(s);
        const auto at = static_cast<int>(std::lower_bound(order.begin(), order.end(), k) - order.begin());
        if (at % count != index - 1 || std::find(taken.begin(), taken.end(), k) != taken.end()) continue;
        taken.push_back(k);
        mine.push_back(s);
    }
    return mine;
}

namespace {

std::vector<Job> MakeJobs(const std::vector<std::string>& scripts, const std::string& folder) {
    std::vector<Job> jobs(scripts.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::string base = folder + "/" + std::to_string(i);
        jobs[i].script = scripts[i];
        jobs[i].outPath = base + ".out";
        jobs[i].errPath = base + ".err";
        jobs[i].resultPath = base + ".result";
    }
    return jobs;
}

// A script's process ends itself at its time limit; one that hangs in the
// system, or ignores the request to stop, is ended by force.
void ForceOverdue(std::vector<Job>& jobs, double timeout, bool interruptGraceOver) {
    for (Job& job : jobs) {
        if (!job.started || job.done || job.forced) continue;
        const bool overtime = timeout > 0 && Since(job.start) > timeout + kGraceSeconds;
        if (overtime || interruptGraceOver) {
            job.forced = true;
            job.note = overtime ? "timed out after " + SecondsText(timeout) +
                                      " and did not stop; the runner was ended by force"
                                : "interrupted, and did not stop; the runner was ended by force";
            kill(job.pid, SIGKILL);
        }
    }
}

// Ends the runner by the signal that interrupted it, as a caller expects of
// a program stopped that way.
void EndBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    sigprocmask(SIG_UNBLOCK, &just, nullptr);
    raise(signal);
}

}  // namespace

int PlaySuite(const SuiteOptions& options) {
    const std::vector<std::string> scripts =
        options.shardCount > 0 ? ShardOf(options.scripts, options.shardIndex, options.shardCount) : options.scripts;
    char folder[] = "/tmp/kandorelle-cli-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::fprintf(stderr, "kandorelle-cli: cannot make a temporary folder: %s\n", std::strerror(errno));
        return kBadInput;
    }
    std::vector<Job> jobs = MakeJobs(scripts, folder);
    const int parallel =
        options.jobs > 0 ? options.jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const std::time_t began = std::time(nullptr);
    Report report;
    SignalWait signals;
    int interrupted = 0;
    Clock::time_point interruptedAt;
    bool stopStarting = false;
    std::size_t next = 0;
    int running = 0;
    for (;;) {
        while (!interrupted && !stopStarting && running < parallel && next < jobs.size()) {
            if (Spawn(jobs[next], options.childArguments)) ++running;
            ++next;
        }
        Reap(jobs, running);
        for (const Job& job : jobs) stopStarting = stopStarting || (options.failFast && job.done && job.status != 0);
        report.ShowFront(jobs);
        if (running == 0 && (next == jobs.size() || stopStarting || interrupted)) break;
        ForceOverdue(jobs, options.timeout, interrupted != 0 && Since(interruptedAt) > kGraceSeconds);
        const int signal = signals.Wait(0.1);
        if (signal != 0 && interrupted == 0) {
            interrupted = signal;
            interruptedAt = Clock::now();
            for (const Job& job : jobs) {
                if (job.started && !job.done) kill(job.pid, SIGTERM);
            }
        }
    }
    for (std::size_t i = next; i < jobs.size(); ++i) {
        if (interrupted) {
            jobs[i].done = true;
            jobs[i].error = {jobs[i].script, 0, "interrupted before it started"};
        } else {
            jobs[i].skipped = true;
        }
    }
    report.ShowFront(jobs);
    report.EraseProgress();

    int worst = 0;
    for (const Job& job : jobs) worst = std::max(worst, job.skipped ? 0 : job.status);
    const double wall = Since(report.begin);
    if (!options.junit.empty()) {
        std::string why;
        if (!WriteJUnit(options.junit, SuiteReport(jobs, wall, began), why)) {
            std::fprintf(stderr, "kandorelle-cli: --junit: %s\n", why.c_str());
            worst = kBadInput;
        }
    }
    PrintSummary(jobs, wall);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (interrupted != 0) EndBySignal(interrupted);
    return worst;
}
