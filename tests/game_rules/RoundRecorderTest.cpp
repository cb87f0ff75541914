#include "game/RoundRecorder.h"
#include "library/ReplayFile.h"

#include <gtest/gtest.h>

// Presses judged in one frame may be handed over out of order; the round
// comes out in time order, to the microsecond, and as a file that reads back
// the same.
TEST(RoundRecorder, ARoundComesOutInTimeOrderAndReadsBackFromItsFile)
{
    RoundRecorder recorder;
    recorder.start("Songs/Forged/Daybreak", 4242);
    recorder.setPlayer(1, "Kai", "00112233aabbccdd", "Hard", 2.0);
    recorder.press(1, 1000.0004, 0, library::RoundInput::Godlike);
    recorder.press(1, 999.5, 2, library::RoundInput::Great, 17);
    recorder.release(1, 1100.25, 0, 100'000);
    recorder.press(2, -250.0, 1, library::RoundInput::Nothing);
    recorder.press(3, 10.0, 1, library::RoundInput::Nothing);
    recorder.missile(2, 3000.0, 3, library::RoundMissile::Blocked, 4000);
    recorder.missile(1, 2000.0, 1, library::RoundMissile::Sent);

    const library::RecordedRound& round = recorder.finish(60000.0);
    const std::vector<library::RoundInput> expected{{999'500, 2, false, library::RoundInput::Great, 17},
                                                    {1'000'000, 0, false, library::RoundInput::Godlike},
                                                    {1'100'250, 0, true, library::RoundInput::Nothing, 65535}};
    EXPECT_EQ(round.players[0].inputs, expected);
    EXPECT_EQ(round.players[1].inputs.size(), 1u) << "no third player";
    EXPECT_EQ(round.missiles.front().player, 1);
    EXPECT_EQ(round.songLengthUs, 60'000'000);
    const library::ReplayFile::ReadResult read = library::ReplayFile::read(library::ReplayFile::write(round));
    ASSERT_TRUE(read.round) << read.problem;
    EXPECT_EQ(*read.round, round);

    recorder.start("Songs/Other", 1);
    EXPECT_TRUE(recorder.round().players[0].inputs.empty());
    EXPECT_TRUE(recorder.round().missiles.empty());
}

// Across two machines: the other machine's words and points in the order of
// their song times, the word's points as told; no third machine's player.
TEST(RoundRecorder, TheOtherMachinesWordsComeOutInTimeOrderAndGoWithTheRound)
{
    RoundRecorder recorder;
    recorder.start("Songs/Forged/Daybreak", 1);
    recorder.setLocalPlayer(3);
    EXPECT_EQ(recorder.round().localPlayer, 0);
    recorder.setLocalPlayer(2);
    recorder.remotePoints(1500.0, 1600);
    recorder.remoteWord(1000.0, 3, 1, 7);
    recorder.remoteWord(1500.0, 0, 0, 8);
    const library::RecordedRound& round = recorder.finish(60000.0);
    const std::vector<library::RemoteEvent> expected{{1'000'000, library::RemoteEvent::Word, 3, 1, 7, 0},
                                                     {1'500'000, library::RemoteEvent::Points, 0, 0, 0, 1600},
                                                     {1'500'000, library::RemoteEvent::Word, 0, 0, 8, 0}};
    EXPECT_EQ(round.remote, expected);
    EXPECT_EQ(round.localPlayer, 2);
    recorder.start("Songs/Other", 1);
    EXPECT_TRUE(recorder.round().remote.empty());
    EXPECT_EQ(recorder.round().localPlayer, 0);
}
