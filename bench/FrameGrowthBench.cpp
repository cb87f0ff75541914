#include "FrameGrowthBench.h"

#include "FrameBench.h"
#include "SectionProcess.h"
#include "Stats.h"

#include <cstdio>

const std::vector<int> FrameGrowthBench::particleSteps{0, 300, 3000, 30000};
const std::vector<int> FrameGrowthBench::densitySteps{1, 4, 16};

namespace {

constexpr const char* section = "frame growth";

double figure(const BenchTable& table, const std::string& name)
{
    for (const BenchRow& row : table.all())
        if (row.figure == name)
            return row.value;
    return 0.0;
}

// A step that measured no frame says why in its own rows.
void keepFailure(BenchTable& table, const BenchTable& step)
{
    if (figure(step, FrameBench::frameMean) > 0.0)
        return;
    for (const BenchRow& row : step.all())
        if (row.verdict == "missed")
            table.add(row);
}

struct Step {
    double units = 0.0;
    double frameMs = 0.0;
    double emptyMs = 0.0;
};

// Frame cost above each step's own empty frame.
std::vector<double> extraCosts(const std::vector<Step>& steps)
{
    std::vector<double> costs;
    for (const Step& step : steps)
        costs.push_back(step.frameMs - step.emptyMs);
    return costs;
}

std::vector<double> units(const std::vector<Step>& steps)
{
    std::vector<double> values;
    for (const Step& step : steps)
        values.push_back(step.units);
    return values;
}

void addSummary(BenchTable& table, const std::vector<Step>& steps, const char* perWhat, double scale,
    const char* scaleUnit)
{
    const std::vector<double> x = units(steps);
    const std::vector<double> y = extraCosts(steps);
    table.add({section, std::string("frame cost per ") + perWhat + " (fit over all steps)",
        stats::slope(x, y) * scale, scaleUnit, "", 0, "", "info"});
    // What llvmpipe fills depends on where the swarm has flown, not only on
    // how many units there are: the shape of the growth is shown, not judged.
    table.add({section, std::string("cost per ") + perWhat + ", top step / the step below",
        stats::lastStepCurvature(x, y), "x", "", 0, "", "info"});
}

} // namespace

BenchTable FrameGrowthBench::runStep(const std::string& option, int value) const
{
    std::vector<std::string> stepArguments = arguments;
    char length[64];
    std::snprintf(length, sizeof length, "--frame-seconds=%.17g", seconds);
    stepArguments.push_back(length);
    stepArguments.push_back(option + "=" + std::to_string(value));
    std::fprintf(stderr, "flarevox-bench:   %s=%d\n", option.c_str(), value);
    return SectionProcess::run("frames", stepArguments);
}

BenchTable FrameGrowthBench::run() const
{
    BenchTable table;
    std::vector<Step> particles;
    for (const int count : particleSteps) {
        const BenchTable step = runStep("--particles", count);
        const double frame = figure(step, FrameBench::frameMean);
        particles.push_back({figure(step, FrameBench::particleCount), frame, figure(step, FrameBench::emptyFrameMean)});
        table.add({section, "frame at MaxParticels " + std::to_string(count), frame, "ms", "empty frame",
            particles.back().emptyMs, "", "info"});
        if (count == particleSteps.back())
            table.add({section, "heap allocations per frame, full swarm of " + std::to_string(count) + ", median",
                figure(step, FrameBench::allocationsMedian), "", "", 0, "0",
                verdict(figure(step, FrameBench::allocationsMedian) == 0.0)});
        keepFailure(table, step);
    }
    addSummary(table, particles, "particle", 1000.0, "us");

    std::vector<Step> arrows;
    for (const int density : densitySteps) {
        const BenchTable step = runStep("--density", density);
        const double frame = figure(step, FrameBench::frameMean);
        arrows.push_back({figure(step, FrameBench::liveArrowsMean), frame, figure(step, FrameBench::emptyFrameMean)});
        table.add({section, "frame at chart density " + std::to_string(density) + "x", frame, "ms", "live arrows",
            arrows.back().units, "", "info"});
        keepFailure(table, step);
    }
    addSummary(table, arrows, "live arrow", 1000.0, "us");
    return table;
}
