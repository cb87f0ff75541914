#include "core/ConfigFileParser.h"

#include "core/OutputHandler.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {

bool isIgnoredLine(const std::string& line)
{
    if (line.empty())
        return true;
    const char first = line[0];
    return first == '#' || first == ' ' || first == '\t' || first == '\n' || line.starts_with("//");
}

void trimRight(std::string& text, const char* characters)
{
    text.erase(text.find_last_not_of(characters) + 1);
}

// Reads one line of any length, without its line feed (and the carriage
// return before it). False at the end of the file.
bool readLine(std::FILE* file, std::string& line)
{
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

ConfigFileParser::ConfigFileParser()
    : Object(true, "ConfigFileParser")
{
}

bool ConfigFileParser::parse(const std::string& path)
{
    fileName = path;
    OutputHandler* out = OutputHandler::find();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::FileSystem::open(path, "r"), &std::fclose);
    if (!file) {
        OutputHandler::report(out, ErrorExit, "The following Config File could not be found: '%s'", path.c_str());
        return false;
    }
    OutputHandler::log(out, "Parsing the config file '%s'...", path.c_str());

    std::string currentSection;
    std::string line;
    while (readLine(file.get(), line))
        parseLine(line, currentSection);

    OutputHandler::log(out, "Parsing done...");
    parsed = true;
    return true;
}

void ConfigFileParser::parseLine(const std::string& line, std::string& currentSection)
{
    if (isIgnoredLine(line))
        return;
    if (line[0] == '[') {
        const auto close = line.find(']');
        currentSection = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        return;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos)
        return;

    std::string key = line.substr(0, equals);
    trimRight(key, " \t\n");
    std::size_t valueStart = equals + 1;
    if (valueStart < line.size() && line[valueStart] == ' ')
        ++valueStart;
    std::string value = line.substr(valueStart);
    trimRight(value, " \t");
    elements.push_back({currentSection, std::move(key), std::move(value)});
}

ConfigFileParser::Section ConfigFileParser::getSection(const std::string& section) const
{
    OutputHandler* out = OutputHandler::find();
    Section table;
    table[""] = "";
    if (!parsed) {
        OutputHandler::report(out, Warning,
                              "Trying to access the section '%s' of the config file, but the file is not parsed yet!",
                              section.c_str());
        return table;
    }
    for (const Element& element : elements) {
        if (element.section == section)
            table[element.key] = element.value;
    }
    if (table.size() == 1)
        OutputHandler::report(out, Warning, "Could not find the section '%s' of the config file. Expect Problems!",
                              section.c_str());
    return table;
}

std::string ConfigFileParser::getValue(const std::string& key, const std::string& section) const
{
    for (const Element& element : elements) {
        if (element.key == key && (section.empty() || element.section == section))
            return element.value;
    }
    return {};
}

std::string ConfigFileParser::getRequired(const std::string& key, const std::string& section) const
{
    std::string value = getValue(key, section);
    if (value.empty())
        OutputHandler::report(OutputHandler::find(), ErrorExit,
                              "The required element '%s' could not be fetched from the config file!", key.c_str());
    return value;
}

int ConfigFileParser::getInt(const std::string& key, const std::string& section) const
{
    return toInt(getValue(key, section));
}

int ConfigFileParser::getHex(const std::string& key, const std::string& section) const
{
    return toHex(getValue(key, section));
}

double ConfigFileParser::getFloat(const std::string& key, const std::string& section) const
{
    return toFloat(getValue(key, section));
}

int ConfigFileParser::toInt(const std::string& text)
{
    return clampToInt(std::strtoll(text.c_str(), nullptr, 10));
}

int ConfigFileParser::toHex(const std::string& text)
{
    return clampToInt(std::strtoll(text.c_str(), nullptr, 16));
}

double ConfigFileParser::toFloat(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}
