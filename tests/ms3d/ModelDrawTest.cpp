#include "Ms3dSample.h"

#include "core/ObjectRegistry.h"
#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"
#include "scene/MeshManager.h"
#include "scene/Ms3dModel.h"
#include "support/HiddenGlWindow.h"
#include "support/TestSupport.h"
#include "writers/BmpWriter.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace {

// One triangle drawn twice: by a textured group and by a group without
// material. Vertex 0 follows a joint held at (0.25, 0.25, 0); the others
// have no bone.
Ms3d::Model twoGroups()
{
    Ms3d::Model b;
    b.fps = 1000.0f;
    b.vertices = {{0, {0, 0, 0}, 0}, {0, {0.5f, 0, 0}}, {0, {0, 0.5f, 0}}};
    Ms3d::Triangle t;
    t.indices = {0, 1, 2};
    t.normals = {Vec3{0, 0, 1}, Vec3{0, 0, 1}, Vec3{0, 0, 1}};
    b.triangles = {t};
    b.materials = {material("skin.tga", 4.0f, {0.5f, 0.55f, 0.6f, 0.65f})};
    b.materials[0].ambient = {0.1f, 0.15f, 0.2f, 0.25f};
    b.materials[0].specular = {0.7f, 0.75f, 0.8f, 0.85f};
    b.materials[0].emissive = {0.3f, 0.35f, 0.4f, 0.45f};
    b.groups = {group({0}, 0), group({0})};
    b.joints = {joint("Root", "", {}, {}, {{0.0f, {0.25f, 0.25f, 0}}})};
    return b;
}

class ModelDrawTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        model.setTextureLookup([](const std::string&) { return 5u; });
        testing::internal::CaptureStderr();
        const bool loaded = model.loadFromBuffer(Ms3d::encode(twoGroups()), "m.ms3d");
        ASSERT_TRUE(loaded) << testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStderr();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glViewport(0, 0, 64, 64);
    }

    testsupport::HiddenGlWindow gl;
    platform::SimulatedClock clock;
    Ms3dModel model{std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds)};
};

} // namespace

// The textured group sets its material on the front faces; the group
// without material leaves it as it is.
TEST_F(ModelDrawTest, RestoresTheTextureEnableStateAndSetsMaterials)
{
    const std::pair<GLenum, std::array<GLfloat, 4>> colours[] = {{GL_AMBIENT, {0.1f, 0.15f, 0.2f, 0.25f}},
                                                                 {GL_DIFFUSE, {0.5f, 0.55f, 0.6f, 0.65f}},
                                                                 {GL_SPECULAR, {0.7f, 0.75f, 0.8f, 0.85f}},
                                                                 {GL_EMISSION, {0.3f, 0.35f, 0.4f, 0.45f}}};
    model.draw();
    for (const auto& [name, expected] : colours) {
        std::array<GLfloat, 4> value{};
        glGetMaterialfv(GL_FRONT, name, value.data());
        EXPECT_EQ(value, expected) << "material 0x" << std::hex << name;
    }
    GLfloat shininess = 0.0f;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 4.0f);

    for (const bool enabledBefore : {true, false}) {
        glBindTexture(GL_TEXTURE_2D, 0);
        if (enabledBefore)
            glEnable(GL_TEXTURE_2D);
        else
            glDisable(GL_TEXTURE_2D);
        model.draw();
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, enabledBefore);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 5);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(ModelDrawTest, DrawsSkinnedAndUnattachedVerticesWhereTheyBelong)
{
    std::vector<GLfloat> feedback(64);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    model.draw();
    const GLint values = glRenderMode(GL_RENDER);
    ASSERT_EQ(values, 2 * 11) << "two groups of one triangle each";

    // Window coordinates on a 64 x 64 viewport: x = (x + 1) x 32.
    const float expected[3][2] = {{40, 40}, {48, 32}, {32, 48}};
    for (int triangle = 0; triangle < 2; ++triangle) {
        const GLfloat* polygon = feedback.data() + triangle * 11;
        EXPECT_EQ(polygon[0], static_cast<GLfloat>(GL_POLYGON_TOKEN));
        ASSERT_EQ(polygon[1], 3.0f);
        for (int corner = 0; corner < 3; ++corner) {
            EXPECT_NEAR(polygon[2 + corner * 3], expected[corner][0], 1e-3f) << triangle << "/" << corner;
            EXPECT_NEAR(polygon[3 + corner * 3], expected[corner][1], 1e-3f) << triangle << "/" << corner;
        }
    }
}

TEST(ModelTextures, ResolveThroughTheRegisteredMeshManager)
{
    testsupport::HiddenGlWindow gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    testsupport::ScratchDir scratch;
    forge::writeFile(scratch.path() / "Anim" / "dancer" / "skin.bmp", forge::BmpWriter::encode(forge::RgbaImage(1, 1)));
    Ms3d::Model b = twoGroups();
    b.materials[0].texture = ".\\skin.bmp";
    b.materials.push_back(material(".\\missing.bmp"));
    forge::writeFile(scratch.path() / "Anim" / "dancer" / "dancer.ms3d", Ms3d::encode(b));

    auto* manager = new MeshManager();
    {
        Ms3dModel model;
        ASSERT_TRUE(model.load("Anim\\dancer\\dancer.ms3d"));
        const Texture* skin = manager->getTexture("Anim\\dancer/skin.bmp");
        ASSERT_NE(skin, nullptr);
        EXPECT_GT(skin->glName, 0u);
        EXPECT_EQ(model.materials()[0].m_glTexture, static_cast<std::int32_t>(skin->glName));
        EXPECT_EQ(model.materials()[1].m_glTexture, -1) << "a BMP that cannot be opened draws untextured";
    }
    ObjectRegistry::destroy();
}
