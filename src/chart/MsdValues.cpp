#include "chart/MsdValues.h"

#include "chart/ChartLimits.h"
#include "core/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace chart {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

} // namespace

std::string_view MsdValues::trim(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string MsdValues::upper(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c); });
    return result;
}

std::string MsdValues::lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c); });
    return result;
}

bool MsdValues::number(std::string_view text, double& value)
{
    text = trim(text);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    if (text.empty())
        return false;
    double parsed = 0.0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (status != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

int MsdValues::integer(std::string_view text, int fallback)
{
    double value = 0.0;
    if (!number(text, value))
        return fallback;
    return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

void MsdValues::pairs(std::string_view text, std::vector<std::pair<double, double>>& values,
    std::vector<std::string>& bad)
{
    while (!text.empty() && values.size() <= ChartLimits::maxTempoEvents) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trim(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        double beat = 0.0;
        double value = 0.0;
        if (equals == std::string_view::npos || !number(item.substr(0, equals), beat)
            || !number(item.substr(equals + 1), value)) {
            if (bad.size() <= ChartLimits::maxTempoEvents)
                bad.emplace_back(item.substr(0, 40));
            continue;
        }
        values.emplace_back(beat, value);
    }
}

std::string MsdValues::utf8(std::string_view text)
{
    if (Utf8::isValid(text))
        return std::string(text);
    std::string converted;
    converted.reserve(text.size() * 2);
    for (const char c : text)
        Utf8::append(converted, static_cast<unsigned char>(c));
    return converted;
}

} // namespace chart
