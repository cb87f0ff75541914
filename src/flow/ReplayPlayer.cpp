#include "flow/ReplayPlayer.h"

#include "chart/ChartHash.h"
#include "chart/Song.h"
#include "core/OutputHandler.h"
#include "flow/RecordKeeper.h"
#include "flow/SongLoader.h"
#include "flow/StoryScreen.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/GimmickManager.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "library/ReplayFile.h"
#include "net/NetProtocol.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

namespace {

constexpr double microsecondsPerMs = 1000.0;
// An input is read in the frame whose song time is its own plus its delay;
// this much early still counts, for times kept to the microsecond.
constexpr double readingSlackMs = 0.5;
// The input handler fires a player's keys Up, Right, Down, Left (lanes 1, 2,
// 3, 0), then the slots.
constexpr std::array<std::uint8_t, 4> laneOfKey{1, 2, 3, 0};

} // namespace

bool ReplayPlayer::prepare(const library::RecordedRound& round, ArrowManager& arrows, RecordKeeper& records)
{
    const std::string problem = loadSong(round, arrows, records);
    if (!problem.empty()) {
        arrows.playGamesOwnSong();
        roundSpeeds.reset();
        OutputHandler::report(OutputHandler::find(), Warning, "Match: The replay cannot be played: %s",
                              problem.c_str());
        return false;
    }
    OutputHandler::log(OutputHandler::find(), "Match: A replay of %s and %s on '%s'", round.players[0].name.c_str(),
                       round.players[1].name.c_str(), round.song.empty() ? "the game's own song" : round.song.c_str());
    return true;
}

std::string ReplayPlayer::loadSong(const library::RecordedRound& round, ArrowManager& arrows, RecordKeeper& records)
{
    arrows.playGamesOwnSong();
    roundSpeeds.reset();
    std::array<std::string, 2> hashes;
    std::int64_t lengthUs = library::ReplayFile::maxSongUs;
    if (round.song.empty()) {
        hashes.fill(records.ownChartHash(StoryScreen::builtInChartPath));
    } else {
        if (!std::filesystem::is_directory(round.song))
            return "its song '" + round.song + "' is missing";
        SongLoader::Loaded loaded = SongLoader::load(round.song);
        if (!loaded.song)
            return "its song '" + round.song + "' cannot be played: " + loaded.problem;
        std::array<std::size_t, 2> chartIndex{};
        for (std::size_t player = 0; player < hashes.size(); ++player) {
            const std::vector<chart::Chart>& charts = loaded.song->charts;
            const auto played = std::find_if(charts.begin(), charts.end(), [&](const chart::Chart& chart) {
                return chart::ChartHash::of(chart).hex() == round.players[player].chartHash;
            });
            chartIndex[player] = played == charts.end() ? 0 : static_cast<std::size_t>(played - charts.begin());
            hashes[player] = played == charts.end() ? std::string() : round.players[player].chartHash;
        }
        arrows.playSong(std::move(loaded.song), chartIndex);
        std::array<ScrollSpeed, 2> chosen;
        for (std::size_t player = 0; player < chosen.size(); ++player) {
            if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(static_cast<int>(player) + 1))
                chosen[player] = ScrollSpeed::withFactor(round.players[player].speed, chartPlayer->getChart());
        }
        roundSpeeds = chosen;
        if (SoundManager* sound = SoundManager::instance()) {
            if (const std::uint32_t length = sound->getStreamLength(ChartPlayer::streamName); length > 0)
                lengthUs = std::int64_t{length} * 1000;
        }
    }
    return library::ReplayFile::mismatch(round, hashes, lengthUs);
}

void ReplayPlayer::start(library::RecordedRound round)
{
    if (SoundManager* sound = SoundManager::instance()) {
        rateBefore = sound->getMusicRate();
        sound->setMusicRate(round.rate);
    }
    // The winner is named as the round named it.
    if (round.localPlayer != 0)
        PlayerManager::instance()->setNames({round.players[0].name, round.players[1].name});
    replayed = std::move(round);
    next = {};
    nextRemote = 0;
    nextMissile = 0;
    down = {};
}

void ReplayPlayer::stop()
{
    if (!replayed)
        return;
    if (replayed->localPlayer != 0)
        PlayerManager::instance()->setNames({});
    replayed.reset();
    if (SoundManager* sound = SoundManager::instance())
        sound->setMusicRate(rateBefore);
}

void ReplayPlayer::feed(ArrowManager& arrows)
{
    SongRun& run = arrows.songRun();
    if (!replayed || !run.isStarted() || run.isPaused())
        return;
    const double songNowMs = run.read().songMs;
    const double rate = Arrow::getMusicRate();
    for (const int player : {1, 2})
        feedPlayer(arrows, player, songNowMs, rate);
    if (replayed->localPlayer != 0)
        feedRemote(arrows, songNowMs);
}

// What the other machine told, in the frame it came in: it came while the
// round's frame at that song time was read.
void ReplayPlayer::feedRemote(ArrowManager& arrows, double songNowMs)
{
    const int remote = replayed->localPlayer == 1 ? 2 : 1;
    const auto due = [songNowMs](std::int64_t songUs) {
        return static_cast<double>(songUs) / microsecondsPerMs <= songNowMs + readingSlackMs;
    };
    const std::vector<library::RemoteEvent>& told = replayed->remote;
    for (; nextRemote < told.size() && due(told[nextRemote].songUs); ++nextRemote) {
        const library::RemoteEvent& event = told[nextRemote];
        if (event.kind == library::RemoteEvent::Points) {
            if (Player* player = arrows.judging().playerNumber(remote)) {
                player->resetPoints();
                player->addPoints(event.points);
            }
        } else if (event.word < net::judgementWords.size()) {
            arrows.judging().applyRemote({remote, event.arrowNumber == 0 ? PressJudge::noLane : event.lane,
                                          event.arrowNumber, net::judgementWords[event.word]});
        }
    }
    const std::vector<library::RoundMissile>& missiles = replayed->missiles;
    for (; nextMissile < missiles.size() && due(missiles[nextMissile].songUs); ++nextMissile) {
        const library::RoundMissile& missile = missiles[nextMissile];
        if (missile.player == remote && missile.kind == library::RoundMissile::Sent)
            GimmickManager::instance()->launchInLane(static_cast<std::int8_t>(remote), 0, missile.lane);
    }
}

// A missile's block is kept in ticks, and across two machines the other
// player's missiles came and went with the network's delays: a press is
// blocked where the round found it blocked, in whatever frame it is read.
std::optional<bool> ReplayPlayer::roundBlocked(const library::RoundInput& input) const
{
    if (!replayed->blocksKept || input.release)
        return std::nullopt;
    return input.hit == library::RoundInput::Blocked;
}

void ReplayPlayer::feedPlayer(ArrowManager& arrows, int player, double songNowMs, double rate)
{
    const std::vector<library::RoundInput>& inputs = replayed->players[static_cast<std::size_t>(player - 1)].inputs;
    std::size_t& cursor = next[static_cast<std::size_t>(player - 1)];
    std::vector<const library::RoundInput*> due;
    const auto readAt = [rate](const library::RoundInput& input) {
        return static_cast<double>(input.songUs) / microsecondsPerMs + input.readAfterMs * rate;
    };
    // Inputs are in song time; one read late may keep a later one waiting.
    while (cursor < inputs.size() && readAt(inputs[cursor]) <= songNowMs + readingSlackMs)
        due.push_back(&inputs[cursor++]);
    std::bitset<directions>& held = down[static_cast<std::size_t>(player - 1)];
    for (std::size_t key = 0; key < library::RoundInput::laneCount; ++key) {
        const auto lane = static_cast<std::uint8_t>(key < directions ? laneOfKey[key] : key);
        bool moved = false;
        for (const library::RoundInput* input : due) {
            if (input->lane != lane)
                continue;
            moved = true;
            if (lane < directions)
                held.set(lane, !input->release);
            arrows.onRecordedInput(static_cast<std::uint8_t>(player), lane,
                                   static_cast<double>(input->songUs) / microsecondsPerMs,
                                   input->release ? Arrow::LaneEvent::Release : Arrow::LaneEvent::Press,
                                   roundBlocked(*input));
        }
        if (!moved && lane < directions && held.test(lane))
            arrows.onRecordedInput(static_cast<std::uint8_t>(player), lane, songNowMs, Arrow::LaneEvent::Held);
    }
}
