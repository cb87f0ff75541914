#pragma once

#include "core/Object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Player;

// Creates the players from the configuration, finds them by number or name
// and names the winner. Registered as "PlayerManager"; one per process.
class PlayerManager : public Object {
public:
    // The process-wide manager, created on first call and again after a
    // registry teardown destroyed the previous one.
    static PlayerManager* instance();
    ~PlayerManager() override;

    // Creates and initialises players 1 to count, in that order.
    bool init(std::uint8_t playerCount);

    // Null, with a warning, when there is no such player.
    Player* getPlayer(std::int8_t number) const;
    Player* getPlayerByName(const char* playerName) const;

    // Appends a player numbered count + 1 without reading any configuration.
    bool addPlayer();
    // Removes every player with this number.
    bool removePlayer(std::int8_t number);

    // Another round: every player's points back to 0.
    void newRound();

    // The configured "Name" of the player with more points, or "Noone" on a tie.
    std::string winnerName() const;

    std::uint8_t getCount() const { return count; }

private:
    PlayerManager();

    std::uint8_t count = 0;
    std::vector<std::unique_ptr<Player>> players;
};
