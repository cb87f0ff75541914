#include "core/ConfigFileParser.h"

#include "core/OutputHandler.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

bool isIgnoredLine(std::string_view line)
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

// Takes the next line of any length off the front of text, without its line
// feed (and the carriage return before it). False once text is used up.
bool takeLine(std::string_view& text, std::string_view& line)
{
    if (text.empty())
        return false;
    const auto feed = text.find('\n');
    line = text.substr(0, feed);
    text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return true;
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
    std::vector<std::uint8_t> bytes;
    if (!platform::FileSystem::readAll(path, bytes)) {
        OutputHandler::report(out, ErrorExit, "The following Config File could not be found: '%s'", path.c_str());
        return false;
    }
    OutputHandler::log(out, "Parsing the config file '%s'...", path.c_str());
    parseText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    OutputHandler::log(out, "Parsing done...");
    return true;
}

void ConfigFileParser::parseText(std::string_view text)
{
    std::string currentSection;
    std::string_view line;
    while (takeLine(text, line))
        parseLine(line, currentSection);
    parsed = true;
}

void ConfigFileParser::parseLine(std::string_view line, std::string& currentSection)
{
    if (isIgnoredLine(line))
        return;
    if (line[0] == '[') {
        const auto close = line.find(']');
        currentSection = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
        return;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return;

    std::string key(line.substr(0, equals));
    trimRight(key, " \t\n");
    std::size_t valueStart = equals + 1;
    if (valueStart < line.size() && line[valueStart] == ' ')
        ++valueStart;
    std::string value(line.substr(valueStart));
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
