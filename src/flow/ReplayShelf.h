#pragma once

#include "library/RecordedRound.h"

#include <filesystem>
#include <optional>
#include <string>

// Replays as files: the one given at start-up to play (--replay), the one
// each round is written to at the song's end (--save-replay), and the
// rounds exported from the results into the player's folder to share.
class ReplayShelf {
public:
    // Exported rounds go here, in the player's folder.
    static constexpr const char* exportFolder = "Replays";
    static constexpr const char* extension = ".flvxr";

    static void setStartFile(std::optional<std::filesystem::path> file)
    {
        startFile = std::move(file);
        startRefused = false;
    }
    static void setSaveFile(std::optional<std::filesystem::path> file) { saveFile = std::move(file); }

    // There is a start-up file not yet taken.
    bool startFileWaiting() const { return startFile && !startTaken; }
    // The start-up file's round, once; nothing (with a log line saying why)
    // when it cannot be read, which counts as refused.
    std::optional<library::RecordedRound> takeStartFile();
    // The start-up file's round could not be played after all.
    static void refuseStartFile() { startRefused = true; }
    bool startFileTaken() const { return startFile && startTaken; }
    // The game then ends as failed.
    static bool startFileRefused() { return startRefused; }

    // Writes the round to the --save-replay file, if one was given.
    static void saveRound(const library::RecordedRound& round);
    // Writes the round to "Replays/<date> <song>.flvxr" in the player's
    // folder; the file written, or nothing (with a log line saying why).
    static std::optional<std::filesystem::path> exportRound(const library::RecordedRound& round);

private:
    inline static std::optional<std::filesystem::path> startFile;
    inline static std::optional<std::filesystem::path> saveFile;
    inline static bool startRefused = false;
    bool startTaken = false;
};
