#include "host/plant/PlantState.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/plant/PlantCommands.h"
#include "host/plant/StateRecord.h"
#include "host/runner/Runner.h"
#include "panel/app/Plant.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"
#include "tests/host/FreshPanel.h"
#include "tests/support/StateSnapshot.h"
#include "tests/support/TextFiles.h"

namespace {

std::string TempPath(const char* name) {
    return testing::TempDir() + "plantstate_" + std::to_string(::getpid()) + "_" + name;
}

bool RunLine(PlantModel& plant, const std::string& line, WallTime* clock, std::string& out, std::string& error) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    PlantCommand command;
    if (!ParsePlantCommand(words, command, error)) return false;
    StringSink printed;
    PlantCommandContext context{plant, printed, clock};
    const bool ok = ExecutePlantCommand(command, context, error);
    out = printed.Text();
    return ok;
}

void RunOrFail(PlantModel& plant, const std::string& line, WallTime* clock = nullptr) {
    std::string out, error;
    ASSERT_TRUE(RunLine(plant, line, clock, out, error)) << line << ": " << error;
}

TEST(PlantState, ARoundTripRestoresEverything) {
    const std::string path = TempPath("round.json");
    std::string savedSnapshot;
    {
        FreshPanel panel;
        PlantModel& plant = panel.Plant();
        WallTime clock = MakeWallTime(2026, 12, 6, 13, 47, 0);
        for (const char* line : {"set collector 95.5", "fault 21", "set frost on", "set tank2.top 44.4",
                                 "history add 8 2026-12-01 08:15:00", "set tank1.top absent"}) {
            RunOrFail(plant, line, &clock);
        }
        Settings.language = kFrench;
        RunOrFail(plant, "state save " + path, &clock);
        savedSnapshot = StateSnapshot(plant);
    }
    FreshPanel fresh;
    PlantModel& plant = fresh.Plant();
    WallTime clock;
    RunOrFail(plant, "state load " + path, &clock);
    EXPECT_EQ(StateSnapshot(plant), savedSnapshot);
    EXPECT_EQ(FormatWallTime(clock), "2026-12-06 13:47:00");
    EXPECT_TRUE(plant.Held(*PlantModel::Find("tank2.top")));

    // Saving the loaded state again writes the same file.
    const std::string again = TempPath("again.json");
    RunOrFail(plant, "state save " + again, &clock);
    EXPECT_EQ(ReadAll(again), ReadAll(path));
    std::remove(path.c_str());
    std::remove(again.c_str());
}

// The web page's road: the state taken from one panel as a record, copied as
// bytes, written and read as text where the JSON code is, and copied back as
// bytes into another panel.
TEST(PlantState, AStateTravelsAsARecordOfBytes) {
    const WallTime clock = MakeWallTime(2026, 12, 6, 13, 47, 0);
    std::string text;
    std::string sent;
    {
        FreshPanel panel;
        PlantModel& plant = panel.Plant();
        WallTime at = clock;
        for (const char* line :
             {"set collector 95.5", "fault 22", "set tank2.top 44.4", "history add 8 2026-12-01 08:15:00"})
            RunOrFail(plant, line, &at);
        Settings.language = kFrench;
        StateRecord taken = CurrentState(plant, clock);
        StateRecord copy;
        std::memcpy(&copy, &taken, sizeof copy);
        text = StateText(copy);
        EXPECT_EQ(text, StateText(plant, clock));
        sent = StateSnapshot(plant);
    }
    FreshPanel fresh;
    PlantModel& plant = fresh.Plant();
    const std::string before = StateSnapshot(plant);
    StateRecord read;
    std::string error;
    ASSERT_TRUE(ReadStateText(text, "link", read, error)) << error;
    EXPECT_EQ(StateSnapshot(plant), before) << "reading a state changes nothing";
    StateRecord received;
    std::memcpy(&received, &read, sizeof received);
    ApplyState(received, plant);
    EXPECT_EQ(StateSnapshot(plant), sent);
    EXPECT_EQ(FormatWallTime(received.clock), "2026-12-06 13:47:00");
    EXPECT_TRUE(plant.Held(*PlantModel::Find("tank2.top")));
}

TEST(PlantState, ADamagedFileIsRefusedWithItsLineAndChangesNothing) {
    const std::string good = TempPath("good.json");
    {
        FreshPanel panel;
        PlantModel plant;
        RunOrFail(plant, "state save " + good);
    }
    const std::string text = ReadAll(good);
    const auto replaced = [&text](const std::string& from, const std::string& to) {
        std::string t = text;
        const std::size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? t : t.replace(at, from.size(), to);
    };
    // The first value of a key, whatever it was.
    const auto valued = [&text](const std::string& key, const std::string& value) {
        std::string t = text;
        const std::size_t at = t.find("\"" + key + "\": ") + key.size() + 4;
        return t.replace(at, t.find_first_of(",\n", at) - at, value);
    };
    const auto lineOf = [&text](const std::string& key) {
        const std::size_t at = text.find(key);
        return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
    };
    struct Case {
        std::string content;
        int line;
        const char* expected;
    };
    const Case cases[] = {
        {text.substr(0, text.size() / 2), 0, "not a JSON state file"},
        {"[]", 1, "one JSON object"},
        {replaced("\"collector\": 82.3", "\"collector\": 300.0"), lineOf("\"collector\": 82.3"), "collector: 300.0"},
        {replaced("\"frost\": false", "\"frost\": 0"), lineOf("\"frost\""), "frost must be true or false"},
        {replaced("\"language\": 0", "\"language\": 7"), lineOf("\"language\""), "language: 7 is out of range 0..6"},
        {replaced("\"frost\": false,", ""), 0, "\"frost\" is missing"},
        {replaced("\"version\": 1", "\"version\": 2"), lineOf("\"version\""), "version"},
        {replaced("\"clock\": \"", "\"clock\": \"2026-02-30 "), lineOf("\"clock\""), "clock: the time '"},
        {valued("clock", "1e999"), lineOf("\"clock\""), "number overflow"},
        {valued("format", "1e400"), lineOf("\"format\""), "number overflow"},
        {valued("collector", "-1e400"), lineOf("\"collector\""), "number overflow"},
        {replaced("\"frost\": false,", "\"frost\": false,\n\"frost\": true,"), lineOf("\"frost\"") + 1,
         "\"frost\" is given twice"},
        {valued("month", "13"), 0, "faultHistory entry 1: month 13 is out of range (1 to 12)"},
        {valued("hour", "99"), 0, "faultHistory entry 1: hour 99 is out of range (0 to 23)"},
        {valued("faultCode", "200"), 0, "faultHistory entry 1: faultCode 200 is out of range 1..50"},
        {valued("type", "7"), 0, "faultHistory entry 1: type must be 0 (an entry) or 255 (an empty slot)"},
        {replaced("\"count\": 14", "\"count\": 15"), lineOf("\"count\""), "out of range 0..14"},
        {replaced("\"held\": []", "\"held\": [\"nothing\"]"), lineOf("\"held\""), "unknown name"},
    };
    FreshPanel panel;
    PlantModel plant;
    RunOrFail(plant, "set collector 11.1");
    const std::string before = StateSnapshot(plant);
    const std::string bad = TempPath("bad.json");
    for (const Case& c : cases) {
        WriteAll(bad, c.content);
        std::string out, error;
        WallTime clock = MakeWallTime(2011, 4, 15, 12, 0, 0);
        EXPECT_FALSE(RunLine(plant, "state load " + bad, &clock, out, error));
        EXPECT_EQ(error.rfind(bad + ":", 0), 0u) << error;
        if (c.line > 0) {
            EXPECT_EQ(error.rfind(bad + ":" + std::to_string(c.line) + ": ", 0), 0u) << error;
        }
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(StateSnapshot(plant), before) << c.expected;
        EXPECT_EQ(FormatWallTime(clock), "2011-04-15 12:00:00");
    }
    std::string out, error;
    EXPECT_FALSE(RunLine(plant, "state load " + TempPath("missing.json"), nullptr, out, error));
    EXPECT_NE(error.find(":1: cannot read"), std::string::npos) << error;
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

TEST(PlantState, AFailedSaveLeavesNoFileBehind) {
    FreshPanel panel;
    PlantModel plant;
    const std::string path = TempPath("no/such/dir/state.json");
    std::string out, error;
    EXPECT_FALSE(RunLine(plant, "state save " + path, nullptr, out, error));
    EXPECT_EQ(error, path + ":1: cannot write " + path + ": No such file or directory");
    EXPECT_FALSE(std::ifstream(path).good());
    EXPECT_FALSE(std::ifstream(path + ".partial").good());
}

// The clock verb, expect clock, history add and a state file's clock read one
// grammar with one set of messages.
TEST(PlantState, EveryDateTakesOneGrammar) {
    const struct {
        const char* text;
        const char* message;  // empty: taken
    } cases[] = {
        {"2026-01-05 12:00:00", ""},
        {"2028-02-29 23:59:59", ""},
        {"2000-02-29 00:00:00", ""},
        {"2026-+1-05 12:00:00", "the date '2026-+1-05' is not YYYY-MM-DD"},
        {"2026-01-05 1:00:00", "the time '1:00:00' is not HH:MM:SS"},
        {"2026-13-05 12:00:00", "month 13 is out of range (1 to 12)"},
        {"2026-02-29 12:00:00", "2026-02-29 is not a date (February 2026 has 28 days)"},
        {"2026-01-05 12:60:00", "minute 60 is out of range (0 to 59)"},
        {"1999-12-31 23:59:59", "year 1999 is out of range (2000 to 2099)"},
        {"2100-01-01 00:00:00", "year 2100 is out of range (2000 to 2099)"},
    };
    const std::string path = TempPath("dates.json");
    FreshPanel panel;
    PlantModel plant;
    RunOrFail(plant, "state save " + path);
    const std::string saved = ReadAll(path);
    const std::size_t clockAt = saved.find("\"clock\": \"") + 10;
    for (const auto& c : cases) {
        const std::string expected = c.message;
        for (const std::string verb : {"clock ", "expect clock ", "history add 3 "}) {
            std::vector<ScriptError> errors;
            ParseScript(verb + c.text, "d.txt", errors);
            const std::string prefix = "d.txt:1: " + verb.substr(0, verb.find_first_of(" ")) + ": ";
            EXPECT_EQ(errors.empty() ? "" : errors[0].Text(), expected.empty() ? "" : prefix + expected) << verb;
        }
        std::string state = saved;
        WriteAll(path, state.replace(clockAt, 19, c.text));
        WallTime clock;
        std::string out, error;
        const bool loaded = RunLine(plant, "state load " + path, &clock, out, error);
        EXPECT_EQ(loaded, expected.empty()) << c.text;
        EXPECT_TRUE(loaded || error.find(": clock: " + expected) != std::string::npos) << error;
    }
    std::remove(path.c_str());
}

}  // namespace
