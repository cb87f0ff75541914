// forge-preview RUNDIR OUTDIR: turns the forged textures and meshes into PNGs
// for people to look at: every texture over a checkerboard (alpha visible), the
// frame sequences as contact sheets, the particle as the swarm draws it, and
// rendered views of both meshes, including the lane layout of the playfield.
#include "writers/PngWriter.h"
#include "preview/Rasterizer.h"
#include "preview/TextureFile.h"
#include "preview/ThreeDsFile.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace forge {
namespace {

namespace fs = std::filesystem;

RgbaImage loadTexture(const fs::path& path)
{
    auto image = TextureFile::load(path);
    if (!image)
        throw std::runtime_error("cannot read texture " + path.string());
    return *image;
}

TriMesh loadMesh(const fs::path& path)
{
    auto mesh = ThreeDsFile::load(path);
    if (!mesh)
        throw std::runtime_error("cannot read mesh " + path.string());
    return *mesh;
}

// The picture blended over a grey checkerboard (or a flat colour).
RgbaImage overBackground(const RgbaImage& image, bool checker, int scale = 1)
{
    RgbaImage out(image.width() * scale, image.height() * scale);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const auto p = image.at(x / scale, y / scale);
            const std::uint8_t back = checker ? (((x / 8 + y / 8) % 2) ? 90 : 150) : 12;
            auto blend = [&](std::uint8_t c) { return static_cast<std::uint8_t>((c * p.a + back * (255 - p.a)) / 255); };
            out.set(x, y, {blend(p.r), blend(p.g), blend(p.b), 255});
        }
    return out;
}

void paste(RgbaImage& sheet, const RgbaImage& tile, int left, int top)
{
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            sheet.set(left + x, top + y, tile.at(x, y));
}

RgbaImage contactSheet(const fs::path& prefix, bool checker)
{
    const int columns = 6, rows = 5, cell = 128;
    RgbaImage sheet(columns * cell, rows * cell);
    for (int i = 0; i < columns * rows; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%04d.tga", i);
        paste(sheet, overBackground(loadTexture(prefix.string() + suffix), checker), (i % columns) * cell,
              (i / columns) * cell);
    }
    return sheet;
}

// The swarm adds colour times (1 - texel) in its GL_BLEND texture mode; shown
// at full strength in the swarm's blue so the shape can be judged.
RgbaImage particleAsDrawn(const RgbaImage& texture)
{
    RgbaImage out(texture.width() * 4, texture.height() * 4);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const float level = 1.0f - texture.at(x / 4, y / 4).r / 255.0f;
            out.setFloat(x, y, 0.6f * level, 0.4f * level, 0.9f * level);
        }
    return out;
}

void texturePreviews(const fs::path& data, const fs::path& out)
{
    const char* singles[] = {"spaceshiptexture2.tga", "spaceshiptexture3.tga", "missle1.bmp",
                             "Sidebar/Sidebar_1.tga", "Sidebar/Sidebar_2.tga", "ParticleSystem/part1.bmp"};
    for (const char* name : singles) {
        const fs::path path = data / "Textures" / name;
        PngWriter::write(out / (path.stem().string() + ".png"), overBackground(loadTexture(path), true, 2));
    }
    PngWriter::write(out / "disco_frames.png", contactSheet(data / "Textures/ParticleSystem/disco/disco", false));
    PngWriter::write(out / "explosion_frames.png",
                     contactSheet(data / "Textures/ParticleSystem/Explosion3/ex", true));
    PngWriter::write(out / "part1_as_drawn.png", particleAsDrawn(loadTexture(data / "Textures/ParticleSystem/part1.bmp")));
}

RgbaImage renderViews(const TriMesh& mesh, const RgbaImage& texture, float distance)
{
    const int cell = 256;
    const float angles[3][2] = {{0, 0}, {35, 25}, {80, 10}};
    RgbaImage sheet(3 * cell, 2 * cell);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column) {
            Rasterizer rasterizer(cell, cell, 220.0f, {24, 24, 32, 255});
            const auto placement = Placement{}
                                       .rotated({0, 1, 0}, angles[column][0])
                                       .rotated({1, 0, 0}, angles[column][1])
                                       .moved(0, 0, -distance);
            rasterizer.draw(mesh, &texture, placement,
                            row == 0 ? Rasterizer::Mode::Textured : Rasterizer::Mode::Flat);
            paste(sheet, rasterizer.image(), column * cell, row * cell);
        }
    return sheet;
}

// One field as the game lays it out: goal markers on top, rising arrows
// below, each lane rotated about (0, 0.2, 1).
RgbaImage renderLanes(const TriMesh& arrow, const RgbaImage& rising, const RgbaImage& goal)
{
    const float laneX[4] = {-1.5f, -0.5f, 1.5f, 0.5f};
    const float laneAngle[4] = {0, -90, 180, 90};
    Rasterizer rasterizer(512, 384, 420.0f, {10, 10, 18, 255});
    for (int lane = 0; lane < 4; ++lane) {
        const auto base = Placement{}.rotated({0, 0.2f, 1}, laneAngle[lane]);
        rasterizer.draw(arrow, &goal, base.moved(laneX[lane], 1.0f, -7.0f), Rasterizer::Mode::Textured);
        rasterizer.draw(arrow, &rising, base.moved(laneX[lane], -0.4f - 0.5f * lane, -7.0f),
                        Rasterizer::Mode::Textured);
    }
    return rasterizer.image();
}

void meshPreviews(const fs::path& data, const fs::path& out)
{
    const auto arrow = loadMesh(data / "Models/pfeil.3DS");
    const auto rising = loadTexture(data / "Textures/spaceshiptexture2.tga");
    const auto goal = loadTexture(data / "Textures/spaceshiptexture3.tga");
    PngWriter::write(out / "pfeil_views.png", renderViews(arrow, rising, 1.6f));
    PngWriter::write(out / "pfeil_goal_views.png", renderViews(arrow, goal, 1.6f));
    PngWriter::write(out / "pfeil_lanes.png", renderLanes(arrow, rising, goal));
    const auto missile = loadMesh(data / "Models/missile.3ds");
    PngWriter::write(out / "missile_views.png", renderViews(missile, loadTexture(data / "Textures/missle1.bmp"), 1.7f));
}

} // namespace
} // namespace forge

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: forge-preview RUNDIR OUTDIR\n");
        return 2;
    }
    try {
        const std::filesystem::path data = std::filesystem::path(argv[1]) / "Data";
        forge::texturePreviews(data, argv[2]);
        forge::meshPreviews(data, argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "forge-preview: %s\n", error.what());
        return 1;
    }
    return 0;
}
