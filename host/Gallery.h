// The gallery: every page of the panel in every chosen language as a PNG, and
// an index.html that shows them side by side with the texts that overflow
// their field, for translators and reviewers.
//
//   DIR/LANG/NN-name.png   one file per page, LANG the two-letter code
//   DIR/index.html         one row per page, one column per language
//
// Pages that only show something in a certain plant state or behind the access
// code are reached the way a user reaches them: the plant values are set
// through the plant model and the code is entered with taps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "panel/text/Texts.h"

struct GalleryOptions {
    std::string dir;
    std::vector<Language> languages;  // empty: every language
    int zoom = 1;
    int jobs = 0;  // languages drawn at once; 0: the number of cores
};

// Parses "de,en,pl" into languages, in the order given, without repeats.
bool ParseLanguageList(std::string_view list, std::vector<Language>& out, std::string& why);

// "05-collector-chart.png": the page number and its name as a file name.
std::string GalleryPageFile(int page);

// Takes --gallery DIR, --lang LIST and --zoom N out of argv (the others stay).
// False with a message for a malformed option; `wanted` tells whether
// --gallery was given.
bool TakeGalleryOptions(int& argc, char* argv[], GalleryOptions& options, bool& wanted, std::string& why);

// Draws every page of one language into DIR/LANG/ in this process. The
// firmware is started afresh; its state is left as the last page left it.
bool DrawLanguagePages(const std::string& dir, Language language, int zoom, std::string& error);

// The whole gallery: one process per language (the firmware's state is
// global), `jobs` at a time, then the text check and index.html. Returns the
// exit status: 0 written, 2 bad options or a file that could not be written.
int RunGallery(const GalleryOptions& options, std::string& error);
