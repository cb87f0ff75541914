#pragma once

#include "support/TestSupport.h"

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What two real games of a network battle share in tests: their short forged
// song, their folders, and reading and comparing what their logs say of each
// round. The song has 16 sixteenth notes at 30 BPM, half a second apart, so
// that "Godlike" (within 0.05 beats) is within 100 ms of the note, which the
// bots keep to even on a heavily loaded machine.
namespace battlerun {

constexpr unsigned notesInSong = 16;

// `title`'s steps run Left, Down, Up, Right over and over, or the other way
// round with `reversed` (another chart, so another song), over `musicSeconds`
// of quiet music.
void forgeSong(const std::filesystem::path& folder, const std::string& title = "Netplay Short", bool reversed = false,
               const std::string& bpm = "30.000", int musicSeconds = 11);

// A game's own folder: a small window, the game's data and the shared songs.
void prepareFolder(const testsupport::ScratchDir& folder, const std::string& title, const std::filesystem::path& songs);

// The battle's results line.
testsupport::RoundTotals readResults(const std::string& log);

// The log of each round: from one song's start up to the next's.
std::vector<std::string> roundsOf(const std::string& log);

// Where each missile's block ends, by launcher and missile number: lane and song time.
std::map<std::pair<int, int>, std::pair<int, int>> readBlocks(const std::string& log);

// The two logs hold `rounds` rounds each, with the same results, the same
// missile blocks and, with `checkTiming`, the bots' presses nearly all
// "Godlike" in the first round (later rounds take the same path, and each
// round on a loaded machine is another chance for a press to slip that says
// nothing of the network). Reports through gtest's expectations.
void expectSameRounds(const std::string& hostLog, const std::string& guestLog, int rounds, bool checkTiming = true);

} // namespace battlerun
