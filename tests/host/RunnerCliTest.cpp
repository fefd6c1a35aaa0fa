// kandorelle-cli as a test tool: exit statuses, several scripts at once and
// the JUnit report.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/runner/Runner.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
};

// Runs the runner through the shell; standard error joins standard output
// when asked. A runner that hangs is ended after a minute.
Result Cli(const std::string& arguments, const fs::path& folder) {
    const std::string command = "cd '" + folder.string() + "' && timeout 60 '" KANDO_CLI "' " + arguments;
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

fs::path Folder(const std::string& name) {
    const fs::path folder = FreshFolder(name);
    std::ofstream(folder / "ok.txt") << "tick 300\nexpect page 0\nprint page\n";
    std::ofstream(folder / "check.txt") << "tick 300\nexpect page 3\nprint collector\n";
    std::ofstream(folder / "bad.txt") << "tick 300\nbogus\n";
    return folder;
}

TEST(RunnerCli, ExitStatusSaysWhetherChecksPassed) {
    const fs::path folder = Folder("cli_status");
    const struct {
        const char* arguments;
        int status;
    } cases[] = {
        {"ok.txt", 0},
        {"check.txt", 1},
        {"bad.txt", 2},
        {"missing.txt", 2},
        {"-e 'expect screen none.png'", 2},
        {"--clock '2026-12-06 13:47:00' -e 'expect clock 2026-12-06 13:47:00'", 0},
        {"--clock 2026-13-06T13:47:00 ok.txt", 2},
        {"-j 0 ok.txt", 2},
        {"--plant-udp 47000 ok.txt check.txt", 2},
        {"--junit r.xml -", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cli(std::string(c.arguments) + " 2>/dev/null", folder).status, c.status) << c.arguments;
}

TEST(RunnerCli, SeveralScriptsKeepTheirOrderAndFillTheReport) {
    const fs::path folder = Folder("cli_junit");
    const Result result = Cli("-j 2 --junit report.xml check.txt ok.txt bad.txt ok.txt 2>&1", folder);
    EXPECT_EQ(result.status, 2);  // the worst of 1, 0, 2, 0
    // Each script's output whole and in the order given, however the jobs finished.
    const std::string bad = "bad.txt:2: unknown command 'bogus' (commands: ";
    const std::size_t badAt = result.out.find(bad);
    ASSERT_NE(badAt, std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(0, badAt),
              "collector = 82.3\ncheck.txt:2: expected page 3 outside-temperature-and-flow-rate, got 0 "
              "start-page\npage = 0 start-page\n");
    const std::string tail = result.out.substr(result.out.find('\n', badAt) + 1);
    EXPECT_EQ(tail.substr(0, tail.find("slowest: ")), "page = 0 start-page\n");
    EXPECT_NE(tail.find("\n2 passed, 1 failed, 1 errors in "), std::string::npos) << tail;
    EXPECT_EQ(tail.substr(tail.rfind('\n', tail.size() - 2) + 1), "scripts: 2 passed, 2 failed\n");
    const std::string xml = ReadAll(folder / "report.xml");
    EXPECT_NE(xml.find("tests=\"4\" failures=\"1\" errors=\"1\""), std::string::npos) << xml;
    EXPECT_NE(
        xml.find(
            "<failure message=\"check.txt:2: expected page 3 outside-temperature-and-flow-rate, got 0 start-page\""),
        std::string::npos);
    EXPECT_NE(xml.find("<error message=\"bad.txt:2: unknown command"), std::string::npos);
}

// Each damaged input or bad option ends with a clear message and status 2
// (or, where the input is sound, the sound result).
TEST(RunnerCli, DamagedInputEndsWithAClearMessage) {
    const fs::path folder = Folder("cli_damaged");
    WriteAll(folder / "big.json", "{\"format\": 1e400}");
    WriteAll(folder / "bom.txt", "\xEF\xBB\xBFtick 1\nexpect page 0\n");
    fs::create_directories(folder / "golden");
    fs::create_symlink("/dev/full", folder / "full.png");
    const struct {
        const char* arguments;
        int status;
        const char* says;
    } cases[] = {
        {"-e 'state load big.json'", 2, "-e:1: state: big.json:1: not a JSON state file ("},
        {"-e 'state load missing.json'", 2, "cannot read the state file: No such file or directory"},
        {"-e 'expect screen golden'", 2, "-e:1: expect: cannot read golden: it is a folder"},
        {"-e 'expect page 44' -e 'tick 1'", 1, "-e:1: expected page 44 fault-history-entry, got 0"},
        {"bom.txt", 0, ""},
        {"-e 'include /dev/zero'", 2, "-e:1: include: cannot read /dev/zero: it is larger than 16 MiB"},
        {"-e 'state load /dev/zero'", 2, "it is larger than 16 MiB"},
        {"/dev/zero", 2, "/dev/zero:0: cannot read the script: it is larger than 16 MiB"},
        {"-e 'fault 51'", 2, "-e:1: fault: 51 is out of range 0..50"},
        {"-e 'screenshot full.png'", 2, "-e:1: screenshot: cannot write full.png: No space left on device"},
        {"--help", 0, "raise fault CODE 1..50"},
        {"--clock '2026-+1-05 12:00:00' ok.txt", 2, "--clock: the date '2026-+1-05' is not YYYY-MM-DD"},
        {"--shard 4/3 ok.txt", 2, "--shard: '4/3' is not I/N"},
        {"--timeout 0 ok.txt", 2, "--timeout: '0' is not a number of seconds"},
        {"--shard 1/2 -e 'tick'", 2, "--shard splits script files"},
    };
    for (const auto& c : cases) {
        const Result result = Cli(std::string(c.arguments) + " 2>&1 </dev/null", folder);
        EXPECT_EQ(result.status, c.status) << c.arguments << ": " << result.out;
        EXPECT_NE(result.out.find(c.says), std::string::npos) << c.arguments << ": " << result.out;
        EXPECT_EQ(result.out.find("fault: fault:"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_symlink(folder / "full.png"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"bad.txt", "big.json", "bom.txt", "check.txt", "full.png", "golden",
                                              "ok.txt"}));
}

// Reads a pipe until its writers are done. It holds a writer of its own
// until Done, so that it neither sees the end before the runner opens the
// pipe nor waits for ever if the runner never does.
class PipeReader {
public:
    explicit PipeReader(const fs::path& path)
        : reader_(open(path.c_str(), O_RDONLY | O_NONBLOCK)), writer_(open(path.c_str(), O_WRONLY)) {
        fcntl(reader_, F_SETFL, 0);
        thread_ = std::thread([this] {
            char buffer[4096];
            for (ssize_t n; (n = read(reader_, buffer, sizeof buffer)) > 0;) data_.append(buffer, n);
        });
    }
    std::string Done() {
        close(writer_);
        thread_.join();
        close(reader_);
        return data_;
    }

private:
    int reader_;
    int writer_;
    std::string data_;
    std::thread thread_;
};

// A pipe, a device or a link to one is written into and stays what it was.
// The verbs that the README's command table names: the first word of every
// `form` in the table's first column.
std::set<std::string> ReadmeVerbs() {
    std::istringstream readme(ReadAll(KANDO_README));
    std::set<std::string> verbs;
    std::string line;
    while (std::getline(readme, line) && line != "| command | what it does |") {
    }
    std::getline(readme, line);  // |---|---|
    const std::regex form("`([^` ]+)[^`]*`");
    while (std::getline(readme, line) && line.rfind("| ", 0) == 0) {
        const std::string first = line.substr(2, line.find(" | ", 2) - 2);
        for (std::sregex_iterator m(first.begin(), first.end(), form), end; m != end; ++m) verbs.insert((*m)[1]);
    }
    return verbs;
}

TEST(RunnerCli, HelpAndReadmeNameEveryVerbOfTheTable) {
    std::set<std::string> table;
    for (const std::string_view verb : ScriptVerbs()) {
        if (verb != "}") table.insert(std::string(verb));
    }
    EXPECT_EQ(ReadmeVerbs(), table);
    const std::string help = Cli("--help", FreshFolder("help")).out;
    for (const std::string& verb : table) {
        EXPECT_TRUE(help.find("\n  " + verb + " ") != std::string::npos ||
                    help.find("\n  " + verb + "\n") != std::string::npos)
            << verb;
    }
}

TEST(RunnerCli, SpecialFilesAreWrittenIntoNeverReplaced) {
    const fs::path folder = Folder("cli_special");
    const struct {
        const char* arguments;
        const char* starts;
    } cases[] = {
        {"-e 'tick 5; screenshot out'", "\x89PNG"},
        {"-e 'state save out'", "{"},
        {"-e 'animation start out; tick 5'", "GIF89a"},
        {"--junit out ok.txt", "<?xml"},
        {"-e 'trace start out; tick 5; trace stop'", "{\"displayTimeUnit\""},
    };
    for (const auto& c : cases) {
        fs::remove(folder / "out");
        ASSERT_EQ(mkfifo((folder / "out").c_str(), 0600), 0);
        PipeReader reader(folder / "out");
        const Result result = Cli(std::string(c.arguments) + " 2>&1", folder);
        const std::string data = reader.Done();
        EXPECT_EQ(result.status, 0) << c.arguments << ": " << result.out;
        EXPECT_EQ(data.rfind(c.starts, 0), 0u) << c.arguments;
        EXPECT_TRUE(fs::is_fifo(folder / "out")) << c.arguments;
    }
    // A link to this process's standard output, as /dev/stdout is.
    fs::create_symlink("/proc/self/fd/1", folder / "stdout");
    const Result report = Cli("--junit stdout ok.txt", folder);
    EXPECT_EQ(report.status, 0);
    EXPECT_NE(report.out.find("<testsuites "), std::string::npos) << report.out;
    EXPECT_TRUE(fs::is_symlink(folder / "stdout"));
    // A device, where the system lets a test make one.
    if (mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(
            Cli("-e 'tick 5; screenshot null; state save null; trace start null; tick 1; trace stop'", folder).status,
            0);
        EXPECT_TRUE(fs::is_character_file(folder / "null"));
    }
}

}  // namespace
