#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* player2Section = "[Player2]\nName = Lani\nKeyUp = 26\nUseJoystick = 0\n";

// A parsed configuration, an open log and an input handler, as the main
// loop has them when it initialises the players.
class PlayerTest : public ::testing::Test {
protected:
    // Ends with the players' initialisation unless told otherwise.
    void start(const std::string& config, bool withJoysticks = false, bool init = true)
    {
        scratch.write("Conf/global.cfg", config);
        OutputHandler::instance()->open();
        (new ConfigFileParser())->parse("Conf/global.cfg");
        input = new InputHandler();
        if (withJoysticks)
            input->init(keys.data());
        manager = PlayerManager::instance();
        if (init)
            manager->init(2);
    }

    void TearDown() override
    {
        if (ObjectRegistry::exists())
            ObjectRegistry::destroy();
    }

    std::vector<std::uint8_t> bindingCodes(std::uint8_t player, std::uint8_t media) const
    {
        std::vector<std::uint8_t> codes;
        for (const KeyBinding& binding : input->getBindings())
            if (binding.player == player && binding.media == media)
                codes.push_back(binding.code);
        return codes;
    }

    testsupport::ScratchDir scratch;
    std::array<std::uint8_t, 256> keys{};
    InputHandler* input = nullptr;
    PlayerManager* manager = nullptr;
};

} // namespace

TEST_F(PlayerTest, KeysAreHexadecimalKeptInEightBits)
{
    start("[Player1]\nKeyUp = 26\nKeyDown = 0x28\nKeyRight = 127\nKeyLeft = G\nKeySlot1 =  4f\n"
          "KeySlot2 = -1\nKeySlot3 = 99999999999999999999\nUseJoystick = 0\n"
          + std::string(player2Section));
    // 0x prefix accepted, low byte kept, no digits or no key read as 0,
    // overlong clamped. Bound as Up, Right, Down, Left, then the slots,
    // actions 1 to 8.
    EXPECT_EQ(bindingCodes(1, InputHandler::mediaKeyboard),
              (std::vector<std::uint8_t>{0x26, 0x27, 0x28, 0, 0x4F, 0xFF, 0xFF, 0}));
    std::uint8_t action = 1;
    for (const KeyBinding& binding : input->getBindings()) {
        if (binding.player != 1)
            continue;
        EXPECT_EQ(binding.action, action++);
        EXPECT_EQ(binding.target, InputHandler::targetPlayerAction);
    }
}

TEST_F(PlayerTest, PlayersAreCreatedInOrderAndFoundByNumberOrName)
{
    start(testsupport::playerSections());
    EXPECT_EQ(manager->getCount(), 2);
    ASSERT_NE(manager->getPlayer(2), nullptr);
    EXPECT_EQ(manager->getPlayer(2)->getNumber(), 2);
    // Both players carry the name "Player": the first one is found.
    EXPECT_EQ(manager->getPlayerByName("Player"), manager->getPlayer(1));
    EXPECT_EQ(manager->getPlayerByName("player"), nullptr);
    EXPECT_EQ(manager->getPlayer(3), nullptr);
    // Keyboard players: player 1's keys first, then player 2's.
    ASSERT_EQ(input->getBindings().size(), 16u);
    EXPECT_EQ(input->getBindings()[0].player, 1);
    EXPECT_EQ(input->getBindings()[8].player, 2);

    manager->addPlayer();
    EXPECT_EQ(manager->getPlayer(3)->getKeys()[Player::KeyUp], 0) << "an added player reads no configuration";
    manager->removePlayer(1);
    EXPECT_EQ(manager->getPlayer(1), nullptr);

    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    for (const char* line : {"Initializing the PlayerManager... \n...Initializing Player 1 with name 'Player'. \n",
                             "WARNING: PlayerManager: Could not find the player with the number '3'! \n",
                             "WARNING: PlayerManager: Could not find the player with the name 'player'! \n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

// Any non-zero value means the player's own joystick: player 1 asking for
// joystick 2 still plays on joystick 1.
TEST_F(PlayerTest, UseJoystickBindsTheJoystickWithThePlayersNumber)
{
    start("[Player1]\nKeyUp = 26\nUseJoystick = 2\n" + std::string(player2Section), true);
    Player* first = manager->getPlayer(1);
    EXPECT_EQ(input->getJoystick(1)->getPlayer(), first);
    EXPECT_EQ(input->getJoystick(2)->getPlayer(), nullptr);
    EXPECT_TRUE(bindingCodes(1, InputHandler::mediaKeyboard).empty());
    EXPECT_EQ(bindingCodes(1, InputHandler::mediaJoystick),
              (std::vector<std::uint8_t>{12, 13, 14, 15, 0, 1, 2, 3}));
    EXPECT_EQ(bindingCodes(2, InputHandler::mediaKeyboard).size(), 8u);
}

TEST_F(PlayerTest, WinnerIsTheConfiguredNameOfTheHigherTotal)
{
    start("[Player1]\nKeyUp = 26\n" + std::string(player2Section));
    Player* first = manager->getPlayer(1);
    Player* second = manager->getPlayer(2);
    EXPECT_EQ(manager->winnerName(), "Noone") << "0 to 0";

    second->addPoints(800);
    EXPECT_EQ(manager->winnerName(), "Lani");
    first->addPoints(400);
    first->addPoints(400);
    EXPECT_EQ(manager->winnerName(), "Noone");
    first->addPoints(800);
    EXPECT_EQ(manager->winnerName(), "") << "player 1 has no Name key";

    // Compared unsigned: a total past 2^31 still wins.
    second->resetPoints();
    second->subtractPoints(1);
    EXPECT_EQ(second->getPoints(), 0xFFFFFFFFu);
    EXPECT_EQ(manager->winnerName(), "Lani");

    // Across two machines each player is named as they named themselves, so
    // both machines name the same winner; a player who forfeits loses
    // whatever the points, until the next round.
    manager->setNames({"Kai", "Mallory"});
    EXPECT_EQ(manager->winnerName(), "Mallory");
    manager->forfeit(2);
    EXPECT_EQ(manager->winnerName(), "Kai");
    manager->newRound();
    second->addPoints(800);
    EXPECT_EQ(manager->winnerName(), "Mallory");
}

using PlayerDeathTest = PlayerTest;

TEST_F(PlayerDeathTest, MissingSectionEndsTheProgramWithCode5)
{
    start(std::string(player2Section), false, false);
    EXPECT_EXIT(manager->init(2), ::testing::ExitedWithCode(5),
                "\\[Flarevox Message\\] Could not find the configuration for Player 1");
    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    EXPECT_NE(log.find("ERROR: Could not find the configuration for Player 1 \n"), std::string::npos);
}
