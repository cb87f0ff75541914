#include "flow/NetBattle.h"

#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "platform/LocalAddresses.h"

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
    open = plan.hosting ? session.host(plan.port) : session.join(plan.hostName, plan.port);
    if (!open)
        log("NetBattle: %s", session.problem());
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

std::vector<std::string> NetBattle::lobbyLines() const
{
    std::vector<std::string> lines;
    if (!open) {
        lines.push_back(session.problem().empty() ? "The network battle could not start" : session.problem());
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
