#include "platform/ImageDecoder.h"
#include "writers/BmpWriter.h"
#include "writers/PngWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using platform::ImageDecoder;
using platform::RgbaPixels;

namespace {

// 3 x 2: red, green, blue over half-transparent white, black, grey.
forge::RgbaImage pattern()
{
    forge::RgbaImage image(3, 2);
    const forge::RgbaImage::Pixel colours[] = {
        {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}, {0, 0, 0, 255}, {128, 128, 128, 255}};
    for (int at = 0; at < 6; ++at)
        image.set(at % 3, at / 3, colours[at]);
    return image;
}

// The pixel at (x, y) counting from the top, as the decoder stores rows bottom first.
std::vector<int> pixelAt(const RgbaPixels& image, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(image.height - 1 - y) * image.width + x) * 4;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2], image.pixels[at + 3]};
}

std::vector<std::uint8_t> withBigEndian(std::vector<std::uint8_t> bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    return bytes;
}

} // namespace

TEST(ImageDecoder, DecodesPngBmpAndJpegIntoRgbaRowsBottomFirst)
{
    for (const auto& [what, bytes] : {std::pair{"PNG", forge::PngWriter::encode(pattern())},
             std::pair{"BMP", forge::BmpWriter::encode(pattern())}}) {
        SCOPED_TRACE(what);
        RgbaPixels image;
        std::string error;
        ASSERT_TRUE(ImageDecoder::decode(bytes, image, error)) << error;
        ASSERT_EQ(std::tuple(image.width, image.height, image.pixels.size()), std::tuple(3, 2, std::size_t{3 * 2 * 4}));
        EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<int>{255, 0, 0, 255}));
        EXPECT_EQ(pixelAt(image, 2, 0), (std::vector<int>{0, 0, 255, 255}));
        EXPECT_EQ(pixelAt(image, 1, 1), (std::vector<int>{0, 0, 0, 255}));
    }
    RgbaPixels jpeg;
    std::string error;
    ASSERT_TRUE(ImageDecoder::decodeFile(std::string(FLAREVOX_TEST_DATA) + "/images/red-8x4.jpg", jpeg, error))
        << error;
    EXPECT_EQ(jpeg.width, 8);
    EXPECT_EQ(jpeg.height, 4);
    const std::vector<int> red = pixelAt(jpeg, 7, 3);
    EXPECT_GE(red[0], 240);
    EXPECT_LE(red[1], 16);
    EXPECT_EQ(red[3], 255);
}

// Damaged and hostile files are refused with a reason, and no pixels.
TEST(ImageDecoder, RefusesWhatItCannotDecode)
{
    const std::vector<std::uint8_t> png = forge::PngWriter::encode(pattern());
    const std::vector<std::uint8_t> bmp = forge::BmpWriter::encode(pattern());
    const std::vector<std::pair<std::vector<std::uint8_t>, std::string>> cases{
        {{}, "not a PNG, JPEG or BMP"},
        {{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "not a PNG, JPEG or BMP"},
        {std::vector<std::uint8_t>(png.begin(), png.begin() + 20), "header is damaged"},
        {std::vector<std::uint8_t>(png.begin(), png.end() - 30), "cannot be decoded"},
        {withBigEndian(png, 16, 100000), "larger than 4096 pixels"},
        {withBigEndian(png, 20, 0), "header is damaged"},
        {std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 40), "cannot be decoded"},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00}, "header is damaged"},
    };
    for (const auto& [bytes, reason] : cases) {
        RgbaPixels image;
        std::string error;
        EXPECT_FALSE(ImageDecoder::decode(bytes, image, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_TRUE(image.pixels.empty());
    }
    RgbaPixels image;
    std::string error;
    EXPECT_FALSE(ImageDecoder::decodeFile("/nonexistent/banner.png", image, error));
    EXPECT_EQ(error, "cannot open the file");
}
