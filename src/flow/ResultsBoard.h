#pragma once

#include "flow/TimingPlot.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Text;

// What each player did in the round, shown on the player's half of the
// screen once the song has ended: a column of lines, one per judgement word,
// the arrows missed, the holds and mines of a player's song, the highest
// combo, the points, and "Full combo" and "New record" where the round earned
// them; under the column the player's timing plot with the mean and spread
// of the errors beside it; under the scene, once the next round can start,
// how to go on. The texts and plots belong to the scene graph; they stay
// hidden until shown.
class ResultsBoard {
public:
    static constexpr std::size_t judgementCount = 5;
    static constexpr std::size_t lineCount = 12;
    // Under the dancer's feet, above the frame rate; from the left edge, as
    // the sync line above it, so that the keys fit 1024 pixels.
    static constexpr float hintX = -4.5f;
    static constexpr float hintY = -2.95f;
    static constexpr const char* hint
        = "Slot key: next round  Esc: end  F11: export  F12: watch again  F1/F2: offset P1/P2";
    static constexpr const char* practiceHint = "A slot key or Escape: back to the songs";
    static constexpr float lineX = -1.5f;
    static constexpr float topY = 3.1f;
    static constexpr float lineStep = 0.36f;
    // The mean and spread, beside the histogram, in a smaller font.
    static constexpr float spreadTopY = -2.7f;
    static constexpr float spreadStep = 0.33f;

    struct Counts {
        // Hits of each judgement, best first.
        std::array<std::uint32_t, judgementCount> judgements{};
        // Arrows that passed unjudged.
        std::uint32_t misses = 0;
        std::uint32_t holdsOk = 0;
        std::uint32_t holdsNg = 0;
        std::uint32_t minesHit = 0;
        std::uint32_t highestCombo = 0;
        std::uint32_t points = 0;
        // Only a player's song has holds and mines.
        bool holdsAndMines = false;
        bool fullCombo = false;
        bool newRecord = false;
        // Judged again under a new offset (OffsetKeys), with the missiles
        // its points award; the records keep the round as played.
        bool rejudged = false;
        std::uint32_t missiles = 0;
    };

    // Creates and links both players' columns, hidden. Without a scene graph
    // there is nothing to show them in, and nothing is created.
    void create();
    // Fills the player's column (1 or 2) and shows it.
    void show(int player, const Counts& counts);
    // Fills the player's timing plot and the mean and spread beside it.
    void showTiming(int player, std::vector<TimingPlot::Press> presses, std::vector<double> missesMs, double songMs);
    // The line saying how to go on.
    void showHint(const char* text = hint);
    void hide();
    const Text* getHint() const { return hintText; }

    // The lines of a column for these counts, top first.
    static std::vector<std::string> linesFor(const Counts& counts);
    // The player's column as it stands: its texts, top first (null when
    // there is no scene graph).
    const std::array<Text*, lineCount>& getColumn(int player) const { return columns[player == 1 ? 0 : 1]; }
    const TimingPlot* getPlot(int player) const { return plots[player == 1 ? 0 : 1]; }
    const std::array<Text*, 2>& getSpreadLines(int player) const { return spreadLines[player == 1 ? 0 : 1]; }

private:
    std::array<std::array<Text*, lineCount>, 2> columns{};
    std::array<TimingPlot*, 2> plots{};
    std::array<std::array<Text*, 2>, 2> spreadLines{};
    Text* hintText = nullptr;
};
