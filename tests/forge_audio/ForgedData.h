#pragma once

#include "core/ConfigFileParser.h"
#include "writers/PcmAudio.h"

#include <filesystem>
#include <string>
#include <vector>

namespace forgetest {

// The audio, chart and configuration files, forged into one folder.
struct ForgedData {
    std::filesystem::path root;
    bool ok = false;
    std::string error;
};
const ForgedData& forgedData();

// The forged "Conf/global.cfg" as the game's reader holds it; the registry
// owns the reader and is torn down with this object.
struct ForgedConfig {
    ForgedConfig();
    ~ForgedConfig();
    const ConfigFileParser& config;
};

// The chart as the game's step-file reader keeps it.
struct Chart {
    std::string beginnerNotes;
    float bpm = 0.0f;
    int gap = 0;
};
Chart readChart(const std::filesystem::path& file);

// Kick drum onsets found blind, in milliseconds: the low band (two one-pole
// low-passes at 150 Hz) jumps from below 35 % to above 60 % of its loudest
// level within 10 ms.
std::vector<double> findKickOnsets(const forge::PcmAudio& audio);
double nearestDistance(const std::vector<double>& sortedMs, double ms);

float peakOf(const std::vector<float>& samples, std::size_t begin = 0);

} // namespace forgetest
