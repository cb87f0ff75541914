// Feeds arbitrary bytes to the configuration reader as the contents of
// "Conf/global.cfg", then asks every question the game asks of it.

#include "FuzzCheck.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

void readSection(const ConfigFileParser& config, const std::string& name)
{
    const ConfigFileParser::Section section = config.getSection(name);
    fuzzCheck(section.contains(""), "a section table always holds the empty entry");
    for (const auto& [key, value] : section) {
        ConfigFileParser::toInt(value);
        ConfigFileParser::toHex(value);
        ConfigFileParser::toFloat(value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto* config = new ConfigFileParser();
    config->parseText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* section : {"", "Window", "General", "Sound", "Player1", "Player2", "SpecialFX"})
        readSection(*config, section);
    for (const char* key : {"Width", "Height", "Name", "KeyUp", "MasterVolume", "GoalHeight"}) {
        config->getInt(key);
        config->getHex(key, "Player1");
        config->getFloat(key, "General");
    }
    ObjectRegistry::destroy();
    return 0;
}
