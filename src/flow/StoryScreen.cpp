#include "flow/StoryScreen.h"

#include "core/ConfigFileParser.h"
#include "core/OutputHandler.h"
#include "flow/MappingScreen.h"
#include "flow/Match.h"
#include "flow/Story.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "library/SongEntryReader.h"
#include "library/SongLibrary.h"
#include "platform/VirtualKeys.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>

namespace {

using platform::VirtualKeys;
constexpr const char* networkKeys = "F4: host a battle across two machines    F12: join one";

// A panel line as the bitmap fonts take it, cut at 255 characters.
std::string panelLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string panelLine(const char* format, ...)
{
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    return line;
}

} // namespace

// Lines for the songs left out go to the log; a chosen song the library
// does not hold (a folder given on the command line) joins the list.
void StoryScreen::scanLibrary()
{
    OutputHandler* log = OutputHandler::find();
    std::vector<library::SongEntry> songs;
    std::string reason;
    if (auto own = library::SongEntryReader::readBuiltIn(builtInChartPath, builtInMusicPath, reason)) {
        own->builtIn = true;
        songs.push_back(std::move(*own));
    } else {
        OutputHandler::report(log, Warning, "SongLibrary: The game's own song is not listed: %s", reason.c_str());
    }
    library::LibraryScan scan = library::SongLibrary::scanDefault();
    for (const std::string& line : scan.skipped)
        OutputHandler::log(log, "%s", line.c_str());
    for (const std::string& line : scan.warnings)
        OutputHandler::report(log, Warning, "%s", line.c_str());
    const std::optional<SongChoice>& choice = Match::getSongChoice();
    const bool playsChoice = match.isPlayingChoice();
    if (playsChoice) {
        const bool listed = std::any_of(scan.songs.begin(), scan.songs.end(), [&choice](const library::SongEntry& entry) {
            return library::SongSelection::sameFolder(entry.folder, choice->folder);
        });
        if (auto chosen = listed ? std::nullopt : library::SongEntryReader::read(choice->folder, reason))
            scan.songs.insert(scan.songs.begin(), std::move(*chosen));
    }
    std::move(scan.songs.begin(), scan.songs.end(), std::back_inserter(songs));
    OutputHandler::log(log, "SongLibrary: %zu songs", songs.size());
    selection = library::SongSelection(std::move(songs));
    if (playsChoice) {
        const ArrowManager& arrows = match.getArrows();
        selection.choose(choice->folder, {arrows.getChartPlayer(1)->getChart().difficulty,
                                          arrows.getChartPlayer(2)->getChart().difficulty});
    }
    startPreview();
}

// The preview starts on the second update: opening and seeking the music
// takes milliseconds that the first picture should not wait for.
void StoryScreen::enter()
{
    updatesBeforePreview = 1;
}

void StoryScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    if (!isDirection(action))
        match.requestStart(pressTick, newPress);
    else if (newPress)
        stepPanel(player, action);
}

void StoryScreen::onKey(std::uint8_t code)
{
    switch (code) {
    case VirtualKeys::function(9):
        stopPreview();
        match.showCalibration();
        break;
    case VirtualKeys::function(8):
        stopPreview();
        match.showMapping();
        break;
    case VirtualKeys::function(4):
        match.hostBattle();
        break;
    case VirtualKeys::function(12):
        match.showAddressEntry();
        break;
    case VirtualKeys::function(6):
    case VirtualKeys::function(7):
        match.stepSpeed(1, code == VirtualKeys::function(7));
        break;
    case VirtualKeys::function(10):
    case VirtualKeys::function(11):
        match.stepSpeed(2, code == VirtualKeys::function(11));
        break;
    default:
        break;
    }
}

// Up and Down: the song; Left and Right: the player's own chart of it.
void StoryScreen::stepPanel(std::uint8_t player, std::uint8_t action)
{
    const std::size_t before = selection.index();
    switch (action) {
    case 1:
        selection.stepSong(-1);
        break;
    case 3:
        selection.stepSong(1);
        break;
    case 4:
        selection.stepChart(player, -1);
        break;
    case 2:
        selection.stepChart(player, 1);
        break;
    default:
        return;
    }
    if (selection.index() != before)
        startPreview();
}

// The chosen song's sample loops while it is chosen.
void StoryScreen::startPreview()
{
    updatesBeforePreview = -1;
    SoundManager* sound = Match::findSound();
    if (!sound || selection.empty())
        return;
    const library::SongEntry& song = selection.song();
    const std::string music = song.builtIn ? builtInMusicPath : song.musicFile.string();
    previewing = SoundManager::canOpen(music) && sound->setStream(music.c_str(), previewStreamName);
    previewLengthMs = std::max(1000.0, song.previewLengthSeconds() * 1000.0);
    if (previewing)
        sound->playFrom(previewStreamName, song.previewStartSeconds());
}

void StoryScreen::stopPreview()
{
    if (!previewing)
        return;
    previewing = false;
    if (SoundManager* sound = Match::findSound())
        sound->stop(previewStreamName);
}

// The banner follows the chosen song, however it was chosen.
void StoryScreen::update(std::uint32_t)
{
    if (updatesBeforePreview > 0)
        --updatesBeforePreview;
    else if (updatesBeforePreview == 0)
        startPreview();
    loopPreview();
    banner.choose(selection.empty() ? std::filesystem::path() : selection.song().bannerFile);
    banner.update();
}

void StoryScreen::loopPreview()
{
    SoundManager* sound = Match::findSound();
    if (!previewing || !sound || sound->getStreamTime(previewStreamName) < previewLengthMs)
        return;
    sound->playFrom(previewStreamName, selection.song().previewStartSeconds());
}

void StoryScreen::draw()
{
    match.getStoryPage().drawStory();
    drawSongPanel();
    banner.draw(match.getStoryPage());
}

// The chosen song and each player's chart; titles in any script.
void StoryScreen::drawSongPanel() const
{
    const StoryPage& page = match.getStoryPage();
    if (!match.getNetBattle())
        page.drawLine(story::networkLineY, networkKeys);
    if (selection.empty()) {
        page.drawLine(story::panelLineY[4], story::prompt);
        return;
    }
    const library::SongEntry& song = selection.song();
    const bool transliterated = match.showsTransliterations();
    const auto minutes = static_cast<int>(song.lengthSeconds) / 60;
    const auto seconds = static_cast<int>(song.lengthSeconds) % 60;
    page.drawLine(story::panelLineY[0],
                  panelLine("Song %zu of %zu:  %s  -  %s", selection.index() + 1, selection.size(),
                            song.shownTitle(transliterated).c_str(), song.shownArtist(transliterated).c_str()));
    page.drawLine(story::panelLineY[1],
                  panelLine("BPM %s    Length %d:%02d", story::printable(song.bpmText).c_str(), minutes, seconds));
    const library::ChartChoice* first = selection.chart(1);
    const library::ChartChoice* second = selection.chart(2);
    const PlayerSpeeds& speeds = match.getSpeeds();
    page.drawLine(story::panelLineY[2],
                  panelLine("%s: %s %d at %s (%s)      %s: %s %d at %s (%s)", playerName(1).c_str(),
                            first ? first->shownName.c_str() : "-", first ? first->meter : 0,
                            speeds.of(1).format().c_str(), story::printable(MappingScreen::devicesOf(1)).c_str(),
                            playerName(2).c_str(), second ? second->shownName.c_str() : "-",
                            second ? second->meter : 0, speeds.of(2).format().c_str(),
                            story::printable(MappingScreen::devicesOf(2)).c_str()));
    page.drawLine(story::panelLineY[3],
                  panelLine("Best: %s      Best: %s", bestText(1).c_str(), bestText(2).c_str()));
    page.drawLine(story::panelLineY[4],
                  panelLine("%s  (Up/Down: song, Left/Right: chart, F6/F7 F10/F11: speed, F8: controls)",
                            story::prompt));
}

// The player's best on the chart they would play: the game's own chart for
// the game's own song.
std::string StoryScreen::bestText(int player) const
{
    const library::SongEntry& song = selection.song();
    const library::ChartChoice* choice = selection.chart(player);
    RecordKeeper& records = match.getRecords();
    library::RecordKey key;
    if (song.builtIn) {
        key.chartHash = records.ownChartHash(builtInChartPath);
        key.chart = RecordKeeper::ownChartName;
    } else if (choice) {
        key.chartHash = records.chartHash(song, choice->chartIndex);
        key.chart = choice->name;
    }
    key.player = match.playerName(player);
    const std::optional<library::Record> best = records.best(key);
    if (!best)
        return "none";
    return panelLine("%u (combo %u, %s)", best->points, best->highestCombo, story::printable(best->date).c_str());
}

// The name the configuration gives the player, as the winner text shows it.
std::string StoryScreen::playerName(int number) const
{
    return match.getConfig().getValue("Name", number == 1 ? "Player1" : "Player2");
}
