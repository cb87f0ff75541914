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
