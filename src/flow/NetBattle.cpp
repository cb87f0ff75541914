#include "flow/NetBattle.h"

#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/GimmickManager.h"
#include "game/Missile.h"
#include "game/PlayerManager.h"
#include "platform/LocalAddresses.h"

#include <cstdio>

namespace {

static_assert(MissileStore::thresholdCount == net::thresholdCount && MissileStore::slotCount == net::slotCount,
              "the points message carries one bit per threshold and per slot");

void log(const char* format, const std::string& value = {})
{
    OutputHandler::log(OutputHandler::find(), format, value.c_str());
}

} // namespace

NetBattle::NetBattle(Match& match, const NetPlan& plan, const std::string& playerName)
    : match(match)
    , plan(plan)
    , ownName(playerName)
    , session(playerName)
    , handshake(match, session, plan.hosting, noticeText)
    , points(match, session, localPlayer())
    , judgements(match, session, localPlayer(), points)
    , missiles(match, session, localPlayer())
    , results(match, session, localPlayer(), points)
    , claims(remotePlayer())
{
    if (plan.viaServer())
        open = plan.hosting ? session.hostRoom(plan.server, plan.serverPort)
                            : session.joinRoom(plan.server, plan.serverPort, *plan.roomCode);
    else
        open = plan.hosting ? session.host(plan.port) : session.join(plan.hostName, plan.port);
    if (!open)
        log("NetBattle: %s", session.problem());
    else if (plan.viaServer())
        log("NetBattle: %s", (plan.hosting ? std::string("Hosting a room")
                                           : "Joining room " + std::string(net::codeText(*plan.roomCode)))
                + " through the server " + plan.server + ":" + std::to_string(plan.serverPort));
    else if (plan.hosting)
        log("NetBattle: Hosting on port %s", std::to_string(plan.port));
    else
        log("NetBattle: Joining %s", plan.hostName + ":" + std::to_string(plan.port));
    match.getArrows().judging().setEarnedListener([this](const PressJudge::Earned& earned) {
        if (songRunning)
            judgements.send(earned);
    });
    GimmickManager::instance()->setCatchesOwnFieldOnly(true);
    GimmickManager::instance()->awardOnly(localPlayer());
}

NetBattle::~NetBattle()
{
    match.getArrows().judging().setEarnedListener({});
    GimmickManager::instance()->setCatchesOwnFieldOnly(false);
    GimmickManager::instance()->awardOnly(0);
    PlayerManager::instance()->setNames({});
    session.close();
}

void NetBattle::close()
{
    if (open)
        log("NetBattle: The link is closed");
    session.close();
    open = false;
}

bool NetBattle::isConnected() const
{
    const auto state = session.state();
    return state == net::NetSession::State::Connected || state == net::NetSession::State::InSong;
}

void NetBattle::update(std::uint32_t tick)
{
    if (!open)
        return;
    session.update();
    // The song starts before this frame's messages are read: the other
    // machine's first words may come with the start moment.
    if (songRunning && !match.getArrows().songRun().isStarted())
        forgetRound();
    if (!songRunning && handshake.startWhenDue(tick)) {
        songRunning = true;
        startClaimCheck();
    }
    while (auto message = session.receive()) {
        if (!cheaterLetGo)
            handle(*message);
    }
    if (!greeted && plan.hosting)
        watchNewGuest();
    if (!greeted && isConnected() && session.clockSynced()) {
        greeted = true;
        log("NetBattle: %s is here; the clocks agree", session.peerName());
        PlayerManager::instance()->setNames({playerName(1), playerName(2)});
        noticeText = plan.hosting ? "" : "Waiting for " + session.peerName() + " to choose the song";
        if (plan.viaServer()) {
            log("NetBattle: Linked %s", linkText());
            noticeText += (noticeText.empty() ? "Linked " : " (linked ") + linkText() + (noticeText.empty() ? "" : ")");
        }
        match.showStory();
    }
    if (!peerLostNoticed && greeted && !isConnected()) {
        peerLostNoticed = true;
        noticeText = session.problem().empty() ? net::opponentLeftText : session.problem();
        log("NetBattle: %s", noticeText);
    }
    if (songRunning) {
        // The points (with any threshold just reached) go before the
        // launches, so that the other machine knows each missile earned.
        points.send();
        missiles.announceLaunches();
        missiles.reportOutcomes();
        results.update(isConnected());
        // The refusals of the round are counted up at its end.
        if (match.getArrows().songEnd().isOver())
            claims.endRound();
    }
}

// A guest that goes silent after its hello, or never lets the clocks
// agree, is given up on, and the port (or room) opens for another.
void NetBattle::watchNewGuest()
{
    if (session.state() == net::NetSession::State::PeerLost) {
        giveUpOnGuest("went silent before the clocks agreed");
        return;
    }
    if (!isConnected() || session.clockSynced()) {
        guestSinceUs.reset();
        return;
    }
    if (!guestSinceUs)
        guestSinceUs = session.now();
    else if (session.now() - *guestSinceUs > guestSyncLimitUs)
        giveUpOnGuest("did not let the clocks agree within " + std::to_string(guestSyncLimitUs / 1000000) + " s");
}

void NetBattle::giveUpOnGuest(const std::string& why)
{
    ++givenUp;
    guestSinceUs.reset();
    log("NetBattle: %s", "The guest " + why + "; waiting for another");
    session.close();
    open = plan.viaServer() ? session.hostRoom(plan.server, plan.serverPort) : session.host(plan.port);
    if (!open)
        log("NetBattle: %s", session.problem());
}

// A new round: the story screen again.
void NetBattle::forgetRound()
{
    songRunning = false;
    claims.endRound();
    results.forget();
    points.forget();
    missiles.forget();
}

// The other player's claims are taken only when the chart allows them.
void NetBattle::handle(const net::Message& message)
{
    const double songMs = match.getArrows().songRun().now();
    if (const auto* offer = std::get_if<net::SongOffer>(&message)) {
        onOffer(*offer);
    } else if (const auto* answer = std::get_if<net::SongAnswer>(&message)) {
        handshake.onAnswer(*answer);
    } else if (const auto* judgement = std::get_if<net::Judgement>(&message)) {
        if (claims.judgement(*judgement, songRunning, songMs))
            judgements.receive(*judgement);
    } else if (const auto* state = std::get_if<net::PointsState>(&message)) {
        if (claims.pointsState(*state))
            points.receive(*state);
    } else if (const auto* end = std::get_if<net::SongEnd>(&message)) {
        onSongEnd(*end);
    } else if (const auto* launched = std::get_if<net::MissileLaunched>(&message)) {
        if (songRunning && claims.launch(*launched))
            missiles.onRemoteLaunch(*launched);
    } else if (const auto* outcome = std::get_if<net::MissileOutcome>(&message)) {
        onOutcome(*outcome);
    }
    if (claims.tooMany())
        letGoOfCheater();
}

// A missile of ours said to be spent in a lane it never blocked blocks it
// on this screen for the full time.
void NetBattle::onOutcome(const net::MissileOutcome& outcome)
{
    const std::optional<int> lane = missiles.laneOf(outcome.missile);
    if (!lane || claims.outcome(outcome, *lane)) {
        missiles.onOutcome(outcome);
        return;
    }
    net::MissileOutcome blocking = outcome;
    blocking.fate = net::MissileFate::Blocking;
    blocking.blockStartMs = static_cast<std::int32_t>(match.getArrows().songRun().now());
    blocking.blockEndMs = blocking.blockStartMs + static_cast<std::int32_t>(Missile::fullBlockMs);
    missiles.onOutcome(blocking);
}

// Totals unlike the claims taken give way to those claims.
void NetBattle::onSongEnd(const net::SongEnd& end)
{
    results.onRemoteEnd(claims.songEnd(end) ? end : claims.acceptedTotals());
}

// The other player's chart, as this machine plays it too.
void NetBattle::startClaimCheck()
{
    const ArrowManager& arrows = match.getArrows();
    const ChartPlayer* chartPlayer = arrows.getChartPlayer(remotePlayer());
    claims.startRound(chartPlayer ? &chartPlayer->getChart() : nullptr,
                      arrows.judging().scoreOf(remotePlayer()).getFairPoints(), remotePlayer());
}

// A peer that keeps claiming what cannot be is let go, and the round is
// the honest player's.
void NetBattle::letGoOfCheater()
{
    if (!isConnected())
        return;
    cheaterLetGo = true;
    log("NetBattle: %s", "The other machine's claims were refused too often; the link is closed");
    claims.endRound();
    PlayerManager::instance()->forfeit(remotePlayer());
    session.letGo("kept claiming what the chart does not allow");
}

// The host's next song takes a guest still looking at the results on.
void NetBattle::onOffer(const net::SongOffer& offer)
{
    if (plan.hosting)
        return;
    if (songRunning) {
        if (!match.getArrows().songEnd().isOver())
            return;
        match.startNewRound();
        forgetRound();
    }
    handshake.answer(offer);
}

// "direct" or "relayed" with the round trip, once the link is up.
std::string NetBattle::linkText() const
{
    std::string text = session.pathText();
    if (const auto roundTripUs = session.roundTripUs()) {
        char ms[32];
        std::snprintf(ms, sizeof ms, ", round trip %.1f ms", static_cast<double>(*roundTripUs) / 1000.0);
        text += ms;
    }
    return text;
}

// The room's code spaced out on a line of its own, to be read out.
std::vector<std::string> NetBattle::roomLines() const
{
    std::vector<std::string> lines;
    const std::string server = plan.server + ":" + std::to_string(plan.serverPort);
    if (!plan.hosting) {
        lines.push_back("Joining room " + std::string(net::codeText(*plan.roomCode)) + " on the server " + server + " ...");
    } else if (const auto code = session.roomCode()) {
        lines.push_back("Hosting a battle through the server " + server + ". The room code:");
        std::string spaced;
        for (const char letter : net::codeText(*code))
            spaced += std::string(spaced.empty() ? "        " : "      ") + letter;
        lines.push_back(spaced);
        lines.push_back("The other player types it at F12 (or starts with --join " + std::string(net::codeText(*code)) + ").");
        lines.push_back("Waiting for the other player ...");
    } else {
        lines.push_back("Asking the server " + server + " for a room ...");
    }
    if (isConnected())
        lines.push_back("Linked " + linkText() + "; the clocks are being set ...");
    return lines;
}

std::vector<std::string> NetBattle::lobbyLines() const
{
    std::vector<std::string> lines;
    if (!open) {
        lines.push_back(session.problem().empty() ? "The network battle could not start" : session.problem());
    } else if (plan.viaServer()) {
        lines = roomLines();
    } else if (plan.hosting) {
        lines.push_back("Hosting a battle on UDP port " + std::to_string(plan.port) + ".");
        const std::vector<std::string> addresses = platform::localAddresses();
        lines.push_back(addresses.empty() ? "This machine is on no network: only a game on it can join, at"
                                          : "Give the other player one of these addresses:");
        for (const std::string& address : addresses.empty() ? std::vector<std::string>{"127.0.0.1"} : addresses)
            lines.push_back("    " + address + ":" + std::to_string(plan.port));
        lines.push_back("Waiting for the other player ...");
    } else {
        lines.push_back("Joining the battle at " + plan.hostName + ":" + std::to_string(plan.port) + " ...");
    }
    if (open && !session.problem().empty())
        lines.push_back(session.problem());
    lines.push_back("Escape: back to the story");
    return lines;
}
