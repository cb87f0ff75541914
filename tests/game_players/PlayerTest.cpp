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

using PlayerDeathTest = PlayerTest;

TEST_F(PlayerDeathTest, MissingSectionEndsTheProgramWithCode5)
{
    start(std::string(player2Section), false, false);
    EXPECT_EXIT(manager->init(2), ::testing::ExitedWithCode(5),
                "\\[Flarevox Message\\] Could not find the configuration for Player 1");
    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    EXPECT_NE(log.find("ERROR: Could not find the configuration for Player 1 \n"), std::string::npos);
}
