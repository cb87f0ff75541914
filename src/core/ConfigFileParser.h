#pragma once

#include "core/Object.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Reads a sectioned key/value text file once into memory. Registered as
// "ConfigFileParser"; lookups by that name find the first reader of the run.
class ConfigFileParser : public Object {
public:
    // Key to value, ordered by key; always holds one entry with an empty key.
    using Section = std::map<std::string, std::string>;

    ConfigFileParser();

    // Appends the key lines of the file. A missing file ends the program (exit 5).
    bool parse(const std::string& path);
    // Appends the key lines of a file's contents already in memory; parse
    // reads the file and hands it here.
    void parseText(std::string_view text);

    // Later occurrences of a key override earlier ones here.
    Section getSection(const std::string& section) const;
    // The earliest occurrence; with an empty section, of any section.
    std::string getValue(const std::string& key, const std::string& section = "") const;
    std::string getRequired(const std::string& key, const std::string& section = "") const;
    int getInt(const std::string& key, const std::string& section = "") const;
    int getHex(const std::string& key, const std::string& section = "") const;
    double getFloat(const std::string& key, const std::string& section = "") const;

    // The conversions every reader of a value uses: leading blanks allowed,
    // stopping at the first character that does not fit; no number gives 0.
    // Out-of-range numbers are clamped to the int range.
    static int toInt(const std::string& text);
    static int toHex(const std::string& text);
    static double toFloat(const std::string& text);

    bool isParsed() const { return parsed; }
    const std::string& getFileName() const { return fileName; }

private:
    struct Element {
        std::string section;
        std::string key;
        std::string value;
    };

    void parseLine(std::string_view line, std::string& currentSection);

    std::string fileName;
    bool parsed = false;
    std::vector<Element> elements;
};
