// Questions a test asks of the scene: where is the button a script names, is
// this text on the screen, has the screen settled. Shared by the runner and
// the Python module, so that both mean the same by a name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/Scene.h"

// What a script points at: a picture or field by name (menu, pencil, lamp),
// one of the panel's texts by its name (Settings), a text as written, or a
// row of the page's list by number (1 = the first row).
struct SceneTarget {
    enum class Kind : std::uint8_t { Name, TextName, Text, Row };
    Kind kind = Kind::Name;
    std::string value;  // the name or the text
    int row = 0;
    int textId = -1;  // TextName
};

// Reads a script word: "quoted" is a text, a number after `row` a row, a
// picture or field name or a text's name a name. False, with `why`, for a
// bare word that no page has.
bool ParseSceneTarget(std::string_view word, bool quoted, SceneTarget& out, std::string& why);

// The word as a script writes it: menu, Settings, "Einstellungen", row 3.
std::string DescribeTarget(const SceneTarget& target);

// The elements on the screen now that the target means; for a picture name,
// those that a touch region holds are preferred (the bar's arrow over the
// list's scroll strip).
std::vector<const SceneElement*> FindTargets(const Scene& scene, const SceneTarget& target);

// Why a target is not there, or is there more than once, with what the
// screen holds instead: "no 'pencil' on page 1 menu; the bar holds: back, up,
// down, open".
std::string TargetProblem(const Scene& scene, const SceneTarget& target, std::size_t found);

// The texts shown now, in reading order, each as a reader sees it.
std::vector<std::string> ShownTexts(const Scene& scene);

// Whether `text` is on the screen (blanks do not count), within `region` when
// one is given (an element counts when its centre lies in it).
bool ShowsText(const Scene& scene, std::string_view text, const SceneBox* region = nullptr);
// Whether one of the panel's texts is shown, in the panel's language.
bool ShowsTextId(const Scene& scene, int textId, const SceneBox* region = nullptr);

// The current page as "1 menu".
std::string DescribePage();
