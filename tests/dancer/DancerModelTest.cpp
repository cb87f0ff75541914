#include "DancerFixture.h"

#include "core/OutputHandler.h"
#include "scene/MeshManager.h"
#include "support/HiddenGlWindow.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// What an MS3D file says about itself, counted section by section without
// the game's reader.
struct Ms3dCounts {
    std::size_t vertices = 0, triangles = 0, groups = 0, materials = 0, joints = 0, keyframes = 0;
    float fps = 0.0f;
    std::vector<std::string> textures;
};

class Scanner {
public:
    explicit Scanner(const std::string& bytes) : bytes(bytes) {}

    void skip(std::size_t count)
    {
        if (count > bytes.size() - at)
            throw std::out_of_range("truncated");
        at += count;
    }
    std::uint16_t u16()
    {
        skip(2);
        return static_cast<std::uint16_t>(byte(at - 2) | byte(at - 1) << 8);
    }
    float f32()
    {
        skip(4);
        float value = 0.0f;
        std::memcpy(&value, bytes.data() + at - 4, 4);
        return value;
    }
    std::string text(std::size_t field)
    {
        skip(field);
        const std::string raw = bytes.substr(at - field, field);
        return raw.substr(0, raw.find('\0'));
    }

private:
    unsigned byte(std::size_t index) const { return static_cast<unsigned char>(bytes[index]); }

    const std::string& bytes;
    std::size_t at = 0;
};

Ms3dCounts countMs3d(const std::string& bytes)
{
    Scanner in(bytes);
    Ms3dCounts counts;
    in.skip(14);
    counts.vertices = in.u16();
    in.skip(counts.vertices * 15);
    counts.triangles = in.u16();
    in.skip(counts.triangles * 70);
    counts.groups = in.u16();
    for (std::size_t g = 0; g < counts.groups; ++g) {
        in.skip(33);
        in.skip(in.u16() * 2u + 1);
    }
    counts.materials = in.u16();
    for (std::size_t m = 0; m < counts.materials; ++m) {
        in.skip(32 + 16 * 4 + 4 + 4 + 1);
        counts.textures.push_back(in.text(128));
        in.skip(128);
    }
    counts.fps = in.f32();
    in.skip(8);
    counts.joints = in.u16();
    for (std::size_t j = 0; j < counts.joints; ++j) {
        in.skip(1 + 32 + 32 + 24);
        const std::size_t keys = in.u16() + std::size_t{in.u16()};
        in.skip(keys * 16);
        counts.keyframes += keys;
    }
    return counts;
}

class DancerModel : public DancerFixture {
protected:
    // The game's projection, so the dancer lands in view.
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1.0, 1.0, 100.0);
    }

    // The values the model sends to GL while the dancer draws.
    static GLint feedbackValues(Dancer& dancer)
    {
        std::vector<GLfloat> feedback(1 << 20);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPushMatrix();
        dancer.draw();
        glPopMatrix();
        return glRenderMode(GL_RENDER);
    }

    testsupport::HiddenGlWindow gl;
};

} // namespace

TEST_F(DancerModel, AMissingModelIsReportedAndDrawsNothing)
{
    OutputHandler* log = OutputHandler::instance();
    ASSERT_TRUE(log->open());
    testing::internal::CaptureStderr();
    auto dancer = makeDancer();
    const std::string stderrText = testing::internal::GetCapturedStderr();
    log->close();

    EXPECT_FALSE(dancer->isModelLoaded());
    EXPECT_TRUE(dancer->getModel().empty());
    EXPECT_NE(stderrText.find("Couldn't open the model file."), std::string::npos) << stderrText;
    EXPECT_NE(testsupport::readFile(scratch.path() / "output.log")
                  .find("ERROR: Could not open ms3d file 'Data\\Animation\\male_dancer_1\\dancer.ms3d'. \n"),
        std::string::npos);

    // The game goes on: events are still consumed, nothing is drawn.
    dancer->addEvent(clock.now() - 1, '8');
    dancer->update();
    EXPECT_EQ(dancer->pendingEvents(), 0u);
    EXPECT_EQ(feedbackValues(*dancer), 0);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DancerModel, TheForgedDancerLoadsWithItsCountsAndTexture)
{
    linkGameData();
    new MeshManager();
    auto dancer = makeDancer();
    ASSERT_TRUE(dancer->isModelLoaded());

    const Ms3dCounts file = countMs3d(testsupport::readFile("Data/Animation/male_dancer_1/dancer.ms3d"));
    const Model& model = dancer->getModel();
    EXPECT_GT(file.vertices, 0u);
    EXPECT_EQ(model.vertices().size(), file.vertices);
    EXPECT_EQ(model.triangles().size(), file.triangles);
    EXPECT_EQ(model.groups().size(), file.groups);
    EXPECT_EQ(model.materials().size(), file.materials);
    EXPECT_EQ(model.joints().size(), file.joints);
    std::size_t keyframes = 0;
    for (const Joint& joint : model.joints())
        keyframes += joint.m_rotationKeyframes.size() + joint.m_translationKeyframes.size();
    EXPECT_EQ(keyframes, file.keyframes);
    EXPECT_EQ(model.fps(), file.fps);
    // The keyframes reach the end of the special move.
    float lastKeyMs = 0.0f;
    for (const Joint& joint : model.joints()) {
        for (const auto* keys : {&joint.m_rotationKeyframes, &joint.m_translationKeyframes}) {
            if (!keys->empty())
                lastKeyMs = std::max(lastKeyMs, keys->back().m_timeMs);
        }
    }
    EXPECT_GE(lastKeyMs, Dancer::specialMove.lastFrame * 1000.0f / model.fps() - 1.0f);

    ASSERT_EQ(file.textures, std::vector<std::string>{".\\dancer.tga"});
    const ModelMaterial& material = model.materials().front();
    EXPECT_EQ(material.m_textureFile, "Data\\Animation\\male_dancer_1/dancer.tga");
    EXPECT_GT(material.m_glTexture, 0) << "the texture loads through the mesh manager";

    EXPECT_GT(feedbackValues(*dancer), 0);
}
