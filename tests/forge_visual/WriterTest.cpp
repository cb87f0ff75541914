#include "GameReaders.h"

#include "scene/BmpReader.h"
#include "writers/BmpWriter.h"
#include "writers/TgaWriter.h"
#include "writers/ThreeDsWriter.h"

#include <gtest/gtest.h>

using namespace forge;
using namespace forgetest;

namespace {

// A picture whose every pixel differs, so row order and channel order show.
RgbaImage gradient(int width, int height)
{
    RgbaImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, y, {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 11),
                             static_cast<std::uint8_t>(x + y), static_cast<std::uint8_t>(255 - x)});
    return image;
}

// The decoded pixels, bottom row first, against the image; alpha only where the file keeps it.
void expectSamePixels(const RgbaImage& image, const DecodedImage& decoded, bool keepsAlpha)
{
    const auto components = static_cast<std::size_t>(decoded.components);
    ASSERT_EQ(decoded.pixels.size(), static_cast<std::size_t>(image.width() * image.height()) * components);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const auto expected = image.at(x, y);
            const auto at = static_cast<std::size_t>((image.height() - 1 - y) * image.width() + x) * components;
            ASSERT_EQ(decoded.pixels[at], expected.r);
            ASSERT_EQ(decoded.pixels[at + 1], expected.g);
            ASSERT_EQ(decoded.pixels[at + 2], expected.b);
            ASSERT_EQ(alpha(decoded, at / components), keepsAlpha ? expected.a : 255);
        }
}

} // namespace

TEST(TgaWriter, BothKindsAndDepthsRoundTripBottomUpWithTheAcceptedHeader)
{
    const auto image = gradient(5, 3);
    for (const auto kind : {TgaWriter::Kind::Uncompressed, TgaWriter::Kind::RunLength})
        for (const int bits : {24, 32}) {
            const auto bytes = TgaWriter::encode(image, kind, bits);
            const std::vector<std::uint8_t> expectedStart = {0, 0, static_cast<std::uint8_t>(kind), 0, 0, 0,
                                                             0, 0, 0, 0, 0, 0};
            EXPECT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), bytes.begin()));
            ASSERT_TRUE(decodesWithoutTrailingBytes(bytes));
            expectSamePixels(image, *decodeTga(bytes), bits == 32);
        }
    EXPECT_THROW(TgaWriter::encode(image, TgaWriter::Kind::Uncompressed, 16), std::invalid_argument);
}

TEST(TgaWriter, RunLengthSplitsLongRunsAndNeverCrossesARow)
{
    RgbaImage image(200, 2);
    for (int x = 0; x < 200; ++x)
        image.set(x, 0, {1, 2, 3, 4});
    for (int x = 0; x < 200; ++x)
        image.set(x, 1, {1, 2, 3, 4});
    const auto bytes = TgaWriter::encode(image, TgaWriter::Kind::RunLength, 24);
    // Per row: a run of 128 (0xFF) and a run of 72 (0xC7), 4 bytes each.
    ASSERT_EQ(bytes.size(), 18u + 2 * 2 * 4);
    EXPECT_EQ(bytes[18], 0xFF);
    EXPECT_EQ(bytes[22], 0xC7);
    EXPECT_EQ(bytes[26], 0xFF);

    RgbaImage noisy(130, 1);
    for (int x = 0; x < 130; ++x)
        noisy.set(x, 0, {static_cast<std::uint8_t>(x), 0, 0, 255});
    const auto literal = TgaWriter::encode(noisy, TgaWriter::Kind::RunLength, 24);
    EXPECT_EQ(literal[18], 0x7F); // 128 raw pixels, then 2
    EXPECT_EQ(literal[18 + 1 + 128 * 3], 0x01);
    const auto tga = decodeTga(literal);
    ASSERT_TRUE(tga);
    expectSamePixels(noisy, *tga, false);
}

TEST(BmpWriter, RowsArePaddedToFourBytesAndStoredBottomUp)
{
    const auto image = gradient(3, 2);
    const auto bytes = BmpWriter::encode(image);
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(bytes[2], bytes.size()); // the file size's low byte
    EXPECT_EQ(bytes[54 + 9], 0);            // the first row's padding
    EXPECT_EQ(bytes[54 + 11], 0);
    DecodedImage decoded;
    std::string error;
    ASSERT_TRUE(BmpReader::decode(bytes, "w.bmp", decoded, error)) << error;
    expectSamePixels(image, decoded, false);
    EXPECT_EQ(BmpWriter::rowBytes(4), 12u);
    EXPECT_EQ(BmpWriter::rowBytes(1), 4u);
}

TEST(ThreeDsWriter, NestedChunkLengthsCountTheirHeaders)
{
    ThreeDsWriter writer;
    writer.begin(0x4D4D);
    writer.begin(0x0002);
    writer.out().u32(3);
    writer.end();
    writer.end();
    const auto& bytes = writer.data();
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(bytes[2], 16);
    EXPECT_EQ(bytes[8], 10);

    ThreeDsWriter open;
    open.begin(0x4D4D);
    EXPECT_THROW(open.data(), std::logic_error);
    ThreeDsWriter none;
    EXPECT_THROW(none.end(), std::logic_error);
}

TEST(ThreeDsWriter, EncodedMeshReadsBackAndBadMeshesAreRefused)
{
    TriMesh mesh;
    mesh.name = "tri";
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    mesh.faces = {{0, 1, 2}};
    const auto contents = readThreeDs(ThreeDsWriter::encode(mesh, {}));
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->objectNameText(), "tri");
    ASSERT_EQ(contents->vertexCount, 3);
    ASSERT_EQ(contents->polygonCount, 1);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(contents->vertices[i].x, mesh.vertices[i][0]);
        EXPECT_EQ(contents->vertices[i].y, mesh.vertices[i][1]);
        EXPECT_EQ(contents->texCoords[i].u, mesh.texCoords[i][0]);
        EXPECT_EQ(contents->texCoords[i].v, mesh.texCoords[i][1]);
    }
    EXPECT_EQ(contents->polygons[0].c, 2u);

    mesh.faces = {{0, 1, 3}};
    EXPECT_THROW(ThreeDsWriter::encode(mesh, {}), std::invalid_argument);
    mesh.faces = {{0, 1, 2}};
    mesh.texCoords.pop_back();
    EXPECT_THROW(ThreeDsWriter::encode(mesh, {}), std::invalid_argument);
}
