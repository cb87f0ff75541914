#pragma once

#include <array>
#include <vector>

// How far from their notes each player's judged presses were, in ms of real
// time at any music rate (negative: early), beside the notes' song times for the drift through the
// song.
class PressErrors {
public:
    void record(int player, double noteMs, double pressMs);
    void clear();
    // Player 2's for any number but 1.
    const std::vector<double>& of(int player) const { return errors[index(player)]; }
    // Each player's timing line at the song's end.
    void log() const;

private:
    static std::size_t index(int player) { return player == 1 ? 0 : 1; }

    std::array<std::vector<double>, 2> errors;
    std::array<std::vector<double>, 2> notesMs;
};
