// fuzz-seeds CORPUSDIR: writes small well-formed files of every format the
// readers take into CORPUSDIR/<target>/, as starting points for the fuzzers.
#include "library/ReplayFile.h"
#include "net/MessageCodec.h"
#include "writers/BmpWriter.h"
#include "writers/ByteWriter.h"
#include "writers/ConfigWriter.h"
#include "writers/DwiWriter.h"
#include "writers/Ms3dWriter.h"
#include "writers/PngWriter.h"
#include "writers/RgbaImage.h"
#include "writers/TgaWriter.h"
#include "writers/ThreeDsWriter.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <utility>
#include <vector>

namespace {

using forge::Ms3dWriter;

forge::RgbaImage checkerImage(int width, int height)
{
    forge::RgbaImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, y, (x + y) % 2 ? forge::RgbaImage::Pixel{255, 200, 0, 128} : forge::RgbaImage::Pixel{});
    return image;
}

void writeTexts(const std::filesystem::path& root)
{
    forge::ConfigWriter config;
    config.comment("settings");
    config.section("Window");
    config.value("Width", 800);
    config.value("Height", 600);
    config.value("Fullscreen", 0);
    config.section("General");
    config.value("GoalHeight", "-6.5");
    config.section("Player1");
    config.value("Name", "Left Feet");
    config.keyCode("KeyUp", 0x26);
    config.value("UseJoystick", 1);
    config.raw("// note\n[ Sound ]\r\nMasterVolume =  200\n  Indented = 1\nNoEquals\n[Open\n");
    forge::writeFile(root / "config/global.cfg", config.text());

    forge::DwiWriter chart;
    chart.tag("TITLE", "Seed");
    chart.tag("BPM", "120.5");
    chart.tag("GAP", "-250");
    chart.tag("SAMPLESTART", "1e1");
    chart.chart("SINGLE", "BEGINNER", 3, {"0817!8234A0B(56)[79]<4>{2}"});
    chart.chart("DOUBLE", "BASIC", 5, {"2468", "8642"});
    chart.raw("#CHANGEBPM:1=2;\r\n");
    forge::writeFile(root / "dwi/Coconut.DWI", chart.text());
}

void writeImages(const std::filesystem::path& root)
{
    using Kind = forge::TgaWriter::Kind;
    const forge::RgbaImage image = checkerImage(5, 3);
    forge::writeFile(root / "tga/raw24.tga", forge::TgaWriter::encode(image, Kind::Uncompressed, 24));
    forge::writeFile(root / "tga/raw32.tga", forge::TgaWriter::encode(image, Kind::Uncompressed, 32));
    forge::writeFile(root / "tga/rle24.tga", forge::TgaWriter::encode(image, Kind::RunLength, 24));
    forge::writeFile(root / "tga/rle32.tga", forge::TgaWriter::encode(image, Kind::RunLength, 32));
    // Rows of 5 pixels carry one padding byte each.
    forge::writeFile(root / "bmp/padded.bmp", forge::BmpWriter::encode(image));
    forge::writeFile(root / "bmp/square.bmp", forge::BmpWriter::encode(checkerImage(4, 4)));
    forge::writeFile(root / "image/checker.png", forge::PngWriter::encode(image));
    forge::writeFile(root / "image/checker.bmp", forge::BmpWriter::encode(image));
}

void writeMesh(const std::filesystem::path& root)
{
    forge::TriMesh mesh;
    mesh.name = "quad";
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    forge::ThreeDsMaterial material;
    material.name = "skin";
    material.textureFile = "skin.tga";
    forge::writeFile(root / "3ds/quad.3ds", forge::ThreeDsWriter::encode(mesh, material));
}

// Two triangles on a two-joint chain with keyframes, one textured group.
Ms3dWriter::Model riggedModel()
{
    Ms3dWriter::Model model;
    model.vertices = {{0, {0, 0, 0}, 0}, {0, {1, 0, 0}, 0}, {0, {1, 1, 0}, 1}, {0, {0, 1, 0}, -1}};
    Ms3dWriter::Triangle first;
    first.indices = {0, 1, 2};
    first.normals = {{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}};
    first.s = {0, 1, 1};
    first.t = {0, 0, 1};
    Ms3dWriter::Triangle second = first;
    second.indices = {0, 2, 3};
    model.triangles = {first, second};
    model.groups = {{0, "body", {0, 1}, 0}};
    Ms3dWriter::Material material;
    material.name = "skin";
    material.texture = ".\\skin.tga";
    model.materials = {material};
    model.totalFrames = 40;
    Ms3dWriter::Joint hip;
    hip.name = "hip";
    hip.rotationKeys = {{0.0f, {0, 0, 0}}, {1.0f, {0, 1.5f, 0}}};
    hip.translationKeys = {{0.0f, {0, 0, 0}}, {0.5f, {0, 0.2f, 0}}};
    Ms3dWriter::Joint knee;
    knee.name = "knee";
    knee.parentName = "HIP";
    knee.position = {0, 1, 0};
    knee.rotationKeys = {{0.25f, {0.5f, 0, 0}}};
    model.joints = {hip, knee};
    Ms3dWriter::countReferences(model);
    return model;
}

void writeModels(const std::filesystem::path& root)
{
    Ms3dWriter::Model model = riggedModel();
    forge::writeFile(root / "ms3d/rigged.ms3d", Ms3dWriter::encode(model));
    model.version = 3;
    model.joints.clear();
    forge::writeFile(root / "ms3d/static-v3.ms3d", Ms3dWriter::encode(model));
}

} // namespace

// One packet of every network message type.
void writeNetMessages(const std::filesystem::path& root)
{
    using namespace net;
    const std::vector<std::pair<const char*, Message>> messages{
        {"hello", Hello{protocolVersion, "Left Feet"}}, {"song_offer", SongOffer{{1, 2, 3}, 2, 1}},
        {"song_answer", SongAnswer{{1, 2, 3}, true, 3, 0}}, {"ready", Ready{}}, {"ping", Ping{1, 123456}},
        {"pong", Pong{1, 123456, 9000000, 9000020}}, {"start_at", StartAt{10000000}},
        {"judgement", Judgement{1, 2, 17, 0, 1500}}, {"missile_launched", MissileLaunched{3, 1, 2, 45000}},
        {"missile_outcome", MissileOutcome{3, MissileFate::Blocking, 46000, 50000}},
        {"points_state", PointsState{12000, 3, 2}}, {"song_end", SongEnd{52000, {80, 20, 5, 2, 1}, 4, 1, 0}},
        {"goodbye", Goodbye{GoodbyeReason::Leaving}}};
    for (const auto& [name, message] : messages)
        forge::writeFile(root / "net_message" / name, MessageCodec::encode({1, message}));
}

// A short two-player round with every kind of press, release and missile.
void writeReplay(const std::filesystem::path& root)
{
    library::RecordedRound round;
    round.song = "Songs/Forged/Seed";
    round.songLengthUs = 30'000'000;
    round.seed = 7;
    for (library::PlayerRound& player : round.players) {
        player.name = "Kai";
        player.chartHash = "0011223344556677";
        player.chart = "Hard";
        for (std::uint8_t press = 0; press < 20; ++press) {
            const std::int64_t at = press * std::int64_t{500'000};
            player.inputs.push_back({at, static_cast<std::uint8_t>(press % 8), false,
                                     static_cast<std::uint8_t>(press % library::RoundInput::hitCount)});
            player.inputs.push_back({at + 90'000, static_cast<std::uint8_t>(press % 8), true, 0});
        }
    }
    for (std::uint8_t kind = 0; kind < library::RoundMissile::kindCount; ++kind)
        round.missiles.push_back({1'000'000 + kind, 2, kind, static_cast<library::RoundMissile::Kind>(kind), 4000});
    forge::writeFile(root / "replay_file" / "battle.flvxr", library::ReplayFile::write(round));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds CORPUSDIR\n");
        return 2;
    }
    try {
        const std::filesystem::path root = argv[1];
        writeTexts(root);
        writeImages(root);
        writeMesh(root);
        writeModels(root);
        writeNetMessages(root);
        writeReplay(root);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fuzz-seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
