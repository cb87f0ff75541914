#include "flow/ReplayShelf.h"

#include "core/OutputHandler.h"
#include "library/ReplayFile.h"

#include <chrono>
#include <ctime>
#include <system_error>

namespace {

// The song folder's last part, kept to letters, digits and a few marks.
std::string fileSafe(const std::string& song)
{
    std::string name = song.empty() ? "Coconut" : std::filesystem::path(song).filename().string();
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == ' ';
        if (!plain)
            c = '_';
    }
    constexpr std::size_t longest = 60;
    return name.substr(0, longest);
}

} // namespace

std::optional<library::RecordedRound> ReplayShelf::takeStartFile()
{
    if (!startFileWaiting())
        return std::nullopt;
    startTaken = true;
    library::ReplayFile::ReadResult read = library::ReplayFile::load(*startFile);
    if (!read.round) {
        OutputHandler::report(OutputHandler::find(), Warning, "Match: The replay '%s' cannot be played: %s",
                              startFile->string().c_str(), read.problem.c_str());
        startRefused = true;
    }
    return std::move(read.round);
}

void ReplayShelf::saveRound(const library::RecordedRound& round)
{
    if (!saveFile)
        return;
    std::string problem;
    if (library::ReplayFile::save(*saveFile, round, problem))
        OutputHandler::log(OutputHandler::find(), "Match: The round's replay is saved to '%s'",
                           saveFile->string().c_str());
    else
        OutputHandler::report(OutputHandler::find(), Warning, "Match: The round's replay is not saved: %s",
                              problem.c_str());
}

std::optional<std::filesystem::path> ReplayShelf::exportRound(const library::RecordedRound& round)
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
    const std::filesystem::path file
        = std::filesystem::path(exportFolder) / (std::string(stamp) + " " + fileSafe(round.song) + extension);
    std::error_code error;
    std::filesystem::create_directories(exportFolder, error);
    std::string problem;
    if (error || !library::ReplayFile::save(file, round, problem)) {
        OutputHandler::report(OutputHandler::find(), Warning, "Results: The round could not be exported: %s",
                              error ? error.message().c_str() : problem.c_str());
        return std::nullopt;
    }
    OutputHandler::log(OutputHandler::find(), "Results: The round is exported to '%s'", file.string().c_str());
    return file;
}
