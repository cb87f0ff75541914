#include "writers/ConfigWriter.h"

#include "writers/ByteWriter.h"

#include <cstdio>
#include <stdexcept>

namespace forge {

void ConfigWriter::line(const std::string& text)
{
    if (text.size() > maxLineLength)
        throw std::length_error("configuration line too long: " + text);
    if (text.find('\n') != std::string::npos)
        throw std::invalid_argument("configuration line holds a line feed: " + text);
    out += text + "\n";
}

void ConfigWriter::comment(const std::string& text)
{
    line(text.empty() ? "#" : "# " + text);
}

void ConfigWriter::section(const std::string& name)
{
    line("[" + name + "]");
}

void ConfigWriter::value(const std::string& key, const std::string& value)
{
    // The reader skips one blank after "=" and trims trailing blanks, so a
    // value with blanks at either end would not read back as written.
    if (key.empty() || key.front() == ' ' || key.front() == '\t' || key.front() == '#' || key.front() == '['
        || key.starts_with("//") || key.find('=') != std::string::npos)
        throw std::invalid_argument("configuration key cannot be read back: '" + key + "'");
    if (!value.empty() && (value.front() == ' ' || value.back() == ' ' || value.front() == '\t'
                           || value.back() == '\t'))
        throw std::invalid_argument("configuration value cannot be read back: '" + value + "'");
    line(key + " = " + value);
}

void ConfigWriter::keyCode(const std::string& key, unsigned code)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X", code & 0xFFu);
    value(key, hex);
}

void ConfigWriter::write(const std::filesystem::path& path) const
{
    writeFile(path, out);
}

} // namespace forge
