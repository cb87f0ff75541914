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
#include <utility>
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

// A path is read once and keyed as written: case and separators both count.
// A "bmp" anywhere in it picks the BMP reader; a path without an extension
// reads nothing, takes no name and is looked up afresh every time. Real files
// upload with mipmaps.
TEST_F(MeshManagerTest, TexturesAreReadOnceByTheReaderThePathNames)
{
    write("pic.tga", tga(2, 1, 1, 24, {1, 2, 200}));
    write("PIC.tga", tga(2, 1, 1, 24, {200, 0, 0}));
    write("odd.bmp.tga", bmp({.width = 1, .height = 1}, {10, 20, 30, 0}));
    write("plain", tga(2, 1, 1, 24, {0, 0, 0}));
    EXPECT_EQ(manager->getTextureName("plain"), 0u);
    EXPECT_EQ(manager->getTextureName("plain"), 0u);
    EXPECT_EQ(manager->getTextures().size(), 2u);
    Texture* lower = manager->getTexture("pic.tga");
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(manager->getTexture("pic.tga"), lower);
    EXPECT_EQ(count(log(), "...Loading Texture 'pic.tga'."), 1u);

    const std::string real = std::string(FLAREVOX_TEST_DATA) + "/realfiles/";
    const std::pair<std::string, std::array<GLubyte, 4>> textures[] = {{"pic.tga", {200, 2, 1, 255}},
        {"PIC.tga", {0, 0, 200, 255}}, {"odd.bmp.tga", {30, 20, 10, 255}}, {real + "white.bmp", {255, 255, 255, 255}}};
    for (std::uint32_t name = 1; const auto& [path, rgba] : textures) {
        EXPECT_EQ(manager->getTextureName(path.c_str()), name) << path;
        std::array<GLubyte, 4> texel{};
        glBindTexture(GL_TEXTURE_2D, name++);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
        EXPECT_EQ(texel, rgba) << path;
    }
    glBindTexture(GL_TEXTURE_2D, manager->getTextureName((real + "top.tga").c_str()));
    GLint halfWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &halfWidth);
    EXPECT_EQ(halfWidth, 128) << "the 256 x 256 image has its first mipmap";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A missing BMP is tried afresh every time, taking a name before each try;
// every other failure is cached with name 0 and reported once.
TEST_F(MeshManagerTest, FailedTexturesAreCachedWithNameZeroExceptMissingBmps)
{
    write("deep.tga", tga(2, 1, 1, 16, {0, 0}));
    write("flat.bmp", bmp({.width = 0, .height = 1}));
    EXPECT_EQ(manager->getTexture("none.bmp"), nullptr);
    EXPECT_EQ(manager->getTextureName("none.bmp"), 0xFFFFFFFFu);
    for (int attempt = 0; attempt < 2; ++attempt)
        for (const char* refused : {"missing.tga", "deep.tga", "flat.bmp"})
            EXPECT_EQ(manager->getTextureName(refused), 0u) << refused;
    EXPECT_EQ(count(log(), "...Loading Texture 'none.bmp'."), 2u);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Could not open texture file 'missing.tga'.",
                         "Invalid texture information of the file 'deep.tga'", "Invalid size of the bitmap 'flat.bmp'."}));
    // No TGA took a name; each BMP attempt took one.
    EXPECT_EQ(Texture::textureCounter, 3u);
}

TEST_F(MeshManagerTest, MeshesAreCachedOnlyWhenLoaded)
{
    write("Models/arrow.3DS", square());
    Mesh* mesh = manager->getMesh("Models/arrow.3DS");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(manager->getMesh("Models/arrow.3DS"), mesh);
    EXPECT_EQ(mesh->getName(), "Models/arrow.3DS");
    EXPECT_EQ(count(log(), "...Loading Model 'Models/arrow.3DS'."), 1u);
    EXPECT_NE(manager->getMesh("Models\\arrow.3DS"), mesh) << "another path, another mesh";

    EXPECT_EQ(manager->getMesh("gone.3ds"), nullptr);
    EXPECT_EQ(manager->getMesh("gone.3ds"), nullptr);
    EXPECT_EQ(count(log(), "ERROR: Could not open the model file 'gone.3ds'."), 2u);

    write("bad.3ds", model("Bad", cat(vertexList({{0, 0, 0}}), faceList({{0, 0, 1}}))));
    EXPECT_EQ(manager->getMesh("bad.3ds"), nullptr);
    EXPECT_EQ(manager->getMeshes().size(), 2u);
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
    // The fresh context's defaults: identity matrices, a 64 x 64 viewport,
    // white colour, no lighting and no depth test.
    glEnable(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT);
    mesh->draw();
    glFinish();
    const std::pair<std::array<int, 2>, std::array<int, 3>> expected[] = {
        {{16, 16}, {255, 0, 0}}, {{48, 16}, {0, 255, 0}}, {{16, 48}, {0, 0, 255}}, {{48, 48}, {255, 255, 255}}};
    for (const auto& [at, rgb] : expected) {
        std::array<GLubyte, 4> got{};
        glReadPixels(at[0], at[1], 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[c], rgb[c], 12) << at[0] << "," << at[1];
    }
}

} // namespace
