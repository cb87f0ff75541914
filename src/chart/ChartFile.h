#pragma once

#include "chart/Song.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace chart {

enum class ChartFormat { Sm, Ssc, Dwi };

// A chart file on disk or in memory, read by the reader of its format.
class ChartFile {
public:
    // By the file's extension (.sm, .ssc, .dwi in any case); none for others.
    static std::optional<ChartFormat> formatOf(const std::filesystem::path& path);
    static ReadResult parse(std::string_view text, ChartFormat format);
    // Reads the file (at most ChartLimits::maxFileBytes) by its extension.
    static ReadResult read(const std::filesystem::path& path);
};

} // namespace chart
