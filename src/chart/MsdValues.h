#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chart {

// Reading the values of chart file tags: numbers, "beat=value" lists, text.
class MsdValues {
public:
    static std::string_view trim(std::string_view text);
    static std::string upper(std::string_view text);
    static std::string lower(std::string_view text);
    // A finite decimal number and nothing else (white space around it aside).
    static bool number(std::string_view text, double& value);
    // An integer meter or count; `fallback` when the text is not a number.
    static int integer(std::string_view text, int fallback);
    // "b=v,b=v,..." (white space and empty items allowed); items that cannot
    // be read are skipped and given in `bad` (their first 40 characters).
    // Reading stops past ChartLimits::maxTempoEvents items.
    static void pairs(std::string_view text, std::vector<std::pair<double, double>>& values,
        std::vector<std::string>& bad);
    // The text as UTF-8: kept when it already is, read as Latin-1 otherwise.
    static std::string utf8(std::string_view text);
};

} // namespace chart
