#include "library/SongOrder.h"

#include "chart/MsdValues.h"
#include "library/ChartPick.h"

#include <algorithm>
#include <tuple>

namespace library {

const char* SongOrder::name(Order order)
{
    switch (order) {
    case ByTitle:
        return "title";
    case ByArtist:
        return "artist";
    case ByBpm:
        return "BPM";
    case ByMeter:
        return "player 1's meter";
    case ByPack:
    default:
        return "pack";
    }
}

SongOrder::Key SongOrder::keyOf(const SongEntry& song, Difficulty meterOf)
{
    const ChartChoice* chart = ChartPick::nearest(song.charts, meterOf);
    return {chart::MsdValues::lower(groupOf(song)), chart::MsdValues::lower(song.title), chart::MsdValues::lower(song.artist),
            song.maxBpm, chart ? chart->meter : 0, song.folder.string()};
}

std::string SongOrder::groupOf(const SongEntry& song)
{
    return song.pack.empty() ? song.folder.parent_path().filename().string() : song.pack;
}

void SongOrder::sort(std::vector<std::size_t>& songs, const std::vector<Key>& keys, Order order)
{
    const auto by = [&keys](auto field) {
        return [&keys, field](std::size_t a, std::size_t b) {
            return std::forward_as_tuple(field(keys[a]), keys[a].title, keys[a].folder)
                < std::forward_as_tuple(field(keys[b]), keys[b].title, keys[b].folder);
        };
    };
    switch (order) {
    case ByTitle:
        std::sort(songs.begin(), songs.end(), by([](const Key&) { return 0; }));
        break;
    case ByArtist:
        std::sort(songs.begin(), songs.end(), by([](const Key& key) -> const std::string& { return key.artist; }));
        break;
    case ByBpm:
        std::sort(songs.begin(), songs.end(), by([](const Key& key) { return key.bpm; }));
        break;
    case ByMeter:
        std::sort(songs.begin(), songs.end(), by([](const Key& key) { return key.meter; }));
        break;
    case ByPack:
    default:
        std::sort(songs.begin(), songs.end(), by([](const Key& key) -> const std::string& { return key.pack; }));
        break;
    }
}

} // namespace library
