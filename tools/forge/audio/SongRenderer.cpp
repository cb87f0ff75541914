#include "audio/SongRenderer.h"

#include "audio/Random.h"
#include "audio/SongPlan.h"
#include "audio/StereoMix.h"
#include "audio/Voices.h"

#include <vector>

namespace forge {
namespace {

using Section = SongPlan::Section;
constexpr int rate = SongPlan::sampleRate;
constexpr int beatsPerBar = SongPlan::beatsPerBar;

std::size_t at(double beat)
{
    return SongPlan::frameOfBeat(beat);
}

double beatSeconds(double beats)
{
    return beats * 60.0 / SongPlan::bpm;
}

std::vector<double> chordFrequencies(const SongPlan::Chord& chord, int octaveShift)
{
    const int root = chord.root + 12 * octaveShift;
    return {voices::midiToFrequency(root), voices::midiToFrequency(root + (chord.minor ? 3 : 4)),
            voices::midiToFrequency(root + 7)};
}

bool hasPad(Section section)
{
    return section == Section::Break || section == Section::Outro;
}

void renderDrums(StereoMix& mix, std::vector<std::size_t>& kickFrames)
{
    Random random(0xC0C0A001u);
    const auto kick = voices::kick(rate);
    for (int beat = 0; beat <= SongPlan::finalBeat; ++beat) {
        kickFrames.push_back(at(beat));
        mix.add(at(beat), kick, 0.9f);
    }
    // A shaker in the last intro bars leads into the first kick.
    for (int half = -16; half < 0; ++half)
        mix.add(at(half * 0.5), voices::hat(rate, random, false), half % 2 ? 0.05f : 0.08f, 0.3f);
    mix.add(at(-beatsPerBar * 2), voices::riser(rate, random, beatSeconds(beatsPerBar * 2)), 0.12f);

    for (int bar = 0; bar < SongPlan::bodyBars; ++bar) {
        const Section section = SongPlan::sectionOfBar(bar);
        const double barBeat = bar * beatsPerBar;
        if (SongPlan::startsSection(bar))
            mix.add(at(barBeat), voices::crash(rate, random), 0.16f, -0.2f);
        if (SongPlan::sectionOfBar(bar + 1) == Section::Chorus && section != Section::Chorus)
            mix.add(at(barBeat), voices::riser(rate, random, beatSeconds(beatsPerBar)), 0.1f);
        for (int beat = 0; beat < beatsPerBar; ++beat) {
            const double b = barBeat + beat;
            mix.add(at(b + 0.5), voices::hat(rate, random, true), 0.1f, 0.3f);
            if (beat % 2 == 1 && section != Section::Verse && section != Section::Break)
                mix.add(at(b), voices::snare(rate, random), 0.35f, -0.1f);
            if (section == Section::Chorus) {
                for (const double sixteenth : {0.25, 0.75})
                    mix.add(at(b + sixteenth), voices::hat(rate, random, false), 0.05f, -0.35f);
            }
        }
    }
    mix.add(at(SongPlan::finalBeat), voices::crash(rate, random), 0.22f);
}

void renderBass(StereoMix& mix)
{
    for (int bar = 0; bar < SongPlan::bodyBars; ++bar) {
        if (SongPlan::sectionOfBar(bar) == Section::Break)
            continue;
        const int root = SongPlan::chordOfBar(bar).root - 12;
        for (int beat = 0; beat < beatsPerBar; ++beat) {
            // Octave jump on the last off-beat of the bar, as island bass lines do.
            const int note = beat == 3 ? root + 12 : root;
            mix.add(at(bar * beatsPerBar + beat + 0.5), voices::bass(rate, voices::midiToFrequency(note), beatSeconds(0.45)),
                    0.3f);
        }
    }
    mix.add(at(SongPlan::finalBeat), voices::bass(rate, voices::midiToFrequency(53), 2.5), 0.3f);
}

void renderMarimba(StereoMix& mix)
{
    static constexpr int pattern[8] = {0, 2, 1, 2, 3, 2, 1, 2}; // indexes into root, third, fifth, octave
    for (int bar = -SongPlan::introBars; bar < SongPlan::bodyBars; ++bar) {
        if (bar >= 0 && SongPlan::sectionOfBar(bar) == Section::Break)
            continue;
        const auto chord = SongPlan::chordOfBar(bar);
        const int tones[4] = {chord.root + 12, chord.root + 12 + (chord.minor ? 3 : 4), chord.root + 19, chord.root + 24};
        for (int half = 0; half < beatsPerBar * 2; ++half) {
            const float accent = half % 3 == 0 ? 0.16f : 0.1f;
            mix.add(at(bar * beatsPerBar + half * 0.5), voices::marimba(rate, voices::midiToFrequency(tones[pattern[half]])),
                    accent, half % 2 ? 0.45f : -0.45f);
        }
    }
}

void renderLead(StereoMix& mix)
{
    for (const auto& note : SongPlan::melody()) {
        const auto voice = voices::steelDrum(rate, voices::midiToFrequency(note.midi + 12), beatSeconds(note.halfBeats * 0.5));
        mix.add(at(note.halfBeat * 0.5), voice, 0.3f, 0.1f);
    }
    for (const int midi : {65, 69, 72, 77})
        mix.add(at(SongPlan::finalBeat), voices::steelDrum(rate, voices::midiToFrequency(midi + 12), 2.5), 0.2f);
    mix.echo(static_cast<std::size_t>(SongPlan::framesPerBeat() * 0.75), 0.3f);
}

void renderPad(StereoMix& mix)
{
    for (int bar = -SongPlan::introBars; bar < SongPlan::bodyBars; ++bar) {
        if (bar >= 0 && !hasPad(SongPlan::sectionOfBar(bar)))
            continue;
        mix.add(at(bar * beatsPerBar), voices::pad(rate, chordFrequencies(SongPlan::chordOfBar(bar), 1), beatSeconds(beatsPerBar + 0.3)),
                0.22f);
    }
    mix.add(at(SongPlan::finalBeat), voices::pad(rate, chordFrequencies({53, false}, 1), SongPlan::tailSeconds - 0.2), 0.22f);
}

} // namespace

PcmAudio SongRenderer::render()
{
    const std::size_t frames = SongPlan::totalFrames();
    StereoMix master(frames);

    std::vector<std::size_t> kickFrames;
    renderDrums(master, kickFrames);

    StereoMix bass(frames);
    renderBass(bass);
    bass.duck(kickFrames, 0.85f, static_cast<std::size_t>(SongPlan::framesPerBeat() * 0.4));
    bass.mixInto(master, 1.0f);

    StereoMix melodic(frames);
    renderMarimba(melodic);
    renderPad(melodic);
    renderLead(melodic);
    melodic.duck(kickFrames, 0.3f, static_cast<std::size_t>(SongPlan::framesPerBeat() * 0.5));
    melodic.mixInto(master, 1.0f);

    master.normalise(0.89f);
    master.fadeOut(rate / 2);
    return master.toPcm(rate);
}

} // namespace forge
