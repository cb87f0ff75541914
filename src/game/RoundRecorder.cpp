#include "game/RoundRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

void RoundRecorder::start(std::string song, std::uint32_t seed, double rate)
{
    recorded = {};
    recorded.song = std::move(song);
    recorded.seed = seed;
    recorded.rate = rate;
}

void RoundRecorder::setPlayer(int player, std::string name, std::string chartHash, std::string chart, double speed)
{
    if (library::PlayerRound* kept = side(player)) {
        kept->name = std::move(name);
        kept->chartHash = std::move(chartHash);
        kept->chart = std::move(chart);
        kept->speed = speed;
    }
}

void RoundRecorder::press(int player, double songMs, std::uint8_t lane, std::uint8_t hit, std::uint32_t readAfterMs)
{
    if (library::PlayerRound* kept = side(player))
        kept->inputs.push_back({microseconds(songMs), lane, false, hit, readAfter(readAfterMs)});
}

void RoundRecorder::release(int player, double songMs, std::uint8_t lane, std::uint32_t readAfterMs)
{
    if (library::PlayerRound* kept = side(player))
        kept->inputs.push_back({microseconds(songMs), lane, true, library::RoundInput::Nothing, readAfter(readAfterMs)});
}

std::uint16_t RoundRecorder::readAfter(std::uint32_t ms)
{
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(ms, UINT16_MAX));
}

void RoundRecorder::missile(int player, double songMs, std::uint8_t lane, library::RoundMissile::Kind kind,
                            std::uint32_t blockMs)
{
    if (player == 1 || player == 2)
        recorded.missiles.push_back({microseconds(songMs), static_cast<std::uint8_t>(player), lane, kind, blockMs});
}

void RoundRecorder::remoteWord(double songMs, std::uint8_t lane, std::uint8_t word, std::uint32_t arrowNumber)
{
    recorded.remote.push_back({microseconds(songMs), library::RemoteEvent::Word, lane, word, arrowNumber, 0});
}

void RoundRecorder::remotePoints(double songMs, std::uint32_t points)
{
    recorded.remote.push_back({microseconds(songMs), library::RemoteEvent::Points, 0, 0, 0, points});
}

// Presses judged in one frame may come out of the order they were made in.
const library::RecordedRound& RoundRecorder::finish(double songLengthMs)
{
    recorded.songLengthUs = microseconds(songLengthMs);
    const auto byTime = [](const auto& a, const auto& b) { return a.songUs < b.songUs; };
    for (library::PlayerRound& player : recorded.players)
        std::stable_sort(player.inputs.begin(), player.inputs.end(), byTime);
    std::stable_sort(recorded.missiles.begin(), recorded.missiles.end(), byTime);
    std::stable_sort(recorded.remote.begin(), recorded.remote.end(), byTime);
    return recorded;
}

std::int64_t RoundRecorder::microseconds(double songMs)
{
    return std::isfinite(songMs) ? std::llround(songMs * 1000.0) : 0;
}

library::PlayerRound* RoundRecorder::side(int player)
{
    return player == 1 || player == 2 ? &recorded.players[static_cast<std::size_t>(player - 1)] : nullptr;
}
