#pragma once

#include "core/Object.h"

#include <array>
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

    // Another round: every player's points back to 0, nobody forfeited.
    void newRound();

    // The names players 1 and 2 gave themselves in a battle across two
    // machines, so that both machines name the same winner; empty names
    // are the configuration's.
    void setNames(std::array<std::string, 2> names) { battleNames = std::move(names); }
    // The player (1 or 2) leaves the round to the other, whatever the points.
    void forfeit(int player) { forfeited = player; }

    // The name of the player with more points (or of the one who did not
    // forfeit), or "Noone" on a tie.
    std::string winnerName() const;

    std::uint8_t getCount() const { return count; }

private:
    PlayerManager();

    std::string nameOf(int number) const;

    std::uint8_t count = 0;
    std::vector<std::unique_ptr<Player>> players;
    std::array<std::string, 2> battleNames;
    int forfeited = 0;
};
