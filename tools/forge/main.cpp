// flarevox-forge OUTDIR [NAME...]: writes Conf/ and Data/ below OUTDIR.
// With names, only those generators run.
#include "Generator.h"

#include <cstdio>
#include <exception>
#include <set>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: flarevox-forge OUTDIR [GENERATOR...]\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::set<std::string> only(argv + 2, argv + argc);
    try {
        for (const auto& generator : forge::GeneratorList::all()) {
            if (!only.empty() && !only.count(generator.name))
                continue;
            std::printf("forge: %s\n", generator.name.c_str());
            generator.run(root);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "flarevox-forge: %s\n", error.what());
        return 1;
    }
    return 0;
}
