// The translators' tools: the run-time preview and the fit check.
#include "host/runner/TextCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"
#include "host/runner/TextOverride.h"
#include "panel/text/TextIds.h"
#include "tests/host/TestFolder.h"
#include "tests/support/TextFiles.h"

namespace {

const std::filesystem::path kPoDir = KANDO_PO_DIR;

class TextTools : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTextOverrides();
        host.Start();
        dir = FreshFolder(std::string("texts-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        ClearTextOverrides();
        std::filesystem::remove_all(dir);
    }

    // French with one change: `from` (a whole line of fr.po) replaced by `to`.
    std::string French(const std::string& from, const std::string& to, const std::string& name = "fr.po") {
        return Changed("fr.po", from, to, name);
    }
    std::string Changed(const std::string& file, const std::string& from, const std::string& to,
                        const std::string& name) {
        std::string text = ReadAll(kPoDir / file);
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        const std::filesystem::path path = dir / name;
        std::ofstream(path) << text;
        return path.string();
    }

    SystemWallClock clock;
    PlantModel plant;
    PanelHost host{clock, plant, 0xF0F0F0};
    std::filesystem::path dir;
};

TEST_F(TextTools, PreviewShowsAllGoodFilesOrNone) {
    const std::string good = French("msgstr \"Heures pompe\"", "msgstr \"Essai\"");
    const std::string bad = French("msgstr \"Mesures\"\n", "msgstr \"\xE2\x82\xAC\"\n", "bad-fr.po");
    std::vector<std::string> errors;
    EXPECT_FALSE(LoadTextOverrides({good, bad}, errors));
    EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Heures pompe");
    errors.clear();
    EXPECT_FALSE(LoadTextOverrides({good, good}, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("French is given twice"), std::string::npos) << errors[0];
    errors.clear();
    ASSERT_TRUE(LoadTextOverrides({good}, errors)) << errors[0];
    EXPECT_STREQ(GetText(Txt::kPumpRuntime, kFrench), "Essai");
    EXPECT_STREQ(GetText(Txt::kMenuMeasurement, kFrench), "Mesures");
}

// That the shipped texts fit is the check_texts run of the runner itself.
// Here, French texts made too wide where each kind of text stands: the check
// finds each from what the pages draw, with the PO line to change.
TEST_F(TextTools, FitCheckNamesALongTextByItsPoLine) {
    const struct {
        const char* from;  // the msgstr line of fr.po
        const char* to;
        TextId id;
        int page;
    } planted[] = {
        {"msgstr \"Heures pompe\"", "msgstr \"Durée marche pompe\"", Txt::kPumpRuntime, 30},                   // label
        {"msgstr \"Priorité ballon 1\"", "msgstr \"WWWWWWWWWWWWWWWWWWWW\"", Txt::kStrategyPriorityTank1, 12},  // row
        {"msgstr \"Sonde capteur perturbée\"", "msgstr \"Sonde WWWWWWWWWWWWWWWWWWWWWWW\"",
         Txt::kFaultCollectorSensorDisturbed, 43},  // fault text
        {"msgstr \"Chargement ballon\"", "msgstr \"WWWWWWWWWWWWWWWWWWWWWWWWWWW\"", Txt::kStatusWarmingTank,
         29},  // status
        {"msgstr \"Réglage débit de test\"", "msgstr \"WWWWWWWWWWWWWWWWWWWWWWWW\"", Txt::kCommissioningAdjustFlowRate,
         41},  // commissioning step
    };
    std::string text = ReadAll(kPoDir / "fr.po");
    for (const auto& p : planted) {
        const std::size_t at = text.find(p.from);
        ASSERT_NE(at, std::string::npos) << p.from;
        text.replace(at, std::strlen(p.from), p.to);
    }
    const std::string path = (dir / "fr.po").string();
    std::ofstream(path) << text;
    std::vector<std::string> errors;
    ASSERT_TRUE(LoadTextOverrides({path}, errors)) << (errors.empty() ? "" : errors[0]);

    const std::vector<TextFitFault> faults = CheckTextFit({kFrench});
    for (const auto& p : planted) {
        const auto found = std::find_if(faults.begin(), faults.end(), [&p](const TextFitFault& f) {
            return f.id == p.id && f.page == p.page && f.language == kFrench;
        });
        ASSERT_NE(found, faults.end()) << p.to;
        const std::string report = DescribeTextFitFault(*found);
        EXPECT_EQ(report.rfind(path + ":" + std::to_string(LineOf(text, p.to)) + ": id " + std::to_string(p.id), 0), 0u)
            << report;
    }
    // The label reaches 19 pixels into the runtime's field.
    const std::string label = path + ":" + std::to_string(LineOf(text, planted[0].to)) + ": id 75, French, page 30";
    const auto labelFault =
        std::find_if(faults.begin(), faults.end(), [](const TextFitFault& f) { return f.id == 75; });
    ASSERT_NE(labelFault, faults.end());
    EXPECT_EQ(DescribeTextFitFault(*labelFault), label + ": 19 px too wide");

    TextOptions options;
    options.poFiles = {(dir / "broken.po").string()};
    std::ofstream(options.poFiles[0]) << text.substr(0, text.size() / 2) << "msgstr \"unclosed\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunTextCheck(options), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(options.poFiles[0] + ":"), std::string::npos);
}

TEST_F(TextTools, OptionsAreTakenOutOfTheCommandLine) {
    std::string a0 = "kandorelle-cli", a1 = "--texts", a2 = "fr.po", a3 = "-e", a4 = "tick", a5 = "--check-texts";
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), nullptr};
    int argc = 6;
    TextOptions options;
    std::string error;
    ASSERT_TRUE(TakeTextOptions(argc, argv, options, error));
    EXPECT_EQ(argc, 3);
    EXPECT_EQ(std::string(argv[1]), "-e");
    EXPECT_EQ(argv[3], nullptr);
    EXPECT_EQ(options.poFiles, std::vector<std::string>{"fr.po"});
    EXPECT_TRUE(options.check);

    char* lone[] = {a0.data(), a1.data(), nullptr};
    argc = 2;
    EXPECT_FALSE(TakeTextOptions(argc, lone, options, error));
    EXPECT_EQ(error, "--texts needs a PO file");
}

}  // namespace
