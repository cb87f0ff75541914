#include "TextPixels.h"

#include "core/ObjectRegistry.h"
#include "fx/GlyphAtlas.h"
#include "fx/Text.h"
#include "scene/ObjectGraph.h"
#include "support/HiddenGlWindow.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int width = 800;
constexpr int height = 96;
constexpr int pixelHeight = 20;
constexpr const char* cjkFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// Titles of every script the song packs use, beside ASCII.
const std::string titles = "Colorful\u00d7Colorful \u591c\u660e\u3051 \ubcc4\ube5b \u9713\u8679 "
                           "\u041f\u043e\u043b\u043d\u043e\u0447\u043d\u044b\u0439 Caf\u00e9 \u00c9t\u00e9";

// The glyphs as FreeType itself renders them, drawn with glBitmap: Latin,
// Cyrillic and accents from the face "Arial" gives, Chinese, Japanese and
// Korean from the CJK font, emboldened there since it has no bold.
class FreeTypeReference {
public:
    explicit FreeTypeReference(const std::string& latinFile)
    {
        FT_Init_FreeType(&library);
        loaded = FT_New_Face(library, latinFile.c_str(), 0, &latin) == 0 && FT_New_Face(library, cjkFont, 0, &cjk) == 0
                 && FT_Set_Pixel_Sizes(latin, 0, pixelHeight) == 0 && FT_Set_Pixel_Sizes(cjk, 0, pixelHeight) == 0;
    }
    ~FreeTypeReference() { FT_Done_FreeType(library); }

    bool isLoaded() const { return loaded; }

    void draw(char32_t code) const
    {
        const bool own = FT_Get_Char_Index(latin, code) != 0;
        const FT_Face face = own ? latin : cjk;
        FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP);
        if (!own)
            FT_GlyphSlot_Embolden(face->glyph);
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const int rows = static_cast<int>(bitmap.rows);
        textpixels::bitmapGlyph(static_cast<int>(bitmap.width), rows, face->glyph->bitmap_left,
            face->glyph->bitmap_top - rows, static_cast<int>((face->glyph->advance.x + 32) >> 6),
            [&](int row, int column) {
                return (bitmap.buffer[(rows - 1 - row) * bitmap.pitch + column / 8] & (0x80 >> (column % 8))) != 0;
            });
    }

private:
    FT_Library library = nullptr;
    FT_Face latin = nullptr;
    FT_Face cjk = nullptr;
    bool loaded = false;
};

class Utf8TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << "needs an X server (xvfb-run -a)";
        ASSERT_TRUE(std::filesystem::exists(cjkFont)) << "scripts/install-deps installs fonts-wqy-microhei";
        new ObjectGraph();
        text = new Text(0, ObjectNode::SideCentre);
        text->createBitmapFont(-pixelHeight, 700, "Arial", 0, 0, 0, 0);
        text->setUtf8(true);
        textpixels::project(width, height);
    }
    void TearDown() override
    {
        GlyphAtlas::stopPacing();
        ObjectRegistry::destroy();
    }

    std::vector<GLubyte> drawn(const std::string& characters)
    {
        text->setText("%s", characters.c_str());
        return textpixels::picture(width, height, [&] { text->draw(); });
    }

    testsupport::HiddenGlWindow gl{width, height};
    Text* text = nullptr;
};

// `count` characters from `first` on, all of three bytes.
std::string run(char32_t first, std::size_t count)
{
    std::string characters;
    for (char32_t code = first; code < first + count; ++code) {
        characters += static_cast<char>(0xE0 | (code >> 12));
        characters += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        characters += static_cast<char>(0x80 | (code & 0x3F));
    }
    return characters;
}

std::vector<char32_t> codePoints(const std::string& characters)
{
    std::vector<char32_t> codes;
    for (std::size_t at = 0; at < characters.size();) {
        const auto lead = static_cast<unsigned char>(characters[at]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            code = (code << 6) | (static_cast<unsigned char>(characters[at + i]) & 0x3F);
        codes.push_back(code);
        at += length;
    }
    return codes;
}

// Every script sets exactly the pixels FreeType's own glyphs set through
// glBitmap, at a fractional position, and a later draw renders nothing anew.
TEST_F(Utf8TextTest, TitlesInEveryScriptSetThePixelsOfFreeTypesGlyphs)
{
    const FreeTypeReference reference(platform::FontBuilder({"Arial", -pixelHeight, 0, 700}).getFilePath());
    ASSERT_TRUE(reference.isLoaded());
    text->setPosition(-30.37f, -0.21f);
    const std::vector<GLubyte> first = drawn(titles);
    EXPECT_TRUE(first == textpixels::drawnByGlBitmap(width, height, -30.37f, -0.21f, {1, 1, 0}, [&] {
        for (const char32_t code : codePoints(titles))
            reference.draw(code);
    }));
    std::set<char32_t> beyondAscii;
    for (const char32_t code : codePoints(titles))
        if (code >= 0x80)
            beyondAscii.insert(code);
    const std::size_t rendered = text->getAtlas()->renderedCount();
    EXPECT_EQ(rendered, beyondAscii.size()) << "one glyph per character beyond ASCII";
    EXPECT_TRUE(drawn(titles) == first);
    EXPECT_EQ(text->getAtlas()->renderedCount(), rendered);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// More different characters than the atlas has cells: each draw is whole,
// and the cells of the glyphs used longest ago are taken for new ones.
TEST_F(Utf8TextTest, AFullAtlasMakesRoomWithoutBreakingADraw)
{
    text->setPosition(-30.0f, 0.0f);
    // Texts of 300 characters each fill the cells and take some back.
    const std::size_t perText = 300;
    const std::vector<GLubyte> firstPicture = drawn(run(0x4E00, perText));
    const std::size_t cells = text->getAtlas()->getCellCount();
    const std::size_t texts = cells / perText + 2;
    for (std::size_t next = 1; next < texts; ++next)
        drawn(run(static_cast<char32_t>(0x4E00 + next * perText), perText));
    EXPECT_EQ(text->getAtlas()->heldCount(), cells);
    EXPECT_TRUE(drawn(run(0x4E00, perText)) == firstPicture);
    EXPECT_GT(text->getAtlas()->renderedCount(), texts * perText);
}

// Frames render at most their budget of new glyphs; the others stand blank
// at an estimated advance (within a pixel of the glyph's) until the next
// frames render them, and the text then draws as without a budget.
TEST_F(Utf8TextTest, NewGlyphsPastTheFramesBudgetFillInOverTheNextFrames)
{
    const std::size_t count = 300;
    const std::string many = run(0x4E00, count);
    text->setPosition(-30.0f, 0.0f);
    GlyphAtlas::startFrame();
    const int estimated = text->widthInPixels(many);
    EXPECT_EQ(text->getAtlas()->renderedCount(), GlyphAtlas::frameGlyphBudget);
    std::vector<GLubyte> picture;
    for (int frame = 0; frame < 3; ++frame) {
        GlyphAtlas::startFrame();
        picture = drawn(many);
    }
    EXPECT_EQ(text->getAtlas()->renderedCount(), count);
    EXPECT_NEAR(text->widthInPixels(many), estimated, static_cast<int>(count));
    GlyphAtlas::stopPacing();
    text->changeBitmapFont(-pixelHeight, 700, "Arial", 0, 0, 0, 0);
    text->setUtf8(true);
    EXPECT_TRUE(drawn(many) == picture);
}

} // namespace
