#include "game/Player.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "input/ControlMapping.h"
#include "input/InputHandler.h"

#include <string>

namespace {

// The configuration keys in the order they are read, with the entry each fills.
struct KeySetting {
    const char* key;
    Player::KeyIndex index;
};

constexpr KeySetting keySettings[] = {
    {"KeyUp", Player::KeyUp},       {"KeyDown", Player::KeyDown},   {"KeyRight", Player::KeyRight},
    {"KeyLeft", Player::KeyLeft},   {"KeySlot1", Player::KeySlot1}, {"KeySlot2", Player::KeySlot2},
    {"KeySlot3", Player::KeySlot3}, {"KeySlot4", Player::KeySlot4},
};

std::string valueOf(const ConfigFileParser::Section& section, const char* key)
{
    const auto entry = section.find(key);
    return entry == section.end() ? std::string() : entry->second;
}

} // namespace

Player::Player()
    : Object(false, "Player")
{
}

bool Player::init(std::int8_t playerNumber, const char* playerName)
{
    OutputHandler::log(OutputHandler::find(), "...Initializing Player %d with name '%s'.", playerNumber, playerName);
    number = playerNumber;
    name = playerName;
    points = 0;

    auto* config = ObjectRegistry::instance()->findAs<ConfigFileParser>("ConfigFileParser");
    const ConfigFileParser::Section section =
        config ? config->getSection("Player" + std::to_string(number)) : ConfigFileParser::Section{{"", ""}};
    // Every section table carries one empty entry: one entry means no keys at all.
    if (section.size() <= 1)
        OutputHandler::report(OutputHandler::find(), ErrorExit, "Could not find the configuration for Player %d",
                              number);

    readKeys(section);
    bindInput(section);
    return true;
}

// Hexadecimal codes; only the lowest 8 bits are kept.
void Player::readKeys(const ConfigFileParser::Section& section)
{
    for (const KeySetting& setting : keySettings)
        keys[setting.index] = static_cast<std::uint8_t>(ConfigFileParser::toHex(valueOf(section, setting.key)));
}

void Player::bindInput(const ConfigFileParser::Section& section)
{
    const int useJoystick = ConfigFileParser::toInt(valueOf(section, "UseJoystick"));
    auto* input = ObjectRegistry::instance()->findAs<InputHandler>("InputHandler");
    if (!input)
        return;
    input->setPlayerMapping(number, ControlMapping::read(section, number));
    // Any non-zero value means this player's own joystick, whatever the number.
    if (useJoystick != 0) {
        input->registerJoystickPlayer(this, static_cast<std::uint8_t>(number));
        return;
    }
    input->registerPlayerKeys(static_cast<std::uint8_t>(number), InputHandler::mediaKeyboard, keys[KeyUp], keys[KeyRight], keys[KeyDown],
                              keys[KeyLeft], keys[KeySlot1], keys[KeySlot2], keys[KeySlot3], keys[KeySlot4]);
}

void Player::setName(const char* newName)
{
    OutputHandler::log(OutputHandler::find(), "Player %d changed name to '%s'.", number, newName);
    name = newName;
}
