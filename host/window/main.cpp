// The program entry: one window, the event loop, nothing else, unless the
// options ask for a saved state or the plant feed. What the user arranged
// last time (position, zoom, the Plant panel, folders) comes back from the
// toolkit's settings.
#include <QApplication>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/plant/PlantFeed.h"
#include "host/plant/PlantState.h"
#include "host/runner/TextOverride.h"
#include "host/window/Haupt.h"
#include "host/window/UdpQtDispatcher.h"

namespace {

// Without a display the toolkit would abort with its own cryptic message.
bool DisplayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

void Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: kandorelle [--state FILE] [--plant-udp PORT] [--show-touches] [--reset-settings]\n"
                 "                  [--texts FILE.po ...]\n"
                 "  --state FILE      start from a state saved by the runner's 'state save FILE'\n"
                 "                    or the window's 'Save state...'\n"
                 "  --plant-udp PORT  take plant values as UDP datagrams of 'NAME VALUE' lines on\n"
                 "                    127.0.0.1:PORT (1024..65535); each datagram is answered with\n"
                 "                    'ok' or the error line\n"
                 "  --texts FILE.po   show the texts of a translation file instead of the built-in\n"
                 "                    ones of its language (any number of files)\n"
                 "  --show-touches    draw a ring where the finger is, in the window, its\n"
                 "                    screenshots and its animations\n"
                 "  --reset-settings  forget the remembered position, zoom, Plant panel and folders\n"
                 "  --help            this text\n"
                 "Right-click the panel or press F2 for the Plant panel.\n");
}

struct Options {
    std::string state;
    int udpPort = 0;
    bool showTouches = false;
    bool resetSettings = false;
};

// Our options are taken out; the rest (-platform and the like) is the toolkit's.
bool ParseOptions(int& argc, char* argv[], Options& options, int& exitCode) {
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            exitCode = 0;
            return false;
        }
        if ((arg == "--state" || arg == "--plant-udp") && i + 1 >= argc) {
            std::fprintf(stderr, "kandorelle: %s wants a value\n", arg.c_str());
            exitCode = 2;
            return false;
        }
        if (arg == "--show-touches") {
            options.showTouches = true;
        } else if (arg == "--reset-settings") {
            options.resetSettings = true;
        } else if (arg == "--state") {
            options.state = argv[++i];
        } else if (arg == "--plant-udp") {
            char* end = nullptr;
            const long port = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || port < 1024 || port > 65535) {
                std::fprintf(stderr, "kandorelle: --plant-udp wants a port 1024..65535, not '%s'\n", argv[i]);
                exitCode = 2;
                return false;
            }
            options.udpPort = static_cast<int>(port);
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "kandorelle: unknown option %s\n", arg.c_str());
            Usage(stderr);
            exitCode = 2;
            return false;
        } else {
            rest.push_back(argv[i]);
        }
    }
    argc = static_cast<int>(rest.size());
    for (int i = 0; i < argc; ++i) argv[i] = rest[static_cast<std::size_t>(i)];
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // --texts FILE.po previews a translation; the other parsers never see it.
    TextOptions texts;
    std::string optionError;
    if (!TakeTextOptions(argc, argv, texts, optionError)) {
        std::fprintf(stderr, "kandorelle: %s\n", optionError.c_str());
        Usage(stderr);
        return 2;
    }
    Options options;
    int exitCode = 0;
    if (!ParseOptions(argc, argv, options, exitCode)) return exitCode;
    if (texts.check) {
        std::fprintf(stderr, "kandorelle: --check-texts belongs to kandorelle-cli\n");
        return 2;
    }
    if (const int status = ApplyTextOptions(texts); status != 0) return status;
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "kandorelle: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or under a virtual display:\n"
                     "    xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "kandorelle");
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kandorelle II"));
    QApplication::setOrganizationName(QStringLiteral("Kandorelle"));

    THaupt haupt;
    for (const std::string& po : texts.poFiles)
        haupt.runnerOptions << QStringLiteral("--texts") << QString::fromStdString(po);
    QSettings settings;
    haupt.RestoreSettings(settings, options.resetSettings);
    if (options.showTouches && !haupt.ShowingTouches()) haupt.mnuShowTouchesClick();
    // A saved state brings its clock along, which then runs on in real time.
    if (!options.state.empty()) {
        QString error;
        if (!haupt.OpenStateFile(QString::fromStdString(options.state), error)) {
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
            return 2;
        }
    }

    TUdpQtDispatcher dispatcher;
    std::unique_ptr<PlantFeed> feed;
    if (options.udpPort != 0) {
        feed = std::make_unique<PlantFeed>(
            dispatcher, [&haupt](const std::string& datagram) { return haupt.Plant().ApplyLines(datagram); });
        feed->SetOnError(
            [](const std::string& message) { std::fprintf(stderr, "kandorelle: plant feed: %s\n", message.c_str()); });
        std::string error;
        if (!feed->Start(options.udpPort, error)) {
            std::fprintf(stderr, "kandorelle: %s\n", error.c_str());
            return 2;
        }
    }
    haupt.show();
    haupt.FitOnScreen();
    const int status = QApplication::exec();
    haupt.SaveSettings(settings);
    return status;
}
