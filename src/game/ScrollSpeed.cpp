#include "game/ScrollSpeed.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace {

constexpr double secondsPerMinute = 60.0;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

template <typename Number>
std::optional<Number> numberIn(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

double lastBeatOf(const chart::Chart& chart)
{
    double last = 0.0;
    for (const chart::Note& note : chart.notes)
        last = std::max(last, note.end.value());
    return last;
}

} // namespace

ScrollSpeed ScrollSpeed::multiplier(int quarters)
{
    ScrollSpeed speed;
    speed.quarters = std::clamp(quarters, minQuarters, maxQuarters);
    return speed;
}

ScrollSpeed ScrollSpeed::constant(int bpm)
{
    ScrollSpeed speed;
    speed.constantBpm = std::clamp(bpm, minConstant, maxConstant);
    return speed;
}

ScrollSpeed ScrollSpeed::withFactor(double wanted, const chart::Chart& chart)
{
    constexpr double sameFactor = 1e-9;
    const ScrollSpeed multiple = multiplier(static_cast<int>(std::lround(wanted * 4.0)));
    if (std::abs(multiple.factor(chart) - wanted) < sameFactor)
        return multiple;
    return constant(static_cast<int>(std::lround(wanted * highestBpm(chart.tempo, lastBeatOf(chart)))));
}

std::optional<ScrollSpeed> ScrollSpeed::parse(std::string_view text)
{
    text = trimmed(text);
    if (text.size() < 2)
        return std::nullopt;
    if (text.front() == 'M' || text.front() == 'm') {
        const std::optional<int> bpm = numberIn<int>(text.substr(1));
        if (!bpm || *bpm < minConstant || *bpm > maxConstant)
            return std::nullopt;
        return constant(*bpm);
    }
    if (text.back() != 'x' && text.back() != 'X')
        return std::nullopt;
    const std::optional<double> times = numberIn<double>(text.substr(0, text.size() - 1));
    if (!times || !std::isfinite(*times))
        return std::nullopt;
    const double quarterCount = *times * 4.0;
    const double whole = std::round(quarterCount);
    if (std::fabs(quarterCount - whole) > 1e-9 || whole < minQuarters || whole > maxQuarters)
        return std::nullopt;
    return multiplier(static_cast<int>(whole));
}

std::string ScrollSpeed::format() const
{
    if (isConstant())
        return "M" + std::to_string(constantBpm);
    static constexpr const char* fractions[] = {"", ".25", ".5", ".75"};
    return std::to_string(quarters / 4) + fractions[quarters % 4] + "x";
}

ScrollSpeed ScrollSpeed::faster() const
{
    if (isConstant())
        return constant((constantBpm / constantStep + 1) * constantStep);
    return multiplier(quarters + 1);
}

ScrollSpeed ScrollSpeed::slower() const
{
    if (isConstant())
        return constant((constantBpm - 1) / constantStep * constantStep);
    return multiplier(quarters - 1);
}

double ScrollSpeed::factor(double highestBpm) const
{
    if (!isConstant())
        return quarters / 4.0;
    return highestBpm > 0.0 && std::isfinite(highestBpm) ? constantBpm / highestBpm : 1.0;
}

double ScrollSpeed::factor(const chart::Chart& chart) const
{
    return isConstant() ? factor(highestBpm(chart.tempo, lastBeatOf(chart))) : factor(0.0);
}

double ScrollSpeed::highestBpm(const chart::TempoMap& tempo, double lastBeat)
{
    const std::vector<chart::TempoChange>& changes = tempo.bpmChanges();
    double highest = 0.0;
    double longestBpm = 0.0;
    double longestSeconds = -1.0;
    for (std::size_t index = 0; index < changes.size(); ++index) {
        const double bpm = changes[index].bpm;
        const double from = changes[index].beat;
        const double to = index + 1 < changes.size() ? std::min(changes[index + 1].beat, lastBeat) : lastBeat;
        if (bpm <= 0.0 || (from >= lastBeat && index > 0))
            continue;
        const double seconds = std::max(0.0, to - from) * secondsPerMinute / bpm;
        if (seconds >= shortestSectionSeconds)
            highest = std::max(highest, bpm);
        if (seconds > longestSeconds) {
            longestSeconds = seconds;
            longestBpm = bpm;
        }
    }
    return highest > 0.0 ? highest : longestBpm;
}
