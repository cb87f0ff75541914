#include "app/AutoplayBot.h"

#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/StepFileManager.h"
#include "platform/SystemClock.h"
#include "sound/SoundManager.h"

#include <algorithm>

namespace {

constexpr const char* songName = "Coconut";
// Milliseconds of half a beat are 30000 / bpm.
constexpr double halfBeatsPerMinuteMs = 30000.0;

} // namespace

AutoplayBot::AutoplayBot(bool exitAtEnd, std::uint32_t seed)
    : exitAtEnd(exitAtEnd)
    , seed(seed)
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
        startSongAfterStory(record, tick);
        return;
    }
    if (!planned)
        planSong();
    pressDueKeys(record, mainLoop.getFrameDelta());
    if (exitAtEnd)
        quitAfterWinner(record, tick);
}

// A new main loop starts with a new story screen and song.
void AutoplayBot::startOver(MainLoop& mainLoop)
{
    playing = &mainLoop;
    arrows = ObjectRegistry::instance()->findAs<ArrowManager>("ArrowManager");
    firstTick = platform::SystemClock::tickCount();
    songRequested = false;
    planned = false;
    presses.clear();
    nextPress = 0;
    heldKeys.clear();
    winnerTick.reset();
}

void AutoplayBot::releaseHeldKeys(WindowRecord& record)
{
    for (const std::uint8_t key : heldKeys)
        record.window->pushKey(key, false);
    heldKeys.clear();
}

void AutoplayBot::press(WindowRecord& record, std::uint8_t key)
{
    if (std::find(heldKeys.begin(), heldKeys.end(), key) != heldKeys.end())
        return;
    record.window->pushKey(key, true);
    heldKeys.push_back(key);
}

// Any slot key starts the song: player 1's first one.
void AutoplayBot::startSongAfterStory(WindowRecord& record, std::uint32_t tick)
{
    if (songRequested || tick - firstTick < storyScreenMs)
        return;
    auto* players = ObjectRegistry::instance()->findAs<PlayerManager>("PlayerManager");
    const Player* first = players ? players->getPlayer(1) : nullptr;
    if (!first)
        return;
    press(record, first->getKeys()[Player::KeySlot1]);
    songRequested = true;
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
    presses = planPresses(chart->getNotes(), chart->getBpm(), chart->getGap(), first->getKeys(), second->getKeys(),
                          random);
}

// The press is judged in the next frame's update; pressing on the frame
// whose clock is nearest the beat keeps the error within half a frame.
void AutoplayBot::pressDueKeys(WindowRecord& record, std::uint32_t frameMs)
{
    const double heard = SoundManager::instance()->getStreamTime(songName) + frameMs / 2.0;
    while (nextPress < presses.size() && presses[nextPress].songMs <= heard)
        press(record, presses[nextPress++].key);
}

void AutoplayBot::quitAfterWinner(WindowRecord& record, std::uint32_t tick)
{
    if (!winnerTick) {
        const Text* winner = arrows ? arrows->getWinnerText() : nullptr;
        if (winner && !winner->getText().empty())
            winnerTick = tick;
        return;
    }
    if (tick - *winnerTick >= exitDelayMs)
        Application::requestQuit(record);
}
