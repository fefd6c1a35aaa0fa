#include "host/core/SceneQuery.h"

#include <algorithm>
#include <charconv>

#include "host/core/PanelText.h"
#include "panel/app/AppState.h"
#include "panel/app/PageTable.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "panel/text/TextIds.h"

namespace {

// The content area between the title bar and the bottom bar.
constexpr int kContentTop = 35;
constexpr int kContentBottom = 208;

bool InTouchRegion(const SceneElement& e) {
    for (u8 slot = 0; slot < kTouchRegionCount; ++slot) {
        const TouchRegion* r = TouchRegionAt(slot);
        if (r == nullptr || r->id < 0) continue;
        const int x = e.box.CentreX();
        const int y = e.box.CentreY();
        if (x >= r->x1 && x <= r->x2 && y >= r->y1 && y <= r->y2) return true;
    }
    return false;
}

int TextIdOfName(std::string_view word) {
    for (TextId id = 0; id < kTextCount; ++id) {
        if (word == Txt::kNames[id]) return id;
    }
    return -1;
}

std::string Join(const std::vector<std::string>& words, std::string_view quote) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : ", ") + std::string(quote) + w + std::string(quote);
    return out;
}

// The content area's lines of text, top to bottom: the rows of a page
// without a list of its own (the menu).
std::vector<SceneLine> ContentLines(const Scene& scene) {
    std::vector<SceneLine> lines;
    for (SceneLine& line : scene.Lines()) {
        if (line.box.y >= kContentTop && line.box.Bottom() <= kContentBottom) lines.push_back(std::move(line));
    }
    return lines;
}

// A list page's row n (1-based) as the text and language it is drawn in.
bool ListRow(int n, TextId& id, Language& language) {
    const u8 page = AppState.currentPage;
    const PageView& view = PageViewAt(page);
    if (!IsListPage(page) || n < 1 || n > ListRowCount(page)) return false;
    const bool ownLanguage = (view.flags & PageFlag::kRowsInOwnLanguage) != 0;
    const std::size_t at = ownLanguage ? 0 : static_cast<std::size_t>(n - 1);
    if (at >= view.rows.size()) return false;
    id = view.rows[at];
    language = ownLanguage ? static_cast<Language>(n - 1) : Settings.language;
    return true;
}

bool Within(const SceneBox& box, const SceneBox* region) {
    return region == nullptr || region->Contains(box.CentreX(), box.CentreY());
}

}  // namespace

bool ParseSceneTarget(std::string_view word, bool quoted, SceneTarget& out, std::string& why) {
    out = {};
    out.value = std::string(word);
    if (quoted) {
        out.kind = SceneTarget::Kind::Text;
        if (word.find_first_not_of(" \t") == std::string_view::npos) {
            why = "an empty text names nothing on the screen";
            return false;
        }
        return true;
    }
    const std::string_view name = CanonicalSceneName(word);
    const auto& names = SceneNames();
    if (std::find(names.begin(), names.end(), name) != names.end()) {
        out.value = std::string(name);
        return true;
    }
    out.textId = TextIdOfName(word);
    if (out.textId >= 0) {
        out.kind = SceneTarget::Kind::TextName;
        return true;
    }
    why = "no page has a '" + std::string(word) + "'; names: " + Join(names, "") +
          ", a text's name (Settings), \"a text\" or row N";
    return false;
}

std::string DescribeTarget(const SceneTarget& target) {
    switch (target.kind) {
        case SceneTarget::Kind::Text: return "text '" + target.value + "'";
        case SceneTarget::Kind::Row: return "row " + std::to_string(target.row);
        case SceneTarget::Kind::Name:
        case SceneTarget::Kind::TextName: break;
    }
    return "'" + target.value + "'";
}

std::vector<const SceneElement*> FindTargets(const Scene& scene, const SceneTarget& target) {
    std::vector<const SceneElement*> found;
    switch (target.kind) {
        case SceneTarget::Kind::Name: {
            found = scene.Named(target.value);
            std::vector<const SceneElement*> buttons;
            for (const SceneElement* e : found) {
                if (InTouchRegion(*e)) buttons.push_back(e);
            }
            if (!buttons.empty()) found = buttons;
            break;
        }
        case SceneTarget::Kind::TextName:
            for (const SceneElement& e : scene.Elements()) {
                if (e.kind == SceneKind::Text && e.textId == target.textId && e.language == Settings.language) {
                    found.push_back(&e);
                }
            }
            break;
        case SceneTarget::Kind::Text:
            for (const SceneLine& line : scene.Lines()) {
                if (SameText(line.text, target.value)) {
                    found.push_back(line.pieces.front());
                    continue;
                }
                for (const SceneElement* piece : line.pieces) {
                    if (SameText(piece->text, target.value)) found.push_back(piece);
                }
            }
            break;
        case SceneTarget::Kind::Row: {
            TextId id = 0;
            Language language = 0;
            if (ListRow(target.row, id, language)) {
                for (const SceneElement& e : scene.Elements()) {
                    if (e.kind == SceneKind::Text && e.textId == id && e.language == language) found.push_back(&e);
                }
            } else if (!IsListPage(AppState.currentPage)) {
                const std::vector<SceneLine> lines = ContentLines(scene);
                if (target.row >= 1 && static_cast<std::size_t>(target.row) <= lines.size()) {
                    found.push_back(lines[static_cast<std::size_t>(target.row - 1)].pieces.front());
                }
            }
            break;
        }
    }
    return found;
}

std::string TargetProblem(const Scene& scene, const SceneTarget& target, std::size_t found) {
    std::string message;
    if (found > 1) {
        message = DescribeTarget(target) + " is on page " + DescribePage() + " " + std::to_string(found) + " times";
    } else {
        message = "no " + DescribeTarget(target) + " on page " + DescribePage();
    }
    if (target.kind == SceneTarget::Kind::Name) {
        std::vector<std::string> bar;
        for (const SceneElement& e : scene.Elements()) {
            if (e.kind == SceneKind::Picture && !e.name.empty() && InTouchRegion(e) &&
                std::find(bar.begin(), bar.end(), e.name) == bar.end()) {
                bar.push_back(e.name);
            }
        }
        for (const SceneElement& e : scene.Elements()) {
            if (e.kind == SceneKind::Field && e.name == "lamp") bar.push_back(e.name);
        }
        return message + "; the bar holds: " + (bar.empty() ? "nothing" : Join(bar, ""));
    }
    const std::vector<std::string> texts = ShownTexts(scene);
    return message + "; the screen shows: " + (texts.empty() ? "no text" : Join(texts, "'"));
}

std::vector<std::string> ShownTexts(const Scene& scene) {
    std::vector<std::string> texts;
    for (const SceneLine& line : scene.Lines()) texts.push_back(line.text);
    return texts;
}

bool ShowsText(const Scene& scene, std::string_view text, const SceneBox* region) {
    for (const SceneLine& line : scene.Lines()) {
        if (SameText(line.text, text) && Within(line.box, region)) return true;
        for (const SceneElement* piece : line.pieces) {
            if (SameText(piece->text, text) && Within(piece->box, region)) return true;
        }
    }
    return false;
}

bool ShowsTextId(const Scene& scene, int textId, const SceneBox* region) {
    for (const SceneElement& e : scene.Elements()) {
        if (e.kind == SceneKind::Text && e.textId == textId && e.language == Settings.language &&
            Within(e.box, region)) {
            return true;
        }
    }
    return false;
}

std::string DescribePage() { return std::to_string(AppState.currentPage) + " " + PageSlug(AppState.currentPage); }
