#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace forge {

// Builds an SM step file: "#TAG:value;" lines, then one "#NOTES:" entry per
// chart with its measures of four-character rows, measures separated by commas.
class SmWriter {
public:
    void tag(const std::string& name, const std::string& value);
    // `rows` from beat 0, `rowsPerMeasure` of them to a measure of four beats;
    // the last measure is padded with empty rows.
    void chart(const std::string& stepsType, const std::string& difficulty, int meter,
               const std::vector<std::string>& rows, std::size_t rowsPerMeasure);

    const std::string& text() const { return out; }
    void write(const std::filesystem::path& path) const;

private:
    std::string out;
};

} // namespace forge
