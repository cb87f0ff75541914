#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace forge {

// One generator per asset. Each writes its files below the output root at the
// exact paths the game opens. Generators must be deterministic: the same bytes
// on every run.
struct Generator {
    std::string name;
    void (*run)(const std::filesystem::path& root);
};

class GeneratorList {
public:
    static bool add(std::string name, void (*run)(const std::filesystem::path& root));
    // Sorted by name, so the run order never depends on link order.
    static std::vector<Generator> all();
};

} // namespace forge

// Registers a generator from its own source file.
#define FORGE_GENERATOR(name, function) \
    static const bool forgeRegistered_##function = ::forge::GeneratorList::add(name, function)
