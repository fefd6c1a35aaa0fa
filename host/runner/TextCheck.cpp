#include "host/runner/TextCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "host/runner/LanguageJobs.h"
#include "host/runner/PanelStates.h"
#include "host/runner/TextOverride.h"
#include "host/texts/PoTexts.h"
#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"
#include "panel/text/TextData.h"

namespace {

bool Blank(char c) { return c == ' '; }

// Whether two boxes share a line: rows of at least half the lower one. Lines
// of text above one another may share a row or two of their boxes.
bool SameLine(const SceneBox& a, const SceneBox& b) {
    const int rows = std::min(a.Bottom(), b.Bottom()) - std::max(a.y, b.y);
    const int columns = std::min(a.Right(), b.Right()) - std::max(a.x, b.x);
    return columns > 0 && rows * 2 >= std::min(a.height, b.height);
}

// The field that was cleared for a text: the last one drawn before it on its
// line, as a page clears a field and then writes into it.
const SceneElement* FieldUnder(const std::vector<SceneElement>& elements, const SceneElement& text) {
    const SceneElement* found = nullptr;
    for (const SceneElement& e : elements) {
        if (e.kind == SceneKind::Field && e.serial < text.serial && SameLine(e.box, text.box)) found = &e;
    }
    return found;
}

// How far a text runs out of a field around its start, or into an element
// beside it; 0 for elements above or below it.
int Excess(const SceneBox& text, const SceneElement& other, bool clearedForIt) {
    const SceneBox& box = other.box;
    if (!SameLine(text, box)) return 0;
    if (clearedForIt || (other.kind == SceneKind::Field && box.Contains(text.x, text.Bottom() - 1))) {
        return std::max(text.Right() - box.Right(), box.x - text.x);
    }
    return text.x < box.x ? text.Right() - box.x : box.Right() - text.x;
}

}  // namespace

int AttributeText(const std::string& bytes, Language language) {
    if (bytes.find_first_not_of(' ') == std::string::npos) return -1;
    int prefix = -1;
    std::size_t prefixLength = 0;
    int fragment = -1;
    int fragments = 0;
    for (TextId id = 0; id < kTextCount; ++id) {
        const std::string text = GetText(id, language);
        if (text.empty()) continue;
        if (text == bytes) return id;
        const bool startsWith = bytes.size() > text.size() && bytes.compare(0, text.size(), text) == 0 &&
                                (Blank(bytes[text.size()]) || Blank(text.back()));
        if (startsWith && text.size() > prefixLength) {
            prefix = id;
            prefixLength = text.size();
        }
        // A word cut out of a longer text stands between blanks there.
        for (std::size_t at = text.find(bytes); at != std::string::npos; at = text.find(bytes, at + 1)) {
            const std::size_t end = at + bytes.size();
            if ((at == 0 || Blank(text[at - 1])) && (end == text.size() || Blank(text[end]))) {
                if (fragment != id) ++fragments;
                fragment = id;
                break;
            }
        }
    }
    if (prefix >= 0) return prefix;
    return fragments == 1 ? fragment : -1;
}

FitCollector::FitCollector(Scene& scene) : scene_(scene) {
    scene_.SetAddedHook(
        [this](const SceneElement& added, const std::vector<SceneOverlap>& overlaps) { Added(added, overlaps); });
}

FitCollector::~FitCollector() { scene_.SetAddedHook(nullptr); }

void FitCollector::Added(const SceneElement& added, const std::vector<SceneOverlap>& overlaps) {
    if (added.kind == SceneKind::Text && added.angle == 0) {
        // On the screen, and within the field cleared for it.
        int excess = std::max(-added.box.x, added.box.Right() - kScreenWidth);
        if (const SceneElement* field = FieldUnder(scene_.Elements(), added)) {
            excess = std::max(excess, Excess(added.box, *field, true));
        }
        Report(added, excess);
    }
    // Clear of what stands beside it, above the field it stands on.
    for (const SceneOverlap& o : overlaps) {
        const SceneElement& text = *o.text;
        const SceneElement& other = *o.other;
        if (text.angle != 0) continue;
        const SceneElement* field = FieldUnder(scene_.Elements(), text);
        if (field != nullptr && other.serial <= field->serial) continue;
        Report(text, Excess(text.box, other, false));
    }
}

void FitCollector::Report(const SceneElement& text, int pixels) {
    if (pixels <= 0) return;
    const Language language = static_cast<Language>(text.language);
    const int id = text.textId >= 0 ? text.textId : AttributeText(text.bytes, language);
    if (id < 0) return;
    faults_.push_back({static_cast<TextId>(id), language, AppState.currentPage, pixels});
}

std::vector<TextFitFault> FitCollector::Faults() const {
    std::vector<TextFitFault> faults = faults_;
    SortFaults(faults);
    return faults;
}

void SortFaults(std::vector<TextFitFault>& faults) {
    std::sort(faults.begin(), faults.end(), [](const TextFitFault& a, const TextFitFault& b) {
        return std::tie(a.language, a.id, a.page, b.pixels) < std::tie(b.language, b.id, b.page, a.pixels);
    });
    faults.erase(std::unique(faults.begin(), faults.end(),
                             [](const TextFitFault& a, const TextFitFault& b) {
                                 return a.language == b.language && a.id == b.id && a.page == b.page;
                             }),
                 faults.end());
}

std::string FormatFaults(const std::vector<TextFitFault>& faults) {
    std::string out;
    for (const TextFitFault& f : faults) {
        out += "F " + std::to_string(f.id) + " " + std::to_string(f.language) + " " + std::to_string(f.page) + " " +
               std::to_string(f.pixels) + "\n";
    }
    return out;
}

void ParseFaults(const std::string& text, std::vector<TextFitFault>& faults) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        unsigned id = 0, language = 0;
        int page = 0, pixels = 0;
        if (std::sscanf(text.c_str() + at, "F %u %u %d %d", &id, &language, &page, &pixels) == 4 && id < kTextCount &&
            language < kLanguageCount) {
            faults.push_back({static_cast<TextId>(id), static_cast<Language>(language), page, pixels});
        }
        at = end + 1;
    }
}

std::vector<TextFitFault> CheckTextFit(const std::vector<Language>& chosen) {
    std::vector<Language> languages = chosen;
    if (languages.empty()) {
        for (Language language = 0; language < kLanguageCount; ++language) languages.push_back(language);
    }
    std::vector<std::string> results;
    std::string error;
    const bool ok = ForEachLanguage(
        languages, 0,
        [](Language language, std::string& out, std::string&) {
            StateDriver driver(language, 1, false);
            FitCollector collector(driver.Host().GetScene());
            for (const PanelState& state : PanelStates()) driver.Show(state);
            out = FormatFaults(collector.Faults());
            return true;
        },
        results, error);
    std::vector<TextFitFault> faults;
    if (!ok) return faults;
    for (const std::string& result : results) ParseFaults(result, faults);
    SortFaults(faults);
    return faults;
}

std::string DescribeTextFitFault(const TextFitFault& fault) {
    std::string file;
    int line = 0;
    if (!TextOverrideSource(fault.language, fault.id, file, line)) {
        file = TextData::kSourceFiles[fault.language];
        line = TextData::kSourceLines[fault.language][fault.id];
    }
    return file + ":" + std::to_string(line) + ": id " + std::to_string(fault.id) + ", " +
           LanguageName(fault.language) + ", page " + std::to_string(fault.page) + ": " + std::to_string(fault.pixels) +
           " px too wide";
}

int RunTextCheck(const TextOptions& options) {
    // A text that is not shown is named, and fails the check: it is not ready.
    std::size_t held = 0;
    if (const int status = ApplyTextOptions(options, &held); status != 0) return status;
    const std::vector<TextFitFault> faults = CheckTextFit();
    for (const TextFitFault& f : faults) std::fprintf(stderr, "%s\n", DescribeTextFitFault(f).c_str());
    return faults.empty() && held == 0 ? 0 : 1;
}
