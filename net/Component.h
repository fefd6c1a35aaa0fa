// Components with an owner, and the palette that lists them by page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComponent {
public:
    explicit TComponent(TComponent* owner) : owner_(owner) {}
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // The owner is recorded only; whoever creates a component ends its life.
    TComponent* Owner() const { return owner_; }

private:
    TComponent* owner_;
};

struct TComponentClass {
    std::string name;
    std::function<std::unique_ptr<TComponent>(TComponent* owner)> create;
};

// Enters the classes on a palette page; a class of the same name on that page
// is replaced, so registering twice lists it once.
void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes);

// The classes on a page in the order they were first registered.
std::vector<TComponentClass> PaletteComponents(const std::string& page);

// Creates a component by class name from any page; none when unknown.
std::unique_ptr<TComponent> CreateComponent(const std::string& className, TComponent* owner);
