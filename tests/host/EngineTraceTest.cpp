#include "host/runner/EngineTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <vector>

#include "host/runner/Runner.h"
#include "tests/host/TestFolder.h"

namespace {

bool Play(ScriptRunner& runner, const std::string& script, std::string& error) {
    std::istringstream in(script);
    return runner.Run(in, error);
}

std::int64_t Nanoseconds(const nlohmann::json& microseconds) {
    return std::llround(microseconds.get<double>() * 1000.0);
}

// The rules a trace viewer relies on: every event has its phase, time,
// process and thread; the complete events ("X") of one thread nest, none
// overlapping another partly.
void ExpectWellFormed(const nlohmann::json& events) {
    struct Slice {
        std::int64_t begin, end;
        std::string name;
    };
    std::map<std::pair<int, int>, std::vector<Slice>> slices;
    for (const nlohmann::json& e : events) {
        for (const char* key : {"ph", "ts", "pid", "tid"}) ASSERT_TRUE(e.contains(key)) << key << " in " << e.dump();
        ASSERT_TRUE(e["ts"].is_number()) << e.dump();
        if (e["ph"] != "X") continue;
        ASSERT_TRUE(e.contains("dur") && e["dur"].get<double>() >= 0) << e.dump();
        const std::int64_t begin = Nanoseconds(e["ts"]);
        slices[{e["pid"].get<int>(), e["tid"].get<int>()}].push_back(
            {begin, begin + Nanoseconds(e["dur"]), e["name"].get<std::string>()});
    }
    for (auto& [thread, list] : slices) {
        std::sort(list.begin(), list.end(), [](const Slice& a, const Slice& b) {
            return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
        });
        std::vector<Slice> open;
        for (const Slice& s : list) {
            while (!open.empty() && open.back().end <= s.begin) open.pop_back();
            if (!open.empty()) {
                ASSERT_LE(s.end, open.back().end) << s.name << " at " << s.begin << " overlaps " << open.back().name;
            }
            open.push_back(s);
        }
    }
}

TEST(EngineTrace, ATraceOfOpeningTheMenuFollowsTheFormat) {
    const std::filesystem::path folder = FreshFolder("trace");
    const std::string path = (folder / "menu.json").string();
    StringSink out;
    RunnerOptions options;
    options.out = &out;
    ScriptRunner runner(options);
    std::string error;
    ASSERT_TRUE(Play(
        runner,
        "wait settled\ntrace start " + path + "\ntap menu\nwait page menu\nwait settled\nprint engine\ntrace stop\n",
        error))
        << error;

    std::ifstream in(path);
    const nlohmann::json trace = nlohmann::json::parse(in);
    const nlohmann::json& events = trace["traceEvents"];
    ExpectWellFormed(events);

    std::multiset<std::string> names;
    int ticks = 0;
    int runs = 0;
    bool menuShown = false;
    for (const nlohmann::json& e : events) {
        const std::string name = e["name"];
        names.insert(e["ph"].get<std::string>() + " " + name);
        ticks += name == "tick" ? 1 : 0;
        runs += name == "interpreter run" ? 1 : 0;
        if (name == "page" && e["args"]["name"] == "menu") menuShown = true;
    }
    EXPECT_GT(ticks, 20);
    EXPECT_EQ(runs, ticks);  // no close was pending: every tick ran the interpreter
    EXPECT_TRUE(menuShown);
    for (const char* wanted : {"C ring fill (bytes)", "C LCD queue (entries)", "C work estimate", "C queue estimate",
                               "i touch down", "i touch up", "i button", "i DL_RECT"}) {
        EXPECT_EQ(names.count(wanted) > 0, true) << wanted;
    }

    // print engine: NAME = VALUE lines, the page among them.
    std::istringstream lines(out.Text());
    std::string line;
    std::set<std::string> printed;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find(" = ");
        ASSERT_NE(equals, std::string::npos) << line;
        printed.insert(line.substr(0, equals));
    }
    EXPECT_NE(out.Text().find("page = menu\n"), std::string::npos);
    EXPECT_TRUE(printed.count("tick.commands") && printed.count("ring.used") && printed.count("lcd.high-water"));
}

TEST(EngineTrace, IsWrittenAtTheEndAndLeavesNothingWhenTheScriptFails) {
    const std::filesystem::path folder = FreshFolder("trace-end");
    const std::string kept = (folder / "kept.json").string();
    const std::string dropped = (folder / "dropped.json").string();
    const struct {
        std::string script;
        bool ok;
        std::string error;
    } cases[] = {
        {"trace start " + kept + "\ntick 5\n", true, ""},
        {"trace stop\n", false, "-:1: trace: no trace is being recorded"},
        {"trace start " + dropped + "\ntick 5\ntrace start " + dropped + "\n", false,
         "-:3: trace: a trace is already being recorded into " + dropped},
    };
    for (const auto& c : cases) {
        ScriptRunner runner;
        std::string error;
        EXPECT_EQ(Play(runner, c.script, error), c.ok) << c.script;
        EXPECT_EQ(error, c.error);
    }
    std::ifstream in(kept);
    EXPECT_EQ(nlohmann::json::parse(in)["traceEvents"].size() > 5, true);
    // Only the trace that was written is there: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

}  // namespace
