// The Plant panel's own words in the panel's seven languages: the plant
// values, the groups, the buttons and the presets. They belong to the
// window, not to the panel, so they live here and not in po/ (whose 137
// texts are the firmware's). Each row is one word in every language, in the
// panel's language order, so a reviewer reads a row across.
#pragma once

#include <string>
#include <string_view>

// The word for `key` (a plant value's name such as "tank1.top", or a word
// of the panel such as "group.temperatures") in `language` 0..6, UTF-8. An
// unknown key comes back as itself, so a missing word shows, not a blank.
std::string PlantWord(std::string_view key, int language);

// Every key of the table, for the tests.
int PlantWordCount();
std::string_view PlantWordKey(int index);
