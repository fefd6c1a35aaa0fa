// The runner's state verbs in the page's panel. The page refuses `state save`
// and `state load` before a script runs, and opens and saves states with its
// buttons through its second module, which reads and writes the JSON; these
// definitions keep the JSON code out of the panel's module. Were one reached
// all the same, it fails with a message.
#include "host/plant/PlantState.h"

namespace {

constexpr const char* kStateButtons =
    "the page opens and saves states with its Open state... and Save state... buttons";

}  // namespace

bool SaveState(const std::string& path, const PlantModel&, const WallTime&, std::string& error) {
    error = path + ":1: " + kStateButtons;
    return false;
}

bool LoadState(const std::string& path, PlantModel&, WallTime&, std::string& error) {
    error = path + ":1: " + kStateButtons;
    return false;
}
