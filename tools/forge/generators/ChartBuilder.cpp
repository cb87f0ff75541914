#include "generators/ChartBuilder.h"

#include "audio/SongPlan.h"

namespace forge {
namespace {

using Section = SongPlan::Section;
constexpr int beatsPerBar = SongPlan::beatsPerBar;

// Arrows of the four beats of a bar, by the bar's place in the chord loop.
constexpr char barArrows[4][4] = {
    {'6', '8', '4', '8'},
    {'6', '2', '4', '2'},
    {'8', '4', '2', '6'},
    {'2', '6', '8', '4'},
};
constexpr char jumps[3] = {'7', '3', '1'};

char mirrored(char arrow)
{
    switch (arrow) {
    case '4': return '6';
    case '6': return '4';
    case '8': return '2';
    case '2': return '8';
    default: return '8';
    }
}

bool beginnerSteps(Section section, int bar, int beat)
{
    switch (section) {
    case Section::Verse:
    case Section::Outro: return beat % 2 == 0;
    case Section::Build: return beat % 2 == 0 || (beat == 3 && bar % 2 == 1);
    case Section::Chorus: return bar % 2 == 0 || beat != 1;
    case Section::Break: return beat == 0;
    }
    return false;
}

int halfBeatOf(int bar, int beat)
{
    return (bar * beatsPerBar + beat) * 2;
}

// Steps on the beats; `everyBeat` fills all beats outside the break.
std::string onBeats(bool everyBeat)
{
    std::string notes(ChartBuilder::length(), '0');
    int jump = 0;
    for (int bar = 0; bar < SongPlan::bodyBars; ++bar) {
        const Section section = SongPlan::sectionOfBar(bar);
        for (int beat = 0; beat < beatsPerBar; ++beat) {
            const bool step = everyBeat ? section != Section::Break || beat % 2 == 0
                                        : beginnerSteps(section, bar, beat);
            if (step)
                notes[halfBeatOf(bar, beat)] = barArrows[bar % 4][beat];
        }
        if (SongPlan::startsSection(bar))
            notes[halfBeatOf(bar, 0)] = jumps[jump++ % 3];
    }
    notes[SongPlan::finalBeat * 2] = '7';
    return notes;
}

// Adds the hook's notes that fall between beats, mirroring the step before.
void addOffBeatAccents(std::string& notes, bool chorusOnly)
{
    for (const auto& note : SongPlan::melody()) {
        if (note.halfBeat % 2 == 0 || static_cast<std::size_t>(note.halfBeat) >= notes.size())
            continue;
        const int bar = note.halfBeat / (beatsPerBar * 2);
        if (chorusOnly && SongPlan::sectionOfBar(bar) != Section::Chorus)
            continue;
        char previous = '8';
        for (int i = note.halfBeat - 1; i >= 0; --i) {
            if (notes[i] != '0') {
                previous = notes[i];
                break;
            }
        }
        notes[note.halfBeat] = mirrored(previous);
    }
}

} // namespace

std::size_t ChartBuilder::length()
{
    const int bars = SongPlan::finalBeat / beatsPerBar + 1;
    return static_cast<std::size_t>(bars * beatsPerBar * 2);
}

std::string ChartBuilder::beginner()
{
    return onBeats(false);
}

std::string ChartBuilder::basic()
{
    std::string notes = onBeats(false);
    addOffBeatAccents(notes, true);
    return notes;
}

std::string ChartBuilder::another()
{
    std::string notes = onBeats(true);
    addOffBeatAccents(notes, false);
    return notes;
}

std::vector<std::string> ChartBuilder::doubleBasic()
{
    // Four-bar phrases alternate between the pads.
    const std::string single = basic();
    std::string left(single.size(), '0');
    std::string right(single.size(), '0');
    const std::size_t phrase = beatsPerBar * 2 * 4;
    for (std::size_t i = 0; i < single.size(); ++i)
        ((i / phrase) % 2 == 0 ? left : right)[i] = single[i];
    return {left, right};
}

} // namespace forge
