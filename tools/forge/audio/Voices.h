#pragma once

#include "audio/Random.h"

#include <vector>

// One rendered hit or note each, mono, at the given sample rate. The length of
// the result is the sound's full ring-out; callers place it in a mix.
namespace forge::voices {

// Pitch-swept sine with a short click; starts at full level on its first sample
// so the beat lands exactly where it is placed.
std::vector<float> kick(int rate);
std::vector<float> snare(int rate, Random& random);
std::vector<float> hat(int rate, Random& random, bool open);
std::vector<float> crash(int rate, Random& random);
// Filtered noise rising in pitch and level over seconds.
std::vector<float> riser(int rate, Random& random, double seconds);
std::vector<float> bass(int rate, double frequency, double seconds);
// Bright metallic partials with a soft ping: the steel-drum lead.
std::vector<float> steelDrum(int rate, double frequency, double seconds);
// Wooden bar partials (1 : 3.9 : 9.2), short.
std::vector<float> marimba(int rate, double frequency);
// Detuned sawtooth chord with slow attack and release.
std::vector<float> pad(int rate, const std::vector<double>& frequencies, double seconds);

double midiToFrequency(int note);

} // namespace forge::voices
