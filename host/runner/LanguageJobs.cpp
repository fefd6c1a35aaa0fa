#include "host/runner/LanguageJobs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#ifdef __EMSCRIPTEN__
// A page has no processes: the work runs here, one language after another.
bool ForEachLanguage(const std::vector<Language>& languages, int, const LanguageWork& work,
                     std::vector<std::string>& results, std::string& error, const char*) {
    results.assign(languages.size(), {});
    for (std::size_t i = 0; i < languages.size(); ++i) {
        if (!work(languages[i], results[i], error)) return false;
    }
    return true;
}
#else
namespace {

struct Job {
    pid_t pid = -1;
    std::string file;  // where the child leaves its result
};

// A private file for a child's result; empty when none can be made.
std::string ResultFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/kandorelle-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) return {};
    close(fd);
    return path;
}

}  // namespace

bool ForEachLanguage(const std::vector<Language>& languages, int jobs, const LanguageWork& work,
                     std::vector<std::string>& results, std::string& error, const char* progress) {
    if (jobs <= 0) jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    results.assign(languages.size(), {});
    std::vector<Job> started(languages.size());
    std::fflush(nullptr);
    int running = 0;
    int done = 0;
    bool failed = false;
    const bool terminal = progress != nullptr && isatty(STDERR_FILENO) != 0;
    const auto begin = std::chrono::steady_clock::now();
    bool progressShown = false;
    const auto reap = [&] {
        int status = 0;
        const pid_t pid = wait(&status);
        if (pid <= 0) return;
        --running;
        ++done;
        failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        if (terminal && std::chrono::steady_clock::now() - begin > std::chrono::seconds(2)) {
            std::fprintf(stderr, "\r%s: %d of %zu languages", progress, done, languages.size());
            progressShown = true;
        }
    };
    for (std::size_t i = 0; i < languages.size() && !failed; ++i) {
        while (running >= jobs) reap();
        started[i].file = ResultFile();
        if (started[i].file.empty()) {
            error = std::string("cannot make a temporary file: ") + std::strerror(errno);
            failed = true;
            break;
        }
        const pid_t child = fork();
        if (child == 0) {
            std::string out;
            std::string why;
            bool ok = work(languages[i], out, why);
            if (ok) {
                std::ofstream file(started[i].file, std::ios::binary | std::ios::trunc);
                file << out;
                ok = static_cast<bool>(file.flush());
                if (!ok) why = started[i].file + ": cannot write: " + std::strerror(errno);
            }
            if (!ok) std::fprintf(stderr, "%s\n", why.c_str());
            std::fflush(nullptr);
            _exit(ok ? 0 : 2);
        }
        if (child < 0) {
            error = std::string("cannot start a process: ") + std::strerror(errno);
            failed = true;
            break;
        }
        started[i].pid = child;
        ++running;
    }
    while (running > 0) reap();
    if (progressShown) std::fputs("\r\033[K", stderr);
    for (std::size_t i = 0; i < started.size(); ++i) {
        if (started[i].file.empty()) continue;
        if (!failed) {
            std::ifstream in(started[i].file, std::ios::binary);
            results[i].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::remove(started[i].file.c_str());
    }
    return !failed;
}
#endif
