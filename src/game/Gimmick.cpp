#include "game/Gimmick.h"

#include <cmath>

Gimmick::Gimmick()
    : ObjectNode("empty", SideCentre)
{
}

Gimmick::Gimmick(const char* name, std::int8_t side)
    : ObjectNode(name, side)
{
}

float Gimmick::quality() const
{
    return qualityAtHeight(y);
}

float Gimmick::qualityAt(std::uint32_t msAgo) const
{
    return qualityAtHeight(static_cast<float>(y - climbPerMs() * msAgo));
}

float Gimmick::qualityAtHeight(float height)
{
    if (height > windowLow && height < windowHigh)
        return std::fabs(windowCentre - height);
    return 0.0f;
}
