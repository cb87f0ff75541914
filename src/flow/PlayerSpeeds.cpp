#include "flow/PlayerSpeeds.h"

#include "core/ConfigFileParser.h"
#include "core/ConfigFileWriter.h"
#include "core/OutputHandler.h"

void PlayerSpeeds::read(const ConfigFileParser& config)
{
    for (int player = 1; player <= 2; ++player) {
        const std::string value = config.getValue(key, sectionOf(player));
        ScrollSpeed& speed = speeds[static_cast<std::size_t>(player - 1)];
        speed = ScrollSpeed();
        if (value.empty())
            continue;
        if (const auto parsed = ScrollSpeed::parse(value))
            speed = *parsed;
        else
            OutputHandler::report(OutputHandler::find(), Warning,
                                  "Player %d's ScrollSpeed '%s' is not a speed (0.5x to 8x in quarters, or M50 to "
                                  "M1000 in tens); 1x is used",
                                  player, value.c_str());
    }
}

void PlayerSpeeds::step(int player, bool faster)
{
    if (player != 1 && player != 2)
        return;
    ScrollSpeed& speed = speeds[static_cast<std::size_t>(player - 1)];
    const ScrollSpeed changed = faster ? speed.faster() : speed.slower();
    if (changed == speed)
        return;
    speed = changed;
    OutputHandler* log = OutputHandler::find();
    if (!ConfigFileWriter::setValue(path, sectionOf(player), key, speed.format())) {
        OutputHandler::report(log, Warning, "Player %d's ScrollSpeed %s could not be saved to '%s'", player,
                              speed.format().c_str(), path.c_str());
        return;
    }
    OutputHandler::log(log, "Player %d's ScrollSpeed = %s saved", player, speed.format().c_str());
}
