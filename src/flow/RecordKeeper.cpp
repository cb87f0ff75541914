#include "flow/RecordKeeper.h"

#include "chart/ChartFile.h"
#include "chart/ChartHash.h"
#include "core/OutputHandler.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/PlayerScore.h"
#include "library/ReplayFile.h"
#include "library/SongEntry.h"

#include <algorithm>
#include <cctype>

void RecordKeeper::open(const std::filesystem::path& file, library::RecordBook::Timing timing)
{
    book = std::make_unique<library::RecordBook>(file, timing);
}

void RecordKeeper::writeMessages()
{
    if (!book)
        return;
    for (const std::string& message : book->takeMessages())
        OutputHandler::log(OutputHandler::find(), "%s", message.c_str());
}

RecordKeeper::~RecordKeeper()
{
    close();
}

void RecordKeeper::close()
{
    if (!book)
        return;
    book->close();
    writeMessages();
    book.reset();
}

void RecordKeeper::flush()
{
    if (book)
        book->flush();
}

void RecordKeeper::submit(const std::vector<std::pair<int, library::RecordEntry>>& entries,
                          const library::RecordedRound* round, std::array<std::uint32_t, 2> points)
{
    submittedPlayers.clear();
    if (!book || (entries.empty() && !round))
        return;
    std::vector<library::RecordEntry> handed;
    for (const auto& [player, entry] : entries) {
        handed.push_back(entry);
        submittedPlayers.push_back(player);
    }
    std::optional<library::ReplayEntry> replay;
    if (round) {
        replay.emplace();
        replay->rate = round->rate;
        replay->points = points;
        for (std::size_t index = 0; index < round->players.size(); ++index) {
            replay->chartHashes[index] = round->players[index].chartHash;
            replay->players[index] = round->players[index].name;
        }
        replay->round = library::ReplayFile::write(*round);
    }
    book->submit(std::move(handed), std::move(replay));
    if (waitsForWrites)
        book->flush();
}

bool RecordKeeper::isNewRecord(int player) const
{
    if (!book || submittedPlayers.empty())
        return false;
    const std::vector<bool> kept = book->keptNewRecords();
    for (std::size_t index = 0; index < submittedPlayers.size() && index < kept.size(); ++index) {
        if (submittedPlayers[index] == player)
            return kept[index];
    }
    return false;
}

std::optional<library::Record> RecordKeeper::best(const library::RecordKey& key) const
{
    return book && !key.chartHash.empty() ? book->best(key) : std::nullopt;
}

// The library knows each chart's identity; a song listed without them
// (never from the scan) has its file read once.
std::string RecordKeeper::chartHash(const library::SongEntry& song, std::size_t chartIndex)
{
    for (const library::ChartChoice& chart : song.charts)
        if (chart.chartIndex == chartIndex && chart.hash != 0)
            return chart::ChartHash::hexOf(chart.hash);
    const std::vector<std::string>& known = hashesOf(song.chartFile);
    return chartIndex < known.size() ? known[chartIndex] : std::string();
}

// The first chart of the file named like the one the game plays.
std::string RecordKeeper::ownChartHash(const std::filesystem::path& chartFile)
{
    if (ownHash)
        return *ownHash;
    const chart::ReadResult read = chart::ChartFile::read(chartFile);
    const auto named = std::find_if(read.song.charts.begin(), read.song.charts.end(), [](const chart::Chart& chart) {
        return std::equal(chart.difficulty.begin(), chart.difficulty.end(), std::string_view(ownChartName).begin(),
                          std::string_view(ownChartName).end(),
                          [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
    });
    ownHash = read.ok() && named != read.song.charts.end() ? chart::ChartHash::of(*named).hex() : std::string();
    return *ownHash;
}

const std::vector<std::string>& RecordKeeper::hashesOf(const std::filesystem::path& chartFile)
{
    const std::string path = chartFile.string();
    const auto known = hashes.find(path);
    if (known != hashes.end())
        return known->second;
    std::vector<std::string>& found = hashes[path];
    const chart::ReadResult read = chart::ChartFile::read(chartFile);
    if (read.ok()) {
        for (const chart::Chart& chart : read.song.charts)
            found.push_back(chart::ChartHash::of(chart).hex());
    }
    return found;
}

library::RecordEntry RecordKeeper::roundEntry(const ArrowManager& arrows, int player,
                                              const std::filesystem::path& ownChartFile)
{
    const PlayerScore& score = arrows.judging().scoreOf(player);
    library::RecordEntry entry;
    entry.record.points = score.getPoints();
    entry.record.judgements = score.getTally();
    entry.record.highestCombo = score.getCombo().highest();
    if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(player)) {
        entry.key.chartHash = chart::ChartHash::of(chartPlayer->getChart()).hex();
        entry.key.chart = chartPlayer->getChart().difficulty;
        entry.record.holdsOk = chartPlayer->getResults().holdsOk;
        entry.record.holdsNg = chartPlayer->getResults().holdsNg;
        entry.record.minesHit = chartPlayer->getResults().minesHit;
    } else {
        entry.key.chartHash = ownChartHash(ownChartFile);
        entry.key.chart = ownChartName;
    }
    return entry;
}
