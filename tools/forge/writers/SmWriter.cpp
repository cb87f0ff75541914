#include "writers/SmWriter.h"

#include "writers/ByteWriter.h"

#include <algorithm>

namespace forge {

void SmWriter::tag(const std::string& name, const std::string& value)
{
    out += "#" + name + ":" + value + ";\n";
}

void SmWriter::chart(const std::string& stepsType, const std::string& difficulty, int meter,
                     const std::vector<std::string>& rows, std::size_t rowsPerMeasure)
{
    out += "\n#NOTES:\n     " + stepsType + ":\n     Flarevox Forge:\n     " + difficulty + ":\n     "
        + std::to_string(meter) + ":\n     0.000,0.000,0.000,0.000,0.000:\n";
    const std::string empty(rows.empty() ? 4 : rows.front().size(), '0');
    const std::size_t measures = (rows.size() + rowsPerMeasure - 1) / rowsPerMeasure;
    for (std::size_t measure = 0; measure < std::max<std::size_t>(measures, 1); ++measure) {
        if (measure > 0)
            out += ",\n";
        for (std::size_t row = measure * rowsPerMeasure; row < (measure + 1) * rowsPerMeasure; ++row)
            out += (row < rows.size() ? rows[row] : empty) + "\n";
    }
    out += ";\n";
}

void SmWriter::write(const std::filesystem::path& path) const
{
    writeFile(path, out);
}

} // namespace forge
