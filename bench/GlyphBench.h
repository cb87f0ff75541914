#pragma once

#include "BenchTable.h"

// Song titles in other scripts on a 1024x768 window with the game's
// projection: one frame that draws a whole screen of characters not drawn
// before (24 lines of 44 different Chinese, Japanese and Korean characters,
// 22-pixel bold as on the song panel, each rendered and placed in the text's
// atlas in that frame), then the same screen again from the atlas. The first
// frame must stay within one display refresh.
class GlyphBench {
public:
    BenchTable run() const;
};
