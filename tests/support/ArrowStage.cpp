#include "support/ArrowStage.h"

#include "app/PlayStage.h"
#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GoalMarker.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/StepFileManager.h"
#include "platform/AudioEngine.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"
#include "writers/DwiWriter.h"
#include "writers/RgbaImage.h"
#include "writers/TgaWriter.h"
#include "writers/ThreeDsWriter.h"
#include "writers/WavWriter.h"

#include <cmath>
#include <string>

namespace arrowtest {
namespace {

constexpr const char* config
    = "[General]\nGoalposy = 4.0\nSpawnposy = -6.5\n[Sound]\nMasterVolume = 0\nGlobalOffset = 0\n"
      "[Player1]\nName = Kai\nUseJoystick = 0\n[Player2]\nName = Mia\nUseJoystick = 0\n";

std::string bytesOf(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

void writeChart(const testsupport::ScratchDir& scratch, const Chart& chart)
{
    forge::DwiWriter dwi;
    dwi.tag("TITLE", "Stage");
    if (!chart.bpm.empty())
        dwi.tag("BPM", chart.bpm);
    dwi.tag("GAP", std::to_string(chart.gapMs));
    dwi.chart("SINGLE", "BEGINNER", 1, {chart.notes});
    scratch.write("Data/Dwi/Coconut.DWI", dwi.text());
}

void writeSilentSong(const testsupport::ScratchDir& scratch, const std::string& path, int songMs)
{
    forge::PcmAudio song;
    song.sampleRate = 8000;
    song.samples.assign(static_cast<std::size_t>(songMs) * 8, 0.0f);
    scratch.write(path, bytesOf(forge::WavWriter::encode(song)));
}

void writeArrowAssets(const testsupport::ScratchDir& scratch)
{
    const forge::TriMesh triangle{"Arrow", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}}};
    scratch.write(Arrow::meshPath, bytesOf(forge::ThreeDsWriter::encode(triangle, {"Skin", {}, {}, {}, ""})));
    forge::RgbaImage image(2, 2);
    const std::string texture = bytesOf(forge::TgaWriter::encode(image, forge::TgaWriter::Kind::Uncompressed, 24));
    scratch.write(Arrow::texturePath, texture);
    scratch.write(GoalMarker::texturePath, texture);
}

} // namespace

std::vector<ChartArrow> chartArrows(const Chart& chart)
{
    const double halfBeatMs = 30000.0 / StepFileManager::toDecimalFloat(chart.bpm);
    std::vector<ChartArrow> arrows;
    std::size_t cursor = 0;
    for (int halfBeat = 0;; ++halfBeat) {
        const char note = StepFileManager::takeStep(chart.notes, cursor);
        if (note == '\0')
            return arrows;
        const auto lanes = StepFileManager::decodeNote(note);
        for (std::size_t n = 0; n < lanes.count; ++n)
            arrows.push_back({lanes.lanes[n], chart.gapMs + halfBeat * halfBeatMs});
    }
}

ArrowStage::ArrowStage(const Chart& chart, const std::function<void()>& withInput)
{
    scratch.write("Conf/global.cfg", chart.config.empty() ? config + chart.configLines : chart.config);
    writeChart(scratch, chart);
    writeSilentSong(scratch, "Data/Music/coconut.wav", chart.songMs);
    writeArrowAssets(scratch);
    if (!chart.playerSong.empty()) {
        scratch.write("Songs/Test/test.sm", chart.playerSong);
        writeSilentSong(scratch, "Songs/Test/music.wav", chart.songMs);
        Match::setSongChoice(SongChoice{scratch.path() / "Songs/Test", chart.difficulties});
    }

    OutputHandler::instance()->open("output.log");
    auto* config = new ConfigFileParser();
    config->parse("Conf/global.cfg");
    frameClock = std::make_unique<testsupport::StandInMainLoop>();
    if (withInput)
        withInput();
    new StepFileManager();
    SoundManager* sound = SoundManager::instance();
    sound->getEngine().setOutput(platform::AudioEngine::Output::NoSound);
    sound->init(44100, 32, 0);
    sound->addSound("Data/Music/coconut.wav", OwnSongStepper::streamName);
    manager = new ArrowManager();
    rounds = std::make_unique<Match>(*manager, nullptr, *config, Match::Hooks{});
    PlayStage::build(*manager, *rounds);
    rounds->getRecords().waitForWrites(true);
    PlayStage::createCarrierArrow();
}

ArrowStage::~ArrowStage()
{
    // As the main loop ends: the match (and a battle it holds) refers to
    // managers the registry owns.
    rounds.reset();
    Match::setSongChoice(std::nullopt);
    Match::setBotPlayers({});
    OutputHandler::instance()->close();
    ObjectRegistry::destroy();
    Arrow::forgetHeights();
    Arrow::setMusicRate(1.0);
}

void ArrowStage::startSong(bool throughLeadIn)
{
    startTick = clock.now();
    press(1, 5, startTick);
    const double leadIn = -manager->songRun().read().songMs;
    if (throughLeadIn || leadIn <= 0.0)
        return;
    // The lead-in is in song time, which runs at the music's rate.
    frame(static_cast<std::uint32_t>(std::ceil(leadIn / SoundManager::instance()->getMusicRate())));
    startTick = clock.now();
}

void ArrowStage::press(std::uint8_t player, std::uint8_t action, std::uint32_t tick, bool newPress)
{
    rounds->onPlayerAction(player, action, tick, newPress);
}

void ArrowStage::release(std::uint8_t player, std::uint8_t action, std::uint32_t tick)
{
    rounds->onPlayerRelease(player, action, tick);
}

void ArrowStage::frame(std::uint32_t ms, const std::function<void()>& presses)
{
    clock.advance(ms);
    frameClock->delta = ms;
    if (presses)
        presses();
    rounds->feedReplay();
    manager->update(clock.now());
    rounds->update(clock.now());
    if (!rounds->isPaused())
        ObjectGraph::find()->update();
}

void ArrowStage::advanceTo(std::uint32_t tick)
{
    if (tick > clock.now())
        clock.advance(tick - clock.now());
}

std::uint32_t ArrowStage::points(int player) const
{
    const Player* target = PlayerManager::instance()->getPlayer(static_cast<std::int8_t>(player));
    return target ? target->getPoints() : 0;
}

std::string ArrowStage::log() const
{
    return testsupport::readFile(scratch.path() / "output.log");
}

} // namespace arrowtest
