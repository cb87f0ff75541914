#include "audio/TrackRenderer.h"

#include "audio/Random.h"
#include "audio/StereoMix.h"
#include "audio/Voices.h"

#include <algorithm>
#include <cmath>

namespace forge {
namespace {

using Section = TrackPlan::Section;
using Style = TrackPlan::Style;
constexpr int rate = TrackPlan::sampleRate;
constexpr int beatsPerBar = TrackPlan::beatsPerBar;

// Places voices by beat through the plan's clock.
class Placer {
public:
    explicit Placer(const TrackPlan& plan) : plan(plan), clock(plan.clock()) {}

    std::size_t frame(double beat) const
    {
        return static_cast<std::size_t>(std::llround(clock.seconds(beat) * rate));
    }
    double seconds(double beat, double beats) const { return beats * clock.secondsPerBeatAt(beat); }
    std::size_t totalFrames() const
    {
        return frame(plan.finalBeat()) + static_cast<std::size_t>(TrackPlan::tailSeconds * rate);
    }
    bool stopsAt(double beat) const
    {
        for (const TempoPause& pause : clock.stops())
            if (pause.beat == beat)
                return true;
        return false;
    }

    const TrackPlan& plan;
    const BeatClock clock;
};

double frequency(int midi)
{
    return voices::midiToFrequency(midi);
}

void renderDrums(const Placer& at, StereoMix& mix, std::vector<std::size_t>& kickFrames, Random& random)
{
    const TrackPlan& plan = at.plan;
    const auto kick = voices::kick(rate);
    auto addKick = [&](double beat) {
        kickFrames.push_back(at.frame(beat));
        mix.add(at.frame(beat), kick, 0.9f);
    };
    for (int bar = 0; bar < plan.bars(); ++bar) {
        const double barBeat = bar * beatsPerBar;
        for (int beat = 0; beat < beatsPerBar; ++beat)
            addKick(barBeat + beat);
        for (const double extra : plan.extraKicks(bar))
            addKick(barBeat + extra);
    }
    addKick(plan.finalBeat());
    mix.add(at.frame(plan.finalBeat()), voices::crash(rate, random), 0.22f);

    const bool sixteenths = plan.style == Style::House;
    for (int beat = -TrackPlan::introBeats; beat < plan.finalBeat(); ++beat) {
        const int bar = beat >= 0 ? beat / beatsPerBar : -1;
        const Section section = plan.sectionOfBar(bar);
        const bool open = plan.style == Style::Chill;
        mix.add(at.frame(beat + 0.5), voices::hat(rate, random, open), open ? 0.07f : 0.1f, 0.3f);
        if (plan.style == Style::Breaks && bar >= 0)
            mix.add(at.frame(beat), voices::hat(rate, random, false), 0.05f, -0.3f);
        if (sixteenths && bar >= 0 && section != Section::Break)
            for (const double sixteenth : {0.25, 0.75})
                mix.add(at.frame(beat + sixteenth), voices::hat(rate, random, false), 0.04f, -0.35f);
        const bool backbeat = bar >= 0 && beat % 2 == 1 && section != Section::Break;
        if (backbeat)
            mix.add(at.frame(beat), voices::snare(rate, random), plan.style == Style::Chill ? 0.2f : 0.35f, -0.1f);
        if (plan.style == Style::Breaks && backbeat && section == Section::Chorus)
            mix.add(at.frame(beat + 0.75), voices::snare(rate, random), 0.08f, 0.2f);
        if (at.stopsAt(beat))
            mix.add(at.frame(beat), voices::crash(rate, random), 0.18f, 0.2f);
    }
    for (int bar = 0; bar < plan.bars(); ++bar) {
        if (plan.startsSection(bar))
            mix.add(at.frame(bar * beatsPerBar), voices::crash(rate, random), 0.16f, -0.2f);
        if (plan.sectionOfBar(bar + 1) == Section::Chorus && plan.sectionOfBar(bar) != Section::Chorus)
            mix.add(at.frame(bar * beatsPerBar), voices::riser(rate, random, at.seconds(bar * beatsPerBar, beatsPerBar)), 0.1f);
    }
}

void renderBass(const Placer& at, StereoMix& mix)
{
    const TrackPlan& plan = at.plan;
    for (int bar = 0; bar < plan.bars(); ++bar) {
        if (plan.sectionOfBar(bar) == Section::Break)
            continue;
        const int root = plan.chordOfBar(bar).root - 12;
        const std::vector<double> kicks = plan.extraKicks(bar);
        for (int beat = 0; beat < beatsPerBar; ++beat) {
            // An extra kick takes the bass note's place, which would blur its onset.
            if ((plan.style == Style::Chill && beat % 2 == 1) || std::find(kicks.begin(), kicks.end(), beat + 0.5) != kicks.end())
                continue;
            const int note = plan.style == Style::Breaks && beat == 3 ? root + 12 : root;
            const double start = bar * beatsPerBar + beat + 0.5;
            mix.add(at.frame(start), voices::bass(rate, frequency(note), at.seconds(start, 0.45)), 0.3f);
        }
    }
    const TrackPlan::Chord home = plan.chordOfBar(0);
    mix.add(at.frame(plan.finalBeat()), voices::bass(rate, frequency(home.root - 12), 2.0), 0.3f);
}

std::vector<double> chordFrequencies(const TrackPlan::Chord& chord, int octaveShift)
{
    const int root = chord.root + 12 * octaveShift;
    return {frequency(root), frequency(root + (chord.minor ? 3 : 4)), frequency(root + 7)};
}

void renderHarmony(const Placer& at, StereoMix& mix)
{
    const TrackPlan& plan = at.plan;
    for (int bar = -1; bar < plan.bars(); ++bar) {
        const Section section = plan.sectionOfBar(bar);
        const TrackPlan::Chord chord = plan.chordOfBar(bar);
        const double barBeat = bar * beatsPerBar;
        if (plan.style == Style::Chill || section == Section::Break || bar < 0) {
            mix.add(at.frame(barBeat), voices::pad(rate, chordFrequencies(chord, 1), at.seconds(barBeat, beatsPerBar + 0.3)),
                    0.2f);
        } else if (plan.style == Style::House) {
            // Off-beat chord stabs.
            for (int beat = 0; beat < beatsPerBar; ++beat)
                mix.add(at.frame(barBeat + beat + 0.5),
                        voices::pad(rate, chordFrequencies(chord, 1), at.seconds(barBeat, 0.35)), 0.3f, 0.2f);
        }
        if (plan.style != Style::Chill || bar < 0)
            continue;
        const int tones[4] = {chord.root + 12, chord.root + 12 + (chord.minor ? 3 : 4), chord.root + 19, chord.root + 24};
        static constexpr int pattern[8] = {0, 2, 1, 2, 3, 2, 1, 2};
        for (int half = 0; half < beatsPerBar * 2; ++half)
            mix.add(at.frame(barBeat + half * 0.5), voices::marimba(rate, frequency(tones[pattern[half]])), 0.1f,
                    half % 2 ? 0.45f : -0.45f);
    }
    mix.add(at.frame(plan.finalBeat()), voices::pad(rate, chordFrequencies(plan.chordOfBar(0), 1), TrackPlan::tailSeconds - 0.2),
            0.2f);
}

// A hook over each chorus bar from the bar's chord tones, the same on every run.
void renderLead(const Placer& at, StereoMix& mix, Random& random)
{
    const TrackPlan& plan = at.plan;
    static constexpr int rhythm[3][4] = {{0, 3, 6, -1}, {0, 2, 3, 6}, {0, 3, 4, 6}};
    for (int bar = 0; bar < plan.bars(); ++bar) {
        if (plan.sectionOfBar(bar) != Section::Chorus)
            continue;
        const TrackPlan::Chord chord = plan.chordOfBar(bar);
        const int tones[4] = {chord.root + 24, chord.root + 24 + (chord.minor ? 3 : 4), chord.root + 31, chord.root + 36};
        const int* halves = rhythm[bar % 3];
        for (int i = 0; i < 4 && halves[i] >= 0; ++i) {
            const double start = bar * beatsPerBar + halves[i] * 0.5;
            const int midi = tones[random.next() % 4];
            const auto voice = plan.style == Style::House ? voices::marimba(rate, frequency(midi))
                                                          : voices::steelDrum(rate, frequency(midi), at.seconds(start, 1.0));
            mix.add(at.frame(start), voice, plan.style == Style::House ? 0.3f : 0.25f, 0.1f);
        }
    }
    mix.echo(static_cast<std::size_t>(at.seconds(0.0, 0.75) * rate), 0.3f);
}

} // namespace

PcmAudio TrackRenderer::render(const TrackPlan& plan)
{
    const Placer at(plan);
    const std::size_t frames = at.totalFrames();
    Random random(plan.seed);
    StereoMix master(frames);

    std::vector<std::size_t> kickFrames;
    renderDrums(at, master, kickFrames, random);

    StereoMix bass(frames);
    renderBass(at, bass);
    bass.duck(kickFrames, 0.85f, static_cast<std::size_t>(at.seconds(0.0, 0.4) * rate));
    bass.mixInto(master, 1.0f);

    StereoMix melodic(frames);
    renderHarmony(at, melodic);
    renderLead(at, melodic, random);
    melodic.duck(kickFrames, 0.3f, static_cast<std::size_t>(at.seconds(0.0, 0.5) * rate));
    melodic.mixInto(master, 1.0f);

    master.normalise(0.89f);
    master.fadeOut(rate / 2);
    return master.toPcm(rate);
}

} // namespace forge
