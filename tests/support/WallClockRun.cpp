#include "support/WallClockRun.h"

#include "app/StartupTimes.h"
#include "game/StepFileManager.h"
#include "game/TimingSummary.h"
#include "library/RecordBook.h"
#include "library/ReplayFile.h"
#include "platform/SqliteDatabase.h"
#include "support/ChildProcess.h"
#include "support/SoundServer.h"
#include "support/TestSupport.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <vector>

namespace testsupport {
namespace {

using namespace std::chrono_literals;

constexpr const char* title = "Flarevox";
constexpr const char* initializedLine = "INITIALIZING DONE...";
constexpr const char* chartPath = "Data/Dwi/Coconut.DWI";
constexpr auto startLimit = 60s;
// The song lasts about two minutes.
constexpr auto songLimit = 4min;
constexpr auto endLimit = 60s;
constexpr double halfBeatsPerMinuteMs = 30000.0;
constexpr double msPerMinute = 60000.0;
// Player 1's keys for the lanes Left, Up, Right, Down.
constexpr const char* laneKeys[] = {"a", "w", "d", "s"};

// A program run in the folder, its output to a file named after it there.
struct Run : ChildProcess {
    Run(const std::vector<std::string>& words, const std::filesystem::path& folder)
        : ChildProcess(words, writingTo(folder, folder / (std::filesystem::path(words[0]).filename().string() + "-output.txt")))
    {
    }
    bool exitedWell() const { return exited && exitCode == 0; }
};

// Waits for a condition while the game runs.
template <typename Condition>
bool waitWhileRunning(Run& game, std::chrono::milliseconds limit, Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        if (game.waitForExit(50ms))
            return condition();
    }
    return false;
}

std::string lastLines(const std::string& text)
{
    constexpr std::size_t shown = 12;
    const std::vector<std::string> lines = linesOf(text);
    std::string last;
    for (std::size_t i = lines.size() > shown ? lines.size() - shown : 0; i < lines.size(); ++i)
        last += lines[i] + "\n";
    return last;
}

// The round this run kept with its records, once the game has written it.
std::optional<library::RecordedRound> keptRound(const std::filesystem::path& folder)
{
    platform::SqliteDatabase records;
    if (records.open((folder / library::RecordBook::fileName).string(), 100) != platform::SqliteStatus::Ok)
        return std::nullopt;
    std::vector<platform::SqliteDatabase::Row> rows;
    if (records.query("SELECT round FROM replays ORDER BY id DESC LIMIT 1", {}, rows) != platform::SqliteStatus::Ok
        || rows.empty())
        return std::nullopt;
    const auto* bytes = std::get_if<platform::SqliteDatabase::Blob>(&rows.front()[0]);
    return bytes ? library::ReplayFile::read(*bytes).round : std::nullopt;
}

// The monotonic ms at which the music's time 0 was heard, as the game logged
// it (its tick count wraps at 32 bits), within 24 days either side of `nearMs`.
std::optional<double> heardStartMs(const std::string& log, double nearMs)
{
    static const std::regex heard(R"(time 0 was heard at tick (\d+))");
    std::smatch found;
    if (!std::regex_search(log, found, heard))
        return std::nullopt;
    const auto tick = static_cast<std::uint32_t>(std::stoul(found[1]));
    const auto near = static_cast<std::int64_t>(nearMs);
    return static_cast<double>(near - static_cast<std::int32_t>(static_cast<std::uint32_t>(near) - tick));
}

// The song clock against real time at the moments the X server took player
// 1's keys: each key pressed after the start is paired, lane by lane, with
// the press the round recorded, and its song time set against the ms since
// the music was heard. The key driver's own late wakes do not count.
std::optional<TimingSummary::Figures> clockAtPresses(const std::string& pressed, const std::string& log,
                                                     const library::RecordedRound& round, std::string& problem)
{
    std::array<std::vector<double>, 4> takenMs;
    std::optional<double> firstMs;
    for (const std::string& line : linesOf(pressed)) {
        std::istringstream words(line);
        double ms = 0.0;
        std::string key;
        if (!(words >> ms >> key))
            continue;
        firstMs = firstMs.value_or(ms);
        for (std::size_t lane = 0; lane < takenMs.size(); ++lane)
            if (key == laneKeys[lane])
                takenMs[lane].push_back(ms);
    }
    if (!firstMs) {
        problem = "the X server took no keys";
        return std::nullopt;
    }
    const std::optional<double> heardMs = heardStartMs(log, *firstMs);
    if (!heardMs) {
        problem = "the game never logged when its music was heard";
        return std::nullopt;
    }
    std::array<std::size_t, 4> paired{};
    std::vector<double> sinceHeardMs, clockAheadMs;
    for (const library::RoundInput& input : round.players[0].inputs) {
        if (input.release || input.lane >= takenMs.size())
            continue;
        const std::size_t index = paired[input.lane]++;
        if (index >= takenMs[input.lane].size())
            continue;
        const double wallMs = takenMs[input.lane][index] - *heardMs;
        sinceHeardMs.push_back(wallMs);
        clockAheadMs.push_back(static_cast<double>(input.songUs) / 1000.0 - wallMs);
    }
    for (std::size_t lane = 0; lane < takenMs.size(); ++lane)
        if (paired[lane] != takenMs[lane].size()) {
            problem = "lane " + std::to_string(lane) + ": the X server took " + std::to_string(takenMs[lane].size())
                      + " presses, the round recorded " + std::to_string(paired[lane]);
            return std::nullopt;
        }
    return TimingSummary::of(sinceHeardMs, clockAheadMs);
}

// The moment of the schedule's last press, in ms.
double lastPressMs(const std::string& schedule)
{
    const std::vector<std::string> lines = linesOf(schedule);
    return lines.empty() ? 0.0 : std::stod(lines.back());
}

void setVariable(const char* name, const std::string& value)
{
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
}

} // namespace

WallClockRun::WallClockRun(std::filesystem::path runFolder)
    : runFolder(std::move(runFolder))
{
}

std::string WallClockRun::schedule() const
{
    StepFileManager chart;
    if (chart.parseFile((runFolder / chartPath).c_str()) != 0 || chart.getBpm() <= 0.0f)
        return {};
    std::ostringstream lines;
    lines << "0 q\n";
    const double stepMs = halfBeatsPerMinuteMs / chart.getBpm();
    std::size_t cursor = 0;
    for (std::size_t step = 0;; ++step) {
        const char note = StepFileManager::takeStep(chart.getNotes(), cursor);
        if (note == '\0')
            break;
        const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(note);
        const double at = chart.getGap() + static_cast<double>(step) * stepMs;
        for (std::size_t i = 0; i < arrows.count; ++i)
            lines << at << " " << laneKeys[arrows.lanes[i]] << "\n";
    }
    return lines.str();
}

WallClockRun::Outcome WallClockRun::play(int maxFps, const SoundServer* server) const
{
    const ScratchDir scratch;
    const std::filesystem::path& folder = scratch.path();
    std::error_code failed;
    std::filesystem::create_directories(folder / "Conf", failed);
    std::filesystem::copy_file(runFolder / "Conf/global.cfg", folder / "Conf/global.cfg", failed);
    std::filesystem::create_directories(folder / "Data", failed);
    for (const auto& entry : std::filesystem::directory_iterator(runFolder / "Data", failed))
        std::filesystem::create_directory_symlink(entry.path(), folder / "Data" / entry.path().filename(), failed);
    std::filesystem::create_directory_symlink(runFolder / "Songs", folder / "Songs", failed);
    if (failed)
        return {std::nullopt, "could not prepare the run folder: " + failed.message()};
    const std::string presses = schedule();
    if (presses.empty())
        return {std::nullopt, "could not read the song's chart"};
    scratch.write("schedule.txt", presses);

    setVariable("FLAREVOX_NO_DIALOGS", "1");
    setVariable("SDL_AUDIODRIVER", server ? "pulseaudio" : "dummy");
    setVariable("PULSE_SERVER", server ? server->address() : std::string());
    setVariable("FLAREVOX_MAX_FPS", maxFps > 0 ? std::to_string(maxFps) : std::string());
    unsetenv(StartupTimes::variable);
    Run game({FLAREVOX_BINARY}, folder);
    unsetenv("FLAREVOX_MAX_FPS");
    if (!game.started)
        return {std::nullopt, "the game did not start"};
    const auto log = [&] { return readFile(folder / "output.log"); };
    if (!waitWhileRunning(game, startLimit, [&] { return log().find(initializedLine) != std::string::npos; }))
        return {std::nullopt, "the game did not finish its start-up; the log's last lines:\n" + lastLines(log())};

    Run driver({"/usr/bin/python3", FLAREVOX_WALL_KEYS, title, "schedule.txt", "pressed.txt", "output.log"}, folder);
    std::optional<Run> sinkRate;
    if (server)
        sinkRate.emplace(std::vector<std::string>{FLAREVOX_SINK_RATE, SoundServer::sinkName,
                             std::to_string(lastPressMs(presses) / 1000.0)}, folder);
    if (!driver.waitForExit(songLimit) || !driver.exitedWell())
        return {std::nullopt, "the key driver failed: " + readFile(folder / "python3-output.txt")};
    double sinkRateMeasured = 1.0;
    if (sinkRate) {
        if (!sinkRate->waitForExit(endLimit) || !sinkRate->exitedWell())
            return {std::nullopt, "the sink's rate was not measured: " + readFile(folder / "sink_rate.py-output.txt")};
        sinkRateMeasured = std::strtod(readFile(folder / "sink_rate.py-output.txt").c_str(), nullptr);
    }
    if (!waitWhileRunning(game, endLimit, [&] { return readPlayerOneTiming(log()).has_value(); }))
        return {std::nullopt, "the song did not end with a timing line; the log's last lines:\n" + lastLines(log())};
    std::optional<Timing> timing = readPlayerOneTiming(log());
    const std::string pressed = readFile(folder / "pressed.txt");
    timing->presses = static_cast<unsigned>(linesOf(pressed).size()) - 1;
    timing->sinkDriftMsPerMinute = (sinkRateMeasured - 1.0) * msPerMinute;
    std::optional<library::RecordedRound> round;
    if (!waitWhileRunning(game, endLimit, [&] { return (round = keptRound(folder)).has_value(); }))
        return {std::nullopt, "the round was not kept with the records"};
    std::string problem;
    const std::optional<TimingSummary::Figures> clock = clockAtPresses(pressed, log(), *round, problem);
    if (!clock)
        return {std::nullopt, "the song clock could not be read at the presses: " + problem};
    timing->clockDriftMsPerMinute = clock->driftMsPerMinute;
    timing->clockSpreadP99Ms = clock->spreadP99Ms;
    return {timing, ""};
}

std::optional<WallClockRun::Timing> readPlayerOneTiming(const std::string& log)
{
    static const std::regex timing(
        R"(Player 1 timing: \d+ judged presses, median distance [0-9.]+ ms, 99th percentile [0-9.]+ ms; )"
        R"(mean signed distance ([-+0-9.]+) ms \(farthest from it ([0-9.]+) ms\), )"
        R"(drift ([-+0-9.]+) ms per minute \(around it: 99th percentile ([0-9.]+) ms\))");
    const RoundTotals over = readTotals(log, "Song over\\.");
    std::smatch distances;
    if (!over.found || !std::regex_search(log, distances, timing))
        return std::nullopt;
    WallClockRun::Timing result;
    result.godlike = over.players[0].godlike;
    result.judged = over.players[0].judged;
    result.meanMs = std::stod(distances[1]);
    result.largestFromMeanMs = std::stod(distances[2]);
    result.driftMsPerMinute = std::stod(distances[3]);
    result.spreadP99Ms = std::stod(distances[4]);
    return result;
}

} // namespace testsupport
