#pragma once

#include "flow/Screen.h"
#include "flow/SongBanner.h"
#include "library/SongSelection.h"

#include <cstdint>
#include <string>

class Match;

// The story and, under it, the song panel: the chosen song, its tempo and
// length and each player's chart, and the song's banner if it has one.
// Up and Down choose the song, each
// player's Left and Right their own chart; the chosen song's sample loops.
// F6 and F7 make player 1's arrows slower and faster, F10 and F11 player
// 2's. Each player's best on their chart shows under it. A slot key starts
// the song, F8 the controls' mapping, F9 the calibration.
class StoryScreen : public Screen {
public:
    static constexpr const char* previewStreamName = "Preview";
    // The game's own song as the library lists it.
    static constexpr const char* builtInChartPath = "Data/Dwi/Coconut.DWI";
    static constexpr const char* builtInMusicPath = "Data/Music/coconut.mp3";

    explicit StoryScreen(Match& match) : match(match) {}

    // Lists the songs of the library, the game's own first, and chooses the
    // song the arrow manager plays (the song choice's, or the game's own).
    void scanLibrary();
    const library::SongSelection& getSelection() const { return selection; }

    void enter() override;
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;

    void startPreview();
    void stopPreview();
    // The player's best on the chart chosen for them, as the panel shows it
    // ("none" without one).
    std::string bestText(int player) const;
    const SongBanner& getBanner() const { return banner; }

private:
    void stepPanel(std::uint8_t player, std::uint8_t action);
    void loopPreview();
    void drawSongPanel() const;
    std::string playerName(int number) const;

    Match& match;
    library::SongSelection selection;
    SongBanner banner;
    bool previewing = false;
    // Updates to go before the preview starts; -1 once it has.
    int updatesBeforePreview = -1;
    double previewLengthMs = 0.0;
};
