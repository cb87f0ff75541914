#pragma once

#include <cstdio>
#include <string>
#include <vector>

// One measured figure beside the reference it is judged against, both taken
// in the same run so that a busy machine slows them alike.
struct BenchRow {
    std::string section;
    std::string figure;
    double value = 0.0;
    std::string unit;
    std::string reference;      // what the figure is compared with; empty for none
    double referenceValue = 0.0;
    std::string target;         // the target in words; empty when only informative
    std::string verdict;        // "met", "missed" or "info"
};

// The rows of a whole run: serialised between the section processes and the
// driver, printed as one table and written as CSV.
class BenchTable {
public:
    void add(BenchRow row) { rows.push_back(std::move(row)); }
    void append(const BenchTable& other);
    const std::vector<BenchRow>& all() const { return rows; }
    bool empty() const { return rows.empty(); }

    // One tab-separated line per row, each starting with linePrefix.
    void writeLines(std::FILE* out) const;
    // Takes a line written by writeLines; false for any other line.
    bool parseLine(const std::string& line);

    void print(std::FILE* out) const;
    bool writeCsv(const std::string& path) const;

    static constexpr const char* linePrefix = "BENCHROW\t";

private:
    std::vector<BenchRow> rows;
};

// "met" or "missed".
inline std::string verdict(bool met)
{
    return met ? "met" : "missed";
}
