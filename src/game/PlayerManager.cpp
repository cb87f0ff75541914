#include "game/PlayerManager.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "game/Player.h"

#include <algorithm>

namespace {

PlayerManager* theManager = nullptr;

} // namespace

PlayerManager::PlayerManager()
    : Object(true, "PlayerManager")
{
}

PlayerManager* PlayerManager::instance()
{
    if (!theManager)
        theManager = new PlayerManager();
    return theManager;
}

PlayerManager::~PlayerManager()
{
    if (theManager == this)
        theManager = nullptr;
}

bool PlayerManager::init(std::uint8_t playerCount)
{
    OutputHandler::log(OutputHandler::find(), "Initializing the PlayerManager...");
    count = playerCount;
    for (int number = 1; number <= count; ++number) {
        auto player = std::make_unique<Player>();
        player->init(static_cast<std::int8_t>(number), "Player");
        players.push_back(std::move(player));
    }
    return true;
}

Player* PlayerManager::getPlayer(std::int8_t number) const
{
    for (const auto& player : players) {
        if (player->getNumber() == number)
            return player.get();
    }
    OutputHandler::report(OutputHandler::find(), Warning,
                          "PlayerManager: Could not find the player with the number '%d'!", number);
    return nullptr;
}

Player* PlayerManager::getPlayerByName(const char* playerName) const
{
    const std::string wanted = playerName ? playerName : "";
    for (const auto& player : players) {
        if (player->getName() == wanted)
            return player.get();
    }
    OutputHandler::report(OutputHandler::find(), Warning,
                          "PlayerManager: Could not find the player with the name '%s'!", wanted.c_str());
    return nullptr;
}

bool PlayerManager::addPlayer()
{
    ++count;
    auto player = std::make_unique<Player>();
    player->setNumber(static_cast<std::int8_t>(count));
    players.push_back(std::move(player));
    return true;
}

bool PlayerManager::removePlayer(std::int8_t number)
{
    std::erase_if(players, [number](const auto& player) { return player->getNumber() == number; });
    return true;
}

void PlayerManager::newRound()
{
    for (const auto& player : players)
        player->resetPoints();
    forfeited = 0;
}

// A missing player counts as 0 points.
std::string PlayerManager::winnerName() const
{
    if (forfeited == 1 || forfeited == 2)
        return nameOf(3 - forfeited);
    const Player* first = getPlayer(1);
    const Player* second = getPlayer(2);
    const std::uint32_t firstPoints = first ? first->getPoints() : 0;
    const std::uint32_t secondPoints = second ? second->getPoints() : 0;
    if (firstPoints == secondPoints)
        return "Noone";
    return nameOf(firstPoints > secondPoints ? 1 : 2);
}

// The battle's name when there is one, else the configuration's.
std::string PlayerManager::nameOf(int number) const
{
    if (const std::string& named = battleNames[static_cast<std::size_t>(number - 1)]; !named.empty())
        return named;
    auto* config = ObjectRegistry::instance()->findAs<ConfigFileParser>("ConfigFileParser");
    if (!config)
        return {};
    return config->getValue("Name", number == 1 ? "Player1" : "Player2");
}
