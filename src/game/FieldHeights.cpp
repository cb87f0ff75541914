#include "game/FieldHeights.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"

#include <cmath>
#include <limits>

float FieldHeights::goalY()
{
    return read("Goalposy");
}

float FieldHeights::spawnY()
{
    return read("Spawnposy");
}

// "nan", "inf" and numbers beyond the float range read as 0, so that no
// arrow ever stands at a height that compares false with everything.
float FieldHeights::read(const char* key)
{
    const auto* parser = ObjectRegistry::instance()->findAs<ConfigFileParser>("ConfigFileParser");
    if (!parser)
        return 0.0f;
    const double value = ConfigFileParser::toFloat(parser->getValue(key, "General"));
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return 0.0f;
    return static_cast<float>(value);
}
