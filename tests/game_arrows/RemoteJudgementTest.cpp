#include "support/ArrowStage.h"

#include "flow/Match.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// A word judged on one machine, applied on the other: the same arrows leave
// the same player's field and the same words are counted.
namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

// Four taps on Left, Down, Up, Right at 1, 1.5, 2 and 2.5 s, then a hold on
// Down from 3 to 4 s.
const char* const song = "#TITLE:Remote;\n#ARTIST:Us;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n"
                         "#BPMS:0.000=120.000;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     5:\n     0,0,0,0,0:\n"
                         "1000\n0100\n0010\n0001\n,\n0200\n0000\n0300\n0000\n;\n";
constexpr std::uint8_t left = 4, up = 1, right = 2, down = 3;
struct Step {
    double ms;
    std::uint8_t action;
};
// Player 1's presses: on time, 40 ms late (a lesser word), a miss (Up is
// never pressed), on time, and the hold's head with the hold let go at once.
const Step presses[] = {{1000, left}, {1540, down}, {2500, right}, {3000, down}};
constexpr int frames = 180;

struct Timed {
    int frame;
    PressJudge::Earned earned;
};

Chart remoteChart()
{
    return Chart{"", "128.000", 5500, 6000, song, {"Hard", "Hard"}};
}

// Plays player 1's presses and returns every word player 1 earned, by frame.
std::vector<Timed> playLocally(std::array<std::uint32_t, Judgements::count>& tally)
{
    ArrowStage stage{remoteChart()};
    std::vector<Timed> earned;
    int frame = 0;
    stage.arrows().judging().setEarnedListener([&](const PressJudge::Earned& word) {
        if (word.player == 1)
            earned.push_back({frame, word});
    });
    stage.startSong();
    for (; frame < frames; ++frame) {
        const double from = stage.arrows().songRun().now();
        stage.frame(33, [&] {
            for (const Step& step : presses)
                if (step.ms > from && step.ms <= from + 33.0)
                    stage.arrows().onPlayerAction(1, step.action,
                                                  stage.now() - static_cast<std::uint32_t>(from + 33.0 - step.ms));
        });
    }
    tally = stage.arrows().judging().scoreOf(1).getTally();
    stage.arrows().judging().setEarnedListener({});
    return earned;
}

} // namespace

TEST(RemoteJudgement, TheOtherMachineCountsTheSameWordsAndClearsTheSameArrows)
{
    std::array<std::uint32_t, Judgements::count> localTally{};
    const std::vector<Timed> earned = playLocally(localTally);
    // Three taps and the hold's head judged, the hold let go ("NG").
    ASSERT_EQ(std::count_if(earned.begin(), earned.end(), [](const Timed& t) { return t.earned.arrowNumber != 0; }), 4);
    ASSERT_TRUE(std::any_of(earned.begin(), earned.end(), [](const Timed& t) { return std::string(t.earned.word) == "NG"; }));

    ArrowStage remote{remoteChart()};
    remote.startSong();
    std::size_t next = 0;
    std::vector<Arrow*> judgedArrows;
    for (int frame = 0; frame < frames; ++frame) {
        remote.frame(33, [&] {
            for (; next < earned.size() && earned[next].frame <= frame; ++next) {
                const auto& arrows = remote.arrows().fields().getArrows(1);
                const auto target = std::find_if(arrows.begin(), arrows.end(), [&](const Arrow* arrow) {
                    return arrow->getNumber() == earned[next].earned.arrowNumber;
                });
                if (earned[next].earned.arrowNumber != 0) {
                    ASSERT_NE(target, arrows.end()) << "arrow " << earned[next].earned.arrowNumber << " is not there";
                    judgedArrows.push_back(*target);
                }
                remote.arrows().judging().applyRemote(earned[next].earned);
            }
        });
    }
    EXPECT_EQ(remote.arrows().judging().scoreOf(1).getTally(), localTally);
    for (const Arrow* arrow : judgedArrows) {
        EXPECT_TRUE(arrow->isHiddenFor(1));
        const auto& open = remote.arrows().fields().getArrows(1);
        EXPECT_EQ(std::find(open.begin(), open.end(), arrow), open.end());
    }
    // The missed Up arrow stays in the list, as a missed arrow does locally.
    EXPECT_EQ(remote.arrows().fields().getArrows(1).size(), 1u);
    // Player 2's field is untouched.
    EXPECT_EQ(remote.arrows().judging().scoreOf(2).getTally(), (std::array<std::uint32_t, Judgements::count>{}));
}

// Words that name no arrow of the field, or an arrow already gone, change
// nothing but the word shown; only press words are counted.
TEST(RemoteJudgement, UnknownArrowsAndOtherWordsCountNoPress)
{
    ArrowStage stage{remoteChart()};
    stage.startSong();
    for (int frame = 0; frame < 30; ++frame)
        stage.frame(33);
    const std::size_t openBefore = stage.arrows().fields().getArrows(2).size();
    ASSERT_GT(openBefore, 0u);
    const struct {
        PressJudge::Earned earned;
        std::uint32_t godlike;
    } cases[] = {
        {{2, 0, 9999, "Godlike"}, 1},              // no such arrow: counted, nothing leaves
        {{2, PressJudge::noLane, 0, "OK"}, 1},   // a hold's end
        {{2, PressJudge::noLane, 0, "Boom"}, 1}, // a mine
        {{3, 0, 1, "Godlike"}, 1},                 // no such player
    };
    for (const auto& test : cases) {
        stage.arrows().judging().applyRemote(test.earned);
        EXPECT_EQ(stage.arrows().judging().scoreOf(2).getTally()[0], test.godlike) << test.earned.word;
        EXPECT_EQ(stage.arrows().fields().getArrows(2).size(), openBefore) << test.earned.word;
    }
}
