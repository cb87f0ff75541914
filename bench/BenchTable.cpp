#include "BenchTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> splitTabs(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    if (!text.empty() && text.back() == '\t')
        fields.emplace_back();
    return fields;
}

std::string formatNumber(double value)
{
    char buffer[64];
    const double magnitude = std::fabs(value);
    if (magnitude != 0.0 && (magnitude >= 1e7 || magnitude < 1e-3))
        std::snprintf(buffer, sizeof buffer, "%.3e", value);
    else if (magnitude >= 1000.0 || value == std::floor(value))
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    else
        std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

std::string referenceText(const BenchRow& row)
{
    if (row.reference.empty())
        return "";
    return row.reference + " " + formatNumber(row.referenceValue);
}

// CSV field: quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

void BenchTable::append(const BenchTable& other)
{
    rows.insert(rows.end(), other.rows.begin(), other.rows.end());
}

// The game's diagnostics on the same stream ("TEST") end no line: the rows
// start on a line of their own.
void BenchTable::writeLines(std::FILE* out) const
{
    std::fputc('\n', out);
    for (const BenchRow& row : rows)
        std::fprintf(out, "%s%s\t%s\t%.9g\t%s\t%s\t%.9g\t%s\t%s\n", linePrefix, row.section.c_str(),
            row.figure.c_str(), row.value, row.unit.c_str(), row.reference.c_str(), row.referenceValue,
            row.target.c_str(), row.verdict.c_str());
    std::fflush(out);
}

bool BenchTable::parseLine(const std::string& line)
{
    const std::string prefix = linePrefix;
    if (line.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::vector<std::string> fields = splitTabs(line.substr(prefix.size()));
    if (fields.size() != 8)
        return false;
    rows.push_back(BenchRow{fields[0], fields[1], std::strtod(fields[2].c_str(), nullptr), fields[3], fields[4],
        std::strtod(fields[5].c_str(), nullptr), fields[6], fields[7]});
    return true;
}

void BenchTable::print(std::FILE* out) const
{
    const char* headers[] = {"section", "figure", "value", "reference", "target", "verdict"};
    std::vector<std::vector<std::string>> cells;
    for (const BenchRow& row : rows)
        cells.push_back({row.section, row.figure, formatNumber(row.value) + " " + row.unit, referenceText(row),
            row.target, row.verdict});
    std::size_t widths[6];
    for (std::size_t c = 0; c < 6; ++c) {
        widths[c] = std::string(headers[c]).size();
        for (const auto& line : cells)
            widths[c] = std::max(widths[c], line[c].size());
    }
    auto printLine = [&](const std::vector<std::string>& line) {
        std::fputs("|", out);
        for (std::size_t c = 0; c < 6; ++c)
            std::fprintf(out, " %-*s |", static_cast<int>(widths[c]), line[c].c_str());
        std::fputs("\n", out);
    };
    printLine({headers, headers + 6});
    std::fputs("|", out);
    for (const std::size_t width : widths)
        std::fprintf(out, "%s|", std::string(width + 2, '-').c_str());
    std::fputs("\n", out);
    for (const auto& line : cells)
        printLine(line);
}

bool BenchTable::writeCsv(const std::string& path) const
{
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    std::fputs("section,figure,value,unit,reference,reference_value,target,verdict\n", out);
    for (const BenchRow& row : rows)
        std::fprintf(out, "%s,%s,%.6g,%s,%s,%.6g,%s,%s\n", csvField(row.section).c_str(),
            csvField(row.figure).c_str(), row.value, csvField(row.unit).c_str(), csvField(row.reference).c_str(),
            row.referenceValue, csvField(row.target).c_str(), csvField(row.verdict).c_str());
    return std::fclose(out) == 0;
}
