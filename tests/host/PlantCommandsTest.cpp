#include "host/plant/PlantCommands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "panel/app/Plant.h"
#include "panel/settings/Settings.h"
#include "tests/host/FreshPanel.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Parses and executes one line; returns what it printed, or "error: ...".
std::string Line(PlantModel& plant, const std::string& line, WallTime* clock = nullptr) {
    PlantCommand command;
    std::string error;
    if (!ParsePlantCommand(Words(line), command, error)) return "error: " + error;
    StringSink out;
    PlantCommandContext context{plant, out, clock};
    if (!ExecutePlantCommand(command, context, error)) return "error: " + error;
    return out.Text();
}

TEST(PlantCommands, RefusesBadLinesBeforeAnythingRuns) {
    struct Case {
        const char* line;
        const char* expected;
    };
    const Case cases[] = {
        {"set collector", "set wants NAME VALUE; names: collector,"},
        {"set colector 1", "unknown name 'colector'; valid names: collector,"},
        {"set collector 1 2", "set wants NAME VALUE"},
        {"fault", "fault wants a code 0..50 or clear"},
        {"fault twenty", "fault wants a fault code 0..50 or clear, not 'twenty'"},
        {"history add", "history wants add CODE"},
        {"history add 0", "history add wants a fault code 1..50, not '0'"},
        {"fault 51", "51 is out of range 0..50"},
        {"history add 22 2026-02-03", "history wants add CODE"},
        {"history delete 6", "history delete wants an entry 1..5 (1 the newest), not '6'"},
        {"history clear now", "history wants add CODE [YYYY-MM-DD HH:MM:SS], delete N or clear"},
        {"reset", "reset wants the word plant"},
        {"print", "print wants a name, page, clock or all"},
        {"print pages", "unknown name 'pages'; valid names: page, clock, all, collector,"},
        {"state", "state wants save FILE or load FILE"},
    };
    FreshPanel panel;
    PlantModel plant;
    for (const Case& c : cases) {
        PlantCommand command;
        std::string error;
        EXPECT_FALSE(ParsePlantCommand(Words(c.line), command, error)) << c.line;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.line << " -> " << error;
    }
    EXPECT_EQ(Plant.collectorTemp, 823);
}

TEST(PlantCommands, SetFaultAndPrint) {
    FreshPanel panel;
    PlantModel plant;
    EXPECT_EQ(Line(plant, "set collector 95.5"), "");
    EXPECT_EQ(Line(plant, "print collector"), "collector = 95.5\n");
    EXPECT_EQ(Line(plant, "fault 21"), "");
    EXPECT_EQ(Line(plant, "print fault"), "fault = 21 Flow rate sensor faulty\n");
    EXPECT_EQ(Line(plant, "fault clear"), "");
    EXPECT_EQ(Settings.faultCode, 0);
    EXPECT_EQ(Line(plant, "print page"), "page = 0 start-page\n");
    panel.Show(43);
    EXPECT_EQ(Line(plant, "print page"), "page = 43 current-fault\n");
    WallTime clock = MakeWallTime(2026, 12, 6, 13, 47, 5);
    EXPECT_EQ(Line(plant, "print clock", &clock), "clock = 2026-12-06 13:47:05\n");
    const std::string all = Line(plant, "print all", &clock);
    EXPECT_EQ(all.rfind("collector = 95.5\ncollector.faulty = off\n", 0), 0u) << all;
    EXPECT_NE(all.find("\nstatus = 4 System warming tank\n"), std::string::npos);
    EXPECT_NE(all.find("\npage = 43 current-fault\nclock = 2026-12-06 13:47:05\n"), std::string::npos);
    EXPECT_EQ(Line(plant, "reset plant"), "");
    EXPECT_EQ(Line(plant, "print collector"), "collector = 82.3\n");
}

// Entries come newest first, stamped with the clock unless given a time, and
// carry the plant's readings of the moment.
TEST(PlantCommands, HistoryAddStampsTheClockOrTheTimeGivenNewestFirst) {
    FreshPanel panel;
    PlantModel plant;
    WallTime clock = MakeWallTime(2026, 12, 6, 13, 47, 5);
    EXPECT_EQ(Line(plant, "set collector 95.5"), "");
    EXPECT_EQ(Line(plant, "set status 6"), "");
    EXPECT_EQ(Line(plant, "history add 22", &clock), "");
    EXPECT_EQ(Line(plant, "history add 50 2027-01-02 03:04:05", &clock), "");
    const FaultHistoryEntry newest = FaultHistory[0];
    const FaultHistoryEntry older = FaultHistory[1];
    EXPECT_EQ((std::vector<int>{newest.type, newest.faultCode, newest.year, newest.day, newest.second, newest.weekday,
                                newest.collectorTemp, newest.controllerStateIndex}),
              (std::vector<int>{0, 50, 2027, 2, 5, 6, 955, 6}));
    EXPECT_EQ((std::vector<int>{older.faultCode, older.hour, older.weekday}), (std::vector<int>{22, 13, 0}));
    EXPECT_NE(GetFaultHistoryEntry(1), nullptr);

    // Deleting empties the entry where it stands, as the panel's bin does.
    EXPECT_EQ(Line(plant, "history delete 1"), "");
    EXPECT_EQ((std::vector<int>{FaultHistory[0].type, FaultHistory[1].type, FaultHistory[1].faultCode}),
              (std::vector<int>{kFaultEntryEmpty, 0, 22}));
    EXPECT_EQ(Line(plant, "history clear"), "");
    for (const FaultHistoryEntry& e : FaultHistory) EXPECT_EQ(e.type, kFaultEntryEmpty);
}

// A change written back as a line reads as the same change: what a
// recording of a played script keeps.
TEST(PlantCommands, EveryChangeReadsBackAsItsOwnLine) {
    for (const char* line : {"set collector -7.5", "set collector absent", "set frost on", "set status 9",
                             "set flow 12.0", "set fault 22", "history add 22", "history add 50 2027-01-02 03:04:05",
                             "history delete 5", "history clear", "reset plant", "state load \"my state.json\""}) {
        PlantCommand command;
        std::string error;
        std::vector<std::string> words = Words(line);
        if (words[0] == "state") words = {"state", "load", "my state.json"};
        ASSERT_TRUE(ParsePlantCommand(words, command, error)) << line << ": " << error;
        EXPECT_EQ(PlantCommandLine(command), line);
    }
    PlantCommand print;
    std::string error;
    ASSERT_TRUE(ParsePlantCommand(Words("print all"), print, error));
    EXPECT_EQ(PlantCommandLine(print), "");
}

}  // namespace
