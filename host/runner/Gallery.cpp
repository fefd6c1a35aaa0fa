#include "host/runner/Gallery.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "host/core/FileAccess.h"
#include "host/core/ScreenCapture.h"
#include "host/export/PngWriter.h"
#include "host/plant/PlantModel.h"
#include "host/runner/LanguageJobs.h"
#include "host/runner/PanelStates.h"
#include "host/runner/TextCheck.h"
#include "host/texts/PoTexts.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "panel/text/TextIds.h"

namespace {

// Where a text stands in the pictures: the first picture of a language that
// shows it, and its box there.
struct Placement {
    std::string file;  // the picture, without .png
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string text;  // as drawn, UTF-8
};

using Placements = std::vector<std::vector<Placement>>;  // by language, by text id

std::string Html(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c; break;
        }
    }
    return out;
}

std::string OverflowList(const std::vector<Language>& languages, const std::vector<TextFitFault>& faults) {
    std::string items;
    for (const TextFitFault& fault : faults) {
        if (std::find(languages.begin(), languages.end(), fault.language) == languages.end()) continue;
        items += "<li>" + Html(DescribeTextFitFault(fault)) + ": \"" +
                 Html(PanelTextToUtf8(GetText(fault.id, fault.language))) + "\"</li>\n";
    }
    return items.empty() ? "<p id=\"overflow\">Every text fits its field.</p>\n"
                         : "<ul id=\"overflow\">\n" + items + "</ul>\n";
}

std::string PagesView(const std::vector<Language>& languages) {
    std::string html = "<table id=\"pages\">\n<thead><tr><th>Page</th>";
    for (const Language language : languages) {
        html += std::string("<th>") + LanguageName(language) + " (" + LanguageCode(language) + ")</th>";
    }
    html += "</tr></thead>\n<tbody>\n";
    for (const PanelState& state : PanelStates()) {
        if (!state.pictured) continue;
        html += "<tr id=\"" + state.file + "\"><td class=\"page\">" + Html(state.file.substr(0, 2)) + " " +
                Html(state.title) + "</td>";
        for (const Language language : languages) {
            const std::string file = std::string(LanguageCode(language)) + "/" + state.file + ".png";
            html += "<td><a href=\"" + file + "\"><img src=\"" + file + "\" alt=\"" + Html(state.file) + " " +
                    LanguageCode(language) + "\" loading=\"lazy\" width=\"160\"></a></td>";
        }
        html += "</tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

// One row per text, one column per language: the text as drawn, cut out of
// the picture where it stands (the picture itself scaled and shifted), and
// a link to the whole picture.
std::string TextsView(const GalleryOptions& options, const std::vector<Language>& languages,
                      const Placements& placements) {
    constexpr int kPad = 3;
    const int zoom = options.zoom;
    std::string html = "<table id=\"texts\">\n<thead><tr><th>Text</th>";
    for (const Language language : languages) html += std::string("<th>") + LanguageCode(language) + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (TextId id = 0; id < kTextCount; ++id) {
        html += "<tr id=\"text" + std::to_string(id) + "\"><td class=\"page\">" + std::to_string(id) + " <b>" +
                Txt::kNames[id] + "</b><br>slot " + std::to_string(TextSlotWidth(id)) + "<br>\"" +
                Html(PanelTextToUtf8(GetText(id, kEnglish))) + "\"</td>";
        for (std::size_t l = 0; l < languages.size(); ++l) {
            const Placement& p = placements[l][id];
            if (p.file.empty()) {
                html += "<td class=\"none\">not shown</td>";
                continue;
            }
            const std::string png = std::string(LanguageCode(languages[l])) + "/" + p.file + ".png";
            const int x = std::max(0, p.x - kPad) * zoom;
            const int y = std::max(0, p.y - kPad) * zoom;
            const int w = (std::min(p.x + p.width + kPad, int{kScreenWidth}) - std::max(0, p.x - kPad)) * zoom;
            const int h = (std::min(p.y + p.height + kPad, int{kScreenHeight}) - std::max(0, p.y - kPad)) * zoom;
            html += "<td><a href=\"" + png + "\" title=\"" + Html(p.file) +
                    "\"><span class=\"crop\" style=\"width:" + std::to_string(w) + "px;height:" + std::to_string(h) +
                    "px;background-image:url(" + png + ");background-position:-" + std::to_string(x) + "px -" +
                    std::to_string(y) + "px\"></span></a><br>" + Html(p.text) + "</td>";
        }
        html += "</tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

std::string IndexHtml(const GalleryOptions& options, const std::vector<Language>& languages,
                      const std::vector<TextFitFault>& faults, const Placements& placements) {
    int shown = 0;
    for (TextId id = 0; id < kTextCount; ++id) {
        bool found = false;
        for (const auto& language : placements) found = found || !language[id].file.empty();
        shown += found ? 1 : 0;
    }
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Kandorelle II: every page in every language</title>\n<style>\n"
        "body { font-family: sans-serif; margin: 1em; }\n"
        "table { border-collapse: collapse; }\n"
        "th, td { border: 1px solid #ccc; padding: 4px; vertical-align: top; }\n"
        "thead th { position: sticky; top: 0; background: #eee; }\n"
        "td.page { max-width: 12em; }\n"
        "td.none { color: #999; }\n"
        "img { display: block; image-rendering: pixelated; }\n"
        ".crop { display: inline-block; background-repeat: no-repeat; image-rendering: pixelated; "
        "outline: 1px solid #ccc; }\n"
        "nav a { margin-right: 1em; }\n"
        "</style>\n</head>\n<body>\n<h1>Kandorelle II: every page in every language</h1>\n"
        "<nav><a href=\"#pages-view\">Pages</a><a href=\"#texts-view\">Texts</a></nav>\n";
    html += "<p>" + std::to_string(kPageCount) + " pages and the states that show the other texts, in " +
            std::to_string(languages.size()) + " languages at zoom " + std::to_string(options.zoom) + "; " +
            std::to_string(shown) + " of " + std::to_string(kTextCount) +
            " texts appear in the pictures. Click a picture for its full size.</p>\n";
    html += "<h2>Texts that overflow their field</h2>\n" + OverflowList(languages, faults);
    html += "<h2 id=\"pages-view\">Pages</h2>\n" + PagesView(languages);
    html +=
        "<h2 id=\"texts-view\">Texts</h2>\n<p>Each text as the panel draws it, cut out of the first picture "
        "that shows it; click it for the whole picture.</p>\n" +
        TextsView(options, languages, placements);
    html += "</body>\n</html>\n";
    return html;
}

// Writes the file whole or not at all.
int Languages(std::vector<Language>& languages, const GalleryOptions& options) {
    languages = options.languages;
    if (languages.empty()) {
        for (Language language = 0; language < kLanguageCount; ++language) languages.push_back(language);
    }
    return static_cast<int>(languages.size());
}

}  // namespace

bool ParseLanguageList(std::string_view list, std::vector<Language>& out, std::string& why) {
    out.clear();
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view code = list.substr(0, comma);
        const int number = LanguageOfCode(std::string(code));
        const Language found = number < 0 ? kLanguageCount : static_cast<Language>(number);
        if (number < 0) {
            why = "unknown language '" + std::string(code) + "' (languages: de, en, fr, it, es, nl, pl)";
            return false;
        }
        bool repeated = false;
        for (const Language language : out) repeated = repeated || language == found;
        if (!repeated) out.push_back(found);
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

std::string GalleryPageFile(int page) {
    return page >= 0 && page < kPageCount ? PanelStates()[static_cast<std::size_t>(page)].file + ".png" : std::string();
}

bool TakeGalleryOptions(int& argc, char* argv[], GalleryOptions& options, bool& wanted, std::string& why) {
    wanted = false;
    bool tuned = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--sheet") {
            options.sheet = true;
            tuned = true;
            continue;
        }
        const bool takes = arg == "--gallery" || arg == "--lang" || arg == "--zoom";
        if (!takes) {
            argv[kept++] = argv[i];
            continue;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            why = std::string(arg) + " needs a value";
            return false;
        }
        const std::string_view value = argv[++i];
        tuned = tuned || arg != "--gallery";
        if (arg == "--gallery") {
            wanted = true;
            options.dir = std::string(value);
        } else if (arg == "--lang") {
            if (!ParseLanguageList(value, options.languages, why)) return false;
        } else if (value == "1" || value == "2" || value == "3") {
            options.zoom = value[0] - '0';
        } else {
            why = "--zoom '" + std::string(value) + "' is not 1, 2 or 3";
            return false;
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    if (tuned && !wanted) {
        why = "--lang, --zoom and --sheet go with --gallery";
        return false;
    }
    return true;
}

namespace {

// The texts of the screen in the driver's language, by the text they are,
// for the Texts view: "T id x y w h file text". A text that reads like
// another is placed for both, until a picture shows it where it belongs.
void RecordPlacements(const Scene& scene, Language language, const std::string& file, std::vector<int>& placed,
                      std::string& out) {
    for (const SceneElement& e : scene.Elements()) {
        if (e.kind != SceneKind::Text || e.angle != 0 || e.language != language) continue;
        std::vector<int> ids = e.textIds;
        if (ids.empty()) ids.push_back(AttributeText(e.bytes, language));
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const int id = ids[i];
            const int rank = i == 0 ? 2 : 1;  // the text the page names first
            if (id < 0 || placed[static_cast<std::size_t>(id)] >= rank) continue;
            placed[static_cast<std::size_t>(id)] = rank;
            out += "T " + std::to_string(id) + " " + std::to_string(e.box.x) + " " + std::to_string(e.box.y) + " " +
                   std::to_string(e.box.width) + " " + std::to_string(e.box.height) + " " + file + " " + e.text + "\n";
        }
    }
}

void ParsePlacements(const std::string& text, std::vector<Placement>& out) {
    out.assign(kTextCount, {});
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        unsigned id = 0;
        Placement p;
        int used = 0;
        char file[128] = {};
        if (std::sscanf(line.c_str(), "T %u %d %d %d %d %127s %n", &id, &p.x, &p.y, &p.width, &p.height, file, &used) <
                6 ||
            id >= kTextCount) {
            continue;
        }
        p.file = file;
        p.text = line.substr(static_cast<std::size_t>(used));
        out[id] = p;
    }
}

// Every page's picture on one sheet, six to a row, with a dark gap between
// them; the pages are the first states.
class ContactSheet {
public:
    void Place(int page, const ScreenImage& screen) {
        if (rgb_.empty()) {
            cellWidth_ = screen.width;
            cellHeight_ = screen.height;
            width_ = kColumns * (cellWidth_ + kGap) + kGap;
            height_ = (kPageCount + kColumns - 1) / kColumns * (cellHeight_ + kGap) + kGap;
            rgb_.assign(static_cast<std::size_t>(width_) * height_, kBackground);
        }
        const int ox = kGap + page % kColumns * (cellWidth_ + kGap);
        const int oy = kGap + page / kColumns * (cellHeight_ + kGap);
        for (int y = 0; y < cellHeight_; ++y) {
            for (int x = 0; x < cellWidth_; ++x) {
                rgb_[static_cast<std::size_t>(oy + y) * width_ + ox + x] = screen.At(x, y);
            }
        }
    }
    bool Write(const std::string& path, std::string& error) const {
        return WritePng(path, width_, height_, rgb_, error);
    }

private:
    static constexpr int kColumns = 6;
    static constexpr int kGap = 4;
    static constexpr std::uint32_t kBackground = 0x404040;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> rgb_;
};

}  // namespace

bool DrawLanguage(const GalleryOptions& options, Language language, std::string& out, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(options.dir) / LanguageCode(language);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder.string() + ": cannot create the folder: " + ec.message();
        return false;
    }
    StateDriver driver(language, options.zoom, true);
    FitCollector collector(driver.Host().GetScene());
    std::vector<int> placed(kTextCount, 0);
    ContactSheet sheet;
    const std::vector<PanelState>& states = PanelStates();
    for (std::size_t i = 0; i < states.size(); ++i) {
        const PanelState& state = states[i];
        driver.Show(state);
        if (!state.pictured) continue;
        const ScreenImage screen = CaptureScreen(driver.Host());
        if (!WritePng((folder / (state.file + ".png")).string(), screen.width, screen.height, screen.rgb, error)) {
            return false;
        }
        if (options.sheet && i < kPageCount) sheet.Place(static_cast<int>(i), screen);
        RecordPlacements(driver.Host().GetScene(), language, state.file, placed, out);
    }
    if (options.sheet && !sheet.Write((folder / "sheet.png").string(), error)) return false;
    out += FormatFaults(collector.Faults());
    return true;
}

namespace {

// The gallery's folder, made when missing; false with `error` when it cannot
// be written to.
bool PrepareFolder(const std::string& dir, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        error = dir + ": cannot create the folder: " + (ec ? ec.message() : "a file is in the way");
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        error = dir + ": cannot write to the folder: " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

int RunGallery(const GalleryOptions& options, std::string& error) {
    std::vector<Language> languages;
    Languages(languages, options);
    if (!PrepareFolder(options.dir, error)) return 2;
    std::vector<std::string> results;
    const LanguageWork draw = [&options](Language language, std::string& out, std::string& why) {
        return DrawLanguage(options, language, out, why);
    };
    if (!ForEachLanguage(languages, options.jobs, draw, results, error, "gallery")) {
        if (error.empty()) error = options.dir + ": some pages could not be written";
        return 2;
    }
    std::vector<TextFitFault> faults;
    Placements placements(languages.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        ParseFaults(results[i], faults);
        ParsePlacements(results[i], placements[i]);
    }
    SortFaults(faults);
    const std::string index = (std::filesystem::path(options.dir) / "index.html").string();
    if (!WriteOutputFile(index, IndexHtml(options, languages, faults, placements), error)) return 2;
    return 0;
}
