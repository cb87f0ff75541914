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
    if (y > windowLow && y < windowHigh)
        return std::fabs(windowCentre - y);
    return 0.0f;
}
