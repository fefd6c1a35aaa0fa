// Work done once per language in processes of their own: the firmware's state
// is global, so a process shows one language at a time, and several
// processes use the machine's cores.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "panel/text/Texts.h"

// Runs work(language, out, error) for each language in a child process, at
// most `jobs` at once (0: one per core), and returns what each put in `out`,
// in the order of `languages`. False, with `error`, when a process could not
// start or its work failed (its error is printed on standard error). With
// `progress` a line on a terminal says how far a run over 2 s has come.
using LanguageWork = std::function<bool(Language language, std::string& out, std::string& error)>;
bool ForEachLanguage(const std::vector<Language>& languages, int jobs, const LanguageWork& work,
                     std::vector<std::string>& results, std::string& error, const char* progress = nullptr);
