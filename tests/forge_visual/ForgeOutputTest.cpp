#include "GameReaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace forgetest;

namespace {

const char* const textureGenerators =
    "texture-missile texture-particle textures-arrow textures-disco textures-explosion textures-sidebar";
const char* const meshGenerators = "mesh-arrow mesh-missile";

bool forge(const fs::path& target, const std::string& generators)
{
    const std::string command = std::string(FLAREVOX_FORGE) + " '" + target.string() + "' " + generators
                                + " >/dev/null";
    return std::system(command.c_str()) == 0;
}

std::map<std::string, Bytes> filesBelow(const fs::path& root)
{
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = readBytes(entry.path());
    return files;
}

// Each test forges only the generators it looks at, into its own scratch folder.
class ForgedData : public ::testing::Test {
protected:
    void forgeOnly(const std::string& generators) { ASSERT_TRUE(forge(scratch.path(), generators)); }
    Bytes file(const std::string& relative) const { return readBytes(scratch.path() / relative); }
    fs::path path(const std::string& relative) const { return scratch.path() / relative; }

    testsupport::ScratchDir scratch;
};

std::string frame(const std::string& prefix, int index)
{
    char name[128];
    std::snprintf(name, sizeof name, "%s%04d.tga", prefix.c_str(), index);
    return name;
}

std::vector<std::string> allTgaPaths()
{
    std::vector<std::string> paths = {"Data/Textures/spaceshiptexture2.tga", "Data/Textures/spaceshiptexture3.tga",
                                      "Data/Textures/Sidebar/Sidebar_1.tga", "Data/Textures/Sidebar/Sidebar_2.tga"};
    for (int i = 0; i < 30; ++i) {
        paths.push_back(frame("Data/Textures/ParticleSystem/disco/disco", i));
        paths.push_back(frame("Data/Textures/ParticleSystem/Explosion3/ex", i));
    }
    return paths;
}

// The read vertices of a mesh.
std::vector<MeshData::Position> vertices(const MeshData& mesh)
{
    return {mesh.vertices.begin(), mesh.vertices.begin() + mesh.vertexCount};
}

float extent(const MeshData& mesh, float MeshData::Position::*axis)
{
    const auto [low, high] = std::minmax_element(mesh.vertices.begin(), mesh.vertices.begin() + mesh.vertexCount,
                                                 [axis](const auto& a, const auto& b) { return a.*axis < b.*axis; });
    return (*high).*axis - (*low).*axis;
}

} // namespace

TEST_F(ForgedData, TwoRunsWriteByteIdenticalFiles)
{
    const std::string all = std::string(textureGenerators) + " " + meshGenerators;
    ASSERT_TRUE(forge(path("first"), all));
    ASSERT_TRUE(forge(path("again"), all));
    const auto first = filesBelow(path("first"));
    const auto again = filesBelow(path("again"));
    EXPECT_EQ(first.size(), 3u + 4 + 60 + 2);
    ASSERT_EQ(first.size(), again.size());
    for (const auto& [name, bytes] : first)
        EXPECT_TRUE(again.count(name) && again.at(name) == bytes) << name;
}

TEST_F(ForgedData, EveryTgaHasTheAcceptedHeaderAndDecodesExactly)
{
    forgeOnly(textureGenerators);
    std::set<std::pair<int, int>> kinds;
    for (const auto& path : allTgaPaths()) {
        const auto bytes = file(path);
        ASSERT_TRUE(decodesWithoutTrailingBytes(bytes)) << path;
        kinds.insert({bytes[2], decodeTga(bytes)->fileBits});
    }
    const std::set<std::pair<int, int>> all = {{2, 24}, {2, 32}, {10, 24}, {10, 32}};
    EXPECT_EQ(kinds, all);
}

TEST_F(ForgedData, AlphaTexturesFadeWhereTheGameNeedsIt)
{
    forgeOnly("textures-explosion textures-sidebar");
    // Trail particles keep showing the last explosion frame: it must be invisible.
    const auto last = decodeTga(file(frame("Data/Textures/ParticleSystem/Explosion3/ex", 29)));
    ASSERT_TRUE(last);
    for (std::size_t i = 0; i < last->pixels.size() / 4; ++i)
        ASSERT_EQ(alpha(*last, i), 0);
    const auto first = decodeTga(file(frame("Data/Textures/ParticleSystem/Explosion3/ex", 0)));
    ASSERT_TRUE(first);
    EXPECT_GT(alpha(*first, static_cast<std::size_t>(first->width * first->height / 2 + first->width / 2)), 200);

    // Sidebar corners are transparent, the middle is a visible panel.
    for (const char* path : {"Data/Textures/Sidebar/Sidebar_1.tga", "Data/Textures/Sidebar/Sidebar_2.tga"}) {
        const auto panel = decodeTga(file(path));
        ASSERT_TRUE(panel);
        EXPECT_GT(panel->height, 4 * panel->width);
        EXPECT_EQ(alpha(*panel, 0), 0);
        EXPECT_EQ(alpha(*panel, static_cast<std::size_t>(panel->width * panel->height - 1)), 0);
        EXPECT_GT(alpha(*panel, static_cast<std::size_t>(panel->height / 2 * panel->width + panel->width / 2)), 60);
    }
}

TEST_F(ForgedData, BmpsAre24BitBottomUpAndReadableWithoutPadding)
{
    forgeOnly("texture-missile texture-particle");
    for (const char* path : {"Data/Textures/missle1.bmp", "Data/Textures/ParticleSystem/part1.bmp"}) {
        const auto bytes = file(path);
        ASSERT_GE(bytes.size(), 54u) << path;
        auto i32 = [&bytes](std::size_t at) {
            return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16
                                             | static_cast<std::uint32_t>(bytes[at + 3]) << 24);
        };
        const auto width = i32(18), height = i32(22);
        EXPECT_EQ(bytes[28], 24) << path;
        EXPECT_EQ(i32(30), 0) << path;
        EXPECT_EQ(i32(10), 54) << path;
        EXPECT_GT(height, 0) << path;
        // The game reads rows unpadded: only widths whose rows need no padding decode right.
        EXPECT_EQ(width * 3 % 4, 0) << path;
        EXPECT_EQ(bytes.size(), 54u + static_cast<std::size_t>(width * 3 * height)) << path;
        EXPECT_EQ(i32(2), static_cast<std::int32_t>(bytes.size())) << path;
    }
}

TEST_F(ForgedData, MeshesHaveTheShapeTheGameExpects)
{
    forgeOnly(meshGenerators);
    const auto arrow = readThreeDs(file("Data/Models/pfeil.3DS"));
    const auto missile = readThreeDs(file("Data/Models/missile.3ds"));
    ASSERT_TRUE(arrow);
    ASSERT_TRUE(missile);
    for (const auto* mesh : {&*arrow, &*missile})
        EXPECT_LT(mesh->objectNameText().size(), MeshData::objectNameSize) << "the name keeps its terminator";
    // The arrow: about 0.9 long on x, its tip (the lowest x) on the axis.
    EXPECT_NEAR(extent(*arrow, &MeshData::Position::x), 0.9f, 0.05f);
    const auto arrowPoints = vertices(*arrow);
    const auto tip = *std::min_element(arrowPoints.begin(), arrowPoints.end(),
                                       [](const auto& a, const auto& b) { return a.x < b.x; });
    EXPECT_NEAR(tip.y, 0.0f, 1e-4f);
    EXPECT_LT(extent(*arrow, &MeshData::Position::y), 1.0f); // fits a lane one unit wide
    // The missile: about one unit along y, nose (the highest y) on the axis.
    EXPECT_NEAR(extent(*missile, &MeshData::Position::y), 1.0f, 0.05f);
    const auto missilePoints = vertices(*missile);
    const auto nose = *std::max_element(missilePoints.begin(), missilePoints.end(),
                                        [](const auto& a, const auto& b) { return a.y < b.y; });
    EXPECT_NEAR(nose.x, 0.0f, 1e-4f);
    EXPECT_NEAR(nose.z, 0.0f, 1e-4f);
}
