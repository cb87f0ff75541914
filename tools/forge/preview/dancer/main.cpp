// forge-dancer-preview MODEL OUTDIR: renders the dancer in each of his moves
// as seen in the game and writes one PNG strip per move (and a close-up of
// the stance). Prints each move's screen extent in normalised device units.
#include "PosedModel.h"
#include "Rasterizer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Move {
    const char* name;
    int first, last, samples;
};

const Move moves[] = {{"up", 0, 40, 6}, {"left", 40, 80, 6}, {"down_right", 80, 120, 6}, {"special", 160, 260, 11}};

bool writePng(const std::filesystem::path& png, const std::vector<unsigned char>& rgb, int width, int height)
{
    const auto ppm = std::filesystem::path(png).replace_extension(".ppm");
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width << ' ' << height << "\n255\n";
        out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    }
    const std::string command = "convert '" + ppm.string() + "' '" + png.string() + "'";
    const bool converted = std::system(command.c_str()) == 0;
    std::filesystem::remove(ppm);
    return converted;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: forge-dancer-preview MODEL OUTDIR\n");
        return 2;
    }
    const std::filesystem::path modelPath = argv[1];
    const std::filesystem::path outDir = argv[2];
    preview::PosedModel model;
    if (const std::string error = model.load(modelPath.string()); !error.empty()) {
        std::fprintf(stderr, "forge-dancer-preview: %s\n", error.c_str());
        return 1;
    }
    std::string texture = model.texture;
    if (texture.rfind(".\\", 0) == 0)
        texture = (modelPath.parent_path() / texture.substr(2)).string();
    std::filesystem::create_directories(outDir);

    // Each tile is the middle of a 1024 by 768 frame, where the dancer stands.
    preview::Rasterizer screen(1024, 768);
    const int tileX = 232, tileY = 0, tileWidth = 560, tileHeight = 768;
    if (!screen.loadTexture(texture))
        std::fprintf(stderr, "forge-dancer-preview: texture %s not readable, drawing untextured\n", texture.c_str());
    const float msPerFrame = 1000.0f / model.fps;
    for (const auto& move : moves) {
        std::vector<unsigned char> strip(static_cast<std::size_t>(tileWidth) * move.samples * tileHeight * 3);
        preview::Rasterizer::Extent all;
        for (int i = 0; i < move.samples; ++i) {
            const float frame = move.first + (move.last - move.first) * static_cast<float>(i) / (move.samples - 1);
            screen.clear();
            const auto e = screen.draw(model, frame * msPerFrame);
            all = {std::min(all.minX, e.minX), std::max(all.maxX, e.maxX), std::min(all.minY, e.minY),
                   std::max(all.maxY, e.maxY)};
            screen.blitInto(strip, tileWidth * move.samples, tileWidth * i, 0, tileX, tileY, tileWidth, tileHeight);
        }
        std::printf("%-10s x %.2f..%.2f  y %.2f..%.2f\n", move.name, all.minX, all.maxX, all.minY, all.maxY);
        if (!writePng(outDir / (std::string(move.name) + ".png"), strip, tileWidth * move.samples, tileHeight))
            return 1;
    }
    screen.clear();
    screen.draw(model, 0.0f);
    std::vector<unsigned char> image(static_cast<std::size_t>(screen.width) * screen.height * 3);
    screen.blitInto(image, screen.width, 0, 0, 0, 0, screen.width, screen.height);
    return writePng(outDir / "stance.png", image, screen.width, screen.height) ? 0 : 1;
}
