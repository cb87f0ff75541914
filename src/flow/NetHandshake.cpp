#include "flow/NetHandshake.h"

#include "chart/ChartHash.h"
#include "chart/Song.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "flow/SongLoader.h"
#include "game/ArrowManager.h"
#include "library/SongSelection.h"
#include "net/NetSession.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t microsecondsPerMs = 1000;
// How long a song answered yes waits for the host to name its start before
// another offer is taken: the start comes as soon as the answer arrives.
constexpr std::int64_t answerWaitUs = net::maxStartAheadUs + net::silenceLimitUs;

void log(const std::string& line)
{
    OutputHandler::log(OutputHandler::find(), "NetBattle: %s", line.c_str());
}

// The song is known by its chart's 64-bit hash, little-endian in the
// message's hash field; all zeros stands for the game's own song, which
// every copy of the game has.
net::ChartHash wireHash(std::uint64_t value)
{
    net::ChartHash bytes{};
    for (std::size_t index = 0; index < sizeof value; ++index)
        bytes[index] = static_cast<std::uint8_t>(value >> (8 * index));
    return bytes;
}

// All zeros for none: the game's own song.
net::ChartHash wireHash(const chart::Chart* chart)
{
    return chart ? wireHash(chart::ChartHash::of(*chart).value()) : net::ChartHash{};
}

bool isGamesOwnSong(const net::ChartHash& hash)
{
    return std::all_of(hash.begin(), hash.end(), [](std::uint8_t byte) { return byte == 0; });
}

// The rate this machine plays the music at; the host's offer sets the guest's.
double musicRate()
{
    const SoundManager* sound = Match::findSound();
    return sound ? sound->getMusicRate() : 1.0;
}

} // namespace

NetHandshake::NetHandshake(Match& match, net::NetSession& session, bool hosting, std::string& notice)
    : match(match)
    , session(session)
    , hosting(hosting)
    , notice(notice)
{
}

NetHandshake::~NetHandshake() = default;

void NetHandshake::offerSong(const library::SongSelection& selection, bool songRunning)
{
    const auto state = session.state();
    const bool connected = state == net::NetSession::State::Connected || state == net::NetSession::State::InSong;
    if (!hosting || !connected || offerPending || songRunning || session.songStartUs() || !selection.currentSong())
        return;
    const library::SongEntry& entry = selection.song();
    const library::ChartChoice* choice = selection.chart(1);
    offeredSong.reset();
    offeredChart = 0;
    offeredFolder = entry.builtIn ? std::string() : entry.folder;
    if (!entry.builtIn) {
        offeredSong = SongLoader::load(entry.folder).song;
        if (!offeredSong) {
            notice = "The song in '" + entry.folder + "' cannot be played";
            log(notice);
            return;
        }
        offeredChart = choice && choice->chartIndex < offeredSong->charts.size() ? choice->chartIndex : 0;
    }
    net::SongOffer offer;
    offer.songHash = wireHash(offeredSong ? &offeredSong->charts[offeredChart] : nullptr);
    offer.difficulty = static_cast<std::uint8_t>(choice ? choice->difficulty : library::Difficulty::Edit);
    offer.chartIndex = static_cast<std::uint8_t>(std::min<std::size_t>(offeredChart, net::maxChartIndex));
    offer.rateSteps = static_cast<std::uint8_t>(std::lround(musicRate() * net::rateStepsPerUnit));
    if (session.send(offer)) {
        offerPending = true;
        notice = "Waiting for " + session.peerName() + " ...";
    }
}

// The guest looks for a song with a chart of the offered hash and plays its
// own chart of it: the one named like the panel's, else the host's.
void NetHandshake::answer(const net::SongOffer& offer)
{
    if (answeredUntilUs && session.now() < *answeredUntilUs) {
        if (offersDropped++ == 0)
            log("An offer came while the last one waits for its start; dropped until the song starts");
        return;
    }
    if (offersDropped > 0)
        log("Dropped " + std::to_string(offersDropped) + " offers that came while a song waited for its start");
    offersDropped = 0;
    answeredUntilUs.reset();
    if (SoundManager* sound = Match::findSound()) {
        sound->setMusicRate(static_cast<double>(offer.rateSteps) / net::rateStepsPerUnit);
        OutputHandler::log(OutputHandler::find(), "NetBattle: The host plays the music at %.2fx",
                           sound->getMusicRate());
    }
    net::SongAnswer answer;
    answer.songHash = offer.songHash;
    if (isGamesOwnSong(offer.songHash)) {
        match.getArrows().playGamesOwnSong();
        agreedFolder.clear();
        answer.hasSong = true;
        session.send(answer);
        answeredUntilUs = session.now() + answerWaitUs;
        notice.clear();
        return;
    }
    // The song cache knows every chart's identity: only the song that has
    // the offered chart is read.
    const library::SongSelection& selection = match.getStory().getSelection();
    for (const library::SongEntry& entry : selection.getSongs()) {
        const bool offered = !entry.builtIn && std::any_of(entry.charts.begin(), entry.charts.end(),
            [&offer](const library::ChartChoice& chart) { return wireHash(chart.hash) == offer.songHash; });
        std::unique_ptr<chart::Song> song = offered ? SongLoader::load(entry.folder).song : nullptr;
        if (!song)
            continue;
        const auto hostChart = std::find_if(song->charts.begin(), song->charts.end(), [&offer](const chart::Chart& chart) {
            return wireHash(&chart) == offer.songHash;
        });
        if (hostChart == song->charts.end())
            continue;
        const auto hostIndex = static_cast<std::size_t>(hostChart - song->charts.begin());
        const library::ChartChoice* own = selection.chartOf(entry, 2);
        bool named = false;
        const std::size_t namedIndex = own ? SongLoader::chartNamed(*song, own->name, named) : 0;
        const std::array<std::size_t, 2> chartIndex{hostIndex, named ? namedIndex : hostIndex};
        answer.hasSong = true;
        answer.chartIndex = static_cast<std::uint8_t>(std::min<std::size_t>(chartIndex[1], net::maxChartIndex));
        match.getArrows().playSong(std::move(song), chartIndex);
        agreedFolder = entry.folder;
        session.send(answer);
        answeredUntilUs = session.now() + answerWaitUs;
        notice.clear();
        return;
    }
    session.send(answer);
    notice = net::songMissingText;
    log(notice);
    match.showStory();
}

void NetHandshake::onAnswer(const net::SongAnswer& answer)
{
    if (!hosting || !offerPending)
        return;
    offerPending = false;
    if (!answer.hasSong) {
        offeredSong.reset();
        notice = net::songMissingText;
        log(notice);
        match.showStory();
        return;
    }
    if (offeredSong)
        match.getArrows().playSong(std::move(offeredSong), {offeredChart, answer.chartIndex});
    else
        match.getArrows().playGamesOwnSong();
    agreedFolder = offeredFolder;
    if (!session.startSong())
        notice = "The song could not be started together";
    else
        notice.clear();
}

bool NetHandshake::startWhenDue(std::uint32_t tick)
{
    if (!session.songStartUs() || session.state() != net::NetSession::State::InSong)
        return false;
    const std::int64_t lateUs = session.now() - *session.songStartUs();
    if (lateUs < 0)
        return false;
    // Machines that share a clock (tests on one computer) compare these
    // readings to see how far apart they start.
    OutputHandler::log(OutputHandler::find(), "NetBattle: The named moment is %.3f ms on this machine's steady clock",
                       static_cast<double>(*session.songStartUs()) / microsecondsPerMs);
    OutputHandler::log(OutputHandler::find(), "NetBattle: The song starts %.1f ms after the named moment",
                       static_cast<double>(lateUs) / microsecondsPerMs);
    answeredUntilUs.reset();
    const auto lateMs = static_cast<std::uint32_t>(lateUs / microsecondsPerMs);
    match.startChosenSong(tick - lateMs, static_cast<double>(lateUs) / microsecondsPerMs * musicRate());
    return true;
}
