#include "game/Judgements.h"

#include <algorithm>
#include <limits>

const std::array<Judgement, Judgements::count> Judgements::table{{
    {"Godlike", 0.95f, 800},
    {"Perfect", 0.9f, 400},
    {"Great", 0.8f, 200},
    {"Good", 0.7f, 100},
    {"Booo", -std::numeric_limits<float>::infinity(), 50},
}};

const Judgement& Judgements::forQuality(float quality)
{
    for (const Judgement& judgement : table) {
        if (quality > judgement.above)
            return judgement;
    }
    return table.back();
}

std::size_t Judgements::indexOf(std::string_view word)
{
    const auto found = std::find_if(table.begin(), table.end(),
                                    [word](const Judgement& judgement) { return word == judgement.word; });
    return static_cast<std::size_t>(found - table.begin());
}
