#pragma once

#include "flow/AddressEntryScreen.h"
#include "flow/CalibrationScreen.h"
#include "flow/MappingScreen.h"
#include "flow/LobbyScreen.h"
#include "flow/NetPlan.h"
#include "flow/PauseScreen.h"
#include "flow/PlayScreen.h"
#include "flow/PlayerSpeeds.h"
#include "flow/PracticeScreen.h"
#include "flow/RecordKeeper.h"
#include "flow/ReplayPlayer.h"
#include "flow/ReplayShelf.h"
#include "flow/ResultsScreen.h"
#include "flow/SongChoice.h"
#include "flow/StoryPage.h"
#include "flow/StoryScreen.h"
#include "library/SongSync.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class ArrowManager;
class ConfigFileParser;
class NetBattle;
class SoundManager;
class Screen;
class Text;

// A match of rounds: the story screen (with the song panel, or the
// calibration), play, the results, and back to the story screen. It owns
// the screens and moves between them, keeps the song choice and each
// player's chart, and starts every manager's new round.
class Match {
public:
    // Where the configuration keeps the library song last started.
    static constexpr const char* librarySection = "Library";
    static constexpr const char* lastSongKey = "LastSong";

    // What the main loop does when the song starts and when a new round
    // takes the players back to the story screen.
    struct Hooks {
        std::function<void()> songStarted;
        std::function<void()> roundStarted;
    };

    // `storyText` is the main loop's story text, used as a stamp; the
    // configuration gives the players' names.
    Match(ArrowManager& arrows, Text* storyText, const ConfigFileParser& config, Hooks hooks);
    ~Match();
    Match(const Match&) = delete;
    Match& operator=(const Match&) = delete;

    // The song every start-up from now on plays instead of the game's own;
    // nothing for the game's own.
    static void setSongChoice(std::optional<SongChoice> choice) { songChoice = std::move(choice); }
    static const std::optional<SongChoice>& getSongChoice() { return songChoice; }
    // A battle across two machines from the next start-up on: hosting or
    // joining, shown in the lobby instead of the story screen.
    static void setNetPlan(std::optional<NetPlan> plan) { netPlan = std::move(plan); }
    // The music rate every start-up from now on begins with (the song panel
    // changes it for the rounds after).
    static void setStartRate(double rate) { startRate = rate; }

    static constexpr const char* showTransliterationsKey = "ShowTransliterations";

    // After the arrow manager's start-up: the results columns, the play
    // line, the settings, the players' speeds and records, and the song
    // choice's song for the arrow manager.
    void init();
    // Early in start-up: the song library, read on threads of its own.
    void startLibraryScan();
    // At the end of start-up: the song panel lists the game's own song, and
    // the library's songs as they are found.
    void showLibrary() { story.showLibrary(); }
    // The same, waiting until it is read (tests and scripts).
    void scanLibrary();
    // The library song last started, as the configuration keeps it.
    std::optional<std::filesystem::path> lastSong() const;

    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress);
    void onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick);
    void onKey(std::uint8_t code);
    void update(std::uint32_t tick);
    void draw();
    // While the current screen takes Escape, Escape does not end the game.
    bool takesEscape() const { return current->takesEscape(); }

    // The screens' ways on.
    void showStory();
    void showCalibration();
    void showMapping();
    // The song panel's practice key: the chosen song's practice on a loop.
    // Not in a battle across two machines, nor on the game's own song.
    void showPractice();
    // The main loop hears that a song (or a practice) has started.
    void songStarted() const
    {
        if (hooks.songStarted)
            hooks.songStarted();
    }
    // The story screen's ways into a battle across two machines: hosting on
    // the default port, or the address entry and joining what was typed
    // there. Not while another battle is on.
    void hostBattle();
    void showAddressEntry();
    void joinBattle(const NetPlan& plan);
    // A slot key on a screen before the song: from the second round on only
    // a new press starts it, not the key still held from the last round.
    void requestStart(std::uint32_t pressTick, bool newPress);
    void showResults(std::uint32_t tick);
    // Starts the song the arrow manager holds, as of `pressTick` and `fromMs`
    // into it, without looking at the song panel (a network battle's song).
    void startChosenSong(std::uint32_t pressTick, double fromMs = 0.0);
    // Escape in the lobby closes the link and shows the story screen, in the
    // address entry and the calibration it shows the story screen: true when
    // taken, so that it does not end the game.
    bool takeEscape();
    void startNewRound();
    // The pause key in play: the song stops under the pause menu (across two
    // machines it plays on). Going on resumes it as of `tick`; starting again
    // and going back to the song panel leave the round, which then sets no
    // record (leaving a battle across two machines says goodbye).
    void pauseSong();
    void endPause(std::uint32_t tick);
    void startAgain(std::uint32_t tick);
    void leaveSong();
    bool isPaused() const;
    // The players the autoplay bot plays (indexed by player - 1): their
    // rounds set no records.
    static void setBotPlayers(const std::array<bool, 2>& players) { botPlayers = players; }
    static const std::array<bool, 2>& getBotPlayers() { return botPlayers; }
    // One step of player 1's or 2's scroll speed, kept in the configuration.
    void stepSpeed(int player, bool faster) { speeds.step(player, faster); }

    // Plays a recorded round again, from the story screen or the results:
    // false, with a line saying why, when it cannot be played. A replay's
    // players' keys do nothing until its results, and it sets no record.
    bool playReplay(library::RecordedRound round, std::uint32_t tick);
    // Before the arrow manager's update: the replay's inputs of this frame.
    void feedReplay() { replay.feed(arrows); }
    bool isReplaying() const { return replay.isPlaying(); }
    // The replay file given at start-up has been refused, or its results
    // have been up for ResultsScreen::nextRoundAfterMs (--exit-at-end).
    bool replayFileDone(std::uint32_t tick) const;
    // The round as recorded up to the last song's end; null before one.
    const library::RecordedRound* lastRound() const { return lastRecorded ? &*lastRecorded : nullptr; }

    // Null when there is no sound manager.
    static SoundManager* findSound();

    ArrowManager& getArrows() const { return arrows; }
    const StoryPage& getStoryPage() const { return storyPage; }
    const ConfigFileParser& getConfig() const { return config; }
    // Whether songs show their Latin-letter spellings (titles, subtitles,
    // artists) where they have them.
    bool showsTransliterations() const { return transliterations; }
    const Screen* currentScreen() const { return current; }
    const StoryScreen& getStory() const { return story; }
    const CalibrationScreen& getCalibration() const { return calibration; }
    const MappingScreen& getMapping() const { return mapping; }
    const PlayScreen& getPlay() const { return play; }
    const ResultsScreen& getResults() const { return results; }
    const PauseScreen& getPause() const { return pause; }
    const PracticeScreen& getPractice() const { return practice; }
    const LobbyScreen& getLobby() const { return lobby; }
    const AddressEntryScreen& getAddressEntry() const { return addressEntry; }
    bool isPlayingChoice() const;
    const PlayerSpeeds& getSpeeds() const { return speeds; }
    RecordKeeper& getRecords() { return records; }
    // Each song's own sync, kept in the player's folder.
    library::SongSync& getSongSync() { return songSync; }
    // What the sync of the song last started is kept under; none for the
    // game's own song.
    const std::optional<library::SongSync::Key>& getPlayedSyncKey() const { return playedKey; }
    const RecordKeeper& getRecords() const { return records; }
    // The player's name as the configuration gives it: whose records they are.
    std::string playerName(int player) const;
    // Null outside a network battle.
    const NetBattle* getNetBattle() const { return net.get(); }

private:
    void startSong(std::uint32_t pressTick);
    void readySong();
    bool battleOn() const;
    void openBattle(const NetPlan& plan);
    void moveTo(Screen& screen);
    bool loadSong(const SongChoice& choice);
    void applySelection();
    void playGamesOwnSong();
    void submitRecords();
    void rememberSong(const std::filesystem::path& folder);
    void writeSyncMessages();
    void finishRecording();

    inline static std::optional<SongChoice> songChoice;
    inline static std::optional<NetPlan> netPlan;
    inline static double startRate = 1.0;

    inline static std::array<bool, 2> botPlayers{};
    // The choice the current song came from, played or refused.
    std::optional<SongChoice> playedChoice;
    ArrowManager& arrows;
    const ConfigFileParser& config;
    Hooks hooks;
    StoryPage storyPage;
    StoryScreen story;
    CalibrationScreen calibration;
    MappingScreen mapping;
    PlayScreen play;
    PauseScreen pause;
    ResultsScreen results;
    PracticeScreen practice;
    PlayerSpeeds speeds;
    RecordKeeper records;
    library::SongSync songSync;
    LobbyScreen lobby;
    AddressEntryScreen addressEntry;
    std::unique_ptr<NetBattle> net;
    Screen* current = nullptr;
    bool startNeedsNewPress = false;
    std::uint32_t songPausedAtTick = 0;
    bool transliterations = false;
    ReplayPlayer replay;
    std::optional<library::RecordedRound> lastRecorded;
    ReplayShelf shelf;
    // The last song as written to the configuration since the start.
    std::optional<std::string> savedLastSong;
    std::optional<library::SongSync::Key> playedKey;
};
