#pragma once

#include "library/Record.h"
#include "library/RecordedRound.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Match;
class RecordKeeper;
class StoryPage;

namespace library {
class SongSelection;
}

// The song panel's replays: Enter opens, in the story's place, the rounds
// kept of the chosen chart (player 1's), newest first, each with its date,
// players, points and rate; Up and Down choose, a slot key plays the chosen
// one, Enter or Escape closes the list.
class ReplayList {
public:
    static constexpr std::size_t mostRows = 12;
    static constexpr std::uint8_t openKey = 0x20; // Space

    // The list's key: opens it for the panel's chosen chart, or closes it.
    // False for any other key.
    bool onKey(std::uint8_t code, const library::SongSelection& selection, RecordKeeper& records);
    // A player's action while the list is open: taken (true), or false when closed.
    bool onAction(std::uint8_t action, bool newPress, std::uint32_t pressTick, Match& match);
    // Takes the records' answer once it has come.
    void update(RecordKeeper& records);
    // Closes the list; false when it was not open.
    bool close();
    bool isOpen() const { return open; }
    // Draws the list in the story's place; false when it is closed.
    bool draw(const StoryPage& page) const;

    // The list's lines as drawn: a title, then a row per replay.
    std::vector<std::string> lines() const;
    // A row: "2026-12-08 07:50  Kai 123400 : Mia 98200  1.5x".
    static std::string rowOf(const library::ReplayEntry& entry);
    const std::vector<library::ReplayEntry>& getEntries() const { return entries; }

private:
    bool open = false;
    bool answered = false;
    std::string chartName;
    std::vector<library::ReplayEntry> entries;
    std::size_t chosen = 0;
};
