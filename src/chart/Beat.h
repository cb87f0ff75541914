#pragma once

#include <compare>
#include <cstdint>
#include <numeric>

namespace chart {

// An exact position in beats, kept as a fraction so that triplets, 192nds and
// measures of any row count land exactly where the file puts them.
class Beat {
public:
    constexpr Beat() = default;
    constexpr Beat(std::int64_t numerator, std::int64_t denominator = 1)
    {
        if (denominator < 0) {
            numerator = -numerator;
            denominator = -denominator;
        }
        const std::int64_t divisor = std::gcd(numerator, denominator);
        num = divisor > 1 ? numerator / divisor : numerator;
        den = divisor > 1 ? denominator / divisor : denominator;
    }

    constexpr std::int64_t numerator() const { return num; }
    constexpr std::int64_t denominator() const { return den; }
    // Equal fractions give the identical double: the division rounds correctly.
    constexpr double value() const { return static_cast<double>(num) / static_cast<double>(den); }

    friend constexpr bool operator==(const Beat& a, const Beat& b) { return a.num == b.num && a.den == b.den; }
    friend constexpr std::strong_ordering operator<=>(const Beat& a, const Beat& b)
    {
        const __int128 left = static_cast<__int128>(a.num) * b.den;
        const __int128 right = static_cast<__int128>(b.num) * a.den;
        return left <=> right;
    }

private:
    std::int64_t num = 0;
    std::int64_t den = 1;
};

} // namespace chart
