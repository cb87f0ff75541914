#pragma once

#include "game/Judgements.h"

#include <array>
#include <cstddef>
#include <vector>

// How far from their notes each player's judged presses were, in ms
// (negative: early), beside the notes' song times for the drift through the
// song, the words the presses earned and the song times of the notes missed.
class PressErrors {
public:
    // `judgement`: the word's place in the judgement table.
    void record(int player, double noteMs, double pressMs, std::size_t judgement = Judgements::count);
    void recordMiss(int player, double noteMs);
    void clear();
    // Player 2's for any number but 1.
    const std::vector<double>& of(int player) const { return errors[index(player)]; }
    const std::vector<double>& notesOf(int player) const { return notesMs[index(player)]; }
    // Judgements::count where the word was not given.
    const std::vector<std::size_t>& judgementsOf(int player) const { return words[index(player)]; }
    const std::vector<double>& missesOf(int player) const { return missesMs[index(player)]; }
    // Each player's timing line at the song's end.
    void log() const;

private:
    static std::size_t index(int player) { return player == 1 ? 0 : 1; }

    std::array<std::vector<double>, 2> errors;
    std::array<std::vector<double>, 2> notesMs;
    std::array<std::vector<std::size_t>, 2> words;
    std::array<std::vector<double>, 2> missesMs;
};
