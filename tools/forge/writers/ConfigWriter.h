#pragma once

#include <filesystem>
#include <string>

namespace forge {

// Builds a sectioned configuration file: "[Section]" headers, "Key = Value"
// lines and "#" comments. Lines are kept within maxLineLength characters
// (line feed excluded) because the game's reader historically read lines
// into an 80-character buffer.
class ConfigWriter {
public:
    static constexpr std::size_t maxLineLength = 78;

    void comment(const std::string& text);
    void blank() { out += "\n"; }
    void section(const std::string& name);
    void value(const std::string& key, const std::string& value);
    void value(const std::string& key, int value) { this->value(key, std::to_string(value)); }
    // A key code as the game reads it: hexadecimal without prefix.
    void keyCode(const std::string& key, unsigned code);
    // Text written as it is (no length check), for files with deliberate faults.
    void raw(const std::string& text) { out += text; }

    const std::string& text() const { return out; }
    void write(const std::filesystem::path& path) const;

private:
    void line(const std::string& text);

    std::string out;
};

} // namespace forge
