#include "MappingStage.h"

#include "flow/Match.h"
#include "game/PlayerManager.h"
#include "input/InputHandler.h"

namespace flowtest {
namespace {

constexpr const char* configText
    = "[General]\nGoalposy = 4.0\nSpawnposy = -6.5\n[Sound]\nMasterVolume = 0\nGlobalOffset = 0\n"
      "[Player1]\nName = Kai\nKeyUp = 57\nKeyLeft = 41\nKeyDown = 53\nKeyRight = 44\n"
      "KeySlot1 = 51\nKeySlot2 = 45\nKeySlot3 = 58\nKeySlot4 = 43\nUseJoystick = 0\n"
      "[Player2]\nName = Mia\nKeyUp = 26\nKeyLeft = 25\nKeyDown = 28\nKeyRight = 27\n"
      "KeySlot1 = 4F\nKeySlot2 = 50\nKeySlot3 = 4C\nKeySlot4 = 4B\nUseJoystick = 0\n";

} // namespace

MappingStage::MappingStage()
    : stage({notes, "128.000", gapMs, songMs, {}, {}, {}, configText}, [this] {
        handler = new InputHandler();
        handler->init(keys.data(), &presses);
    })
{
    handler->registerJoystickPlayer(PlayerManager::instance()->getPlayer(2), 2);
    handler->registerJoystickPlayer(PlayerManager::instance()->getPlayer(1), 1);
    // Escape as the main loop hands it on: to the screen that takes it.
    handler->setReceivers({[this](std::uint8_t code) {
                               if (code == keyEscape)
                                   match().takeEscape();
                               else
                                   match().onKey(code);
                           },
                           {},
                           [this](std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) {
                               match().onPlayerAction(player, action, pressTick, newPress);
                           },
                           {}});
    for (const std::uint8_t code : {keyEscape, keyF4, keyF8, keyF12})
        handler->registerBinding(code, InputHandler::targetMainLoop, 0, 0, InputHandler::mediaKeyboard);
    // The first poll acquires the pads.
    frame();
}

void MappingStage::frame(std::uint32_t ms)
{
    stage.frame(ms, [this] { handler->update(); });
}

void MappingStage::keyDown(std::uint8_t code)
{
    keys[code] = 1;
    presses.tick[code] = stage.now();
    ++presses.count[code];
}

void MappingStage::tap(std::uint8_t code)
{
    keyDown(code);
    frame();
    keyUp(code);
    frame();
}

} // namespace flowtest
