#pragma once

#include <array>
#include <cstdint>
#include <string>

// How long relayed messages spend in the server: from the moment ENet hands
// a message over to the flush that sends it on. Kept as a histogram of
// 5 us steps up to 50 ms (longer ones count in the last step), so that the
// memory stays the same however long the server runs.
class RelayTimes {
public:
    void add(std::int64_t us);
    std::uint64_t count() const { return total; }
    // The time below which `share` (0..1) of the messages stayed, in ms.
    double percentileMs(double share) const;
    double worstMs() const { return static_cast<double>(worstUs) / 1000.0; }
    // "time in the server: 50% X ms, 99% Y ms, worst Z ms", or empty before the first.
    std::string text() const;

private:
    static constexpr std::int64_t stepUs = 5;
    static constexpr std::size_t steps = 10000;

    std::array<std::uint64_t, steps> counts{};
    std::uint64_t total = 0;
    std::int64_t worstUs = 0;
};
