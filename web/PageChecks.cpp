// The page's second module: what only some visits need, loaded when first
// used. It reads and writes state files (a link's state, Open state...,
// Save state..., Copy link), checks a dropped translation as the runner
// checks a PO file, and runs the text-fit check in the page's workers. It
// hands its results to the panel's module as plain data: a StateRecord as
// bytes, a checked translation a text at a time.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/plant/PlantState.h"
#include "host/plant/StateRecord.h"
#include "host/runner/TextCheck.h"
#include "host/runner/TextOverride.h"
#include "host/texts/PoTexts.h"

namespace {

using Json = nlohmann::ordered_json;

std::string result;  // the text handed to the page by the last call that returns one

const char* Give(std::string text) {
    result = std::move(text);
    return result.c_str();
}

StateRecord stateRecord;
std::string stateBytes;  // a state file's bytes, handed over by the page

PoHeader previewHeader;
std::vector<PoEntry> previewEntries;
std::string previewName;
PoLanguage checked;

// Checks the translation handed over last as the runner checks a PO file for
// a preview; it is kept in `checked`. False with every problem in `lines`,
// one per line; true with the texts held back (fuzzy or stale) there.
bool CheckPreview(std::string& lines) {
    checked = PoLanguage{};
    checked.path = previewName;
    std::vector<std::string> errors;
    CheckPoEntries(previewHeader, previewEntries, BuiltInTemplate(), PoUse::Preview, checked, errors);
    for (const std::string& e : errors.empty() ? checked.held : errors) lines += (lines.empty() ? "" : "\n") + e;
    return errors.empty();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* KandoMessage() { return result.c_str(); }

// The record that the panel's module fills and takes (KandoTakeState,
// KandoApplyState there); the page copies it between the two.
EMSCRIPTEN_KEEPALIVE StateRecord* KandoStateRecord() { return &stateRecord; }
EMSCRIPTEN_KEEPALIVE int KandoStateRecordSize() { return sizeof stateRecord; }

// A state file's bytes as they are, for KandoReadState: room for `size` of
// them, which the page fills (a file's, or a link's once unpacked).
EMSCRIPTEN_KEEPALIVE char* KandoStateBytes(int size) {
    stateBytes.assign(static_cast<std::size_t>(std::max(size, 0)), '\0');
    return stateBytes.data();
}

// Reads the bytes handed over into the record, checked exactly as a state
// file is (bytes that are not UTF-8 too); `name` stands for the file in the
// message. 0 with the message when it is refused.
EMSCRIPTEN_KEEPALIVE int KandoReadState(const char* name) {
    std::string error;
    const bool ok = ReadStateText(stateBytes, name, stateRecord, error);
    stateBytes.clear();
    if (!ok) {
        Give(error);
        return 0;
    }
    return 1;
}

// The record as the runner saves a state.
EMSCRIPTEN_KEEPALIVE const char* KandoStateText() { return Give(StateText(stateRecord)); }

// A translation read by the page's PO library, entry by entry. The lines are
// where the header, its fields and each entry's parts stand in the file.
EMSCRIPTEN_KEEPALIVE void KandoPreviewBegin(const char* name, int hasHeader, const char* language,
                                            const char* contentType, int line, int languageLine, int contentTypeLine) {
    previewName = name;
    previewHeader = PoHeader{};
    previewHeader.present = hasHeader != 0;
    previewHeader.language = language;
    previewHeader.contentType = contentType;
    previewHeader.line = line;
    previewHeader.languageLine = languageLine;
    previewHeader.contentTypeLine = contentTypeLine;
    previewEntries.clear();
}

EMSCRIPTEN_KEEPALIVE void KandoPreviewEntry(int hasContext, const char* context, const char* msgid, const char* msgstr,
                                            int fuzzy, int plural, int idLine, int contextLine, int flagLine,
                                            int pluralLine, int msgstrLine) {
    PoEntry& entry = previewEntries.emplace_back();
    entry.hasContext = hasContext != 0;
    entry.context = context;
    entry.msgid = msgid;
    entry.msgstr = msgstr;
    entry.fuzzy = fuzzy != 0;
    entry.plural = plural != 0;
    entry.idLine = idLine;
    entry.contextLine = contextLine;
    entry.flagLine = flagLine;
    entry.pluralLine = pluralLine != 0 ? pluralLine : idLine;
    entry.line = msgstrLine != 0 ? msgstrLine : idLine;
}

// Checks the translation handed over last: 1 with the texts held back
// (fuzzy or stale) in KandoMessage(), one per line, and the checked texts
// ready for KandoChecked*; 0 with every problem there.
EMSCRIPTEN_KEEPALIVE int KandoPreviewCheck() {
    std::string lines;
    const bool ok = CheckPreview(lines);
    Give(lines);
    return ok ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int KandoTextCount() { return kTextCount; }
EMSCRIPTEN_KEEPALIVE int KandoCheckedLanguage() { return checked.language; }

// A checked text: its panel bytes (not zero-terminated), their number, the
// line of its msgstr and whether it is held back.
EMSCRIPTEN_KEEPALIVE const char* KandoCheckedBytes(int id) {
    return id >= 0 && id < kTextCount ? checked.texts[static_cast<std::size_t>(id)].bytes.data() : "";
}
EMSCRIPTEN_KEEPALIVE int KandoCheckedSize(int id) {
    return id >= 0 && id < kTextCount ? static_cast<int>(checked.texts[static_cast<std::size_t>(id)].bytes.size()) : 0;
}
EMSCRIPTEN_KEEPALIVE int KandoCheckedLine(int id) {
    return id >= 0 && id < kTextCount ? checked.texts[static_cast<std::size_t>(id)].line : 0;
}
EMSCRIPTEN_KEEPALIVE int KandoCheckedHeld(int id) {
    return id >= 0 && id < kTextCount && checked.texts[static_cast<std::size_t>(id)].held ? 1 : 0;
}

// The text-fit check with the translation handed over last, in one of the
// panel's languages (0..6; any other number: all of them), as --check-texts
// prints it: a JSON array of findings, or {"problems": "..."}. The check
// starts the firmware afresh for every state it shows, so it runs in a
// module of its own (the page's workers), never beside the live panel.
EMSCRIPTEN_KEEPALIVE const char* KandoCheckTexts(int language) {
    std::string problems;
    std::vector<std::string> errors;
    if (!CheckPreview(problems) || !InstallTextOverrides({checked}, errors)) {
        Json refused = Json::object();
        refused["problems"] = errors.empty() ? problems : errors.front();
        return Give(refused.dump());
    }
    std::vector<Language> languages;
    if (language >= 0 && language < kLanguageCount) languages.push_back(static_cast<Language>(language));
    Json findings = Json::array();
    for (const TextFitFault& f : CheckTextFit(languages)) {
        Json& finding = findings.emplace_back(Json::object());
        finding["text"] = DescribeTextFitFault(f);
        finding["language"] = f.language;
        finding["id"] = f.id;
        finding["page"] = f.page;
        finding["pixels"] = f.pixels;
    }
    return Give(findings.dump());
}

}  // extern "C"
