#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How one player's judged presses spread around their notes: the mean and
// standard deviation of the signed errors (negative: early) and their
// histogram in bins of `binMs` across the "Booo" window.
class PressSpread {
public:
    static constexpr double binMs = 5.0;
    // The widest judgement window, rounded out to whole bins.
    static constexpr double rangeMs = 235.0;
    static constexpr std::size_t binCount = static_cast<std::size_t>(2 * rangeMs / binMs);

    explicit PressSpread(const std::vector<double>& errorsMs);

    std::size_t presses() const { return count; }
    double meanMs() const { return mean; }
    double deviationMs() const { return deviation; }
    const std::array<std::uint32_t, binCount>& bins() const { return counts; }
    std::uint32_t fullestBin() const;
    // The bin an error falls in, errors beyond the range in the outermost.
    static std::size_t binOf(double errorMs);
    // "mean +3.1 ms" and "sd 12.4 ms" (empty without presses).
    std::string meanLine() const;
    std::string deviationLine() const;

private:
    std::size_t count = 0;
    double mean = 0.0;
    double deviation = 0.0;
    std::array<std::uint32_t, binCount> counts{};
};
