#include "MappingStage.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GoalMarker.h"
#include "game/PlayerManager.h"
#include "game/StepFileManager.h"
#include "input/InputHandler.h"
#include "platform/AudioEngine.h"
#include "scene/MeshManager.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"
#include "writers/DwiWriter.h"
#include "writers/RgbaImage.h"
#include "writers/TgaWriter.h"
#include "writers/ThreeDsWriter.h"
#include "writers/WavWriter.h"

namespace flowtest {
namespace {

constexpr const char* configText
    = "[General]\nGoalposy = 4.0\nSpawnposy = -6.5\n[Sound]\nMasterVolume = 0\nGlobalOffset = 0\n"
      "[Player1]\nName = Kai\nKeyUp = 57\nKeyLeft = 41\nKeyDown = 53\nKeyRight = 44\n"
      "KeySlot1 = 51\nKeySlot2 = 45\nKeySlot3 = 58\nKeySlot4 = 43\nUseJoystick = 0\n"
      "[Player2]\nName = Mia\nKeyUp = 26\nKeyLeft = 25\nKeyDown = 28\nKeyRight = 27\n"
      "KeySlot1 = 4F\nKeySlot2 = 50\nKeySlot3 = 4C\nKeySlot4 = 4B\nUseJoystick = 0\n";

std::string bytesOf(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

void writeFiles(const testsupport::ScratchDir& scratch)
{
    scratch.write("Conf/global.cfg", configText);
    forge::DwiWriter dwi;
    dwi.tag("TITLE", "Stage");
    dwi.tag("BPM", "128.000");
    dwi.tag("GAP", std::to_string(MappingStage::gapMs));
    dwi.chart("SINGLE", "BEGINNER", 1, {MappingStage::notes});
    scratch.write("Data/Dwi/Coconut.DWI", dwi.text());
    forge::PcmAudio song;
    song.sampleRate = 8000;
    song.samples.assign(static_cast<std::size_t>(MappingStage::songMs) * 8, 0.0f);
    scratch.write("Data/Music/coconut.wav", bytesOf(forge::WavWriter::encode(song)));
    const forge::TriMesh triangle{"Arrow", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}};
    scratch.write(Arrow::meshPath, bytesOf(forge::ThreeDsWriter::encode(triangle, {"Skin", {}, {}, {}, ""})));
    forge::RgbaImage image(2, 2);
    const std::string texture = bytesOf(forge::TgaWriter::encode(image, forge::TgaWriter::Kind::Uncompressed, 24));
    scratch.write(Arrow::texturePath, texture);
    scratch.write(GoalMarker::texturePath, texture);
}

} // namespace

MappingStage::MappingStage()
{
    writeFiles(scratch);
    OutputHandler::instance()->open("output.log");
    auto* config = new ConfigFileParser();
    config->parse("Conf/global.cfg");
    frameClock = std::make_unique<StageClock>();
    handler = new InputHandler();
    handler->init(keys.data(), &presses);
    new StepFileManager();
    SoundManager* sound = SoundManager::instance();
    sound->getEngine().setOutput(platform::AudioEngine::Output::NoSound);
    sound->init(44100, 32, 0);
    sound->addSound("Data/Music/coconut.wav", OwnSongStepper::streamName);
    new MeshManager();
    new ObjectGraph();
    PlayerManager::instance()->init(2);
    for (std::uint32_t lane = 0; lane < 4; ++lane) {
        const std::string name = "Goal" + std::to_string(lane);
        auto* goal = new GoalMarker(name.c_str());
        goal->setup(lane);
        ObjectGraph::find()->addNode(goal, name.c_str());
    }
    manager = new ArrowManager();
    manager->init();
    rounds = std::make_unique<Match>(*manager, nullptr, *config, Match::Hooks{});
    rounds->init();
    handler->registerJoystickPlayer(PlayerManager::instance()->getPlayer(2), 2);
    handler->registerJoystickPlayer(PlayerManager::instance()->getPlayer(1), 1);
    // Escape as the main loop hands it on: to the screen that takes it.
    handler->setReceivers({[this](std::uint8_t code) {
                               if (code == keyEscape)
                                   rounds->takeEscape();
                               else
                                   rounds->onKey(code);
                           },
                           {},
                           [this](std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) {
                               rounds->onPlayerAction(player, action, pressTick, newPress);
                           },
                           {}});
    for (const std::uint8_t code : {keyEscape, keyF4, keyF8, keyF12})
        handler->registerBinding(code, InputHandler::targetMainLoop, 0, 0, InputHandler::mediaKeyboard);
    auto* carrier = new Arrow("gehtdasauchso", 0);
    carrier->setup(3);
    ObjectGraph::find()->addNode(carrier, "Arrow");
    // The first poll acquires the pads.
    frame();
}

MappingStage::~MappingStage()
{
    OutputHandler::instance()->close();
    ObjectRegistry::destroy();
    Arrow::forgetHeights();
}

std::string MappingStage::config() const
{
    return testsupport::readFile(scratch.path() / "Conf/global.cfg");
}

std::string MappingStage::log() const
{
    return testsupport::readFile(scratch.path() / "output.log");
}

void MappingStage::frame(std::uint32_t ms)
{
    clock.advance(ms);
    frameClock->delta = ms;
    handler->update();
    manager->update(clock.now());
    rounds->update(clock.now());
    ObjectGraph::find()->update();
}

void MappingStage::keyDown(std::uint8_t code)
{
    keys[code] = 1;
    presses.tick[code] = clock.now();
    ++presses.count[code];
}

void MappingStage::keyUp(std::uint8_t code)
{
    keys[code] = 0;
}

void MappingStage::tap(std::uint8_t code)
{
    keyDown(code);
    frame();
    keyUp(code);
    frame();
}

void MappingStage::advanceTo(std::uint32_t tick)
{
    if (tick > clock.now())
        clock.advance(tick - clock.now());
}

} // namespace flowtest
