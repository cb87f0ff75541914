#pragma once

#include "app/Application.h"

#include <string>

// A debugging switch: with FLAREVOX_CAPTURE_FRAME=<file.ppm> the game writes
// the picture of one frame (by default the 10th; FLAREVOX_CAPTURE_AFTER=<n>
// picks another) as a binary PPM, for checking the screen without a person.
// FLAREVOX_CAPTURE_WHEN=showcase waits instead for the first frame that
// shows everything of play (see showsAllOfPlay), FLAREVOX_CAPTURE_WHEN=results
// for the results a second after the song has ended.
class FrameCapture {
public:
    static constexpr int defaultFrame = 10;

    // A frame observer that captures, or an empty one when the switch is off.
    static Application::FrameObserver fromEnvironment();

    enum class Moment { Frame, Showcase, Results };

    // Moment::Frame: the frame numbered `frame`, or the first after it once
    // the song library is read; the others: the first frame that shows that
    // moment.
    FrameCapture(std::string path, int frame, Moment moment = Moment::Frame);
    void operator()(WindowRecord& record, MainLoop& mainLoop);

    // True while the song plays and the screen holds both players' points,
    // at least one lit missile icon and a judgement word (the dancer and the
    // disco lights are always there during play).
    static bool showsAllOfPlay();
    // True once the results have shown for `resultsFrames` frames.
    bool showsResults();
    static constexpr int resultsFrames = 60;

    // Reads the back buffer's viewport area; written to a temporary name and
    // renamed, so a reader never sees half a file.
    static bool writeBackBuffer(const std::string& path);

private:
    std::string path;
    int frame;
    Moment moment;
    int framesSeen = 0;
    int resultsSeen = 0;
    bool written = false;
};
