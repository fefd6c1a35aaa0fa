// The gallery: every page of the panel in every chosen language as a PNG, and
// an index.html that shows them side by side with the texts that overflow
// their field, for translators and reviewers.
//
//   DIR/LANG/NN-name.png   one file per page, LANG the two-letter code, and
//                          NN-name-STATE.png for the states that show the
//                          other texts (each fault, each status, ...)
//   DIR/index.html         two views: one row per picture, one column per
//                          language; and one row per text, each cell the
//                          text cut out of the picture where it stands
//   DIR/LANG/sheet.png     with --sheet: every page on one contact sheet, six
//                          to a row, for reviewing a language at a glance
//
// The states are the panel's own (PanelStates): pages that only show
// something in a certain plant state are reached the way a user reaches them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "panel/text/Texts.h"

struct GalleryOptions {
    std::string dir;
    std::vector<Language> languages;  // empty: every language
    int zoom = 1;
    bool sheet = false;  // also DIR/LANG/sheet.png
    int jobs = 0;        // languages drawn at once; 0: the number of cores
};

// Parses "de,en,pl" into languages, in the order given, without repeats.
bool ParseLanguageList(std::string_view list, std::vector<Language>& out, std::string& why);

// "05-collector-chart.png": the page number and its name as a file name.
std::string GalleryPageFile(int page);

// Takes --gallery DIR, --lang LIST, --zoom N and --sheet out of argv (the
// others stay).
// False with a message for a malformed option; `wanted` tells whether
// --gallery was given.
bool TakeGalleryOptions(int& argc, char* argv[], GalleryOptions& options, bool& wanted, std::string& why);

// Draws every pictured state of one language into DIR/LANG/ in this process
// (and the contact sheet, when asked for), and checks every state's texts.
// `out` gets where each text stands and the texts that do not fit, as lines
// for RunGallery.
bool DrawLanguage(const GalleryOptions& options, Language language, std::string& out, std::string& error);

// The whole gallery: one process per language (the firmware's state is
// global), `jobs` at a time, then the text check and index.html. Returns the
// exit status: 0 written, 2 bad options or a file that could not be written.
int RunGallery(const GalleryOptions& options, std::string& error);
