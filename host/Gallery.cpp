#include "host/Gallery.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "host/PlantModel.h"
#include "host/PngWriter.h"
#include "host/TextCheck.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tools/textgen/PoTexts.h"

namespace {

// A page is drawn when its pixels stayed the same for a few ticks; pages with
// an animation never settle and are taken after the longest build.
constexpr int kMinTicks = 12;
constexpr int kQuietTicks = 3;
constexpr int kMaxTicks = 160;
constexpr int kPressTicks = 3;
constexpr int kAfterTapTicks = 3;

class GalleryClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 12, 0, 0); }
};

// One language's pages, driven like a user: taps on the buttons and plant
// values through the model.
class PageWalker {
public:
    PageWalker(Language language, int zoom) : host_(clock_, 0xF0F0F0) {
        // A forked process may inherit a started firmware; it begins from
        // what a fresh program finds.
        ResetFirmwareState();
        host_.Start();
        host_.SetPlantHook([this] { plant_.Apply(); });
        host_.SetZoom(zoom);
        plant_.Reset();
        Settings.language = language;
        GoToPage(Page::kStart);
        Settle();
    }

    // Brings page `page` on the screen with its real content.
    void Show(int page) {
        plant_.Reset();
        switch (page) {
            case Page::kMeasurementExtra:
                SetPlant("extra.offered", "on");
                SetPlant("collector1", "64.5");
                SetPlant("outside1", "11.2");
                SetPlant("collector2", "58.0");
                SetPlant("outside2", "9.8");
                Go(page);
                break;
            case Page::kWrongAccessCode:
                Go(Page::kAccessCode);
                TapButton(Button::kConfirm);  // code 0 is wrong
                break;
            case Page::kSupplementary:
                Go(Page::kAccessCode);
                for (int i = 0; i < AccessCodeA; ++i) TapButton(Button::kPlus);
                TapButton(Button::kConfirm);
                break;
            case Page::kCommissioningRun:
            case Page::kCommissioningNotPossible:
                SetPlant("commissioning.possible", page == Page::kCommissioningRun ? "on" : "off");
                if (page == Page::kCommissioningRun) SetPlant("commissioning.step", "1");
                Go(Page::kCommissioningQuestion);
                TapButton(Button::kConfirm);
                break;
            case Page::kCurrentFault:
                SetPlant("fault", "22");
                Go(page);
                break;
            case Page::kFaultHistory:
                SetPlant("fault", "22");
                Go(Page::kCurrentFault);
                TapButton(Button::kNext);  // the access code is already entered
                break;
            case Page::kConfirmDialog:
                Go(Page::kStart);
                SetPlant("dialog", "on");
                break;
            default: Go(page); break;
        }
        Settle();
    }

    const Canvas& Screen() { return host_.GetCanvas(); }

private:
    void SetPlant(const char* name, const char* value) {
        PlantValue parsed;
        std::string why;
        if (PlantModel::Parse(name, value, parsed, why)) plant_.Set(parsed);
    }

    void Go(int page) {
        GoToPage(static_cast<u8>(page));
        Settle();
    }

    void Ticks(int count) {
        for (int i = 0; i < count; ++i) host_.Tick();
    }

    // Ticks until the screen has been still for a few ticks.
    void Settle() {
        std::vector<Rgb565> last(host_.Mirror(), host_.Mirror() + kScreenWidth * kScreenHeight);
        int quiet = 0;
        for (int tick = 0; tick < kMaxTicks; ++tick) {
            host_.Tick();
            const bool same = std::memcmp(last.data(), host_.Mirror(), last.size() * sizeof(Rgb565)) == 0;
            if (!same) std::memcpy(last.data(), host_.Mirror(), last.size() * sizeof(Rgb565));
            quiet = same ? quiet + 1 : 0;
            if (tick >= kMinTicks && quiet >= kQuietTicks) return;
        }
    }

    // A tap in the middle of the button's touch region, as a finger does it.
    void TapButton(ButtonId id) {
        for (u8 slot = 0; slot < kTouchRegionCount; ++slot) {
            const TouchRegion* region = TouchRegionAt(slot);
            if (region == nullptr || region->id < 0 || (region->id & 0xFF) != id) continue;
            const int zoom = host_.Zoom();
            host_.MouseDown(MouseButton::Left, (region->x1 + region->x2) / 2 * zoom,
                            (region->y1 + region->y2) / 2 * zoom);
            Ticks(kPressTicks);
            host_.MouseUp(MouseButton::Left);
            Ticks(kAfterTapTicks);
            return;
        }
    }

    GalleryClock clock_;
    PanelHost host_;
    PlantModel plant_;
};

std::vector<std::uint32_t> CanvasRgb(const Canvas& canvas) {
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(canvas.Width()) * canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y) {
        const std::uint32_t* row = canvas.Pixels() + static_cast<std::size_t>(y) * canvas.Stride();
        for (int x = 0; x < canvas.Width(); ++x)
            rgb[static_cast<std::size_t>(y) * canvas.Width() + x] = row[x] & 0xFFFFFFu;
    }
    return rgb;
}

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

std::string IndexHtml(const GalleryOptions& options, const std::vector<Language>& languages,
                      const std::vector<TextFitFault>& faults) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Kandorelle II: every page in every language</title>\n<style>\n"
        "body { font-family: sans-serif; margin: 1em; }\n"
        "table { border-collapse: collapse; }\n"
        "th, td { border: 1px solid #ccc; padding: 4px; vertical-align: top; }\n"
        "thead th { position: sticky; top: 0; background: #eee; }\n"
        "td.page { max-width: 12em; }\n"
        "img { display: block; width: 160px; image-rendering: pixelated; }\n"
        "</style>\n</head>\n<body>\n<h1>Kandorelle II: every page in every language</h1>\n";
    html += "<p>" + std::to_string(kPageCount) + " pages in " + std::to_string(languages.size()) +
            " languages at zoom " + std::to_string(options.zoom) + ". Click a page for its full size.</p>\n";
    html += "<h2>Texts that overflow their field</h2>\n";
    std::string items;
    for (const TextFitFault& fault : faults) {
        bool chosen = false;
        for (const Language language : languages) chosen = chosen || language == fault.language;
        if (!chosen) continue;
        items += "<li>" + Html(DescribeTextFitFault(fault)) + ": \"" +
                 Html(PanelTextToUtf8(GetText(fault.id, fault.language))) + "\"</li>\n";
    }
    html += items.empty() ? "<p id=\"overflow\">Every text fits its field.</p>\n"
                          : "<ul id=\"overflow\">\n" + items + "</ul>\n";
    html += "<h2>Pages</h2>\n<table>\n<thead><tr><th>Page</th>";
    for (const Language language : languages) {
        html += std::string("<th>") + LanguageName(language) + " (" + LanguageCode(language) + ")</th>";
    }
    html += "</tr></thead>\n<tbody>\n";
    for (int page = 0; page < kPageCount; ++page) {
        char number[8];
        std::snprintf(number, sizeof number, "%02d", page);
        html += "<tr id=\"page" + std::to_string(page) + "\"><td class=\"page\">" + number + " " +
                Html(PageName(static_cast<std::uint8_t>(page))) + "</td>";
        for (const Language language : languages) {
            const std::string file = std::string(LanguageCode(language)) + "/" + GalleryPageFile(page);
            html += "<td><a href=\"" + file + "\"><img src=\"" + file + "\" alt=\"" + number + " " +
                    LanguageCode(language) + "\" loading=\"lazy\"></a></td>";
        }
        html += "</tr>\n";
    }
    html += "</tbody>\n</table>\n</body>\n</html>\n";
    return html;
}

// Writes the file whole or not at all.
bool WriteTextFile(const std::filesystem::path& path, const std::string& text, std::string& error) {
    const std::filesystem::path temporary = path.string() + "." + std::to_string(getpid()) + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            error = path.string() + ": cannot write: " + std::strerror(errno);
            std::filesystem::remove(temporary);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = path.string() + ": cannot write: " + ec.message();
        std::filesystem::remove(temporary);
        return false;
    }
    return true;
}

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
    char number[8];
    std::snprintf(number, sizeof number, "%02d-", page);
    return number + PageSlug(static_cast<std::uint8_t>(page)) + ".png";
}

bool TakeGalleryOptions(int& argc, char* argv[], GalleryOptions& options, bool& wanted, std::string& why) {
    wanted = false;
    bool tuned = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
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
        why = "--lang and --zoom go with --gallery";
        return false;
    }
    return true;
}

bool DrawLanguagePages(const std::string& dir, Language language, int zoom, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(dir) / LanguageCode(language);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder.string() + ": cannot create the folder: " + ec.message();
        return false;
    }
    PageWalker walker(language, zoom);
    for (int page = 0; page < kPageCount; ++page) {
        walker.Show(page);
        const Canvas& canvas = walker.Screen();
        if (!WritePng((folder / GalleryPageFile(page)).string(), canvas.Width(), canvas.Height(), CanvasRgb(canvas),
                      error)) {
            return false;
        }
    }
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

// The firmware's state is global: each language is drawn by a process of its
// own, at most `jobs` at once. False when a process could not start or failed.
bool DrawInProcesses(const GalleryOptions& options, const std::vector<Language>& languages, std::string& error) {
    const int jobs =
        options.jobs > 0 ? options.jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    std::fflush(nullptr);
    int running = 0;
    int drawn = 0;
    bool failed = false;
    // On a terminal, a run that takes longer than about 2 s says how far it is.
    const bool terminal = isatty(STDERR_FILENO) != 0;
    const auto started = std::chrono::steady_clock::now();
    bool progressShown = false;
    const auto reap = [&] {
        int status = 0;
        if (wait(&status) > 0) {
            --running;
            ++drawn;
            failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
            if (terminal && std::chrono::steady_clock::now() - started > std::chrono::seconds(2)) {
                std::fprintf(stderr, "\rgallery: %d of %zu languages drawn", drawn, languages.size());
                progressShown = true;
            }
        }
    };
    for (const Language language : languages) {
        while (running >= jobs) reap();
        const pid_t child = fork();
        if (child == 0) {
            std::string why;
            const bool ok = DrawLanguagePages(options.dir, language, options.zoom, why);
            if (!ok) std::fprintf(stderr, "%s\n", why.c_str());
            std::fflush(nullptr);
            _exit(ok ? 0 : 2);
        }
        if (child < 0) {
            error = std::string("cannot start a process: ") + std::strerror(errno);
            failed = true;
            break;
        }
        ++running;
    }
    while (running > 0) reap();
    if (progressShown) std::fputs("\r\033[K", stderr);
    return !failed;
}

}  // namespace

int RunGallery(const GalleryOptions& options, std::string& error) {
    std::vector<Language> languages;
    Languages(languages, options);
    if (!PrepareFolder(options.dir, error)) return 2;
    if (!DrawInProcesses(options, languages, error)) {
        if (error.empty()) error = options.dir + ": some pages could not be written";
        return 2;
    }

    // The fit check needs the fonts of a started panel.
    GalleryClock clock;
    PanelHost host(clock, 0xF0F0F0);
    host.Start();
    const std::vector<TextFitFault> faults = CheckTextFit();
    if (!WriteTextFile(std::filesystem::path(options.dir) / "index.html", IndexHtml(options, languages, faults),
                       error)) {
        return 2;
    }
    return 0;
}
