#pragma once

#include "flow/LibraryFeed.h"
#include "flow/Screen.h"
#include "flow/ReplayList.h"
#include "flow/SongBanner.h"
#include "flow/SongPreview.h"
#include "flow/SyncKeys.h"
#include "flow/TypedKeys.h"
#include "library/SongSelection.h"
#include "library/SongSync.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

class Match;

// The story and, under it, the song panel: the chosen song or pack, the
// song's tempo and length and each player's chart, and the song's banner if
// it has one. Up and Down choose the row; on a pack, Right, Left or a slot
// key opens it and Backspace goes back to the packs; on a song each
// player's Left and Right choose their own chart and a slot key starts it;
// the chosen song's sample loops. F1 changes the order, F2 opens the search
// (letters typed narrow the list; Enter keeps it, Escape drops it), Tab
// chooses a song at random, Page Up and Page Down move a page, Insert reads
// the library again. F6 and F7 make player 1's arrows slower and faster,
// F10 and F11 player 2's. Each player's best on their chart shows under it.
// F8 opens the controls' mapping, F9 the calibration, Enter the chosen
// song's practice on a loop. The library is read on
// threads of its own while the panel is shown; the panel fills in as songs
// are found.
class StoryScreen : public Screen {
public:
    // The game's own song as the library lists it.
    static constexpr const char* builtInChartPath = "Data/Dwi/Coconut.DWI";
    static constexpr const char* builtInMusicPath = "Data/Music/coconut.mp3";
    static constexpr int pageRows = 10;

    explicit StoryScreen(Match& match) : match(match) {}

    // Starts reading the library on threads of its own, as early in start-up
    // as can be.
    void startLibraryScan();
    // Lists the game's own song, and a song chosen on the command line, while
    // the library is read.
    void showLibrary();
    // Both, waiting until the library is read (tests and scripts).
    void scanLibrary();
    const library::SongSelection& getSelection() const { return selection; }
    bool isReadingLibrary() const { return feed.isReading(); }

    void enter() override;
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;
    bool takesEscape() const override { return typing || replays.isOpen() || !selection.query().empty(); }
    const ReplayList& getReplays() const { return replays; }
    // Escape while searching drops the search; true when taken.
    bool takeEscape();

    void startPreview();
    void stopPreview() { preview.stop(); }
    // The player's best on the chart chosen for them, as the panel shows it
    // ("none" without one).
    std::string bestText(int player) const;
    const SongBanner& getBanner() const { return banner; }
    // What a song's own sync is kept under: its folder and the identity of
    // its chart file's first chart. None for the game's own song.
    static std::optional<library::SongSync::Key> syncKeyOf(const library::SongEntry& song);

private:
    void listOwnSong();
    void libraryRead();
    void stepPanel(std::uint8_t player, std::uint8_t action);
    void typeKey(std::uint8_t code);
    void search(const std::string& text);
    void chooseRandom();
    void stepRate(bool faster);
    std::string rateAndSyncText() const;
    static double musicRate();
    void moved(const library::SongEntry* before);
    void drawSongPanel() const;
    void drawPackRow() const;
    void drawSongRow() const;
    std::string scrolled(const std::string& row) const;
    std::string libraryLine() const;
    std::string keysLine() const;
    std::string playerName(int number) const;

    Match& match;
    library::SongSelection selection;
    LibraryFeed feed;
    TypedKeys typed;
    // Comma and period move the chosen song's own sync a ms at a time.
    SyncKeys syncKeys;
    SongBanner banner;
    std::mt19937 random{std::random_device{}()};
    // Typing into the search.
    bool typing = false;
    std::string searchText;
    // A player has moved on the panel: the reading's end chooses nothing.
    bool playerMoved = false;
    SongPreview preview;
    ReplayList replays;
    std::uint32_t lastTick = 0;
    // Updates to go before the preview starts; -1 once it has.
    int updatesBeforePreview = -1;
};
