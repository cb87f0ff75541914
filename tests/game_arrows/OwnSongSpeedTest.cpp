#include "support/ArrowStage.h"

#include "core/ConfigFileParser.h"
#include "flow/Match.h"
#include "flow/PlayerSpeeds.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/PlayerScore.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace {

using arrowtest::ArrowStage;

constexpr std::uint8_t actionOf[] = {4, 1, 2, 3};
constexpr double beatMs = 60000.0 / 128.0;

// Steps from 1x to `quarters` quarters on the panel.
void setSpeed(Match& match, int player, int quarters)
{
    for (int at = 4; at != quarters; at += quarters > at ? 1 : -1)
        match.stepSpeed(player, quarters > at);
}

// The game's own song with each player at their own speed: every arrow a
// player sees stands its beats to go times the player's speed below the goal
// line. Player 1 presses every arrow 75 to 91 ms late ("Great"; at 8x above
// the miss height, but still within the judgement window), player 2 on the beat
// or not at all: the judgements are the same at every speed, and an arrow
// that passes unhit is one miss.
TEST(OwnSongSpeed, EachPlayerSeesTheirOwnSpeedAndIsJudgedTheSame)
{
    const arrowtest::Chart chart{"8040206010A0", "128.000", 5500, 9000};
    const struct {
        const char* name;
        std::array<int, 2> quarters;
        bool secondPresses;
    } cases[] = {
        {"1x and 1x", {4, 4}, true},
        {"2x and 1x", {8, 4}, true},
        {"8x and 0.5x", {32, 2}, true},
        {"8x and 8x, player 2 idle", {32, 32}, false},
    };
    std::optional<std::array<std::array<std::uint32_t, 5>, 2>> firstTallies;
    for (const auto& played : cases) {
        SCOPED_TRACE(played.name);
        ArrowStage stage{chart};
        for (int player = 1; player <= 2; ++player)
            setSpeed(stage.match(), player, played.quarters[static_cast<std::size_t>(player - 1)]);
        const auto arrows = arrowtest::chartArrows(chart);
        std::array<std::size_t, 2> next{};
        const std::array<std::uint32_t, 2> lateBy{75, 0};
        stage.startSong();
        while (stage.now() - stage.songStart() < static_cast<std::uint32_t>(chart.songMs + 500)) {
            stage.frame(16, [&] {
                const std::uint32_t at = stage.now() - stage.songStart();
                for (std::uint8_t player = 1; player <= (played.secondPresses ? 2 : 1); ++player) {
                    for (auto& n = next[player - 1]; n < arrows.size() && arrows[n].beatMs + lateBy[player - 1] <= at; ++n)
                        stage.arrows().onPlayerAction(player, actionOf[arrows[n].lane]);
                }
            });
            const double songBeat = (stage.arrows().songRun().now() - chart.gapMs) / beatMs;
            for (int player = 1; player <= 2; ++player) {
                const double factor = played.quarters[static_cast<std::size_t>(player - 1)] / 4.0;
                for (const Arrow* arrow : stage.arrows().fields().getArrows(player)) {
                    if (!arrow->isHiddenFor(player)) {
                        ASSERT_NEAR(arrow->y, ArrowStage::goalY - (arrow->getNoteBeat() - songBeat) * factor, 1e-3);
                    }
                }
            }
        }
        const std::array tallies{stage.arrows().judging().scoreOf(1).getTally(), stage.arrows().judging().scoreOf(2).getTally()};
        EXPECT_EQ(std::accumulate(tallies[0].begin(), tallies[0].end(), 0u), arrows.size());
        EXPECT_TRUE(stage.arrows().judging().scoreOf(1).getCombo().fullCombo()) << "no arrow missed while it could be hit";
        if (!played.secondPresses) {
            EXPECT_EQ(stage.arrows().judging().scoreOf(2).getCombo().highest(), 0u);
            EXPECT_FALSE(stage.arrows().judging().scoreOf(2).getCombo().fullCombo());
            EXPECT_EQ(stage.points(2), 0u);
            continue;
        }
        if (!firstTallies)
            firstTallies = tallies;
        EXPECT_EQ(tallies, *firstTallies);
        EXPECT_TRUE(stage.arrows().judging().scoreOf(2).getCombo().fullCombo());
    }
}

// A speed change on the panel is written to the player's own line of the
// configuration and read back at the next start; values that are not speeds
// read as 1x.
TEST(OwnSongSpeed, SpeedsAreKeptInThePlayersSectionOfTheConfiguration)
{
    ArrowStage stage{{"8000", "128.000", 1000, 3000}};
    const std::string before = testsupport::readFile("Conf/global.cfg");
    stage.match().stepSpeed(2, true);
    stage.match().stepSpeed(2, true);
    stage.match().stepSpeed(1, false);
    EXPECT_EQ(stage.match().getSpeeds().of(1).format(), "0.75x");
    EXPECT_EQ(stage.match().getSpeeds().of(2).format(), "1.5x");
    const std::string after = testsupport::readFile("Conf/global.cfg");
    EXPECT_NE(after.find("[Player1]\nName = Kai\nUseJoystick = 0\nScrollSpeed = 0.75x\n"), std::string::npos) << after;
    EXPECT_NE(after.find("ScrollSpeed = 1.5x"), std::string::npos);
    EXPECT_EQ(after.size(), before.size() + 2 * std::string("ScrollSpeed = 0.75x\n").size() - 1);

    const struct {
        const char* value;
        const char* read;
    } values[] = {{"2.25x", "2.25x"}, {"M450", "M450"}, {"fast", "1x"}, {"9x", "1x"}, {"", "1x"}};
    for (const auto& value : values) {
        SCOPED_TRACE(value.value);
        testsupport::ScratchDir scratch;
        scratch.write("global.cfg", std::string("[Player1]\nScrollSpeed = ") + value.value + "\n[Player2]\n");
        // The registry owns it, as every configuration reader.
        auto* config = new ConfigFileParser();
        config->parse("global.cfg");
        PlayerSpeeds speeds("global.cfg");
        speeds.read(*config);
        EXPECT_EQ(speeds.of(1).format(), value.read);
        EXPECT_EQ(speeds.of(2).format(), "1x");
    }
}

} // namespace
