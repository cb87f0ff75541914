#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// What one press earned.
struct Judgement {
    const char* word;
    // A quality strictly above this earns the judgement; the last one takes
    // every hit that earned none of the others.
    float above;
    std::uint32_t points;
};

// The words a press can earn, best first: "Godlike", "Perfect", "Great",
// "Good", "Booo".
class Judgements {
public:
    static constexpr std::size_t count = 5;
    static const std::array<Judgement, count> table;

    static const Judgement& forQuality(float quality);
    // The place of the word in the table; `count` for a word not in it.
    static std::size_t indexOf(std::string_view word);
};
