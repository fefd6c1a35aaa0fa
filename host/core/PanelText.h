// The panel's texts and page names as the host shows them: in UTF-8, and
// pages by the names their records give them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Texts of the panel in UTF-8 (the panel's bytes are ISO 8859-1 with the
// Polish letters at 0x84..0x93).
std::string PanelTextToUtf8(const char* text);
// A page's short English name ("warm water set value") and the same as one
// word for scripts and file names ("warm-water-set-value"), from its record.
const char* PageName(std::uint8_t page);
std::string PageSlug(std::uint8_t page);
// The page a script names, by its slug or its number; -1 for none.
int FindPage(std::string_view word);
