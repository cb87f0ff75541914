#include "ForgedLibrary.h"

#include "writers/ByteWriter.h"
#include "writers/OggWriter.h"

#include <cstdio>
#include <exception>
#include <vector>

namespace {

constexpr int measures = 64;
const char* const difficulties[] = {"Beginner", "Easy", "Medium", "Hard", "Challenge"};

std::string number(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Eighths or sixteenths by difficulty, the lanes turning with the song.
std::string notes(int song, int difficulty)
{
    static const char* rows[] = {"1000", "0100", "0010", "0001", "1001", "0110", "2000", "3000"};
    const int rowsPerMeasure = difficulty < 2 ? 8 : 16;
    std::string text;
    for (int measure = 0; measure < measures; ++measure) {
        for (int row = 0; row < rowsPerMeasure; ++row) {
            text += row % (4 - difficulty % 3) == 0 ? rows[(song + measure + row) % 8] : "0000";
            text += '\n';
        }
        text += measure + 1 < measures ? ",\n" : ";\n";
    }
    return text;
}

} // namespace

std::string ForgedLibrary::chartText(int song)
{
    const int bpm = 90 + song * 7 % 120;
    std::string text = "#TITLE:Forged Song " + std::to_string(song) + ";\n#SUBTITLE:Take " + std::to_string(song % 9)
        + ";\n#ARTIST:Artist " + std::to_string(song % 997) + ";\n#MUSIC:song.ogg;\n#OFFSET:-0.050;\n#BPMS:0="
        + std::to_string(bpm) + (song % 2 ? ",64=" + std::to_string(bpm * 2) : "") + ";\n#STOPS:"
        + (song % 3 ? "32=0.250" : "") + ";\n";
    const int charts = 3 + song % 3;
    for (int difficulty = 0; difficulty < charts; ++difficulty)
        text += std::string("#NOTES:\n     dance-single:\n     :\n     ") + difficulties[difficulty] + ":\n     "
            + std::to_string(1 + difficulty * 2 + song % 3) + ":\n     0,0,0,0,0:\n" + notes(song, difficulty);
    return text;
}

std::filesystem::path ForgedLibrary::songFolder(const std::filesystem::path& root, int pack, int song)
{
    return root / number("Pack %03d", pack) / number("Song %05d", song);
}

bool ForgedLibrary::write(const std::filesystem::path& root, int packs, int songsPerPack)
{
    const std::vector<std::uint8_t> ogg = forge::OggWriter::encode({22050, 1, std::vector<float>(22050, 0.0f)});
    try {
        for (int pack = 0; pack < packs; ++pack)
            for (int index = 0; index < songsPerPack; ++index) {
                const int song = pack * songsPerPack + index;
                const std::filesystem::path folder = songFolder(root, pack, song);
                forge::writeFile(folder / "song.ogg", ogg);
                forge::writeFile(folder / "song.sm", chartText(song));
            }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}
