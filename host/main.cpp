// The program entry: one window, the event loop, nothing else.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Haupt.h"
#include "host/TextOverride.h"

namespace {

// Without a display the toolkit would abort with its own cryptic message.
bool DisplayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "kandorelle: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or under a virtual display:\n"
                     "    xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "kandorelle");
        return 2;
    }
    // --texts FILE.po previews a translation; the toolkit never sees the option.
    TextOptions texts;
    std::string optionError;
    if (!TakeTextOptions(argc, argv, texts, optionError)) {
        std::fprintf(stderr, "kandorelle: %s\nusage: kandorelle [--texts FILE.po ...]\n", optionError.c_str());
        return 2;
    }
    if (const int status = ApplyTextOptions(texts); status != 0) return status;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kandorelle II"));
    THaupt haupt;
    haupt.show();
    return QApplication::exec();
}
