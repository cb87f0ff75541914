// flarevox-bench: measures the game against the references of the same run
// and prints one table (also written as CSV). Run it from the game's run
// folder (build/run) under an X server; `make bench` does both.
#include "BenchOptions.h"
#include "BenchTable.h"
#include "FrameBench.h"
#include "FrameGrowthBench.h"
#include "RoundWriteBench.h"
#include "GlyphBench.h"
#include "LibraryScaleBench.h"
#include "NetworkBench.h"
#include "ProcessMemory.h"
#include "ReaderBench.h"
#include "SectionProcess.h"
#include "SongClockBench.h"
#include "StretchBench.h"
#include "StartupBench.h"
#include "TimingBench.h"
#include "TimingWallBench.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Section = std::function<BenchTable(const BenchOptions&)>;

const std::vector<std::pair<std::string, Section>>& sections()
{
    static const std::vector<std::pair<std::string, Section>> all{
        {"readers", [](const BenchOptions& options) { return ReaderBench(options.readerFolders).run(options.readerSeconds); }},
        {"library-scale", [](const BenchOptions& options) {
             return LibraryScaleBench(FLAREVOX_BINARY, options.libraryPacks, 200).run();
         }},
        {"song-clock", [](const BenchOptions& options) { return SongClockBench(options.songSeconds, false).run(); }},
        {"song-clock-busy", [](const BenchOptions& options) { return SongClockBench(options.songSeconds, true).run(); }},
        {"music-rate", [](const BenchOptions&) { return StretchBench(180.0, 1.5).run(); }},
        {"music-rate-frames", [](const BenchOptions& options) {
             return FrameBench({options.frameSeconds, options.particles, options.density, false, 1.5})
                 .run("frames at 1.5x");
         }},
        {"startup", [](const BenchOptions&) { return StartupBench(FLAREVOX_BINARY, FLAREVOX_EMPTY_WINDOW, 7).run(); }},
        {"frames", [](const BenchOptions& options) {
             return FrameBench({options.frameSeconds, options.particles, options.density}).run("frames");
         }},
        {"frames-busy", [](const BenchOptions& options) {
             return FrameBench({options.frameSeconds, options.particles, options.density, true})
                 .run("frames (one core busy)");
         }},
        {"frame-growth", [](const BenchOptions& options) {
             return FrameGrowthBench(options.forwardedArguments(), options.growthSeconds).run();
         }},
        {"glyphs", [](const BenchOptions&) { return GlyphBench().run(); }},
        {"round-write", [](const BenchOptions&) { return RoundWriteBench().run(); }},
        {"timing", [](const BenchOptions&) { return TimingBench(FLAREVOX_BINARY).run(); }},
        {"timing-wall", [](const BenchOptions&) { return TimingWallBench().run(); }},
        {"network", [](const BenchOptions&) { return NetworkBench(10.0).run(); }},
    };
    return all;
}

int runSection(const BenchOptions& options)
{
    for (const auto& [name, section] : sections()) {
        if (name != options.section)
            continue;
        BenchTable table = section(options);
        table.add({name, "peak resident memory of the section", ProcessMemory::peakResidentMiB(), "MiB", "", 0, "",
            "info"});
        table.writeLines(stdout);
        return 0;
    }
    std::fprintf(stderr, "flarevox-bench: no section '%s'\n", options.section.c_str());
    return 2;
}

int runAll(const BenchOptions& options)
{
    BenchTable table;
    for (const auto& [name, section] : sections()) {
        std::fprintf(stderr, "flarevox-bench: %s...\n", name.c_str());
        table.append(SectionProcess::run(name, options.forwardedArguments()));
    }
    std::printf("\n");
    table.print(stdout);
    if (!table.writeCsv(options.csvPath)) {
        std::fprintf(stderr, "flarevox-bench: could not write %s\n", options.csvPath.c_str());
        return 1;
    }
    std::printf("\nWritten to %s\n", options.csvPath.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The song clock is measured on SDL's dummy driver, which consumes samples
    // in real time without a sound card; dialogs would wait for a person.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    BenchOptions options;
    if (!options.parse(argc, argv))
        return 2;
    return options.section.empty() ? runAll(options) : runSection(options);
}
