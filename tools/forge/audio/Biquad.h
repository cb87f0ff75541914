#pragma once

namespace forge {

// A second-order filter section (the usual audio cookbook designs).
class Biquad {
public:
    static Biquad lowPass(double sampleRate, double frequency, double q = 0.7071);
    static Biquad highPass(double sampleRate, double frequency, double q = 0.7071);
    static Biquad bandPass(double sampleRate, double frequency, double q);

    float process(float input);
    void reset() { x1 = x2 = y1 = y2 = 0.0; }

private:
    Biquad(double b0, double b1, double b2, double a0, double a1, double a2);

    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

} // namespace forge
