#include "library/SongEntryReader.h"

#include "chart/ChartFile.h"
#include "chart/ChartHash.h"
#include "chart/MsdValues.h"
#include "chart/SongFolder.h"
#include "library/DifficultyOrder.h"
#include "platform/SoundFileHeader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace library {

namespace fs = std::filesystem;

namespace {

std::string wholeBpm(double bpm)
{
    return std::to_string(std::llround(bpm));
}

std::string bpmRange(double low, double high)
{
    return std::llround(low) == std::llround(high) ? wholeBpm(low) : wholeBpm(low) + "-" + wholeBpm(high);
}

// "150", "75:150" (SM, SSC), "75..150" (DWI) or "*"; empty when the text is none of these.
std::string displayBpm(const std::string& written)
{
    const std::string_view text = chart::MsdValues::trim(written);
    if (text == "*")
        return "?";
    const std::size_t dots = text.find("..");
    const std::size_t split = dots != std::string_view::npos ? dots : text.find(':');
    const std::size_t skip = dots != std::string_view::npos ? 2 : 1;
    double low = 0.0, high = 0.0;
    if (split == std::string_view::npos)
        return chart::MsdValues::number(text, low) && low > 0.0 ? wholeBpm(low) : "";
    if (!chart::MsdValues::number(text.substr(0, split), low) || !chart::MsdValues::number(text.substr(split + skip), high)
        || low <= 0.0 || high <= 0.0)
        return "";
    return bpmRange(std::min(low, high), std::max(low, high));
}

// The range of the tempos the charts play at; negative tempos encode warps.
void fillBpm(const chart::Song& song, SongEntry& entry)
{
    double low = std::numeric_limits<double>::infinity(), high = 0.0;
    for (const chart::Chart& chart : song.charts)
        for (const chart::TempoChange& change : chart.tempo.bpmChanges())
            if (change.bpm > 0.0) {
                low = std::min(low, change.bpm);
                high = std::max(high, change.bpm);
            }
    if (high > 0.0) {
        entry.minBpm = low;
        entry.maxBpm = high;
    }
    entry.bpmText = displayBpm(song.displayBpm);
    if (entry.bpmText.empty())
        entry.bpmText = high > 0.0 ? bpmRange(low, high) : "?";
}

double lastNoteSeconds(const chart::Song& song)
{
    double last = 0.0;
    for (const chart::Chart& chart : song.charts)
        for (const chart::Note& note : chart.notes)
            last = std::max(last, chart.tempo.msAt(note.end.value()) / 1000.0);
    return last;
}

std::uint32_t judgedNotes(const chart::Chart& chart)
{
    return static_cast<std::uint32_t>(std::count_if(chart.notes.begin(), chart.notes.end(), [](const chart::Note& note) {
        return note.kind != chart::NoteKind::Mine && note.kind != chart::NoteKind::Fake;
    }));
}

void fillCharts(const chart::Song& song, SongEntry& entry)
{
    for (std::size_t index = 0; index < song.charts.size(); ++index) {
        const chart::Chart& chart = song.charts[index];
        const Difficulty difficulty = DifficultyOrder::of(chart.difficulty);
        const bool described = difficulty == Difficulty::Edit && !chart.description.empty();
        entry.charts.push_back({difficulty, chart.difficulty, chart.meter, index,
                                described ? chart.description : chart.difficulty, chart::ChartHash::of(chart).value(),
                                judgedNotes(chart)});
    }
    std::stable_sort(entry.charts.begin(), entry.charts.end(),
        [](const ChartChoice& a, const ChartChoice& b) { return a.difficulty < b.difficulty; });
}

std::optional<SongEntry> entryOf(const chart::Song& song, const fs::path& folder, const fs::path& chartFile,
    const fs::path& musicFile, std::string& reason)
{
    if (song.charts.empty()) {
        reason = chartFile.filename().string() + ": no dance-single chart";
        if (!song.refusedCharts.empty())
            reason += " (" + song.refusedCharts.front() + ")";
        return std::nullopt;
    }
    std::string headerError;
    const std::optional<platform::SoundFileHeader> header = platform::SoundFileHeader::read(musicFile, headerError);
    if (!header) {
        reason = "music file '" + musicFile.filename().string() + "' cannot be opened: " + headerError;
        return std::nullopt;
    }
    SongEntry entry;
    entry.folder = folder;
    entry.chartFile = chartFile;
    entry.musicFile = musicFile;
    entry.title = song.title.empty() ? chart::MsdValues::utf8(folder.filename().string()) : song.title;
    entry.subtitle = song.subtitle;
    entry.artist = song.artist;
    entry.titleTranslit = song.titleTranslit;
    entry.subtitleTranslit = song.subtitleTranslit;
    entry.artistTranslit = song.artistTranslit;
    fillBpm(song, entry);
    // Compressed files without a length in their header: the chart's end instead.
    entry.lengthSeconds = header->frames > 0 ? static_cast<double>(header->frames) / header->sampleRate
                                             : lastNoteSeconds(song);
    entry.sampleStartSeconds = song.sampleStartSeconds;
    entry.sampleLengthSeconds = song.sampleLengthSeconds;
    fillCharts(song, entry);
    entry.warnings = song.warnings;
    return entry;
}

} // namespace

std::optional<SongEntry> SongEntryReader::read(const fs::path& folder, std::string& reason, const fs::path& root)
{
    std::vector<std::string> folderWarnings;
    const std::optional<fs::path> chartFile = chart::SongFolder::findChartFile(folder, reason, folderWarnings);
    if (!chartFile)
        return std::nullopt;
    chart::ReadResult chart = chart::ChartFile::read(*chartFile);
    if (!chart.ok()) {
        reason = chartFile->filename().string() + ": " + chart.error;
        return std::nullopt;
    }
    chart.song.warnings.insert(chart.song.warnings.begin(), folderWarnings.begin(), folderWarnings.end());
    const std::optional<fs::path> music =
        chart::SongFolder::resolveMusic(folder, root, chart.song.music, reason, chart.song.warnings);
    if (!music)
        return std::nullopt;
    std::optional<SongEntry> entry = entryOf(chart.song, folder, *chartFile, *music, reason);
    if (entry)
        entry->bannerFile = chart::SongFolder::findBanner(folder, root, chart.song.banner).value_or(fs::path());
    return entry;
}

std::optional<SongEntry> SongEntryReader::readBuiltIn(const fs::path& chartFile, const fs::path& musicFile,
    std::string& reason)
{
    const chart::ReadResult chart = chart::ChartFile::read(chartFile);
    if (!chart.ok()) {
        reason = chartFile.filename().string() + ": " + chart.error;
        return std::nullopt;
    }
    std::optional<SongEntry> entry = entryOf(chart.song, chartFile.parent_path(), chartFile, musicFile, reason);
    if (entry)
        entry->builtIn = true;
    return entry;
}

} // namespace library
