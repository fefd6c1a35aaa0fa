// kandorelle-cli as a test tool: exit statuses, several scripts at once and
// the JUnit report.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
};

// Runs the runner through the shell; standard error joins standard output
// when asked.
Result Cli(const std::string& arguments, const fs::path& folder) {
    const std::string command = "cd '" + folder.string() + "' && '" KANDO_CLI "' " + arguments;
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
    EXPECT_EQ(result.out.substr(result.out.find('\n', badAt) + 1), "page = 0 start-page\n");
    const std::string xml = ReadAll(folder / "report.xml");
    EXPECT_NE(xml.find("<testsuites tests=\"4\" failures=\"1\" errors=\"1\""), std::string::npos) << xml;
    EXPECT_NE(
        xml.find(
            "<failure message=\"check.txt:2: expected page 3 outside-temperature-and-flow-rate, got 0 start-page\">"),
        std::string::npos);
    EXPECT_NE(xml.find("<error message=\"bad.txt:2: unknown command"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "report.xml.tmp"));
}

}  // namespace
