#pragma once

#include "audio/TrackPlan.h"
#include "writers/PcmAudio.h"

namespace forge {

// Renders a TrackPlan to stereo audio at TrackPlan::sampleRate: a kick on
// every beat and on the plan's extra kicks, and nothing that sounds like one
// anywhere else; during a stop no new note starts.
class TrackRenderer {
public:
    static PcmAudio render(const TrackPlan& plan);
};

} // namespace forge
