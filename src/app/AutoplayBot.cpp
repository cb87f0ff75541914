#include "app/AutoplayBot.h"

#include "app/Application.h"
#include "app/MainLoop.h"
#include "chart/Chart.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/GimmickManager.h"
#include "game/Missile.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/StepFileManager.h"
#include "platform/SystemClock.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* songName = "Coconut";
// Milliseconds of half a beat are 30000 / bpm.
constexpr double halfBeatsPerMinuteMs = 30000.0;
// Missiles fired by player 1 fly up player 2's field.
constexpr int catchingPlayer = 2;
constexpr int laneCount = 4;
// A press planned further back than this (a stalled frame) goes down now.
constexpr double maximumLatenessMs = 1000.0;

// Tick counts wrap; a due tick counts as reached for half the range after it.
bool reached(std::uint32_t tick, std::uint32_t due)
{
    return static_cast<std::int32_t>(tick - due) >= 0;
}

const Player* playerNumber(int number)
{
    auto* players = ObjectRegistry::instance()->findAs<PlayerManager>("PlayerManager");
    return players ? players->getPlayer(number) : nullptr;
}

} // namespace

AutoplayBot::AutoplayBot(bool exitAtEnd, std::uint32_t seed, int rounds, bool secondLikePerson, int onlyPlayer)
    : exitAtEnd(exitAtEnd)
    , seed(seed)
    , rounds(std::max(rounds, 1))
    , secondLikePerson(secondLikePerson)
    , onlyPlayer(onlyPlayer == 1 || onlyPlayer == 2 ? onlyPlayer : 0)
{
}

std::vector<AutoplayBot::Press> AutoplayBot::planPresses(const std::string& notes, float bpm, int gap,
                                                         const std::uint8_t* player1Keys,
                                                         const std::uint8_t* player2Keys, std::mt19937& random)
{
    std::vector<Press> planned;
    if (!(bpm > 0.0f))
        return planned;
    std::normal_distribution<double> spread(spreadMeanMs, spreadSigmaMs);
    const double stepMs = halfBeatsPerMinuteMs / bpm;
    std::size_t cursor = 0;
    for (std::size_t step = 0;; ++step) {
        const char note = StepFileManager::takeStep(notes, cursor);
        if (note == '\0')
            break;
        const double beatMs = gap + static_cast<double>(step) * stepMs;
        const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(note);
        for (std::size_t i = 0; i < arrows.count; ++i) {
            const Lane lane = arrows.lanes[i];
            planned.push_back({beatMs, 1, player1Keys[lane]});
            const double late = std::clamp(spread(random), -spreadLimitMs, spreadLimitMs);
            planned.push_back({beatMs + late, 2, player2Keys[lane]});
        }
    }
    std::stable_sort(planned.begin(), planned.end(),
                     [](const Press& a, const Press& b) { return a.songMs < b.songMs; });
    return planned;
}

std::vector<AutoplayBot::Press> AutoplayBot::planChartPresses(const chart::Chart& first, const chart::Chart& second,
                                                              const std::uint8_t* player1Keys,
                                                              const std::uint8_t* player2Keys, std::mt19937& random,
                                                              bool secondLikePerson)
{
    std::vector<Press> planned;
    std::normal_distribution<double> spread(spreadMeanMs, spreadSigmaMs);
    // Just after a hold's end, so the game sees it kept to the last moment.
    constexpr double holdPastEndMs = 30.0;
    const auto plan = [&](const chart::Chart& chart, int player, const std::uint8_t* keys, bool scatter) {
        for (const chart::Note& note : chart.notes) {
            if (note.kind == chart::NoteKind::Mine || note.kind == chart::NoteKind::Fake)
                continue;
            const double late = scatter ? std::clamp(spread(random), -spreadLimitMs, spreadLimitMs) : 0.0;
            const double noteMs = chart.tempo.msAt(note.beat.value()) + late;
            if (note.kind == chart::NoteKind::Lift) {
                planned.push_back({noteMs - liftLeadMs, player, keys[note.lane], noteMs});
                continue;
            }
            const double release = note.isHead() ? chart.tempo.msAt(note.end.value()) + holdPastEndMs : -1.0;
            planned.push_back({noteMs, player, keys[note.lane], release});
        }
    };
    plan(first, 1, player1Keys, false);
    plan(second, 2, player2Keys, secondLikePerson);
    std::stable_sort(planned.begin(), planned.end(),
                     [](const Press& a, const Press& b) { return a.songMs < b.songMs; });
    return planned;
}

// Slot keys 1 and 3 fire slot 1, slot keys 2 and 4 slot 0; the bot uses the
// first of each pair.
std::optional<int> AutoplayBot::fireKeyIndex(int slot)
{
    if (slot == 0)
        return Player::KeySlot2;
    if (slot == 1)
        return Player::KeySlot1;
    return std::nullopt;
}

bool AutoplayBot::inCatchReach(float height)
{
    return height >= catchFromHeight && height < Gimmick::windowHigh;
}

void AutoplayBot::operator()(WindowRecord& record, MainLoop& mainLoop)
{
    if (&mainLoop != playing)
        startOver(mainLoop);
    if (!record.window)
        return;
    const std::uint32_t tick = platform::SystemClock::tickCount();
    // A key is down for exactly one update: released on the frame after.
    releaseHeldKeys(record);
    if (mainLoop.getStarted() == 0) {
        if (planned)
            startRound();
        startSongAfterStory(record, tick);
        return;
    }
    if (!planned)
        planSong();
    pressDueKeys(record);
    reportCatch();
    fireStoredMissiles(record, tick);
    catchIncomingMissile(record);
    afterWinner(record, tick);
}

// Back on the story screen after a song: the next round.
void AutoplayBot::startRound()
{
    ++roundsPlayed;
    firstTick = platform::SystemClock::tickCount();
    nextSongChosen = false;
    planned = false;
    presses.clear();
    nextPress = 0;
    winnerTick.reset();
    pendingFires = {};
    consideredMissiles.clear();
    catching = nullptr;
}

// A new main loop starts with a new story screen and song.
void AutoplayBot::startOver(MainLoop& mainLoop)
{
    playing = &mainLoop;
    arrows = ObjectRegistry::instance()->findAs<ArrowManager>("ArrowManager");
    firstTick = platform::SystemClock::tickCount();
    planned = false;
    presses.clear();
    nextPress = 0;
    heldKeys.clear();
    winnerTick.reset();
    missileRandom.seed(seed + 1);
    pendingFires = {};
    consideredMissiles.clear();
    catching = nullptr;
}

// Keys go up on the frame after their press, holds and lifts at their
// times, stamped with the moment the song reached them.
void AutoplayBot::releaseHeldKeys(WindowRecord& record)
{
    if (heldKeys.empty())
        return;
    const SoundManager::SongMoment now = songMoment();
    std::erase_if(heldKeys, [&](const HeldKey& held) {
        if (held.releaseMs >= 0.0 && held.releaseMs > now.songMs)
            return false;
        record.window->pushKey(held.key, false, held.releaseMs >= 0.0 ? stampOf(now, held.releaseMs) : now.tick);
        return true;
    });
}

// The game's song clock, which runs before the music in a lead-in.
SoundManager::SongMoment AutoplayBot::songMoment() const
{
    if (arrows)
        return arrows->songRun().read();
    return SoundManager::instance()->getSongMoment(songName);
}

// The tick count at which the song was at `songMs`, a moment before `now`
// (the song runs at the music's rate); never before the song started, as a
// person cannot press before that.
std::uint32_t AutoplayBot::stampOf(const SoundManager::SongMoment& now, double songMs) const
{
    const double songLateMs = (now.songMs - songMs) / SoundManager::instance()->getMusicRate();
    const double lateMs = std::clamp(songLateMs, 0.0, maximumLatenessMs);
    const std::uint32_t stamp = now.tick - static_cast<std::uint32_t>(std::lround(lateMs));
    const std::optional<std::uint32_t> start = arrows ? arrows->songRun().getStartTick() : std::nullopt;
    return start && !reached(stamp, *start) ? *start : stamp;
}

// The key goes down at `tick`: the game judges the press as of then, however
// late in the frame it reads it. A key already down stays down until the
// later of its two releases.
void AutoplayBot::press(WindowRecord& record, std::uint8_t key, std::uint32_t tick, double releaseMs)
{
    const auto held = std::find_if(heldKeys.begin(), heldKeys.end(), [key](const HeldKey& down) { return down.key == key; });
    if (held != heldKeys.end()) {
        held->releaseMs = std::max(held->releaseMs, releaseMs);
        return;
    }
    record.window->pushKey(key, true, tick);
    heldKeys.push_back({key, releaseMs});
}

void AutoplayBot::press(WindowRecord& record, std::uint8_t key)
{
    press(record, key, platform::SystemClock::tickCount());
}

// Any slot key starts the song: player 1's first one.
// From the second round on, player 1's Down chooses the next song first.
void AutoplayBot::startSongAfterStory(WindowRecord& record, std::uint32_t tick)
{
    const Player* first = playerNumber(1);
    if (!first || onlyPlayer != 0)
        return;
    if (roundsPlayed > 0 && !nextSongChosen && tick - firstTick >= storyScreenMs / 2) {
        press(record, first->getKeys()[LaneDown]);
        nextSongChosen = true;
    }
    if (tick - firstTick < storyScreenMs)
        return;
    // Pressed again every second until the song starts: a network battle
    // starts only once the other player is there.
    press(record, first->getKeys()[Player::KeySlot1]);
    firstTick = tick;
}

void AutoplayBot::planSong()
{
    planned = true;
    ObjectRegistry* registry = ObjectRegistry::instance();
    auto* chart = registry->findAs<StepFileManager>("StepFileManager");
    auto* players = registry->findAs<PlayerManager>("PlayerManager");
    const Player* first = players ? players->getPlayer(1) : nullptr;
    const Player* second = players ? players->getPlayer(2) : nullptr;
    if (!chart || !first || !second)
        return;
    std::mt19937 random(seed);
    if (arrows && arrows->getSong())
        presses = planChartPresses(arrows->getChartPlayer(1)->getChart(), arrows->getChartPlayer(2)->getChart(),
                                   first->getKeys(), second->getKeys(), random, secondLikePerson);
    else
        presses = planPresses(chart->getNotes(), chart->getBpm(), chart->getGap(), first->getKeys(),
                              second->getKeys(), random);
    std::erase_if(presses, [this](const Press& planned) { return !plays(planned.player); });
}

// Every press whose song time has come since the last frame goes down
// stamped with that moment: the tick count now, less how far the song has
// moved on since.
void AutoplayBot::pressDueKeys(WindowRecord& record)
{
    const SoundManager::SongMoment now = songMoment();
    for (; nextPress < presses.size() && presses[nextPress].songMs <= now.songMs; ++nextPress) {
        const Press& due = presses[nextPress];
        press(record, due.key, stampOf(now, due.songMs), due.releaseMs);
    }
}

// Three seconds after the winner shows: a slot key leads to the next round,
// or after the last round the game ends (with --exit-at-end).
void AutoplayBot::afterWinner(WindowRecord& record, std::uint32_t tick)
{
    if (!winnerTick) {
        const Text* winner = arrows ? arrows->texts().winner() : nullptr;
        if (winner && !winner->getText().empty())
            winnerTick = tick;
        return;
    }
    if (tick - *winnerTick < exitDelayMs)
        return;
    if (roundsPlayed + 1 < rounds) {
        if (const Player* first = playerNumber(1); first && onlyPlayer == 0)
            press(record, first->getKeys()[Player::KeySlot1]);
    } else if (exitAtEnd) {
        Application::requestQuit(record);
    }
}

// A missile newly in a fireable slot gets a seeded pause; when it is over
// the slot's key goes down. A press the game ignored is tried again later.
void AutoplayBot::fireStoredMissiles(WindowRecord& record, std::uint32_t tick)
{
    const auto* gimmicks = ObjectRegistry::instance()->findAs<GimmickManager>("GimmickManager");
    if (!gimmicks)
        return;
    std::uniform_int_distribution<std::uint32_t> delay(fireDelayMinMs, fireDelayMaxMs);
    for (int number = 1; number <= GimmickManager::playerCount; ++number) {
        if (!plays(number))
            continue;
        const Player* player = playerNumber(number);
        for (int slot = 0; slot < static_cast<int>(pendingFires[number - 1].size()); ++slot) {
            PendingFire& pending = pendingFires[number - 1][slot];
            const Gimmick* stored = gimmicks->getSlot(number, slot);
            if (stored != pending.gimmick) {
                pending = {stored, stored ? tick + delay(missileRandom) : 0};
                continue;
            }
            if (!stored || !player || !reached(tick, pending.dueTick))
                continue;
            press(record, player->getKeys()[*fireKeyIndex(slot)]);
            pending.dueTick = tick + fireDelayMaxMs;
        }
    }
}

// Each missile climbing player 2's field is decided on once, as it reaches
// the catch window: one in catchOneIn gets its lane's key pressed.
void AutoplayBot::catchIncomingMissile(WindowRecord& record)
{
    if (!secondLikePerson || !plays(catchingPlayer))
        return;
    const auto* gimmicks = ObjectRegistry::instance()->findAs<GimmickManager>("GimmickManager");
    const Player* player = playerNumber(catchingPlayer);
    if (!gimmicks || !player)
        return;
    for (const Gimmick* gimmick : gimmicks->getGimmicks()) {
        const auto* missile = dynamic_cast<const Missile*>(gimmick);
        if (!missile || !missile->isLaunched() || missile->exploded || missile->side != catchingPlayer
            || !inCatchReach(missile->y) || missile->lane < 0 || missile->lane >= laneCount)
            continue;
        if (std::find(consideredMissiles.begin(), consideredMissiles.end(), missile) != consideredMissiles.end())
            continue;
        consideredMissiles.push_back(missile);
        if (std::uniform_int_distribution<int>(1, catchOneIn)(missileRandom) != 1)
            continue;
        press(record, player->getKeys()[missile->lane]);
        catching = missile;
    }
}

// The press is handled in the frame after it; a missile that has exploded
// by then was caught.
void AutoplayBot::reportCatch()
{
    if (!catching)
        return;
    if (catching->exploded)
        OutputHandler::log(OutputHandler::find(), "AutoplayBot: player %d caught the missile in lane %d",
                           catchingPlayer, catching->lane);
    catching = nullptr;
}
