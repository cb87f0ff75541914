#include "flow/Match.h"

#include "chart/Song.h"
#include "core/ConfigFileParser.h"
#include "core/ConfigFileWriter.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "core/PercentCoding.h"
#include "flow/Calibration.h"
#include "flow/NetBattle.h"
#include "flow/RoundRecords.h"
#include "flow/SongLoader.h"
#include "flow/Story.h"
#include "flow/SyncKeys.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/PlayerManager.h"
#include "game/Sidebar.h"
#include "net/NetProtocol.h"
#include "platform/SystemClock.h"
#include "scene/Dancer.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <algorithm>

namespace {

// [General] ShowTransliterations: 1 shows songs' Latin-letter spellings
// where they have them, 0 or nothing the titles as written.
bool readShowTransliterations(const ConfigFileParser& config)
{
    const std::string value = config.getValue(Match::showTransliterationsKey, "General");
    if (value.empty() || value == "0")
        return false;
    if (value == "1")
        return true;
    OutputHandler::report(OutputHandler::find(), Warning,
                          "Conf/global.cfg: [General] %s = '%s' is neither 0 nor 1; titles show as written",
                          Match::showTransliterationsKey, value.c_str());
    return false;
}

} // namespace

Match::Match(ArrowManager& arrows, Text* storyText, const ConfigFileParser& config, Hooks hooks)
    : arrows(arrows)
    , config(config)
    , hooks(std::move(hooks))
    , storyPage(storyText)
    , story(*this)
    , calibration(*this)
    , mapping(*this)
    , play(*this)
    , pause(*this)
    , results(*this)
    , practice(*this)
    , speeds(Calibration::configPath)
    , lobby(*this)
    , addressEntry(*this)
    , current(&story)
{
}

Match::~Match() = default;

SoundManager* Match::findSound()
{
    return ObjectRegistry::instance()->findAs<SoundManager>("SoundManager");
}

void Match::init()
{
    results.create();
    play.create();
    transliterations = readShowTransliterations(config);
    speeds.read(config);
    if (SoundManager* sound = findSound())
        sound->setMusicRate(startRate);
    records.open();
    playedChoice = songChoice;
    if (songChoice)
        loadSong(*songChoice);
    if (netPlan)
        openBattle(*netPlan);
}

void Match::startLibraryScan()
{
    story.startLibraryScan();
}

void Match::scanLibrary()
{
    story.scanLibrary();
}

bool Match::isPlayingChoice() const
{
    return songChoice && arrows.getSong() != nullptr;
}

void Match::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    // Across two machines each plays only its own player; in a replay the
    // round's players play: the keys only work the pause menu and go on
    // from the results.
    const bool replayed = replay.isPlaying() && current != &pause && (current != &results || action <= 4);
    if ((net && player != net->localPlayer()) || replayed)
        return;
    if (player == 1 || player == 2)
        current->onPlayerAction(player, action, pressTick, newPress);
}

void Match::onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)
{
    if ((net && player != net->localPlayer()) || replay.isPlaying())
        return;
    if (player == 1 || player == 2)
        current->onPlayerRelease(player, action, releaseTick);
}

void Match::onKey(std::uint8_t code)
{
    current->onKey(code);
}

void Match::update(std::uint32_t tick)
{
    if (net)
        net->update(tick);
    if (shelf.startFileWaiting() && current == &story) {
        std::optional<library::RecordedRound> round = shelf.takeStartFile();
        if (round && !playReplay(std::move(*round), tick))
            shelf.refuseStartFile();
    }
    current->update(tick);
    records.writeMessages();
    writeSyncMessages();
}

void Match::writeSyncMessages()
{
    for (const std::string& message : songSync.takeMessages())
        OutputHandler::report(OutputHandler::find(), Warning, "%s", message.c_str());
}

void Match::draw()
{
    current->draw();
    if (net && !net->notice().empty() && current != &lobby)
        storyPage.drawLine(::story::networkLineY, net->notice());
}

bool Match::takeEscape()
{
    if (current == &story)
        return story.takeEscape();
    if (current == &practice)
        return practice.takeEscape();
    if (current == &results && results.isPractice()) {
        startNewRound();
        return true;
    }
    if (current == &calibration)
        calibration.stop();
    if (current == &addressEntry || current == &calibration) {
        showStory();
        return true;
    }
    if (current != &lobby)
        return false;
    net.reset();
    showStory();
    return true;
}

void Match::moveTo(Screen& screen)
{
    current = &screen;
    screen.enter();
}

void Match::showStory()
{
    moveTo(story);
}

void Match::showCalibration()
{
    if (SoundManager* sound = findSound())
        sound->setSongOffset(0.0);
    moveTo(calibration);
}

void Match::showMapping()
{
    moveTo(mapping);
}

bool Match::battleOn() const
{
    return net && !net->isOver();
}

void Match::hostBattle()
{
    if (!battleOn())
        openBattle(NetPlan{true, {}, net::defaultPort});
}

void Match::showAddressEntry()
{
    if (battleOn())
        return;
    story.stopPreview();
    moveTo(addressEntry);
}

void Match::joinBattle(const NetPlan& plan)
{
    if (!battleOn())
        openBattle(plan);
}

// The lobby shows the battle being set up until the other player is there.
void Match::openBattle(const NetPlan& plan)
{
    story.stopPreview();
    net.reset();
    const std::string name = config.getValue("Name", plan.hosting ? "Player1" : "Player2");
    NetPlan withServer = plan;
    std::string problem;
    if (!withServer.setServer(config.getValue("Server", "Network"), problem))
        OutputHandler::log(OutputHandler::find(), "Match: %s; battles go by address", problem.c_str());
    net = std::make_unique<NetBattle>(*this, withServer, name);
    moveTo(lobby);
}

void Match::requestStart(std::uint32_t pressTick, bool newPress)
{
    if (!newPress && startNeedsNewPress)
        return;
    // The other player has gone: this screen plays on its own again.
    if (net && net->isOver())
        net.reset();
    if (!net) {
        startSong(pressTick);
    } else if (net->isHost()) {
        story.stopPreview();
        net->offerSong(story.getSelection());
    }
}

void Match::startSong(std::uint32_t pressTick)
{
    applySelection();
    startChosenSong(pressTick);
}

void Match::startChosenSong(std::uint32_t pressTick, double fromMs)
{
    readySong();
    // A replay fires its missiles up the lanes the round's seed gave.
    const std::uint32_t seed = replay.isPlaying() ? replay.round()->seed : pressTick;
    GimmickManager::instance()->setRoundSeed(seed);
    arrows.judging().recording().setSeed(seed);
    arrows.startSong(pressTick, fromMs);
    moveTo(play);
    songStarted();
}

// Everything a start of the song needs but the start itself: the players'
// speeds, the music's rate and the song's own offset.
void Match::readySong()
{
    story.stopPreview();
    calibration.stop();
    arrows.setSpeeds(replay.isPlaying() ? replay.speeds(speeds.get()) : speeds.get());
    SoundManager* sound = findSound();
    Arrow::setMusicRate(sound ? sound->getMusicRate() : 1.0);
    playedKey = SyncKeys::ofPlayed(story.getSelection().currentSong(), arrows.getSong());
    if (sound)
        sound->setSongOffset(SyncKeys::offsetOf(songSync, playedKey));
    writeSyncMessages();
    songSync.save();
}

// Practice is on a player's song, at one screen: the song panel's choice is
// loaded and the practice screen chooses the loop. The whole song is loaded
// again for the next round.
void Match::showPractice()
{
    if (net)
        return;
    applySelection();
    if (!arrows.getSong()) {
        OutputHandler::log(OutputHandler::find(), "Practice: The game's own song has no practice; choose a song of the library");
        return;
    }
    readySong();
    playedChoice.reset();
    moveTo(practice);
}

// Practice writes no records and no replays.
void Match::showResults(std::uint32_t tick)
{
    const bool practised = current == &practice;
    if (!practised) {
        finishRecording();
        if (replay.isPlaying())
            OutputHandler::log(OutputHandler::find(), "Match: The replay is over; it sets no record");
        else
            RoundRecords::submit(*this, *lastRecorded);
    }
    results.setPractice(practised);
    moveTo(results);
    results.update(tick);
}

// Points go first, so that no threshold is awarded from the last round's
// totals. A song choice changed since the last round is loaded here.
void Match::startNewRound()
{
    PlayerManager::instance()->newRound();
    GimmickManager::instance()->newRound();
    arrows.newRound();
    const bool afterReplay = replay.isPlaying();
    replay.stop();
    if (afterReplay || songChoice != playedChoice) {
        arrows.playGamesOwnSong();
        playedChoice = songChoice;
        if (songChoice)
            loadSong(*songChoice);
    }
    results.hide();
    records.newRound();
    if (net && net->isOver())
        net.reset();
    startNeedsNewPress = true;
    moveTo(story);
    if (ObjectGraph* graph = ObjectGraph::find()) {
        for (const char* path : {nodes::sidebarP1, nodes::sidebarP2}) {
            if (auto* sidebar = dynamic_cast<Sidebar*>(graph->findNode(path)))
                sidebar->newRound();
        }
        if (auto* dancer = dynamic_cast<Dancer*>(graph->findNode(nodes::dancer)))
            dancer->newRound();
    }
    if (hooks.roundStarted)
        hooks.roundStarted();
}

void Match::pauseSong()
{
    if (current != &play || arrows.songEnd().isOver())
        return;
    const bool stops = !battleOn();
    if (stops) {
        arrows.pauseSong();
        songPausedAtTick = platform::SystemClock::tickCount();
    }
    pause.open(stops);
    current = &pause;
    OutputHandler::log(OutputHandler::find(), stops ? "Match: Paused at %.0f ms into the song"
                                                    : "Match: The pause menu at %.0f ms, the battle plays on",
                       arrows.songRun().now());
}

bool Match::isPaused() const
{
    return arrows.songRun().isPaused();
}

void Match::endPause(std::uint32_t tick)
{
    if (current != &pause)
        return;
    if (arrows.songRun().isPaused()) {
        arrows.songRun().resume(tick);
        // Missiles' blocks run in play time: a pause does not wear them out.
        GimmickManager::instance()->holdBlocksFor(tick - songPausedAtTick);
    }
    current = &play;
    OutputHandler::log(OutputHandler::find(), "Match: The song goes on");
}

void Match::startAgain(std::uint32_t tick)
{
    OutputHandler::log(OutputHandler::find(), "Match: The song starts again; the round left sets no record");
    startNewRound();
    startChosenSong(tick);
}

void Match::leaveSong()
{
    OutputHandler::log(OutputHandler::find(), "Match: Back to the songs; the round left sets no record");
    net.reset();
    startNewRound();
}

bool Match::loadSong(const SongChoice& choice)
{
    return SongLoader::play(arrows, choice);
}

void Match::playGamesOwnSong()
{
    arrows.playGamesOwnSong();
    songChoice.reset();
    playedChoice.reset();
}

// The slot key plays the panel's choice: the game's own song as always, or
// the chosen song with each player's chart.
void Match::applySelection()
{
    const library::SongSelection& selection = story.getSelection();
    if (!selection.currentSong())
        return;
    const library::SongEntry& song = selection.song();
    rememberSong(song.builtIn ? std::filesystem::path() : std::filesystem::path(song.folder));
    if (song.builtIn) {
        if (arrows.getSong())
            playGamesOwnSong();
        return;
    }
    const library::ChartChoice* first = selection.chart(1);
    const library::ChartChoice* second = selection.chart(2);
    SongChoice choice{song.folder, {first ? first->name : "", second ? second->name : ""}};
    choice.chartIndex = {first ? std::optional(first->chartIndex) : std::nullopt,
                         second ? std::optional(second->chartIndex) : std::nullopt};
    const bool loaded = isPlayingChoice() && library::SongSelection::sameFolder(songChoice->folder, choice.folder)
        && songChoice->difficulty == choice.difficulty && songChoice->chartIndex == choice.chartIndex;
    if (loaded)
        return;
    if (!loadSong(choice)) {
        playGamesOwnSong();
        return;
    }
    songChoice = std::move(choice);
    playedChoice = songChoice;
}

// The folder percent-encoded, so that no character of it means anything to
// the configuration's reader.
void Match::rememberSong(const std::filesystem::path& folder)
{
    const std::string encoded = PercentCoding::encode(folder.string());
    if (encoded == savedLastSong.value_or(config.getValue(lastSongKey, librarySection)))
        return;
    if (ConfigFileWriter::setValue(Calibration::configPath, librarySection, lastSongKey, encoded))
        savedLastSong = encoded;
}

std::optional<std::filesystem::path> Match::lastSong() const
{
    const std::string folder = PercentCoding::decode(config.getValue(lastSongKey, librarySection));
    return folder.empty() ? std::nullopt : std::optional<std::filesystem::path>(folder);
}

std::string Match::playerName(int player) const
{
    if (net && net->isConnected())
        return net->playerName(player);
    return config.getValue("Name", player == 2 ? "Player2" : "Player1");
}

// The round as played, kept for the results' replay and export.
void Match::finishRecording()
{
    lastRecorded = RoundRecords::finish(*this, playedChoice ? playedChoice->folder.string() : std::string());
    if (!replay.isPlaying())
        ReplayShelf::saveRound(*lastRecorded);
}

bool Match::playReplay(library::RecordedRound round, std::uint32_t tick)
{
    if ((current != &story && current != &results) || battleOn())
        return false;
    if (current == &results)
        startNewRound();
    story.stopPreview();
    playedChoice = SongChoice{round.song, {}};
    if (!replay.prepare(round, arrows, records))
        return false;
    replay.start(std::move(round));
    startChosenSong(tick);
    return true;
}

bool Match::replayFileDone(std::uint32_t tick) const
{
    return shelf.startFileRefused()
        || (shelf.startFileTaken() && current == &results && replay.isPlaying()
            && tick - arrows.songEnd().getEndTick() >= ResultsScreen::nextRoundAfterMs);
}
