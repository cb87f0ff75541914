#include "audio/TrackPlan.h"

#include <cmath>

namespace forge {

TrackPlan::Section TrackPlan::sectionOfBar(int bar) const
{
    const std::size_t phrase = static_cast<std::size_t>(std::max(0, bar) / 4);
    switch (phrase < form.size() ? form[phrase] : 'O') {
    case 'C': return Section::Chorus;
    case 'B': return Section::Break;
    case 'V': return Section::Verse;
    default: return Section::Outro;
    }
}

bool TrackPlan::startsSection(int bar) const
{
    return bar == 0 || (bar > 0 && bar % 4 == 0 && sectionOfBar(bar) != sectionOfBar(bar - 1));
}

TrackPlan::Chord TrackPlan::chordOfBar(int bar) const
{
    return chords[static_cast<std::size_t>(((bar % 4) + 4) % 4)];
}

std::vector<double> TrackPlan::extraKicks(int bar) const
{
    return bar >= 0 && bar < bars() && sectionOfBar(bar) == Section::Chorus ? chorusKicks : std::vector<double>{};
}

BeatClock TrackPlan::clock() const
{
    // Beat 0 on a whole millisecond, so the step file's offset is exact.
    const double beatZero = std::round(introBeats * 60.0 / tempo.front().bpm * 1000.0) / 1000.0;
    return BeatClock(beatZero, tempo, stops);
}

double TrackPlan::firstChorusSeconds() const
{
    int bar = 0;
    while (bar < bars() && sectionOfBar(bar) != Section::Chorus)
        ++bar;
    return clock().seconds(bar * beatsPerBar);
}

const std::vector<TrackPlan>& TrackPlan::library()
{
    static const std::vector<TrackPlan> plans{
        {"Daybreak", "Daybreak", "daybreak.ogg", Style::Chill, 0xDA1B4EAu, {{0.0, 96.0}}, {}, "VVCCBCO",
         {{{48, false}, {45, true}, {53, false}, {55, false}}}, {2.5}, {1, 3, 5, 7}},
        {"Neon Drift", "Neon Drift", "neon-drift.ogg", Style::House, 0x9E0D21F7u, {{0.0, 132.0}},
         {{62.0, 0.909}, {126.0, 0.455}}, "VVCCBBCCO", {{{57, true}, {53, false}, {48, false}, {55, false}}}, {3.5},
         {2, 4, 7, 9}},
        {"Gearshift", "Gearshift", "gearshift.ogg", Style::Breaks, 0x6EA25u, {{0.0, 150.0}, {64.0, 120.0}, {96.0, 150.0}},
         {}, "VCCCBBCCO", {{{50, true}, {46, false}, {53, false}, {48, false}}}, {1.5, 2.5}, {2, 5, 8, 10}},
    };
    return plans;
}

} // namespace forge
