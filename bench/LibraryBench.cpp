#include "LibraryBench.h"

#include "Stats.h"
#include "library/SongLibrary.h"
#include "writers/ByteWriter.h"
#include "writers/OggWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int packs = 10;
constexpr int songsPerPack = 100;
constexpr int measures = 100;
constexpr int scans = 5;
constexpr double targetMs = 1000.0;

// Five charts of a hundred measures of sixteenths: a usual song file (about 40 KiB).
std::string chartText(int song)
{
    static const char* rows[] = {"1000", "0000", "0100", "0000", "0010", "0000", "2001", "0000",
                                 "0000", "0000", "3000", "0001", "0M00", "0000", "0110", "0000"};
    std::string measuresText;
    for (int m = 0; m < measures; ++m) {
        for (const char* row : rows)
            measuresText += std::string(row) + "\n";
        measuresText += m + 1 < measures ? ",\n" : ";\n";
    }
    std::string text = "#TITLE:Song " + std::to_string(song) + ";\n#ARTIST:Bench;\n#MUSIC:song.ogg;\n#OFFSET:-0.1;\n"
                       "#BPMS:0=150,64=75,96=150;\n#STOPS:32=0.4;\n";
    for (const char* difficulty : {"Beginner", "Easy", "Medium", "Hard", "Challenge"})
        text += std::string("#NOTES:\n dance-single:\n :\n ") + difficulty + ":\n 5:\n 0,0,0,0,0:\n" + measuresText;
    return text;
}

fs::path makeLibrary()
{
    char pattern[] = "/tmp/flarevox-library-bench-XXXXXX";
    const fs::path root = mkdtemp(pattern) ? fs::path(pattern) / "Songs" : fs::path();
    if (root.empty())
        return root;
    const std::vector<std::uint8_t> ogg = forge::OggWriter::encode({44100, 2, std::vector<float>(2 * 44100, 0.0f)});
    for (int pack = 0; pack < packs; ++pack)
        for (int song = 0; song < songsPerPack; ++song) {
            const fs::path folder = root / ("Pack " + std::to_string(pack)) / ("Song " + std::to_string(song));
            forge::writeFile(folder / "song.ogg", ogg);
            forge::writeFile(folder / "song.sm", chartText(song));
        }
    return root;
}

} // namespace

BenchTable LibraryBench::run() const
{
    BenchTable table;
    const fs::path root = makeLibrary();
    std::vector<double> times;
    std::size_t listed = 0;
    for (int scan = 0; scan < scans && !root.empty(); ++scan) {
        const auto start = Clock::now();
        listed = library::SongLibrary::scan({root}).songs.size();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::error_code ignored;
    fs::remove_all(root.parent_path(), ignored);
    const double ms = times.empty() ? 0.0 : stats::median(times);
    const bool complete = listed == static_cast<std::size_t>(packs * songsPerPack);
    table.add({"library", "scan of 1,000 song folders (median of 5)", ms, "ms", "", 0, "< 1000 ms",
               verdict(complete && ms < targetMs)});
    table.add({"library", "songs listed", static_cast<double>(listed), "", "", 0, "1000", verdict(complete)});
    return table;
}
