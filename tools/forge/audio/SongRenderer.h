#pragma once

#include "writers/PcmAudio.h"

namespace forge {

// Renders the arrangement of SongPlan to stereo audio at SongPlan::sampleRate.
class SongRenderer {
public:
    static PcmAudio render();
};

} // namespace forge
