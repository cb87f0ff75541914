#pragma once

#include "core/Object.h"

#include <array>
#include <map>
#include <cstdint>
#include <string>

// One player: number, name, points and the eight keys read from the
// player's configuration section. Named "Player", not registered.
class Player : public Object {
public:
    // Entries of the key table, in the order the keys are stored.
    enum KeyIndex { KeyLeft, KeyUp, KeyRight, KeyDown, KeySlot1, KeySlot2, KeySlot3, KeySlot4, KeyCount };
    using Keys = std::array<std::uint8_t, KeyCount>;

    Player();

    // Reads the section "Player<number>" and binds the player's keys (or its
    // joystick) with the input handler. A section without keys ends the program.
    bool init(std::int8_t playerNumber, const char* playerName);

    void setName(const char* newName);
    std::string getName() const { return name; }
    std::int8_t getNumber() const { return number; }
    void setNumber(std::int8_t value) { number = value; }

    std::uint32_t getPoints() const { return points; }
    void addPoints(std::uint32_t amount) { points += amount; }
    void subtractPoints(std::uint32_t amount) { points -= amount; }
    void resetPoints() { points = 0; }

    const std::uint8_t* getKeys() const { return keys.data(); }

private:
    void readKeys(const std::map<std::string, std::string>& section);
    void bindInput(const std::map<std::string, std::string>& section);

    std::int8_t number = 0;
    std::string name;
    std::uint32_t points = 0;
    Keys keys{};
};
