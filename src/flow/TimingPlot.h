#pragma once

#include "flow/PressSpread.h"
#include "scene/ObjectNode.h"

#include <cstddef>
#include <vector>

// One player's timing on the results: above, each judged press's signed
// error (late up, early down) against the song time, coloured by its word,
// with the misses marked as red lines; below, the histogram of the errors
// across the "Booo" window. A scene node on the player's half, drawn flat
// and unlit under the results column; the mean and spread are written
// beside the histogram by the results board.
class TimingPlot : public ObjectNode {
public:
    struct Press {
        double songMs = 0.0;
        double errorMs = 0.0;
        // The word's place in the judgement table, best first; past its end
        // the word of the error's window.
        std::size_t judgement = 0;
    };

    // The plot's frame in the side's coordinates, clear of the dancer.
    struct Frame {
        float left;
        float right;
        float plotTop;
        float plotBottom;
        float histogramRight;
        float histogramTop;
        float histogramBottom;
    };

    explicit TimingPlot(int player);

    void show(std::vector<Press> presses, std::vector<double> missesMs, double songMs);
    void clear();
    const Frame& getFrame() const { return frame; }
    const PressSpread& getSpread() const { return spread; }
    std::size_t pressCount() const { return presses.size(); }
    std::size_t missCount() const { return missesMs.size(); }

    bool draw() override;

    // The plot's place for a press: x across the song, y by its error
    // (clamped to the "Booo" window).
    float xOf(double songMs) const;
    float yOf(double errorMs) const;

private:
    void drawBackground() const;
    void drawPresses() const;
    void drawHistogram() const;

    Frame frame;
    std::vector<Press> presses;
    std::vector<double> missesMs;
    double songMs = 1.0;
    PressSpread spread{{}};
};
