#include "AssetFiles.h"

#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/Dialog.h"
#include "scene/MeshManager.h"
#include "support/HiddenGlWindow.h"
#include "support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace assetfiles;

namespace {

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

Bytes rgbTga(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    return tga(2, 1, 1, 24, {blue, green, red});
}

std::array<GLubyte, 4> texel(std::uint32_t name)
{
    std::array<GLubyte, 4> rgba{};
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

class MeshManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        Texture::textureCounter = 0;
        OutputHandler::instance()->open("output.log");
        platform::Dialog::setCapture([this](const std::string&, const std::string& text) { boxes.push_back(text); });
        manager = new MeshManager();
    }

    void TearDown() override
    {
        ObjectRegistry::destroy();
        platform::Dialog::clearCapture();
    }

    void write(const std::string& path, const Bytes& bytes) const { forge::writeFile(scratch.path() / path, bytes); }
    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }

    testsupport::ScratchDir scratch;
    testsupport::HiddenGlWindow gl;
    MeshManager* manager = nullptr;
    std::vector<std::string> boxes;
};

TEST_F(MeshManagerTest, SamePathGivesSameRecordAndReadsOnce)
{
    write("a.tga", rgbTga(1, 2, 3));
    Texture* first = manager->getTexture("a.tga");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->glName, 1u);
    EXPECT_EQ(manager->getTexture("a.tga"), first);
    EXPECT_EQ(manager->getTextureName("a.tga"), 1u);
    EXPECT_EQ(count(log(), "...Loading Texture 'a.tga'."), 1u);
    EXPECT_EQ(texel(1), (std::array<GLubyte, 4>{3, 2, 1, 255}));
}

// Paths are keys as written: case and separators both count.
TEST_F(MeshManagerTest, PathsAreKeyedExactly)
{
    write("pic.tga", rgbTga(0, 0, 200));
    write("PIC.tga", rgbTga(200, 0, 0));
    Texture* lower = manager->getTexture("pic.tga");
    Texture* upper = manager->getTexture("PIC.tga");
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(texel(lower->glName)[0], 200);
    EXPECT_EQ(texel(upper->glName)[2], 200);

    write("Data/Models/m.3ds", square());
    Mesh* back = manager->getMesh("Data\\Models\\m.3ds");
    Mesh* forward = manager->getMesh("Data/Models/m.3ds");
    ASSERT_NE(back, nullptr);
    ASSERT_NE(forward, nullptr);
    EXPECT_NE(back, forward);
}

TEST_F(MeshManagerTest, MissingBmpIsRetriedAndUsesUpNames)
{
    EXPECT_EQ(manager->getTexture("none.bmp"), nullptr);
    EXPECT_EQ(manager->getTextureName("none.bmp"), 0xFFFFFFFFu);
    EXPECT_TRUE(manager->getTextures().empty());
    EXPECT_EQ(count(log(), "...Loading Texture 'none.bmp'."), 2u);
    EXPECT_TRUE(boxes.empty());
    // Each attempt took a name before trying to open the file.
    write("later.tga", rgbTga(0, 0, 0));
    EXPECT_EQ(manager->getTextureName("later.tga"), 3u);
}

TEST_F(MeshManagerTest, FailedTextureIsCachedWithNameZero)
{
    write("deep.tga", tga(2, 1, 1, 16, {0, 0}));
    write("flat.bmp", bmp({.width = 0, .height = 1}));
    Texture* missing = manager->getTexture("missing.tga");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->glName, 0u);
    EXPECT_EQ(manager->getTexture("missing.tga"), missing);
    for (const char* refused : {"deep.tga", "flat.bmp"}) {
        EXPECT_EQ(manager->getTextureName(refused), 0u);
        EXPECT_EQ(manager->getTextureName(refused), 0u);
    }
    EXPECT_EQ(boxes, (std::vector<std::string>{"Could not open texture file 'missing.tga'.",
                         "Invalid texture information of the file 'deep.tga'", "Invalid size of the bitmap 'flat.bmp'."}));
    EXPECT_EQ(count(log(), "ERROR: Invalid texture information of the file 'deep.tga'"), 1u);
    // No TGA took a name; the BMP took one before it was read.
    EXPECT_EQ(Texture::textureCounter, 1u);
}

TEST_F(MeshManagerTest, PathWithoutExtensionIsNeverFoundAgain)
{
    write("plain", rgbTga(0, 0, 0));
    EXPECT_EQ(manager->getTextureName("plain"), 0u);
    EXPECT_EQ(manager->getTextureName("plain"), 0u);
    EXPECT_EQ(manager->getTextures().size(), 2u);
    EXPECT_EQ(Texture::textureCounter, 0u);
}

TEST_F(MeshManagerTest, BmpMarkerAnywhereInPathWins)
{
    write("odd.bmp.tga", bmp({.width = 1, .height = 1}, {10, 20, 30, 0}));
    EXPECT_EQ(manager->getTextureName("odd.bmp.tga"), 1u);
    EXPECT_EQ(texel(1), (std::array<GLubyte, 4>{30, 20, 10, 255}));
}

TEST_F(MeshManagerTest, RealTexturesUploadWithMipmaps)
{
    const std::string dir = std::string(FLAREVOX_TEST_DATA) + "/realfiles/";
    const std::uint32_t top = manager->getTextureName((dir + "top.tga").c_str());
    ASSERT_EQ(top, 1u);
    glBindTexture(GL_TEXTURE_2D, top);
    GLint width = 0, mipWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &mipWidth);
    EXPECT_EQ(width, 256);
    EXPECT_EQ(mipWidth, 128);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);

    const std::uint32_t white = manager->getTextureName((dir + "white.bmp").c_str());
    EXPECT_EQ(white, 2u);
    EXPECT_EQ(texel(white), (std::array<GLubyte, 4>{255, 255, 255, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshManagerTest, MeshesAreCachedOnlyWhenLoaded)
{
    write("arrow.3DS", square());
    Mesh* mesh = manager->getMesh("arrow.3DS");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(manager->getMesh("arrow.3DS"), mesh);
    EXPECT_EQ(mesh->getName(), "arrow.3DS");
    EXPECT_EQ(count(log(), "...Loading Model 'arrow.3DS'."), 1u);

    EXPECT_EQ(manager->getMesh("gone.3ds"), nullptr);
    EXPECT_EQ(manager->getMesh("gone.3ds"), nullptr);
    EXPECT_EQ(count(log(), "...Loading Model 'gone.3ds'."), 2u);
    EXPECT_EQ(count(log(), "ERROR: Could not open the model file 'gone.3ds'."), 2u);

    write("bad.3ds", model("Bad", cat(vertexList({{0, 0, 0}}), faceList({{0, 0, 1}}))));
    EXPECT_EQ(manager->getMesh("bad.3ds"), nullptr);
    EXPECT_EQ(manager->getMeshes().size(), 1u);
    EXPECT_EQ(boxes.back(), "Face index out of range in the model file 'bad.3ds'.");
}

// The square fills the viewport; its texture's first file row must show at
// the bottom, unflipped.
TEST_F(MeshManagerTest, MeshDrawsTexturedTrianglesUnflipped)
{
    // 2x2, bottom row red, green; top row blue, white (stored blue, green, red).
    write("quad.tga", tga(2, 2, 2, 24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));
    write("square.3ds", square());
    Mesh* mesh = manager->getMesh("square.3ds");
    ASSERT_NE(mesh, nullptr);
    mesh->setTexture(manager->getTextureName("quad.tga"));
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    mesh->draw();
    glFinish();
    auto pixel = [](int x, int y) {
        std::array<GLubyte, 4> rgba{};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    };
    auto near = [](std::array<GLubyte, 4> got, int r, int g, int b) {
        return std::abs(got[0] - r) < 12 && std::abs(got[1] - g) < 12 && std::abs(got[2] - b) < 12;
    };
    EXPECT_TRUE(near(pixel(16, 16), 255, 0, 0));
    EXPECT_TRUE(near(pixel(48, 16), 0, 255, 0));
    EXPECT_TRUE(near(pixel(16, 48), 0, 0, 255));
    EXPECT_TRUE(near(pixel(48, 48), 255, 255, 255));
}

} // namespace
