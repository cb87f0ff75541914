#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"
#include "scene/Ms3dModel.h"
#include "scene/TgaReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const modelFile = "Data/Animation/male_dancer_1/dancer.ms3d";
const char* const textureFile = "Data/Animation/male_dancer_1/dancer.tga";
constexpr int lastFrame = 260;
constexpr std::array<std::pair<int, int>, 4> moves{{{0, 40}, {40, 80}, {80, 120}, {160, lastFrame}}};

std::vector<std::uint8_t> bytesOf(const fs::path& path)
{
    const std::string text = testsupport::readFile(path);
    return {text.begin(), text.end()};
}

// Forges the dancer into a scratch folder and loads it with the game's model
// reader on a clock that stands still.
class ForgedDancer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto run = testsupport::runCommand(std::string(FLAREVOX_FORGE) + " '" + scratch.path().string() + "' dancer");
        ASSERT_EQ(run.status, 0) << run.out;
        model.setTextureLookup([](const std::string&) { return 1u; });
        model.setLooping(false);
        ASSERT_TRUE(model.loadFromBuffer(bytesOf(scratch.path() / modelFile), modelFile));
    }

    std::vector<Vector4> pose(int frame)
    {
        model.setFrames(frame, lastFrame);
        model.advanceAnimation();
        std::vector<Vector4> posed;
        for (const auto& vertex : model.vertices())
            posed.push_back(model.posedPosition(vertex));
        return posed;
    }

    testsupport::ScratchDir scratch;
    platform::SimulatedClock clock;
    Ms3dModel model{std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds)};
};

// The reader has checked every index; what is left is that joints follow
// their parents, keyframes ascend within the animation, and the texture
// beside the model is a plain 24-bit TGA.
TEST_F(ForgedDancer, SkeletonKeyframesAndTextureAreConsistent)
{
    const auto& joints = model.joints();
    ASSERT_GT(joints.size(), 10u);
    for (std::size_t j = 0; j < joints.size(); ++j) {
        EXPECT_EQ(joints[j].m_parentIndex < 0, j == 0) << "one root joint, listed first";
        EXPECT_LT(joints[j].m_parentIndex, static_cast<int>(j)) << j;
        for (const auto* keys : {&joints[j].m_rotationKeyframes, &joints[j].m_translationKeyframes})
            for (std::size_t k = 0; k < keys->size(); ++k)
                EXPECT_TRUE((*keys)[k].m_timeMs * model.fps() / 1000.0f < lastFrame + 0.001f &&
                            (k == 0 ? (*keys)[k].m_timeMs >= 0.0f : (*keys)[k].m_timeMs > (*keys)[k - 1].m_timeMs))
                    << "joint " << j << " key " << k;
    }
    for (const auto& vertex : model.vertices())
        ASSERT_GE(vertex.m_bone, 0) << "every vertex follows a joint";
    ASSERT_EQ(model.materials().size(), 1u);
    EXPECT_EQ(model.materials()[0].m_textureFile, textureFile);
    const auto tga = bytesOf(scratch.path() / textureFile);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(TgaReader::decode(tga, textureFile, image, error)) << error;
    EXPECT_EQ(tga.size(), 18u + static_cast<std::size_t>(image.width) * image.height * 3) << "24 bits, uncompressed";
}

// Every move starts and ends in the stance, so any move can follow any other,
// and moves the body on the way.
TEST_F(ForgedDancer, EveryMoveDancesFromTheStance)
{
    const std::vector<Vector4> stance = pose(0);
    std::array<float, moves.size()> reach{};
    for (int frame = 0; frame <= lastFrame; ++frame) {
        const std::vector<Vector4> posed = pose(frame);
        float shift = 0.0f;
        for (std::size_t v = 0; v < posed.size(); ++v)
            shift = std::max(shift, std::hypot(posed[v].x - stance[v].x, posed[v].y - stance[v].y,
                                               posed[v].z - stance[v].z));
        for (std::size_t m = 0; m < moves.size(); ++m) {
            const bool atAnEnd = frame == moves[m].first || frame == moves[m].second;
            ASSERT_TRUE(!atAnEnd || shift < 2e-3f) << "frame " << frame << ": a move's ends hold the stance";
            if (frame >= moves[m].first && frame <= moves[m].second)
                reach[m] = std::max(reach[m], shift);
        }
    }
    for (std::size_t m = 0; m < moves.size(); ++m)
        EXPECT_GT(reach[m], 5.0f) << "move " << moves[m].first << "-" << moves[m].second;
}

} // namespace
