#include "chart/ChartFile.h"

#include "chart/ChartLimits.h"
#include "chart/DwiReader.h"
#include "chart/MsdValues.h"
#include "chart/SmReader.h"
#include "chart/SscReader.h"

#include <fstream>

namespace chart {

std::optional<ChartFormat> ChartFile::formatOf(const std::filesystem::path& path)
{
    const std::string extension = MsdValues::lower(path.extension().string());
    if (extension == ".sm")
        return ChartFormat::Sm;
    if (extension == ".ssc")
        return ChartFormat::Ssc;
    if (extension == ".dwi")
        return ChartFormat::Dwi;
    return std::nullopt;
}

ReadResult ChartFile::parse(std::string_view text, ChartFormat format)
{
    switch (format) {
    case ChartFormat::Sm: return SmReader::read(text);
    case ChartFormat::Ssc: return SscReader::read(text);
    case ChartFormat::Dwi: break;
    }
    return DwiReader::read(text);
}

ReadResult ChartFile::read(const std::filesystem::path& path)
{
    ReadResult refused;
    const std::optional<ChartFormat> format = formatOf(path);
    if (!format) {
        refused.error = "not a chart file (expected .sm, .ssc or .dwi)";
        return refused;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        refused.error = "cannot open the file";
        return refused;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > ChartLimits::maxFileBytes) {
        refused.error = error ? "cannot read the file size"
                              : "larger than " + std::to_string(ChartLimits::maxFileBytes >> 20) + " MiB";
        return refused;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size))) {
        refused.error = "cannot read the file";
        return refused;
    }
    return parse(text, *format);
}

} // namespace chart
