#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"
#include "scene/Ms3dModel.h"
#include "scene/TgaReader.h"
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
constexpr int lastFrame = 260;

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

// Forges the dancer once into a scratch folder shared by the tests and loads
// it with the game's model reader on a clock that stands still.
class ForgedDancer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = new fs::path(fs::temp_directory_path() / ("flarevox-dancer-" + std::to_string(::getpid())));
        forge(*root);
        clock = new platform::SimulatedClock;
        model = new Ms3dModel(std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds));
        model->setTextureLookup([](const std::string&) { return 1u; });
        model->setLooping(false);
        testing::internal::CaptureStderr();
        loaded = model->loadFromBuffer(bytesOf(*root / modelRelative), modelRelative);
        loadErrors = new std::string(testing::internal::GetCapturedStderr());
    }
    static void TearDownTestSuite()
    {
        fs::remove_all(*root);
        delete root;
        delete model;
        delete clock;
        delete loadErrors;
    }
    static void forge(const fs::path& into)
    {
        const std::string command = std::string(FLAREVOX_FORGE) + " '" + into.string() + "' dancer >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void SetUp() override { ASSERT_TRUE(loaded) << *loadErrors; }

    // Every vertex in model space at an animation frame.
    static std::vector<Vector4> pose(int frame)
    {
        model->setFrames(frame, lastFrame);
        model->advanceAnimation();
        std::vector<Vector4> posed;
        for (const auto& vertex : model->vertices())
            posed.push_back(model->posedPosition(vertex));
        return posed;
    }

    static inline fs::path* root = nullptr;
    static inline platform::SimulatedClock* clock = nullptr;
    static inline Ms3dModel* model = nullptr;
    static inline bool loaded = false;
    static inline std::string* loadErrors = nullptr;
};

TEST_F(ForgedDancer, TwoRunsWriteTheSameBytes)
{
    const fs::path second = *root / "again";
    forge(second);
    EXPECT_EQ(bytesOf(*root / modelRelative), bytesOf(second / modelRelative));
    EXPECT_EQ(bytesOf(*root / textureRelative), bytesOf(second / textureRelative));
}

// The game's reader has checked every index; what is left is the shape of the skeleton.
TEST_F(ForgedDancer, GeometryAndSkeletonAreConsistent)
{
    EXPECT_FLOAT_EQ(model->fps(), 24.0f);
    const auto& joints = model->joints();
    ASSERT_GT(joints.size(), 10u);
    ASSERT_GT(model->triangles().size(), 500u);
    for (std::size_t j = 0; j < joints.size(); ++j) {
        EXPECT_LT(joints[j].m_parentIndex, static_cast<int>(j)) << j;
        EXPECT_EQ(joints[j].m_parentIndex < 0, j == 0) << "one root joint, listed first";
    }
    for (const auto& vertex : model->vertices())
        ASSERT_GE(vertex.m_bone, 0) << "every vertex follows a joint";
    ASSERT_EQ(model->groups().size(), 1u);
    EXPECT_EQ(model->groups()[0].m_triangleList.size(), model->triangles().size());
    EXPECT_EQ(model->groups()[0].m_material, 0);
}

TEST_F(ForgedDancer, MaterialNamesTheTextureBesideTheModel)
{
    ASSERT_EQ(model->materials().size(), 1u);
    EXPECT_EQ(model->materials()[0].m_textureFile, textureRelative);
    const auto tga = bytesOf(*root / textureRelative);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(TgaReader::decode(tga, textureRelative, image, error)) << error;
    EXPECT_EQ(tga[2], 2) << "uncompressed";
    EXPECT_EQ(image.fileBits, 24);
    EXPECT_EQ(tga.size(), 18u + static_cast<std::size_t>(image.width) * image.height * 3);
}

TEST_F(ForgedDancer, KeyframesLieInTheMovesAndAscend)
{
    for (const auto& joint : model->joints())
        for (const auto* keys : {&joint.m_rotationKeyframes, &joint.m_translationKeyframes})
            for (std::size_t k = 0; k < keys->size(); ++k) {
                const float frame = (*keys)[k].m_timeMs * model->fps() / 1000.0f;
                const int j = (*keys)[k].m_joint;
                EXPECT_GE(frame, -0.001f);
                EXPECT_LE(frame, lastFrame + 0.001f);
                EXPECT_FALSE(frame > 120.001f && frame < 159.999f) << "joint " << j << " keyed between the moves";
                if (k > 0) {
                    EXPECT_GT((*keys)[k].m_timeMs, (*keys)[k - 1].m_timeMs) << "joint " << j;
                }
            }
}

// Every move starts and ends in the same stance, so any move can follow any other.
TEST_F(ForgedDancer, EveryMoveBoundaryHoldsTheStance)
{
    const auto stance = pose(0);
    for (int frame : {40, 80, 120, 160, lastFrame}) {
        const auto posed = pose(frame);
        for (std::size_t v = 0; v < posed.size(); ++v) {
            ASSERT_NEAR(posed[v].x, stance[v].x, 1e-3f) << "frame " << frame << " vertex " << v;
            ASSERT_NEAR(posed[v].y, stance[v].y, 1e-3f) << "frame " << frame << " vertex " << v;
            ASSERT_NEAR(posed[v].z, stance[v].z, 1e-3f) << "frame " << frame << " vertex " << v;
        }
    }
}

TEST_F(ForgedDancer, EveryMoveMovesTheBody)
{
    const auto stance = pose(0);
    for (auto [first, last] : {std::pair{0, 40}, {40, 80}, {80, 120}, {160, lastFrame}}) {
        float largest = 0.0f;
        for (int frame = first; frame <= last; ++frame) {
            const auto posed = pose(frame);
            for (std::size_t v = 0; v < posed.size(); ++v)
                largest = std::max(largest, std::hypot(posed[v].x - stance[v].x, posed[v].y - stance[v].y,
                                                       posed[v].z - stance[v].z));
        }
        EXPECT_GT(largest, 5.0f) << "move " << first << "-" << last;
    }
}

// The dancer is drawn from the centred node (z -9), moved by (0, -13, -60)
// and turned 30 degrees about x; the camera is 45 degrees at 4:3.
std::array<float, 3> onScreen(const Vector4& p)
{
    const float c = std::cos(30.0f * 3.14159265f / 180.0f), s = std::sin(30.0f * 3.14159265f / 180.0f);
    const float x = p.x, y = -13.0f + p.y * c - p.z * s, z = -69.0f + p.y * s + p.z * c;
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    return {x * f / (4.0f / 3.0f) / -z, y * f / -z, -z};
}

TEST_F(ForgedDancer, StaysWhollyVisibleAndCentredInEveryFrame)
{
    for (int frame = 0; frame <= lastFrame; ++frame) {
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (const auto& p : pose(frame)) {
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
    EXPECT_EQ(countIn(report, "Faces"), static_cast<int>(model->triangles().size())) << report;
    EXPECT_EQ(countIn(report, "Bones"), static_cast<int>(model->joints().size())) << report;
    EXPECT_EQ(countIn(report, "Animation Channels"), static_cast<int>(model->joints().size())) << report;
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
    Ms3dModel read;
    ASSERT_TRUE(read.loadFromBuffer(bytes, "m.ms3d"));
    EXPECT_EQ(read.groups()[0].m_material, -1);
}

TEST(Ms3dWriter, RefusesCountsBeyondSixteenBits)
{
    forge::Ms3dWriter::Model m;
    m.vertices.resize(65536);
    EXPECT_THROW(forge::Ms3dWriter::encode(m), std::length_error);
}

} // namespace
