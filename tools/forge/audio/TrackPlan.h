#pragma once

#include "audio/BeatClock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace forge {

// The arrangement of one song of the forged library (Songs/Flarevox/): its
// tempo map, form and chords. The music and the charts are both derived from
// it, so the steps fall on the kicks the music plays. Beat 0 is the first
// kick, after an intro of introBeats at the first tempo.
struct TrackPlan {
    enum class Style { Chill, House, Breaks };
    enum class Section { Verse, Chorus, Break, Outro };

    struct Chord {
        int root; // MIDI note of the root, octave 3
        bool minor;
    };

    static constexpr int sampleRate = 44100;
    static constexpr int beatsPerBar = 4;
    static constexpr int introBeats = 4;
    static constexpr double tailSeconds = 3.0;
    static constexpr double sampleSeconds = 12.0;

    std::string folder;    // below Songs/Flarevox/
    std::string title;
    std::string musicFile; // in the song's folder
    Style style = Style::Chill;
    std::uint32_t seed = 1;
    std::vector<TempoSegment> tempo;
    std::vector<TempoPause> stops;
    std::string form; // one letter per four bars: V verse, C chorus, B break, O outro
    std::array<Chord, 4> chords{};
    std::vector<double> chorusKicks; // kicks between the beats of a chorus bar, beats from the bar start
    std::array<int, 4> meters{};     // Beginner, Medium, Hard, Challenge

    int bars() const { return static_cast<int>(form.size()) * 4; }
    // The closing hit, on the first beat after the last bar.
    int finalBeat() const { return bars() * beatsPerBar; }
    Section sectionOfBar(int bar) const;
    bool startsSection(int bar) const;
    Chord chordOfBar(int bar) const;
    // Kicks of the bar besides its four beats, in beats from the bar start.
    std::vector<double> extraKicks(int bar) const;
    BeatClock clock() const;
    // Song time of the first chorus: where the preview starts.
    double firstChorusSeconds() const;

    static const std::vector<TrackPlan>& library();
};

} // namespace forge
