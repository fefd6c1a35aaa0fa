// The translators' fit check: shows every state of the panel (PanelStates)
// in every language and reads each text from the scene as the pages draw it.
// A text does not fit when it leaves the screen, runs out of the field that
// was cleared for it, or reaches into another element. The screen's edge is
// the margin: where a page keeps one, its fields and neighbours mark it, and
// the fault history's entry lines may use the full width.
#pragma once

#include <string>
#include <vector>

#include "host/core/Scene.h"
#include "panel/text/Texts.h"

struct TextFitFault {
    TextId id = 0;
    Language language = 0;
    int page = 0;
    int pixels = 0;  // how much too wide
};

// Which of the panel's texts a drawn text is, for a report: the text itself,
// a text with something after it ("Fault code 22"), or a word cut from one
// (a weekday of the chart's row); -1 when it is none of them.
int AttributeText(const std::string& bytes, Language language);

// Collects the faults of the texts a scene sees drawn, while it is attached.
class FitCollector {
public:
    explicit FitCollector(Scene& scene);
    ~FitCollector();
    FitCollector(const FitCollector&) = delete;
    FitCollector& operator=(const FitCollector&) = delete;

    // Each text once per page and language, with its largest excess.
    std::vector<TextFitFault> Faults() const;

private:
    void Added(const SceneElement& added, const std::vector<SceneOverlap>& overlaps);
    void Report(const SceneElement& text, int pixels);

    Scene& scene_;
    std::vector<TextFitFault> faults_;
};

// Checks the texts the panel shows now (the built-in table, or a preview
// installed with OverrideTexts) in the given languages, or in all of them.
std::vector<TextFitFault> CheckTextFit(const std::vector<Language>& languages = {});

// "FILE:LINE: id N, LANG, page P: 12 px too wide", with the file and line where
// the text was read: a PO file given for a preview, else the built-in po/ file.
std::string DescribeTextFitFault(const TextFitFault& fault);

// Sorted by language, text and page, without repeats.
void SortFaults(std::vector<TextFitFault>& faults);

// Faults as lines of text and back, to pass them between processes.
std::string FormatFaults(const std::vector<TextFitFault>& faults);
void ParseFaults(const std::string& text, std::vector<TextFitFault>& faults);

struct TextOptions;

// kandorelle-cli --check-texts [--texts FILE.po ...]: installs the previews,
// checks and prints one line per fault on standard error, after the texts of
// the files that are not shown (fuzzy, or stale). Returns 0 when every text
// fits and is shown, 1 when one does not fit or is not shown, 2 when a PO
// file is bad.
int RunTextCheck(const TextOptions& options);
