#include "audio/SongPlan.h"

#include <cmath>

namespace forge {
namespace {

struct SectionSpan {
    SongPlan::Section section;
    int bars;
};

constexpr SectionSpan sections[] = {
    {SongPlan::Section::Verse, 8},  {SongPlan::Section::Build, 8}, {SongPlan::Section::Chorus, 8},
    {SongPlan::Section::Chorus, 8}, {SongPlan::Section::Break, 8}, {SongPlan::Section::Build, 8},
    {SongPlan::Section::Chorus, 8}, {SongPlan::Section::Outro, 4},
};

// F, C, Dm, Bb: the four-bar loop of the whole song.
constexpr SongPlan::Chord chords[] = {{53, false}, {48, false}, {50, true}, {46, false}};

// The hook: a tresillo (3+3+2 half beats) over each chord, in F major.
// {half beat in bar, MIDI note, length in half beats}
constexpr int hook[4][4][3] = {
    {{0, 69, 3}, {3, 72, 3}, {6, 69, 2}, {-1, 0, 0}},
    {{0, 67, 3}, {3, 64, 3}, {6, 67, 1}, {7, 72, 1}},
    {{0, 74, 3}, {3, 72, 3}, {6, 69, 2}, {-1, 0, 0}},
    {{0, 65, 2}, {2, 67, 1}, {3, 70, 3}, {6, 69, 2}},
};

} // namespace

std::size_t SongPlan::frameOfBeat(double beat)
{
    return static_cast<std::size_t>(std::llround((introBars * beatsPerBar + beat) * framesPerBeat()));
}

std::size_t SongPlan::totalFrames()
{
    return frameOfBeat(finalBeat) + static_cast<std::size_t>(tailSeconds * sampleRate);
}

double SongPlan::beatZeroMilliseconds()
{
    return static_cast<double>(beatZeroFrame()) * 1000.0 / sampleRate;
}

SongPlan::Section SongPlan::sectionOfBar(int bar)
{
    int first = 0;
    for (const auto& span : sections) {
        if (bar < first + span.bars)
            return span.section;
        first += span.bars;
    }
    return Section::Outro;
}

bool SongPlan::startsSection(int bar)
{
    int first = 0;
    for (const auto& span : sections) {
        if (bar == first)
            return true;
        first += span.bars;
    }
    return false;
}

SongPlan::Chord SongPlan::chordOfBar(int bar)
{
    return chords[((bar % 4) + 4) % 4];
}

std::vector<SongPlan::Note> SongPlan::hookBar(int barInHook)
{
    std::vector<Note> notes;
    for (const auto& note : hook[((barInHook % 4) + 4) % 4]) {
        if (note[0] >= 0)
            notes.push_back({note[0], note[1], note[2]});
    }
    return notes;
}

std::vector<SongPlan::Note> SongPlan::melody()
{
    std::vector<Note> notes;
    for (int bar = 0; bar < bodyBars; ++bar) {
        const Section section = sectionOfBar(bar);
        const bool plays = section == Section::Chorus || (section == Section::Build && bar % 2 == 1)
                           || (section == Section::Break && bar % 4 >= 2);
        if (!plays)
            continue;
        for (const Note& note : hookBar(bar))
            notes.push_back({bar * beatsPerBar * 2 + note.halfBeat, note.midi, note.halfBeats});
    }
    return notes;
}

} // namespace forge
