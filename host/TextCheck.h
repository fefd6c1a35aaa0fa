// The translators' fit check: measures every text in every place where the
// panel draws it, in every language, and reports each text that leaves its
// field or reaches into its neighbour.
#pragma once

#include <string>
#include <vector>

#include "panel/text/Texts.h"

struct TextFitFault {
    TextId id = 0;
    Language language = 0;
    int page = 0;
    int pixels = 0;  // how much too wide
};

// Checks the texts the panel shows now: the built-in table, or a preview
// installed with OverrideTexts. Needs the fonts registered (a started
// PanelHost). Each text is reported once per page, with its largest excess.
std::vector<TextFitFault> CheckTextFit();

// "FILE:LINE: id N, LANG, page P: 12 px too wide", with the file and line where
// the text was read: a PO file given for a preview, else the built-in po/ file.
std::string DescribeTextFitFault(const TextFitFault& fault);

struct TextOptions;

// kandorelle-cli --check-texts [--texts FILE.po ...]: installs the previews,
// checks and prints one line per fault on standard error. Returns 0 when every
// text fits, 1 when one does not, 2 when a PO file is bad.
int RunTextCheck(const TextOptions& options);
