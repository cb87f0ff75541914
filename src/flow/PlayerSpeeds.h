#pragma once

#include "game/ScrollSpeed.h"

#include <array>
#include <string>

class ConfigFileParser;

// Each player's scroll speed: read from the key "ScrollSpeed" of the
// player's section ("Player1", "Player2") at start-up, kept between rounds,
// and written back to that one line of the configuration file whenever the
// player changes it on the song panel.
class PlayerSpeeds {
public:
    static constexpr const char* key = "ScrollSpeed";

    // `configPath`: the file the changes are written to.
    explicit PlayerSpeeds(std::string configPath) : path(std::move(configPath)) {}

    // A missing value is 1x; one that is not a speed is 1x with a warning.
    void read(const ConfigFileParser& config);
    // One step faster or slower for player 1 or 2; at the end of the range
    // nothing changes. A change is written to the file, or a warning says
    // that it could not be (the speed still holds for this session).
    void step(int player, bool faster);

    const std::array<ScrollSpeed, 2>& get() const { return speeds; }
    const ScrollSpeed& of(int player) const { return speeds[player == 2 ? 1 : 0]; }

private:
    static std::string sectionOf(int player) { return player == 2 ? "Player2" : "Player1"; }

    std::string path;
    std::array<ScrollSpeed, 2> speeds{};
};
