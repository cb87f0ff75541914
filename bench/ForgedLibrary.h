#pragma once

#include <filesystem>
#include <string>

// A song library of the size players bring, written from our own charts:
// packs of song folders, each with an SM file of several charts (at its own
// tempo, some with a tempo change and a stop) and a small Ogg Vorbis file of
// its own, as a player's pack has.
class ForgedLibrary {
public:
    // <root>/Pack NNN/Song NNNNN/; false when a file could not be written.
    static bool write(const std::filesystem::path& root, int packs, int songsPerPack);
    // The SM file of song number `song`: about 20 KiB.
    static std::string chartText(int song);
    static std::filesystem::path songFolder(const std::filesystem::path& root, int pack, int song);
};
