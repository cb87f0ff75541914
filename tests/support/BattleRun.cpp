#include "support/BattleRun.h"

#include "support/GameProcess.h"
#include "writers/Mp3Writer.h"
#include "writers/PcmAudio.h"
#include "writers/SmWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>

namespace battlerun {

namespace {

const std::filesystem::path runData = std::filesystem::path(FLAREVOX_RUN_DIR) / "Data";
constexpr int maxBlockDifferenceMs = 50;

void expectSameRound(const std::string& hostRound, const std::string& guestRound, bool checkTiming)
{
    const testsupport::RoundTotals onHost = readResults(hostRound);
    const testsupport::RoundTotals onGuest = readResults(guestRound);
    ASSERT_TRUE(onHost.found) << hostRound;
    ASSERT_TRUE(onGuest.found) << guestRound;
    EXPECT_EQ(onHost.line, onGuest.line);
    // Nothing an honest game claims is refused.
    EXPECT_EQ(hostRound.find("Refused"), std::string::npos) << hostRound;
    EXPECT_EQ(guestRound.find("Refused"), std::string::npos) << guestRound;
    // Every missile blocks the same lane until the same song time on both
    // screens, within a frame and the two songs' start difference.
    const auto hostBlocks = readBlocks(hostRound);
    const auto guestBlocks = readBlocks(guestRound);
    EXPECT_FALSE(hostBlocks.empty()) << "no missile was fired";
    EXPECT_EQ(hostBlocks.size(), guestBlocks.size());
    for (const auto& [missile, block] : hostBlocks) {
        const auto other = guestBlocks.find(missile);
        ASSERT_NE(other, guestBlocks.end()) << "missile " << missile.second << " of player " << missile.first;
        EXPECT_EQ(other->second.first, block.first);
        EXPECT_NEAR(other->second.second, block.second, maxBlockDifferenceMs);
    }
    // A missile's block may cost a press or two.
    for (const testsupport::PlayerTotals& player : onHost.players) {
        EXPECT_GE(player.judged, notesInSong * 3 / 4) << onHost.line;
        if (checkTiming) {
            EXPECT_GE(player.godlike * 100, player.judged * 99)
                << onHost.line << e2e::notices(hostRound) << e2e::notices(guestRound);
        }
    }
}

} // namespace

void forgeSong(const std::filesystem::path& folder, const std::string& title, bool reversed, const std::string& bpm,
               int musicSeconds)
{
    std::filesystem::create_directories(folder);
    forge::SmWriter sm;
    sm.tag("TITLE", title);
    sm.tag("MUSIC", "short.mp3");
    sm.tag("OFFSET", "0.000");
    sm.tag("BPMS", "0.000=" + bpm);
    std::vector<std::string> rows(4, "0000");
    const std::array<const char*, 4> steps{"1000", "0100", "0010", "0001"};
    for (unsigned note = 0; note < notesInSong; ++note)
        rows.push_back(steps[reversed ? 3 - note % 4 : note % 4]);
    sm.chart("dance-single", "Easy", 1, rows, 16);
    sm.write(folder / "short.sm");
    forge::PcmAudio quiet;
    quiet.samples.assign(static_cast<std::size_t>(quiet.sampleRate) * musicSeconds, 0.0f);
    forge::Mp3Writer::write(folder / "short.mp3", quiet);
}

void prepareFolder(const testsupport::ScratchDir& folder, const std::string& title, const std::filesystem::path& songs)
{
    folder.write("Conf/global.cfg", testsupport::gameConfig(title, 320, 240)
                                        + "[General]\nGoalposy = 4.0\nSpawnposy = -6.5\n[SpecialFX]\nMaxParticels = 10\n");
    std::filesystem::create_directories(folder.path() / "Data");
    for (const auto& entry : std::filesystem::directory_iterator(runData))
        std::filesystem::create_directory_symlink(entry.path(), folder.path() / "Data" / entry.path().filename());
    std::filesystem::create_directory_symlink(songs, folder.path() / "Songs");
}

testsupport::RoundTotals readResults(const std::string& log)
{
    return testsupport::readTotals(log, "NetBattle: Results\\.");
}

std::vector<std::string> roundsOf(const std::string& log)
{
    const std::string start = "NetBattle: The song starts";
    std::vector<std::string> rounds;
    for (auto at = log.find(start); at != std::string::npos;) {
        const auto next = log.find(start, at + start.size());
        rounds.push_back(log.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return rounds;
}

std::map<std::pair<int, int>, std::pair<int, int>> readBlocks(const std::string& log)
{
    static const std::regex pattern(R"(NetBattle: Missile (\d+) of player (\d+): lane (\d+) free at song time (-?\d+) ms)");
    std::map<std::pair<int, int>, std::pair<int, int>> blocks;
    for (auto found = std::sregex_iterator(log.begin(), log.end(), pattern); found != std::sregex_iterator(); ++found)
        blocks[{std::stoi((*found)[2]), std::stoi((*found)[1])}] = {std::stoi((*found)[3]), std::stoi((*found)[4])};
    return blocks;
}

void expectSameRounds(const std::string& hostLog, const std::string& guestLog, int rounds, bool checkTiming)
{
    const std::vector<std::string> hostRounds = roundsOf(hostLog);
    const std::vector<std::string> guestRounds = roundsOf(guestLog);
    ASSERT_EQ(hostRounds.size(), static_cast<std::size_t>(rounds)) << hostLog;
    ASSERT_EQ(guestRounds.size(), static_cast<std::size_t>(rounds)) << guestLog;
    for (std::size_t round = 0; round < hostRounds.size(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 1));
        expectSameRound(hostRounds[round], guestRounds[round], checkTiming && round == 0);
    }
}

} // namespace battlerun
