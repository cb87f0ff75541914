#include "writers/DwiWriter.h"

#include "writers/ByteWriter.h"

namespace forge {

void DwiWriter::tag(const std::string& name, const std::string& value)
{
    out += "#" + name + ":" + value + ";\n";
}

void DwiWriter::chart(const std::string& style, const std::string& difficulty, int rating,
                      const std::vector<std::string>& padNotes)
{
    out += "#" + style + ":" + difficulty + ":" + std::to_string(rating);
    for (const auto& notes : padNotes) {
        out += ":";
        for (std::size_t i = 0; i < notes.size(); i += notesPerLine)
            out += "\n" + notes.substr(i, notesPerLine);
    }
    out += ";\n";
}

void DwiWriter::write(const std::filesystem::path& path) const
{
    writeFile(path, out);
}

} // namespace forge
