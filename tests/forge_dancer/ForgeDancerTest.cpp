#include "Ms3dTestModel.h"
#include "support/TestSupport.h"
#include "writers/Ms3dWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const char* const modelRelative = "Data/Animation/male_dancer_1/dancer.ms3d";
const char* const textureRelative = "Data/Animation/male_dancer_1/dancer.tga";

std::vector<std::uint8_t> bytesOf(const fs::path& path)
{
    const std::string text = testsupport::readFile(path);
    return {text.begin(), text.end()};
}

std::string run(const std::string& command)
{
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, n);
    return output;
}

// Forges the dancer once into a scratch folder shared by the tests.
class ForgedDancer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = new fs::path(fs::temp_directory_path() / ("flarevox-dancer-" + std::to_string(::getpid())));
        forge(*root);
        model = new Ms3dTestModel;
        parseError = new std::string(model->parse(bytesOf(*root / modelRelative)));
    }
    static void TearDownTestSuite()
    {
        fs::remove_all(*root);
        delete root;
        delete model;
        delete parseError;
    }
    static void forge(const fs::path& into)
    {
        const std::string command = std::string(FLAREVOX_FORGE) + " '" + into.string() + "' dancer >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void SetUp() override { ASSERT_EQ(*parseError, ""); }

    static float frameMs(int frame) { return static_cast<float>(frame) * 1000.0f / model->fps; }

    static inline fs::path* root = nullptr;
    static inline Ms3dTestModel* model = nullptr;
    static inline std::string* parseError = nullptr;
};

TEST_F(ForgedDancer, TwoRunsWriteTheSameBytes)
{
    const fs::path second = *root / "again";
    forge(second);
    EXPECT_EQ(bytesOf(*root / modelRelative), bytesOf(second / modelRelative));
    EXPECT_EQ(bytesOf(*root / textureRelative), bytesOf(second / textureRelative));
}

TEST_F(ForgedDancer, GeometryAndSkeletonAreConsistent)
{
    EXPECT_EQ(model->version, 4);
    EXPECT_FLOAT_EQ(model->fps, 24.0f);
    ASSERT_GT(model->joints.size(), 10u);
    ASSERT_GT(model->triangles.size(), 500u);
    for (std::size_t j = 0; j < model->joints.size(); ++j) {
        EXPECT_LT(model->joints[j].parent, static_cast<int>(j)) << model->joints[j].name;
        EXPECT_EQ(model->joints[j].parent < 0, j == 0) << "one root joint, listed first";
    }
    for (int bone : model->bones) {
        ASSERT_GE(bone, 0) << "every vertex follows a joint";
        ASSERT_LT(bone, static_cast<int>(model->joints.size()));
    }
    for (const auto& tri : model->triangles)
        for (auto index : tri)
            ASSERT_LT(index, model->vertices.size());
    ASSERT_EQ(model->groupTriangles.size(), 1u);
    EXPECT_EQ(model->groupTriangles[0].size(), model->triangles.size());
    EXPECT_EQ(model->groupMaterials[0], 0);
}

TEST_F(ForgedDancer, MaterialNamesTheTextureBesideTheModel)
{
    ASSERT_EQ(model->textures.size(), 1u);
    EXPECT_EQ(model->textures[0], ".\\dancer.tga");
    const auto tga = bytesOf(*root / textureRelative);
    ASSERT_GE(tga.size(), 18u);
    const std::vector<std::uint8_t> acceptedHeader{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(tga.begin(), tga.begin() + 12), acceptedHeader);
    const int width = tga[12] | tga[13] << 8, height = tga[14] | tga[15] << 8;
    EXPECT_EQ(tga[16], 24);
    EXPECT_EQ(tga.size(), 18u + static_cast<std::size_t>(width) * height * 3);
}

TEST_F(ForgedDancer, KeyframesLieInTheMovesAndAscend)
{
    for (const auto& joint : model->joints)
        for (const auto* keys : {&joint.rotations, &joint.translations}) {
            for (std::size_t k = 0; k < keys->size(); ++k) {
                const float frame = (*keys)[k].seconds * model->fps;
                EXPECT_GE(frame, -0.001f);
                EXPECT_LE(frame, 260.001f);
                EXPECT_FALSE(frame > 120.001f && frame < 159.999f) << joint.name << " keyed between the moves";
                if (k > 0) {
                    EXPECT_GT((*keys)[k].seconds, (*keys)[k - 1].seconds) << joint.name;
                }
            }
        }
}

// Every move starts and ends in the same stance, so any move can follow any other.
TEST_F(ForgedDancer, EveryMoveBoundaryHoldsTheStance)
{
    const auto stance = model->pose(frameMs(0));
    for (int frame : {40, 80, 120, 160, 260}) {
        const auto posed = model->pose(frameMs(frame));
        for (std::size_t v = 0; v < posed.size(); ++v)
            for (int i = 0; i < 3; ++i)
                ASSERT_NEAR(posed[v][i], stance[v][i], 1e-3f) << "frame " << frame << " vertex " << v;
    }
}

TEST_F(ForgedDancer, EveryMoveMovesTheBody)
{
    const auto stance = model->pose(frameMs(0));
    for (auto [first, last] : {std::pair{0, 40}, {40, 80}, {80, 120}, {160, 260}}) {
        float largest = 0.0f;
        for (int frame = first; frame <= last; ++frame) {
            const auto posed = model->pose(frameMs(frame));
            for (std::size_t v = 0; v < posed.size(); ++v)
                largest = std::max(largest, std::hypot(posed[v][0] - stance[v][0], posed[v][1] - stance[v][1],
                                                       posed[v][2] - stance[v][2]));
        }
        EXPECT_GT(largest, 5.0f) << "move " << first << "-" << last;
    }
}

// The dancer is drawn from the centred node (z -9), moved by (0, -13, -60)
// and turned 30 degrees about x; the camera is 45 degrees at 4:3.
std::array<float, 3> onScreen(const Ms3dTestModel::Vec3& p)
{
    const float c = std::cos(30.0f * 3.14159265f / 180.0f), s = std::sin(30.0f * 3.14159265f / 180.0f);
    const float x = p[0], y = -13.0f + p[1] * c - p[2] * s, z = -69.0f + p[1] * s + p[2] * c;
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    return {x * f / (4.0f / 3.0f) / -z, y * f / -z, -z};
}

TEST_F(ForgedDancer, StaysWhollyVisibleAndCentredInEveryFrame)
{
    for (int frame = 0; frame <= 260; ++frame) {
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (const auto& p : model->pose(frameMs(frame))) {
            const auto ndc = onScreen(p);
            ASSERT_GT(ndc[2], 1.0f);
            ASSERT_LT(ndc[2], 100.0f);
            minX = std::min(minX, ndc[0]);
            maxX = std::max(maxX, ndc[0]);
            minY = std::min(minY, ndc[1]);
            maxY = std::max(maxY, ndc[1]);
        }
        ASSERT_GT(minX, -0.95f) << "frame " << frame;
        ASSERT_LT(maxX, 0.95f) << "frame " << frame;
        ASSERT_GT(minY, -0.95f) << "frame " << frame;
        ASSERT_LT(maxY, 0.95f) << "frame " << frame;
        if (frame == 0) {
            EXPECT_NEAR((minX + maxX) / 2.0f, 0.0f, 0.05f);
            EXPECT_NEAR((minY + maxY) / 2.0f, 0.0f, 0.25f);
            EXPECT_GT(maxY - minY, 0.6f) << "large enough to read as a dancer";
        }
    }
}

int countIn(const std::string& report, const std::string& label)
{
    std::smatch match;
    const std::regex pattern(label + R"(:\s+(\d+))");
    return std::regex_search(report, match, pattern) ? std::stoi(match[1]) : -1;
}

TEST_F(ForgedDancer, AssimpReadsTheCountsWritten)
{
    if (run("command -v assimp").empty())
        GTEST_SKIP() << "assimp-utils is not installed";
    const std::string report = run("assimp info '" + (*root / modelRelative).string() + "' 2>&1");
    EXPECT_EQ(countIn(report, "Faces"), static_cast<int>(model->triangles.size())) << report;
    EXPECT_EQ(countIn(report, "Bones"), static_cast<int>(model->joints.size())) << report;
    EXPECT_EQ(countIn(report, "Animation Channels"), static_cast<int>(model->joints.size())) << report;
    EXPECT_EQ(countIn(report, "Materials"), 1) << report;
    EXPECT_EQ(countIn(report, "Meshes"), 1) << report;
}

// The writer's record sizes: vertices 15 bytes, triangles 70, materials 361,
// joints 93 plus 16 per keyframe.
TEST(Ms3dWriter, LaysOutRecordsAtTheirFileSizes)
{
    forge::Ms3dWriter::Model m;
    m.vertices.resize(2);
    m.vertices[1].bone = -1;
    m.triangles.resize(1);
    m.groups.push_back({0, "g", {0}, -1});
    m.materials.resize(1);
    forge::Ms3dWriter::Joint joint;
    joint.name = "root";
    joint.rotationKeys.resize(2);
    joint.translationKeys.resize(1);
    m.joints.push_back(joint);
    const auto bytes = forge::Ms3dWriter::encode(m);
    const std::size_t groups = 2 + 1 + 32 + 2 + 2 + 1;
    EXPECT_EQ(bytes.size(), 14u + (2 + 2 * 15) + (2 + 70) + groups + (2 + 361) + 14 + 93 + 3 * 16);
    EXPECT_EQ(bytes[14 + 2 + 13], 0xFF) << "bone -1 is written as 255";
    Ms3dTestModel read;
    EXPECT_EQ(read.parse(bytes), "");
    EXPECT_EQ(read.groupMaterials[0], -1);
}

TEST(Ms3dWriter, RefusesCountsBeyondSixteenBits)
{
    forge::Ms3dWriter::Model m;
    m.vertices.resize(65536);
    EXPECT_THROW(forge::Ms3dWriter::encode(m), std::length_error);
}

TEST(Ms3dTestReader, RefusesTruncatedFilesAndUnknownParents)
{
    forge::Ms3dWriter::Model m;
    forge::Ms3dWriter::Joint orphan;
    orphan.name = "child";
    orphan.parentName = "nobody";
    m.joints.push_back(orphan);
    auto bytes = forge::Ms3dWriter::encode(m);
    EXPECT_NE(Ms3dTestModel().parse(bytes), "");
    m.joints[0].parentName.clear();
    bytes = forge::Ms3dWriter::encode(m);
    bytes.resize(bytes.size() - 1);
    EXPECT_EQ(Ms3dTestModel().parse(bytes), "truncated");
}

} // namespace
