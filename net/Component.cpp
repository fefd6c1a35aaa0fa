#include "net/Component.h"

#include <map>
#include <mutex>

namespace {

struct Palette {
    std::mutex mutex;
    std::map<std::string, std::vector<TComponentClass>> pages;
};

Palette& ThePalette() {
    static Palette palette;
    return palette;
}

}  // namespace

void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes) {
    Palette& palette = ThePalette();
    std::lock_guard<std::mutex> lock(palette.mutex);
    std::vector<TComponentClass>& entries = palette.pages[page];
    for (const TComponentClass& added : classes) {
        bool replaced = false;
        for (TComponentClass& entry : entries) {
            if (entry.name == added.name) {
                entry = added;
                replaced = true;
            }
        }
        if (!replaced) entries.push_back(added);
    }
}

std::vector<TComponentClass> PaletteComponents(const std::string& page) {
    Palette& palette = ThePalette();
    std::lock_guard<std::mutex> lock(palette.mutex);
    auto found = palette.pages.find(page);
    if (found == palette.pages.end()) return {};
    return found->second;
}

std::unique_ptr<TComponent> CreateComponent(const std::string& className, TComponent* owner) {
    std::function<std::unique_ptr<TComponent>(TComponent*)> create;
    {
        Palette& palette = ThePalette();
        std::lock_guard<std::mutex> lock(palette.mutex);
        for (const auto& [page, entries] : palette.pages) {
            for (const TComponentClass& entry : entries) {
                if (entry.name == className && entry.create) create = entry.create;
            }
        }
    }
    if (!create) return nullptr;
    return create(owner);
}
