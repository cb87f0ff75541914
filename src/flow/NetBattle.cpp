#include "flow/NetBattle.h"

#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
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
    , session(playerName)
    , handshake(match, session, plan.hosting, noticeText)
    , points(match, session, localPlayer())
    , judgements(match, session, localPlayer(), points)
    , missiles(match, session, localPlayer())
    , results(match, session, localPlayer(), points)
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
    while (auto message = session.receive())
        handle(*message);
    if (!greeted && isConnected() && session.clockSynced()) {
        greeted = true;
        log("NetBattle: %s is here; the clocks agree", session.peerName());
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
    if (songRunning && !match.getArrows().songRun().isStarted())
        forgetRound();
    if (!songRunning && handshake.startWhenDue(tick))
        songRunning = true;
    if (songRunning) {
        missiles.announceLaunches();
        missiles.reportOutcomes();
        points.send();
        results.update(isConnected());
    }
}

// A new round: the story screen again.
void NetBattle::forgetRound()
{
    songRunning = false;
    results.forget();
    points.forget();
    missiles.forget();
}

void NetBattle::handle(const net::Message& message)
{
    if (const auto* offer = std::get_if<net::SongOffer>(&message)) {
        onOffer(*offer);
    } else if (const auto* answer = std::get_if<net::SongAnswer>(&message)) {
        handshake.onAnswer(*answer);
    } else if (const auto* judgement = std::get_if<net::Judgement>(&message)) {
        judgements.receive(*judgement);
    } else if (const auto* state = std::get_if<net::PointsState>(&message)) {
        points.receive(*state);
    } else if (const auto* end = std::get_if<net::SongEnd>(&message)) {
        results.onRemoteEnd(*end);
    } else if (const auto* launched = std::get_if<net::MissileLaunched>(&message)) {
        if (songRunning)
            missiles.onRemoteLaunch(*launched);
    } else if (const auto* outcome = std::get_if<net::MissileOutcome>(&message)) {
        missiles.onOutcome(*outcome);
    }
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
