#include "core/ConfigFileWriter.h"

#include "platform/FileSystem.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct Line {
    std::size_t start = 0;
    std::size_t length = 0; // without its line ending
};

std::vector<Line> splitLines(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        if (end > start && text[end - 1] == '\r')
            --end;
        lines.push_back({start, end - start});
        start = next;
    }
    return lines;
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    if (line.empty() || line[0] != '[')
        return std::nullopt;
    const auto close = line.find(']');
    return line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
}

// A line "Key = Value" (blanks before the '=' allowed), as the reader takes it.
bool isKeyLine(std::string_view line, std::string_view key)
{
    if (!line.starts_with(key))
        return false;
    const std::size_t equals = line.find_first_not_of(" \t", key.size());
    return equals != std::string_view::npos && line[equals] == '=';
}

std::string lineEnding(const std::string& text)
{
    return text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
}

} // namespace

std::string ConfigFileWriter::withValue(const std::string& text, const std::string& section, const std::string& key,
                                        const std::string& value)
{
    const std::string newline = lineEnding(text);
    const std::string keyLine = key + " = " + value;
    std::optional<Line> lastKey;
    std::optional<Line> lastInSection;
    bool inSection = false;
    for (const Line& line : splitLines(text)) {
        const std::string_view content(text.data() + line.start, line.length);
        if (const auto name = sectionName(content))
            inSection = *name == section;
        if (!inSection)
            continue;
        if (!content.empty())
            lastInSection = line;
        if (isKeyLine(content, key))
            lastKey = line;
    }
    std::string result = text;
    if (lastKey)
        return result.replace(lastKey->start, lastKey->length, keyLine);
    if (lastInSection)
        return result.insert(lastInSection->start + lastInSection->length, newline + keyLine);
    if (!result.empty() && result.back() != '\n')
        result += newline;
    return result + "[" + section + "]" + newline + keyLine + newline;
}

bool ConfigFileWriter::setValue(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& value)
{
    return setValues(path, {{section, key, value}});
}

bool ConfigFileWriter::setValues(const std::string& path, const std::vector<Edit>& edits)
{
    std::vector<std::uint8_t> bytes;
    if (!platform::FileSystem::readAll(path, bytes))
        return false;
    std::string text(bytes.begin(), bytes.end());
    for (const Edit& edit : edits)
        text = withValue(text, edit.section, edit.key, edit.value);
    const std::string target = platform::FileSystem::nativePath(path);
    const std::string temporary = target + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
