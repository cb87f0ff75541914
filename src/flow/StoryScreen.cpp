#include "flow/StoryScreen.h"

#include "core/ConfigFileParser.h"
#include "core/OutputHandler.h"
#include "core/Utf8.h"
#include "flow/MappingScreen.h"
#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "flow/Story.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "library/SongEntryReader.h"
#include "platform/VirtualKeys.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

using platform::VirtualKeys;
constexpr const char* networkKeys = "F4: host a battle across two machines    F12: join one";
constexpr std::size_t maxSearchLength = 40;
// What the panel shows of a title, an artist or a pack before it cuts it short.
constexpr std::size_t maxShownName = 40;
// From the panel's left edge to the window's right edge (4.97 at 4:3).
constexpr float panelWidth = 9.4f;
constexpr std::uint32_t scrollStepMs = 250;

// A panel line, cut at the stamp's 1023 bytes.
std::string panelLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string panelLine(const char* format, ...)
{
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    return line;
}

// A name cut short with "…" where it has more than maxShownName characters.
std::string shown(const std::string& text)
{
    return Utf8::shortened(text, maxShownName);
}

} // namespace

void StoryScreen::listOwnSong()
{
    std::string reason;
    std::vector<library::SongEntry> own;
    if (auto song = library::SongEntryReader::readBuiltIn(builtInChartPath, builtInMusicPath, reason)) {
        song->builtIn = true;
        own.push_back(std::move(*song));
    } else {
        OutputHandler::report(OutputHandler::find(), Warning, "SongLibrary: The game's own song is not listed: %s",
                              reason.c_str());
    }
    selection = library::SongSelection(std::move(own));
}

void StoryScreen::startLibraryScan()
{
    if (!feed.isReading())
        feed.start(false);
}

// A song chosen on the command line is listed and chosen at once, even
// where the library does not hold it.
void StoryScreen::showLibrary()
{
    listOwnSong();
    playerMoved = false;
    if (match.isPlayingChoice()) {
        const SongChoice& choice = *Match::getSongChoice();
        std::string reason;
        if (auto chosen = library::SongEntryReader::read(choice.folder, reason))
            selection.add({std::move(*chosen)});
        const ArrowManager& arrows = match.getArrows();
        selection.choose(choice.folder, {arrows.getChartPlayer(1)->getChart().difficulty,
                                         arrows.getChartPlayer(2)->getChart().difficulty});
    }
}

void StoryScreen::scanLibrary()
{
    startLibraryScan();
    showLibrary();
    feed.finish(selection);
    libraryRead();
    startPreview();
}

// Without a song from the command line, the song last played is chosen,
// unless a player has moved since the panel was shown.
void StoryScreen::libraryRead()
{
    const library::SongEntry* before = selection.currentSong();
    if (!match.isPlayingChoice() && !playerMoved)
        if (const std::optional<std::filesystem::path> last = match.lastSong())
            selection.chooseFolder(*last);
    moved(before);
}

// The preview starts on the second update: opening and seeking the music
// takes milliseconds that the first picture should not wait for.
void StoryScreen::enter()
{
    updatesBeforePreview = 1;
    typed.reset();
    syncKeys.reset();
}

// While the search is typed into, the players' keys type letters instead.
void StoryScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    if (typing || replays.onAction(action, newPress, pressTick, match))
        return;
    if (isDirection(action)) {
        if (newPress)
            stepPanel(player, action);
    } else if (selection.currentPack()) {
        if (newPress)
            stepPanel(player, 2);
    } else {
        match.requestStart(pressTick, newPress);
    }
}

void StoryScreen::onKey(std::uint8_t code)
{
    switch (code) {
    case VirtualKeys::function(1):
        selection.setOrder(library::SongOrder::next(selection.order()));
        startPreview();
        break;
    case VirtualKeys::function(2):
        typing = !typing;
        break;
    case VirtualKeys::function(9):
        preview.stop();
        match.showCalibration();
        break;
    case VirtualKeys::function(8):
        preview.stop();
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

bool StoryScreen::takeEscape()
{
    if (replays.close())
        return true;
    if (!takesEscape())
        return false;
    typing = false;
    search("");
    return true;
}

// Up and Down: the row; Right or Left on a pack opens it, on a song they
// step the player's own chart.
void StoryScreen::stepPanel(std::uint8_t player, std::uint8_t action)
{
    const library::SongEntry* before = selection.currentSong();
    playerMoved = true;
    const bool onPack = selection.currentPack() != nullptr;
    switch (action) {
    case 1:
        selection.stepSong(-1);
        break;
    case 3:
        selection.stepSong(1);
        break;
    case 2:
    case 4:
        if (onPack)
            selection.openChosenPack();
        else
            selection.stepChart(player, action == 2 ? 1 : -1);
        break;
    default:
        return;
    }
    moved(before);
}

// Keys typed on the panel that no player binding or main-loop key carries.
void StoryScreen::typeKey(std::uint8_t code)
{
    const library::SongEntry* before = selection.currentSong();
    if (typing) {
        if (code == VirtualKeys::enter) {
            typing = false;
        } else if (code == VirtualKeys::backspace) {
            search(searchText.substr(0, searchText.empty() ? 0 : searchText.size() - 1));
        } else if (const char character = TypedKeys::searchCharacter(code); character && searchText.size() < maxSearchLength) {
            search(searchText + character);
        }
        return;
    }
    if (replays.onKey(code, selection, match.getRecords()))
        return;
    if (code == VirtualKeys::minus || code == VirtualKeys::numpadMinus) {
        stepRate(false);
        return;
    }
    if (code == VirtualKeys::plus || code == VirtualKeys::numpadPlus) {
        stepRate(true);
        return;
    }
    if (code == VirtualKeys::enter) {
        match.showPractice();
        return;
    }
    playerMoved = true;
    switch (code) {
    case VirtualKeys::backspace:
        selection.closePack();
        break;
    case VirtualKeys::tab:
        chooseRandom();
        break;
    case VirtualKeys::pageUp:
    case VirtualKeys::pageDown:
        selection.stepSong(code == VirtualKeys::pageDown ? pageRows : -pageRows);
        break;
    case VirtualKeys::insert:
        if (!feed.isReading())
            feed.start(true);
        break;
    default:
        return;
    }
    moved(before);
}

std::optional<library::SongSync::Key> StoryScreen::syncKeyOf(const library::SongEntry& song)
{
    const auto first = std::find_if(song.charts.begin(), song.charts.end(),
                                    [](const library::ChartChoice& chart) { return chart.chartIndex == 0; });
    if (song.builtIn || first == song.charts.end())
        return std::nullopt;
    return library::SongSync::Key{song.folder, first->hash};
}

// The music's rate for the rounds to come, one step of 0.05 at a time; a
// battle's guest plays at the host's.
void StoryScreen::stepRate(bool faster)
{
    SoundManager* sound = Match::findSound();
    if (!sound || (match.getNetBattle() && !match.getNetBattle()->isHost()))
        return;
    sound->setMusicRate(sound->getMusicRate() + (faster ? SoundManager::rateStep : -SoundManager::rateStep));
}

void StoryScreen::search(const std::string& text)
{
    const library::SongEntry* before = selection.currentSong();
    searchText = text;
    selection.setQuery(text);
    moved(before);
}

void StoryScreen::chooseRandom()
{
    const std::size_t count = selection.reachableCount();
    if (count > 0)
        selection.chooseAmongReachable(std::uniform_int_distribution<std::size_t>(0, count - 1)(random));
}

// Another song chosen: its sample instead.
void StoryScreen::moved(const library::SongEntry* before)
{
    if (selection.currentSong() != before)
        startPreview();
}

// The chosen song's sample loops while it is chosen; a pack plays nothing.
void StoryScreen::startPreview()
{
    updatesBeforePreview = -1;
    const library::SongEntry* song = selection.currentSong();
    if (!song) {
        preview.stop();
        return;
    }
    preview.play(song->builtIn ? builtInMusicPath : song->musicFile, song->previewStartSeconds(),
                 song->previewLengthSeconds());
}

// The banner follows the chosen song, however it was chosen.
void StoryScreen::update(std::uint32_t tick)
{
    lastTick = tick;
    const library::SongEntry* before = selection.currentSong();
    if (feed.update(selection, tick))
        libraryRead();
    else
        moved(before);
    for (const std::uint8_t code : typed.take())
        typeKey(code);
    replays.update(match.getRecords());
    // Enter has gone on to the practice.
    if (match.currentScreen() != this)
        return;
    const library::SongEntry* chosen = selection.currentSong();
    syncKeys.update(tick, match.getSongSync(), chosen ? syncKeyOf(*chosen) : std::nullopt, typing);
    if (updatesBeforePreview > 0)
        --updatesBeforePreview;
    else if (updatesBeforePreview == 0)
        startPreview();
    preview.loop();
    const library::SongEntry* song = selection.currentSong();
    banner.choose(song ? std::filesystem::path(song->bannerFile) : std::filesystem::path());
    banner.update();
}

void StoryScreen::draw()
{
    if (!replays.draw(match.getStoryPage()))
        match.getStoryPage().drawStory();
    drawSongPanel();
    banner.draw(match.getStoryPage());
}

// The chosen song or pack, each player's chart; titles in any script.
void StoryScreen::drawSongPanel() const
{
    const StoryPage& page = match.getStoryPage();
    if (feed.isReading())
        page.drawLine(story::networkLineY, feed.progressText());
    else if (!match.getNetBattle())
        page.drawLine(story::networkLineY, networkKeys);
    if (selection.empty()) {
        page.drawLine(story::panelLineY[4], story::prompt);
        return;
    }
    if (selection.currentPack())
        drawPackRow();
    else
        drawSongRow();
    page.drawLine(story::panelLineY[4], keysLine());
}

void StoryScreen::drawPackRow() const
{
    const StoryPage& page = match.getStoryPage();
    const library::SongSelection::Pack& pack = *selection.currentPack();
    page.drawLine(story::panelLineY[0], panelLine("Pack %zu of %zu:  %s  (%zu songs)", selection.index() + 1,
                                                  selection.size(), shown(pack.name).c_str(), pack.songs.size()));
    page.drawLine(story::panelLineY[1], libraryLine());
    page.drawLine(story::panelLineY[2], "Right, Left or a slot key: open the pack");
}

void StoryScreen::drawSongRow() const
{
    const StoryPage& page = match.getStoryPage();
    const library::SongEntry& song = selection.song();
    const bool transliterated = match.showsTransliterations();
    const auto minutes = static_cast<int>(song.lengthSeconds) / 60;
    const auto seconds = static_cast<int>(song.lengthSeconds) % 60;
    const std::string subtitle = song.subtitle.empty() ? "" : " " + shown(song.shownSubtitle(transliterated));
    const std::string pack = song.pack.empty() ? "" : "    [" + shown(song.pack) + "]";
    const std::string row = panelLine("Song %zu of %zu:  %s%s  -  %s%s", selection.index() + 1, selection.size(),
                                      shown(song.shownTitle(transliterated)).c_str(), subtitle.c_str(),
                                      shown(song.shownArtist(transliterated)).c_str(), pack.c_str());
    page.drawLine(story::panelLineY[0], scrolled(row));
    page.drawLine(story::panelLineY[1], panelLine("BPM %s    Length %d:%02d    %s", story::printable(song.bpmText).c_str(),
                                                  minutes, seconds, libraryLine().c_str()));
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
    page.drawLine(story::panelLineY[3], panelLine("Best: %s      Best: %s      %s", bestText(1).c_str(),
                                                  bestText(2).c_str(), rateAndSyncText().c_str()));
}

// A row wider than the panel scrolls through it, a character at a time, so
// that the chosen song's whole title can be read.
std::string StoryScreen::scrolled(const std::string& row) const
{
    const StoryPage& page = match.getStoryPage();
    const std::string fitting = page.fitted(row, panelWidth);
    if (fitting == row)
        return row;
    const std::string loop = row + "     ";
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < loop.size(); Utf8::next(loop, at))
        starts.push_back(at);
    const std::size_t first = starts[lastTick / scrollStepMs % starts.size()];
    return page.fitted(loop.substr(first) + row, panelWidth);
}

// The order, the search, and the library's keys.
std::string StoryScreen::libraryLine() const
{
    if (typing || !selection.query().empty())
        return panelLine("Search: %s%s  (%zu found)  %s", story::printable(searchText).c_str(), typing ? "_" : "",
                         selection.reachableCount(), typing ? "Enter: done  Escape: drop" : "F2: search  Escape: drop");
    return panelLine("F1: order (%s)  F2: search  Tab: random  Ins: read again  Space: replays",
                     library::SongOrder::name(selection.order()));
}

std::string StoryScreen::keysLine() const
{
    // Inside a pack the way back takes the place of F8, which the pack list
    // shows. The arrows' part is left to the guide: the line fits 1024 pixels.
    const char* last = selection.openPack() ? "Backspace: packs" : "F8: controls";
    return panelLine("%s (F6/F7 F10/F11: speed, -/+: rate, </>: sync, Enter: practice, %s)",
                     story::prompt, last);
}

// The rate always; the song's own sync when it has one.
std::string StoryScreen::rateAndSyncText() const
{
    const library::SongEntry* song = selection.currentSong();
    const std::optional<library::SongSync::Key> key = song ? syncKeyOf(*song) : std::nullopt;
    const int sync = key ? match.getSongSync().offsetMs(*key) : 0;
    return sync == 0 ? panelLine("Rate %.2fx", musicRate()) : panelLine("Rate %.2fx  Sync %+d ms", musicRate(), sync);
}

double StoryScreen::musicRate()
{
    const SoundManager* sound = Match::findSound();
    return sound ? sound->getMusicRate() : 1.0;
}

// The player's best on the chart they would play: the game's own chart for
// the game's own song.
std::string StoryScreen::bestText(int player) const
{
    const library::SongEntry* song = selection.currentSong();
    const library::ChartChoice* choice = selection.chart(player);
    if (!song)
        return "none";
    RecordKeeper& records = match.getRecords();
    library::RecordKey key;
    if (song->builtIn) {
        key.chartHash = records.ownChartHash(builtInChartPath);
        key.chart = RecordKeeper::ownChartName;
    } else if (choice) {
        key.chartHash = records.chartHash(*song, choice->chartIndex);
        key.chart = choice->name;
    }
    key.player = match.playerName(player);
    key.rate = musicRate();
    const std::optional<library::Record> best = records.best(key);
    if (!best)
        return "none";
    return panelLine("%u (combo %u, %s)", best->points, best->highestCombo, story::printable(best->date).c_str());
}

// The player's name as the winner text shows it (across two machines, the
// other player's as they named themselves).
std::string StoryScreen::playerName(int number) const
{
    return match.playerName(number);
}
