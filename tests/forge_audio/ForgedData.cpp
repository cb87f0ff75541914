#include "ForgedData.h"

#include "core/ObjectRegistry.h"
#include "game/StepFileManager.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>

namespace forgetest {
namespace {

std::string forgeVersion()
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(FLAREVOX_FORGE, error);
    const auto size = std::filesystem::file_size(FLAREVOX_FORGE, error);
    return error ? std::string() : std::to_string(time.time_since_epoch().count()) + "/" + std::to_string(size);
}

bool forge(const std::filesystem::path& root, std::string& error)
{
    const std::string command = std::string("'") + FLAREVOX_FORGE + "' '" + root.string()
                                + "' announcer config explosion library song > /dev/null";
    error = std::system(command.c_str()) == 0 ? "" : "forge failed: " + command;
    return error.empty();
}

// ctest runs every test in its own process, so the output is kept in the
// working folder and made again only when the forge binary changes. A file
// lock keeps parallel test processes from generating at the same time.
ForgedData makeForgedData()
{
    ForgedData data;
    const auto base = std::filesystem::current_path() / "forge_audio_output";
    data.root = base / "a";
    std::filesystem::create_directories(base);
    const int lock = ::open((base / ".lock").c_str(), O_CREAT | O_RDWR, 0644);
    if (lock >= 0)
        ::flock(lock, LOCK_EX);
    const auto stamp = base / "forge.stamp";
    const std::string version = forgeVersion();
    data.ok = testsupport::readFile(stamp) == version;
    if (!data.ok) {
        std::filesystem::remove_all(data.root);
        data.ok = forge(data.root, data.error);
        if (data.ok)
            std::ofstream(stamp, std::ios::trunc) << version;
    }
    if (lock >= 0)
        ::close(lock);
    return data;
}

const ConfigFileParser& parsedConfig()
{
    auto* reader = new ConfigFileParser; // owned by the registry
    reader->parse((forgedData().root / "Conf/global.cfg").string());
    return *reader;
}

} // namespace

const ForgedData& forgedData()
{
    static const ForgedData data = makeForgedData();
    return data;
}

ForgedConfig::ForgedConfig()
    : config(parsedConfig())
{
}

ForgedConfig::~ForgedConfig()
{
    ObjectRegistry::destroy();
}

Chart readChart(const std::filesystem::path& file)
{
    auto* steps = new StepFileManager; // owned by the registry
    Chart chart;
    if (steps->parseFile(file.c_str()) == 0)
        chart = {steps->getNotes(), steps->getBpm(), steps->getGap()};
    ObjectRegistry::destroy();
    return chart;
}

std::vector<double> findKickOnsets(const forge::PcmAudio& audio)
{
    const std::size_t frames = audio.frames();
    const double rate = audio.sampleRate;
    const double lowPass = 1.0 - std::exp(-2.0 * std::numbers::pi * 150.0 / rate);
    const double release = std::exp(-1.0 / (0.015 * rate));
    std::vector<float> envelope(frames);
    double stage1 = 0.0, stage2 = 0.0, peak = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        double mono = 0.0;
        for (int c = 0; c < audio.channels; ++c)
            mono += audio.samples[i * static_cast<std::size_t>(audio.channels) + static_cast<std::size_t>(c)];
        stage1 += lowPass * (mono - stage1);
        stage2 += lowPass * (stage1 - stage2);
        peak = std::max(std::fabs(stage2), peak * release);
        envelope[i] = static_cast<float>(peak);
    }
    const float loudest = frames ? *std::max_element(envelope.begin(), envelope.end()) : 0.0f;
    std::vector<double> onsets;
    const auto lookBack = static_cast<std::size_t>(0.010 * rate);
    const auto refractory = static_cast<std::size_t>(0.150 * rate);
    std::size_t last = 0;
    for (std::size_t i = lookBack; i < frames; ++i) {
        if (envelope[i] < 0.6f * loudest || envelope[i - lookBack] >= 0.35f * loudest)
            continue;
        if (!onsets.empty() && i - last < refractory)
            continue;
        // The onset is where the rise crossed the lower mark.
        std::size_t start = i;
        while (start > i - lookBack && envelope[start - 1] >= 0.35f * loudest)
            --start;
        onsets.push_back(static_cast<double>(start) * 1000.0 / rate);
        last = i;
    }
    return onsets;
}

double nearestDistance(const std::vector<double>& sortedMs, double ms)
{
    const auto after = std::lower_bound(sortedMs.begin(), sortedMs.end(), ms);
    double best = 1e9;
    if (after != sortedMs.end())
        best = *after - ms;
    if (after != sortedMs.begin())
        best = std::min(best, ms - *std::prev(after));
    return best;
}

float peakOf(const std::vector<float>& samples, std::size_t begin)
{
    float peak = 0.0f;
    for (std::size_t i = begin; i < samples.size(); ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

} // namespace forgetest
