#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh temporary folder that becomes the working directory for the life of
// the object; the previous working directory comes back afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir; }
    void write(const std::string& relative, const std::string& contents) const;

private:
    std::filesystem::path dir;
    std::filesystem::path previous;
};

std::string readFile(const std::filesystem::path& path);
// Runs `step` about every `pause` until `done` holds or `limit` has passed;
// whether `done` held.
bool pollUntil(const std::function<void()>& step, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5),
               std::chrono::milliseconds pause = std::chrono::milliseconds(1));
std::vector<std::string> linesOf(const std::string& text);
// The lines a round ends with and the missiles on the way, without their
// times: the totals, combos, holds and mines, every missile fired and
// exploding. A replay must give them again to the letter.
std::string closingLines(const std::string& log);

// A round's totals as a closing log line states them, the line opening with
// `opening` (a pattern: "ArrowManager: Song over\\." or "NetBattle:
// Results\\."): each player's points and judgement counts, and the winner.
struct PlayerTotals {
    unsigned points = 0, godlike = 0, judged = 0;
};
struct RoundTotals {
    bool found = false;
    std::string line;    // from the opening to the winner
    std::string figures; // every number and the winner, to compare lines of both kinds
    PlayerTotals players[2];
    std::string winner;
};
RoundTotals readTotals(const std::string& log, const std::string& opening);

// Runs a shell command and collects its exit status and everything it wrote
// (stdout and stderr together).
struct CommandRun {
    int status = -1;
    std::string out;
};
CommandRun runCommand(const std::string& command);

// The "Player1" and "Player2" sections of the game's own configuration:
// W A S D + Q E X C and the arrow keys + O P L K, no joystick.
std::string playerSections();

// A windowed game configuration of the given caption and size, with the
// players' sections above.
std::string gameConfig(const std::string& title, int width, int height);

} // namespace testsupport
