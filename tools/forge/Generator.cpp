#include "Generator.h"

#include <algorithm>

namespace forge {
namespace {

std::vector<Generator>& registered()
{
    static std::vector<Generator> generators;
    return generators;
}

} // namespace

bool GeneratorList::add(std::string name, void (*run)(const std::filesystem::path& root))
{
    registered().push_back({std::move(name), run});
    return true;
}

std::vector<Generator> GeneratorList::all()
{
    auto generators = registered();
    std::sort(generators.begin(), generators.end(),
              [](const Generator& a, const Generator& b) { return a.name < b.name; });
    return generators;
}

} // namespace forge
