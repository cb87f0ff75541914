// The forge's textures and meshes checked by the game's own readers: what
// they accept is what the game loads.
#include "scene/BmpReader.h"
#include "scene/TgaReader.h"
#include "scene/ThreeDsReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const std::filesystem::path& path)
{
    const std::string text = testsupport::readFile(path);
    return Bytes(text.begin(), text.end());
}

std::optional<DecodedImage> decodeTga(const Bytes& file)
{
    DecodedImage image;
    std::string error;
    if (!TgaReader::decode(file, "forged.tga", image, error))
        return std::nullopt;
    return image;
}

// Alpha of pixel i (bottom row first), 255 where the image has none.
std::uint8_t alpha(const DecodedImage& image, std::size_t i)
{
    return image.components == 4 ? image.pixels[i * 4 + 3] : 255;
}

// A mesh with vertices that the game reads completely (so every face index
// names a read vertex), or nothing.
std::optional<MeshData> readThreeDs(const Bytes& file)
{
    MeshData mesh;
    const auto result = ThreeDsReader::read(file, "forged.3ds", mesh, nullptr);
    if (result.status != ThreeDsReader::Status::Complete || mesh.vertexCount == 0)
        return std::nullopt;
    return mesh;
}

// Each test forges the generators it looks at (all with none named) into its own scratch folder.
class ForgedData : public ::testing::Test {
protected:
    bool forge(const std::string& generators, const std::string& folder = ".")
    {
        const std::string command = std::string(FLAREVOX_FORGE) + " '" + path(folder).string() + "' " + generators
                                    + " >/dev/null";
        return std::system(command.c_str()) == 0;
    }
    Bytes file(const std::string& relative) const { return readBytes(path(relative)); }
    fs::path path(const std::string& relative) const { return scratch.path() / relative; }

    std::map<std::string, Bytes> filesBelow(const std::string& folder) const
    {
        std::map<std::string, Bytes> files;
        for (const auto& entry : fs::recursive_directory_iterator(path(folder)))
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), path(folder)).generic_string()] = readBytes(entry.path());
        return files;
    }

    testsupport::ScratchDir scratch;
};

float extent(const MeshData& mesh, float MeshData::Position::*axis)
{
    const auto [low, high] = std::minmax_element(mesh.vertices.begin(), mesh.vertices.begin() + mesh.vertexCount,
                                                 [axis](const auto& a, const auto& b) { return a.*axis < b.*axis; });
    return (*high).*axis - (*low).*axis;
}

} // namespace

// Two runs of every generator write the same bytes, and the game's own
// readers take every texture and mesh completely: all TGA kinds and depths,
// BMPs and meshes.
TEST_F(ForgedData, TwoRunsWriteTheSameFilesThatTheGameReads)
{
    ASSERT_TRUE(forge("", "first"));
    ASSERT_TRUE(forge("", "again"));
    const auto first = filesBelow("first");
    EXPECT_GT(first.size(), 90u);
    EXPECT_TRUE(first == filesBelow("again"));
    std::set<std::pair<int, int>> tgaKinds;
    for (const auto& [name, bytes] : first) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(bytes.empty());
        std::string type = fs::path(name).extension().string();
        std::ranges::transform(type, type.begin(), [](unsigned char c) { return std::tolower(c); });
        if (type == ".tga") {
            // Every byte is needed: cut short, the file is refused.
            ASSERT_TRUE(decodeTga(bytes) && !decodeTga(Bytes(bytes.begin(), bytes.end() - 1)));
            tgaKinds.insert({bytes[2], decodeTga(bytes)->fileBits});
        } else if (type == ".bmp") {
            // The game reads rows unpadded: only widths whose rows need no padding decode right.
            DecodedImage image;
            std::string error;
            ASSERT_TRUE(BmpReader::decode(bytes, name, image, error)) << error;
            EXPECT_EQ(image.width * 3 % 4, 0);
        } else if (type == ".3ds") {
            const auto mesh = readThreeDs(bytes);
            ASSERT_TRUE(mesh);
            EXPECT_LT(mesh->objectNameText().size(), MeshData::objectNameSize) << "the name keeps its terminator";
        }
    }
    EXPECT_EQ(tgaKinds, (std::set<std::pair<int, int>>{{2, 24}, {2, 32}, {10, 24}, {10, 32}}));
}

TEST_F(ForgedData, ExplosionFramesFadeOutCompletely)
{
    ASSERT_TRUE(forge("textures-explosion"));
    // Trail particles keep showing the last explosion frame: it must be invisible.
    const auto last = decodeTga(file("Data/Textures/ParticleSystem/Explosion3/ex0029.tga"));
    ASSERT_TRUE(last);
    for (std::size_t i = 0; i < last->pixels.size() / 4; ++i)
        ASSERT_EQ(alpha(*last, i), 0);
    const auto first = decodeTga(file("Data/Textures/ParticleSystem/Explosion3/ex0000.tga"));
    ASSERT_TRUE(first);
    EXPECT_GT(alpha(*first, static_cast<std::size_t>(first->width * first->height / 2 + first->width / 2)), 200);
}

TEST_F(ForgedData, MeshesHaveTheShapeTheGameExpects)
{
    ASSERT_TRUE(forge("mesh-arrow mesh-missile"));
    const auto arrow = readThreeDs(file("Data/Models/pfeil.3DS"));
    const auto missile = readThreeDs(file("Data/Models/missile.3ds"));
    ASSERT_TRUE(arrow && missile);
    const auto end = [](const MeshData& mesh) { return mesh.vertices.begin() + mesh.vertexCount; };
    // The arrow: about 0.9 long on x, its tip (the lowest x) on the axis, fitting a lane one unit wide.
    EXPECT_NEAR(extent(*arrow, &MeshData::Position::x), 0.9f, 0.05f);
    EXPECT_LT(extent(*arrow, &MeshData::Position::y), 1.0f);
    const auto tip = *std::min_element(arrow->vertices.begin(), end(*arrow), [](const auto& a, const auto& b) { return a.x < b.x; });
    EXPECT_NEAR(tip.y, 0.0f, 1e-4f);
    // The missile: about one unit along y, nose (the highest y) on the axis.
    EXPECT_NEAR(extent(*missile, &MeshData::Position::y), 1.0f, 0.05f);
    const auto nose = *std::max_element(missile->vertices.begin(), end(*missile), [](const auto& a, const auto& b) { return a.y < b.y; });
    EXPECT_NEAR(nose.x, 0.0f, 1e-4f);
    EXPECT_NEAR(nose.z, 0.0f, 1e-4f);
}
