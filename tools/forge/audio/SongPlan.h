#pragma once

#include <cstddef>
#include <vector>

namespace forge {

// The arrangement of "Coconut": tempo, sections, chords and the lead melody.
// Beat 0 is the first kick, after an intro of introBars bars; the chart and
// the rendered audio are both derived from this plan so they cannot drift apart.
class SongPlan {
public:
    enum class Section { Verse, Build, Chorus, Break, Outro };

    struct Chord {
        int root; // MIDI note of the root, octave 3
        bool minor;
    };

    struct Note {
        int halfBeat; // from beat 0
        int midi;
        int halfBeats; // length
    };

    static constexpr int sampleRate = 44100;
    static constexpr double bpm = 128.0;
    static constexpr int beatsPerBar = 4;
    static constexpr int introBars = 4;
    static constexpr int bodyBars = 60;
    // The closing hit, one beat after the last bar of the body.
    static constexpr int finalBeat = bodyBars * beatsPerBar;
    static constexpr double tailSeconds = 4.0;

    static double framesPerBeat() { return sampleRate * 60.0 / bpm; }
    // Frame of a (possibly fractional or negative) beat, counted from beat 0.
    static std::size_t frameOfBeat(double beat);
    static std::size_t beatZeroFrame() { return frameOfBeat(0.0); }
    static std::size_t totalFrames();
    // Milliseconds of beat 0 in the rendered audio.
    static double beatZeroMilliseconds();

    static Section sectionOfBar(int bar);
    static bool startsSection(int bar);
    static Chord chordOfBar(int bar);
    // The lead melody over the whole body, in time order.
    static std::vector<Note> melody();
    // Melody of one bar position in the four-bar hook, half-beats from the bar start.
    static std::vector<Note> hookBar(int barInHook);
};

} // namespace forge
