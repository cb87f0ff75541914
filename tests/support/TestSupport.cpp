#include "support/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace testsupport {

ScratchDir::ScratchDir()
    : previous(std::filesystem::current_path())
{
    std::random_device seed;
    dir = std::filesystem::temp_directory_path() / ("flarevox-test-" + std::to_string(seed()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(dir, ignored);
}

void ScratchDir::write(const std::string& relative, const std::string& contents) const
{
    const auto target = dir / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << contents;
}

bool pollUntil(const std::function<void()>& step, const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds pause)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        step();
        if (done())
            return true;
        std::this_thread::sleep_for(pause);
    }
    return false;
}

RoundTotals readTotals(const std::string& log, const std::string& opening)
{
    const std::regex pattern(opening
        + R"( Player 1: (\d+) points \((\d+) Godlike, (\d+) Perfect, (\d+) Great, (\d+) Good, (\d+) Booo[^;]*; )"
          R"(Player 2: (\d+) points \((\d+) Godlike, (\d+) Perfect, (\d+) Great, (\d+) Good, (\d+) Booo[^;]*; )"
          R"(winner: ([^\n]*[^\n ]))");
    RoundTotals totals;
    std::smatch match;
    if (!std::regex_search(log, match, pattern))
        return totals;
    totals.found = true;
    totals.line = match[0];
    for (std::size_t part = 1; part < match.size(); ++part)
        totals.figures += match[part].str() + " ";
    for (int player = 0; player < 2; ++player) {
        const int first = 1 + player * 6;
        totals.players[player].points = std::stoul(match[first]);
        totals.players[player].godlike = std::stoul(match[first + 1]);
        for (int word = 1; word <= 5; ++word)
            totals.players[player].judged += std::stoul(match[first + word]);
    }
    totals.winner = match[13];
    return totals;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string closingLines(const std::string& log)
{
    static const std::regex wanted(
        R"((ArrowManager: (Song over|Player \d (highest combo|holds))|Missile: (fired|exploded)).*)");
    std::string kept;
    for (auto line = std::sregex_iterator(log.begin(), log.end(), wanted); line != std::sregex_iterator(); ++line)
        kept += line->str() + "\n";
    return kept;
}

std::string playerSections()
{
    return "[Player1]\nName = Kai\nKeyUp = 57\nKeyDown = 53\nKeyRight = 44\nKeyLeft = 41\n"
           "KeySlot1 = 51\nKeySlot2 = 45\nKeySlot3 = 58\nKeySlot4 = 43\nUseJoystick = 0\n"
           "[Player2]\nName = Lani\nKeyUp = 26\nKeyDown = 28\nKeyRight = 27\nKeyLeft = 25\n"
           "KeySlot1 = 4F\nKeySlot2 = 50\nKeySlot3 = 4C\nKeySlot4 = 4B\nUseJoystick = 0\n";
}

std::string gameConfig(const std::string& title, int width, int height)
{
    return "[Window]\nTitle = " + title + "\nWidth = " + std::to_string(width) + "\nHeight = " + std::to_string(height)
        + "\nBitsPerPixel = 32\nStartFullscreen = 0\n" + playerSections();
}

CommandRun runCommand(const std::string& command)
{
    CommandRun run;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[1024];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace testsupport
