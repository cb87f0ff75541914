#pragma once

#include <filesystem>
#include <string>

// A throwaway copy of the game's run folder for one measured run: Conf/ and
// Data/Dwi/ are copied so that a run can change them, every other entry of
// Data/ is linked. The game writes its log there, so the real run folder is
// left alone. Removed with the object.
class ScratchRunFolder {
public:
    static constexpr const char* configPath = "Conf/global.cfg";
    static constexpr const char* chartPath = "Data/Dwi/Coconut.DWI";

    explicit ScratchRunFolder(const std::filesystem::path& runFolder);
    ~ScratchRunFolder();
    ScratchRunFolder(const ScratchRunFolder&) = delete;
    ScratchRunFolder& operator=(const ScratchRunFolder&) = delete;

    // False when the copy could not be made.
    bool ready() const { return !folder.empty(); }
    const std::filesystem::path& path() const { return folder; }

    bool setMaxParticles(int count) const;
    bool writeChart(const std::string& dwiText) const;

    // The configuration text with "MaxParticels" of the "SpecialFX" section
    // set to count; the section and key are added when missing.
    static std::string withMaxParticles(const std::string& config, int count);

private:
    std::filesystem::path folder;
};
