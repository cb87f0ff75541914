#include "FrameBench.h"

#include "AllocationCounter.h"
#include "BenchChart.h"
#include "BusyCore.h"
#include "ProcessMemory.h"
#include "ScratchRunFolder.h"
#include "Stats.h"
#include "app/Application.h"
#include "app/AutoplayBot.h"
#include "app/MainLoop.h"
#include "app/SimulatedTime.h"
#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "flow/Match.h"
#include "fx/SpecialFX.h"
#include "game/ArrowManager.h"
#include "game/StepFileManager.h"
#include "platform/AudioEngine.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"
#include "sound/SoundManager.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t botSeed = 20261206;
constexpr int emptyFrames = 300;
// Arrows rise from below the screen; by then the first ones are on the field.
constexpr std::uint32_t warmUpMs = 3000;
constexpr const char* songName = "Coconut";

struct FrameSample {
    double updateMs = 0.0;
    double drawMs = 0.0;  // draw and buffer swap
    double allocations = 0.0;
    double liveArrows = 0.0;

    double frameMs() const { return updateMs + drawMs; }
};

struct Play {
    std::vector<FrameSample> frames;
    std::vector<double> emptyFrameMs;
    double particles = 0.0;
    bool songEnded = false;
    double windowPeakMiB = 0.0;  // the window and GL stack alone, before the game
    double peakMiB = 0.0;
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The working directory for one scope.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder)
        : previous(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~WorkingFolder()
    {
        std::error_code ignored;
        fs::current_path(previous, ignored);
    }

private:
    fs::path previous;
};

// The song's own chart, as the game reads it.
struct ChartFacts {
    std::size_t halfBeats = 0;
    float bpm = 0.0f;
    int gap = 0;
};

ChartFacts readChart()
{
    auto* chart = new StepFileManager();
    chart->parseFile(ScratchRunFolder::chartPath);
    const ChartFacts facts{chart->getNotes().size(), chart->getBpm(), chart->getGap()};
    ObjectRegistry::destroy();
    return facts;
}

bool prepare(const ScratchRunFolder& scratch, const FrameBench::Settings& settings)
{
    if (!scratch.ready())
        return false;
    if (settings.particles >= 0 && !scratch.setMaxParticles(settings.particles))
        return false;
    if (settings.density <= 0)
        return true;
    const ChartFacts chart = readChart();
    return chart.bpm > 0.0f &&
        scratch.writeChart(BenchChart::dwi(BenchChart::notes(chart.halfBeats, settings.density), chart.bpm, chart.gap));
}

void pumpMessages(WindowRecord& record)
{
    platform::Window::Message message;
    while (record.window->pollMessage(message))
        Application::handleMessage(record, message);
}

std::vector<double> measureEmptyFrames(WindowRecord& record)
{
    std::vector<double> times;
    for (int i = 0; i < emptyFrames; ++i) {
        pumpMessages(record);
        const auto start = Clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        record.window->swapBuffers();
        times.push_back(millisecondsBetween(start, Clock::now()));
    }
    return times;
}

std::size_t activeChildren(const ObjectNode* node)
{
    if (!node)
        return 0;
    const auto& children = node->getChildren();
    return static_cast<std::size_t>(
        std::count_if(children.begin(), children.end(), [](const ObjectNode* child) { return child->isActive(); }));
}

// The game's story screen runs as many updates as the swarm needs to fill,
// each a frame of simulated time, so the particles have spread as they would
// have in play.
void fillSwarm(MainLoop& mainLoop, SimulatedTime& time, const SpecialFX* swarm)
{
    while (swarm && swarm->getParticles().size() < swarm->getMaxParticles()) {
        mainLoop.update();
        time.advanceFrame();
    }
}

// Plays until `frameCount` frames are measured or the song has ended; the
// frames before the song has run warmUpMs are not measured.
void playSong(WindowRecord& record, MainLoop& mainLoop, SimulatedTime& time, std::size_t frameCount, Play& play)
{
    ObjectGraph* graph = ObjectGraph::find();
    const ObjectNode* carrier = graph ? graph->findNode("Arrow") : nullptr;
    const auto* arrows = ObjectRegistry::instance()->findAs<ArrowManager>("ArrowManager");
    SoundManager* sound = SoundManager::instance();
    AutoplayBot bot(true, botSeed);
    std::optional<std::uint32_t> songStart;
    play.frames.reserve(std::min<std::size_t>(frameCount, 1 << 20));
    platform::Window::Message message;
    while (play.frames.size() < frameCount) {
        if (record.window->pollMessage(message)) {
            if (message.type == platform::Window::Message::Type::Quit)
                return;
            Application::handleMessage(record, message);
            continue;
        }
        const std::uint64_t allocationsBefore = AllocationCounter::count();
        const auto start = Clock::now();
        mainLoop.update();
        const auto updated = Clock::now();
        mainLoop.draw();
        const auto drawn = Clock::now();
        const std::uint64_t allocationsDrawn = AllocationCounter::count();
        bot(record, mainLoop);
        const std::uint64_t allocationsBeforeSwap = AllocationCounter::count();
        const auto swapStart = Clock::now();
        record.window->swapBuffers();
        const auto swapped = Clock::now();
        const std::uint64_t allocations =
            allocationsDrawn - allocationsBefore + AllocationCounter::count() - allocationsBeforeSwap;
        time.advanceFrame();

        if (!songStart && arrows->songRun().isStarted())
            songStart = time.now();
        if (songStart && sound->getStreamTime(songName) >= sound->getStreamLength(songName)) {
            play.songEnded = true;
            return;
        }
        const std::size_t live = activeChildren(carrier);
        if (!songStart || time.now() - *songStart < warmUpMs || (play.frames.empty() && live == 0))
            continue;
        play.frames.push_back({millisecondsBetween(start, updated),
            millisecondsBetween(updated, drawn) + millisecondsBetween(swapStart, swapped),
            static_cast<double>(allocations), static_cast<double>(live)});
    }
}

// The process entry's part of start-up, then the main loop on the window.
bool playGame(const FrameBench::Settings& settings, Play& play)
{
    platform::AudioEngine::setDefaultOutput(platform::AudioEngine::Output::NoSound);
    SimulatedTime time(FrameBench::simulatedFps);
    AppRecord application;
    KeyStates keys{};
    WindowRecord record;
    record.keyStates = keys.data();
    record.application = &application;
    record.title = "flarevox-bench";
    record.width = FrameBench::width;
    record.height = FrameBench::height;
    record.bitsPerPixel = 32;
    if (!Application::registerAppClass(application))
        return false;
    if (!Application::openWindow(record)) {
        platform::Window::stopVideo();
        return false;
    }
    play.emptyFrameMs = measureEmptyFrames(record);
    play.windowPeakMiB = ProcessMemory::peakResidentMiB();

    // The process entry's reader comes first in the registry.
    (new ConfigFileParser())->parse(ScratchRunFolder::configPath);
    Match::setStartRate(settings.rate);
    auto* mainLoop = new MainLoop();
    Application::myMainLoop = mainLoop;
    const bool started = mainLoop->initialize(&record, keys.data());
    if (started) {
        ObjectGraph* graph = ObjectGraph::find();
        const auto* swarm = dynamic_cast<const SpecialFX*>(graph ? graph->findNode("TestPart") : nullptr);
        fillSwarm(*mainLoop, time, swarm);
        play.particles = swarm ? static_cast<double>(swarm->getParticles().size()) : 0.0;
        const double frames = std::min(settings.seconds * FrameBench::simulatedFps, 1e9);
        playSong(record, *mainLoop, time, static_cast<std::size_t>(frames), play);
        play.peakMiB = ProcessMemory::peakResidentMiB();
    }
    mainLoop->deinitialize();
    delete mainLoop;
    Match::setStartRate(1.0);
    Application::myMainLoop = nullptr;
    Application::closeWindow(record);
    platform::Window::stopVideo();
    return started;
}

std::vector<double> column(const std::vector<FrameSample>& frames, double (*take)(const FrameSample&))
{
    std::vector<double> values;
    values.reserve(frames.size());
    for (const FrameSample& frame : frames)
        values.push_back(take(frame));
    return values;
}

double ratio(double value, double reference)
{
    return reference > 0.0 ? value / reference : 0.0;
}

void addRows(BenchTable& table, const std::string& section, const Play& play)
{
    const auto& frames = play.frames;
    const auto update = column(frames, [](const FrameSample& f) { return f.updateMs; });
    const auto draw = column(frames, [](const FrameSample& f) { return f.drawMs; });
    const auto frame = column(frames, [](const FrameSample& f) { return f.frameMs(); });
    const auto allocations = column(frames, [](const FrameSample& f) { return f.allocations; });
    const auto live = column(frames, [](const FrameSample& f) { return f.liveArrows; });
    const double empty = stats::mean(play.emptyFrameMs);
    const double emptyP99 = stats::percentile(play.emptyFrameMs, 99);
    const double frameAverage = stats::mean(frame);
    const double frameP99 = stats::percentile(frame, 99);
    const double updateShare = 100.0 * ratio(stats::mean(update), frameAverage);
    const auto allocating = std::count_if(allocations.begin(), allocations.end(), [](double n) { return n > 0; });
    const std::size_t tenth = std::max<std::size_t>(frame.size() / 10, 1);
    const double firstTenth = stats::mean(std::vector<double>(frame.begin(), frame.begin() + std::min(tenth, frame.size())));
    const double lastTenth = stats::mean(std::vector<double>(frame.end() - std::min(tenth, frame.size()), frame.end()));
    const double seconds = static_cast<double>(frames.size()) / FrameBench::simulatedFps;

    table.add({section, "frames measured", static_cast<double>(frames.size()), "", "play, simulated s", seconds, "",
        "info"});
    table.add({section, FrameBench::emptyFrameMean, empty, "ms", "p99", emptyP99, "", "info"});
    table.add({section, "update, mean", stats::mean(update), "ms", "p99", stats::percentile(update, 99), "", "info"});
    table.add({section, "draw + swap, mean", stats::mean(draw), "ms", "p99", stats::percentile(draw, 99), "", "info"});
    table.add({section, FrameBench::frameMean, frameAverage, "ms", "p99", frameP99, "", "info"});
    char p99Target[32];
    std::snprintf(p99Target, sizeof p99Target, "<= %.1f ms", FrameBench::frameP99TargetMs);
    table.add({section, "frame p99", frameP99, "ms", "frames over the target", static_cast<double>(std::count_if(
        frame.begin(), frame.end(), [](double ms) { return ms > FrameBench::frameP99TargetMs; })), p99Target,
        verdict(frameP99 <= FrameBench::frameP99TargetMs)});
    table.add({section, "update share of the frame, means", updateShare, "%", "", 0, "<= 5%",
        verdict(updateShare <= 5.0)});
    table.add({section, "frame, last tenth / first tenth of the play", ratio(lastTenth, firstTenth), "x", "", 0, "",
        "info"});
    table.add({section, FrameBench::liveArrowsMean, stats::mean(live), "", "most", stats::maximum(live), "", "info"});
    table.add({section, FrameBench::particleCount, play.particles, "", "", 0, "", "info"});
    const double allocationMedian = stats::median(allocations);
    table.add({section, FrameBench::allocationsMedian, allocationMedian, "", "mean", stats::mean(allocations), "0",
        verdict(allocationMedian == 0.0)});
    table.add({section, "frames that allocated", static_cast<double>(allocating), "", "frames measured",
        static_cast<double>(frames.size()), "", "info"});
    const double growth = play.peakMiB - play.windowPeakMiB;
    char growthTarget[32];
    std::snprintf(growthTarget, sizeof growthTarget, "<= %.0f MiB", FrameBench::memoryGrowthTargetMiB);
    table.add({section, std::string("peak resident memory growth over the window and GL, ") +
            (play.songEnded ? "whole song" : "play measured"),
        growth, "MiB", "window and GL alone", play.windowPeakMiB, growthTarget,
        verdict(growth <= FrameBench::memoryGrowthTargetMiB)});
}

} // namespace

BenchTable FrameBench::run(const std::string& section) const
{
    BenchTable table;
    const ScratchRunFolder scratch(fs::current_path());
    if (!prepare(scratch, settings)) {
        table.add({section, "scratch run folder prepared", 0, "", "", 0, "prepared", "missed"});
        return table;
    }
    std::optional<BusyCore> busy;
    if (settings.oneCoreBusy && !busy.emplace().running()) {
        table.add({section, "busy process started", 0, "", "", 0, "started", "missed"});
        return table;
    }
    Play play;
    const WorkingFolder inScratch(scratch.path());
    if (!playGame(settings, play) || play.frames.empty()) {
        table.add({section, "game played with arrows on the field", 0, "", "", 0, "played", "missed"});
        return table;
    }
    addRows(table, section, play);
    return table;
}
