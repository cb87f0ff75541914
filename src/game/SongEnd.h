#pragma once

#include <array>
#include <cstdint>
#include <memory>

class ChartPlayer;
class PlayTexts;
class PressJudge;
class SoundManager;

// The song's end: once the song stream has played to its length the winner
// text names the winner on every frame, and on the first such frame after a
// start the totals, the charts' holds and mines, the timing and the sound
// device's underruns during the song go to the log.
class SongEnd {
public:
    using ChartPlayers = std::array<std::unique_ptr<ChartPlayer>, 2>;

    SongEnd(PlayTexts& texts, const PressJudge& judge) : texts(texts), judge(judge) {}

    // The song starts: underruns are counted from now.
    void noteStart(const SoundManager* sound);
    // Once per frame; `started`: the song has been started.
    void check(SoundManager* sound, const char* stream, bool started, const ChartPlayers& chartPlayers);
    void newRound();
    // The song has ended and its totals are logged; from the tick count then.
    bool isOver() const { return finalTotalsLogged; }
    std::uint32_t getEndTick() const { return endTick; }

private:
    PlayTexts& texts;
    const PressJudge& judge;
    bool finalTotalsLogged = false;
    // When the song's end was noted.
    std::uint32_t endTick = 0;
    // The sound device's underrun count when the song started.
    std::uint64_t underrunsAtStart = 0;
};
