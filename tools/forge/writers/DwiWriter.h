#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace forge {

// Builds a DWI step file: one "#TAG:value;" entry per line and chart entries
// "#STYLE:DIFFICULTY:RATING:notes[:notes];" with the notes wrapped over lines.
// Line feeds only: the game's reader drops them, but would keep carriage returns.
class DwiWriter {
public:
    void tag(const std::string& name, const std::string& value);
    // One note string per pad: one for SINGLE, two for DOUBLE.
    void chart(const std::string& style, const std::string& difficulty, int rating,
               const std::vector<std::string>& padNotes);
    // Text written as it is, for files with deliberate faults.
    void raw(const std::string& text) { out += text; }

    const std::string& text() const { return out; }
    void write(const std::filesystem::path& path) const;

    static constexpr std::size_t notesPerLine = 32;

private:
    std::string out;
};

} // namespace forge
