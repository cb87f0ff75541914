#include "library/DifficultyOrder.h"

#include "chart/MsdValues.h"

#include <array>
#include <utility>

namespace library {

Difficulty DifficultyOrder::of(std::string_view name)
{
    static const std::array<std::pair<const char*, Difficulty>, 15> names{{
        {"beginner", Difficulty::Beginner},
        {"easy", Difficulty::Easy},
        {"basic", Difficulty::Easy},
        {"light", Difficulty::Easy},
        {"medium", Difficulty::Medium},
        {"another", Difficulty::Medium},
        {"standard", Difficulty::Medium},
        {"trick", Difficulty::Medium},
        {"hard", Difficulty::Hard},
        {"maniac", Difficulty::Hard},
        {"heavy", Difficulty::Hard},
        {"challenge", Difficulty::Challenge},
        {"smaniac", Difficulty::Challenge},
        {"expert", Difficulty::Challenge},
        {"oni", Difficulty::Challenge},
    }};
    const std::string wanted = chart::MsdValues::lower(chart::MsdValues::trim(name));
    for (const auto& [known, difficulty] : names)
        if (wanted == known)
            return difficulty;
    return Difficulty::Edit;
}

const char* DifficultyOrder::name(Difficulty difficulty)
{
    switch (difficulty) {
    case Difficulty::Beginner: return "Beginner";
    case Difficulty::Easy: return "Easy";
    case Difficulty::Medium: return "Medium";
    case Difficulty::Hard: return "Hard";
    case Difficulty::Challenge: return "Challenge";
    case Difficulty::Edit: break;
    }
    return "Edit";
}

} // namespace library
