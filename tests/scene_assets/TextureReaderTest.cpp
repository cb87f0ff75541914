#include "AssetFiles.h"

#include "scene/BmpReader.h"
#include "scene/TgaReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace assetfiles;

namespace {

struct Decoded {
    bool ok = false;
    DecodedImage image;
    std::string error;
};

Decoded decodeTga(const Bytes& bytes)
{
    Decoded d;
    d.ok = TgaReader::decode(bytes, "t.tga", d.image, d.error);
    return d;
}

Decoded decodeBmp(const Bytes& bytes)
{
    Decoded d;
    d.ok = BmpReader::decode(bytes, "b.bmp", d.image, d.error);
    return d;
}

Bytes pixelBytes(std::initializer_list<std::uint8_t> values)
{
    return Bytes(values);
}

TEST(TgaReader, BothEncodingsSwapRedAndBlueKeepingAlpha)
{
    const Decoded d = decodeTga(tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, pixelBytes({3, 2, 1, 4, 7, 6, 5, 8}));
    EXPECT_EQ(d.image.components, 4);
    const Decoded packed = decodeTga(tga(10, 2, 1, 32, {0x81, 10, 20, 30, 40}));
    ASSERT_TRUE(packed.ok);
    EXPECT_EQ(packed.image.pixels, pixelBytes({30, 20, 10, 40, 30, 20, 10, 40}));
}

TEST(TgaReader, RejectsHeadersOtherThanTheTwoTemplates)
{
    for (const std::size_t byte : {0u, 1u, 2u, 5u, 8u, 11u}) {
        Bytes file = tga(2, 1, 1, 24, {0, 0, 0});
        file[byte] ^= (byte == 2 ? 1 : 3); // type 3, an ID, a colour map, an origin...
        const Decoded d = decodeTga(file);
        EXPECT_FALSE(d.ok);
        EXPECT_EQ(d.error, "TGA file be type 2 or type 10: 't.tga'.") << "byte " << byte;
    }
}

TEST(TgaReader, InvalidInformationHasEachDecodersMessage)
{
    const char* uncompressed = "Invalid texture information of the file 't.tga'";
    const char* runLength = "Invalid texture information in file 't.tga'";
    for (const std::uint8_t bits : {0, 8, 16, 31, 33}) {
        EXPECT_EQ(decodeTga(tga(2, 1, 1, bits, Bytes(8))).error, uncompressed);
        EXPECT_EQ(decodeTga(tga(10, 1, 1, bits, Bytes(8))).error, runLength);
    }
    EXPECT_EQ(decodeTga(tga(2, 0, 1, 24, Bytes(8))).error, uncompressed);
    EXPECT_EQ(decodeTga(tga(10, 1, 0, 24, Bytes(8))).error, runLength);
}

TEST(TgaReader, TruncationAtEveryByteNamesTheMissingPart)
{
    const Bytes plain = tga(2, 2, 2, 24, Bytes(12, 9));
    for (std::size_t length = 0; length < plain.size(); ++length) {
        const Decoded d = decodeTga(Bytes(plain.begin(), plain.begin() + length));
        ASSERT_FALSE(d.ok);
        const char* expected = length < 12 ? "Could not read the header of the file 't.tga'."
            : length < 18                  ? "Could not read info header of the file 't.tga'"
                                           : "Could not read image data from 't.tga'";
        EXPECT_EQ(d.error, expected) << length;
        EXPECT_TRUE(d.image.pixels.empty());
    }
    // Run of 2, then a raw packet of 2.
    const Bytes packed = tga(10, 2, 2, 24, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
    for (std::size_t length = 12; length < packed.size(); ++length) {
        const Decoded d = decodeTga(Bytes(packed.begin(), packed.begin() + length));
        ASSERT_FALSE(d.ok);
        const char* expected = length < 18 ? "Could not read info header from 't.tga'"
            : length == 18 || length == 22 ? "Could not read RLE header from image 't.tga'"
            : length < 22                  ? "Could not read from file 't.tga'"
                                           : "Could not read image data from file 't.tga'";
        EXPECT_EQ(d.error, expected) << length;
    }
}

TEST(TgaReader, HugeSizesFailWithoutAllocating)
{
    EXPECT_EQ(decodeTga(tga(2, 65535, 65535, 32, Bytes(64))).error, "Could not read image data from 't.tga'");
    // Runs can expand 128-fold, but not from 5 bytes to gigabytes.
    EXPECT_EQ(decodeTga(tga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4})).error,
        "Could not read RLE header from image 't.tga'");
}

TEST(TgaReader, RunLengthPacketBoundaries)
{
    Bytes packets = {0x80, 1, 1, 1, 0xFF, 2, 2, 2, 0x00, 3, 3, 3, 0x7F};
    for (int i = 0; i < 128; ++i)
        packets.insert(packets.end(), {4, 4, static_cast<std::uint8_t>(i)});
    const Decoded d = decodeTga(tga(10, 258, 1, 24, packets));
    ASSERT_TRUE(d.ok) << d.error;
    const auto& p = d.image.pixels;
    ASSERT_EQ(p.size(), 258u * 3);
    EXPECT_EQ(p[0], 1); // 0x80: one pixel
    EXPECT_EQ(p[3], 2); // 0xFF: 128 pixels
    EXPECT_EQ(p[128 * 3], 2);
    EXPECT_EQ(p[129 * 3], 3); // 0x00: one raw pixel
    EXPECT_EQ(p[130 * 3], 0); // 0x7F: 128 raw pixels, red from byte 2
    EXPECT_EQ(p[257 * 3], 127);
    EXPECT_EQ(p[257 * 3 + 2], 4);
}

TEST(TgaReader, PacketsOverflowingTheImageAreRefused)
{
    const char* tooMany = "Too many pixels read from file 't.tga'";
    EXPECT_EQ(decodeTga(tga(10, 1, 1, 24, {0xFF, 1, 2, 3})).error, tooMany);
    EXPECT_EQ(decodeTga(tga(10, 1, 1, 24, {0x7F, 1, 2, 3})).error, tooMany);
    EXPECT_EQ(decodeTga(tga(10, 2, 2, 24, {0x82, 1, 2, 3, 0x81, 1, 2, 3})).error, tooMany);
    EXPECT_EQ(decodeTga(tga(10, 2, 2, 24, {0x02, 1, 2, 3, 1, 2, 3, 1, 2, 3, 0x01, 1, 2, 3})).error, tooMany);
    // Exactly full, with bytes left over, is complete.
    EXPECT_TRUE(decodeTga(tga(10, 2, 2, 24, {0x83, 1, 2, 3, 0xFF, 0xFF})).ok);
}

TEST(BmpReader, ReadsPaddedRowsFromTheDataOffset)
{
    // Width 3: 9 bytes of pixels and 3 of padding per row, 16 bytes after the headers.
    Bytes data(16, 0xEE);
    for (std::uint8_t row = 0; row < 2; ++row) {
        for (std::uint8_t i = 1; i <= 9; ++i)
            data.push_back(static_cast<std::uint8_t>(row * 9 + i));
        data.insert(data.end(), 3, 0xAB);
    }
    const Decoded d = decodeBmp(bmp({.dataOffset = 70, .width = 3, .height = 2}, data));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.image.pixels, pixelBytes({3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255, 15, 14, 13,
                                  255, 18, 17, 16, 255}));
}

TEST(BmpReader, LastRowMayLackItsPadding)
{
    Bytes file = bmp({.width = 1, .height = 2}, {1, 1, 1, 0, 2, 2, 2, 0});
    file.pop_back();
    EXPECT_TRUE(decodeBmp(file).ok);
    file.pop_back();
    EXPECT_EQ(decodeBmp(file).error, "Could not read image data from the bitmap 'b.bmp'.");
}

TEST(BmpReader, RefusesBadHeaders)
{
    const Bytes good = forge::BmpWriter::encode(forge::RgbaImage(2, 2));
    for (std::size_t length = 0; length < 54; ++length)
        EXPECT_EQ(decodeBmp(Bytes(good.begin(), good.begin() + length)).error,
            "Could not read the header of the bitmap 'b.bmp'.")
            << length;
    // The last row's 2 padding bytes are optional.
    for (std::size_t length = 54; length < good.size() - 2; ++length)
        EXPECT_EQ(decodeBmp(Bytes(good.begin(), good.begin() + length)).error,
            "Could not read image data from the bitmap 'b.bmp'.");

    using Header = forge::BmpHeader;
    for (const Header& header : {Header{.width = 1, .height = 1, .bitsPerPixel = 32},
             Header{.width = 1, .height = 1, .bitsPerPixel = 8}, Header{.width = 1, .height = 1, .compression = 1},
             Header{.infoSize = 12, .width = 1, .height = 1}})
        EXPECT_EQ(decodeBmp(bmp(header)).error, "Bitmap 'b.bmp' is not a 24-bit uncompressed BMP.");
    EXPECT_EQ(decodeBmp(bmp({.infoSize = 124, .width = 1, .height = 1})).error,
        "Could not read the header of the bitmap 'b.bmp'.");

    const Bytes pixel = {0, 0, 0, 0};
    EXPECT_EQ(decodeBmp(bmp({.dataOffset = 20, .width = 1, .height = 1}, pixel)).error,
        "Invalid pixel data offset in the bitmap 'b.bmp'.");
    EXPECT_EQ(decodeBmp(bmp({.dataOffset = 0x7F000036, .width = 1, .height = 1}, pixel)).error,
        "Could not read image data from the bitmap 'b.bmp'.");
}

TEST(BmpReader, RefusesEmptyNegativeAndHugeSizes)
{
    const std::pair<std::int32_t, std::int32_t> invalid[] = {{0, 1}, {1, 0}, {-1, 1}, {1, -1}, {INT32_MIN, INT32_MIN}};
    for (const auto& [width, height] : invalid)
        EXPECT_EQ(decodeBmp(bmp({.width = width, .height = height})).error, "Invalid size of the bitmap 'b.bmp'.")
            << width << " x " << height;
    EXPECT_EQ(decodeBmp(bmp({.width = INT32_MAX, .height = INT32_MAX})).error,
        "Could not read image data from the bitmap 'b.bmp'.");
}

// Inputs the fuzzer once flagged: each is refused with a message or decodes
// to a buffer that holds exactly its image.
TEST(TgaReader, FuzzFindingsStayHandled)
{
    const auto folder = std::filesystem::path(FLAREVOX_TEST_DATA) / "fuzz-regressions" / "tga";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = testsupport::readFile(entry.path());
        const Decoded d = decodeTga(Bytes(file.begin(), file.end()));
        if (!d.ok) {
            EXPECT_FALSE(d.error.empty()) << entry.path();
            continue;
        }
        EXPECT_EQ(d.image.pixels.size(),
            std::size_t(d.image.width) * std::size_t(d.image.height) * std::size_t(d.image.components))
            << entry.path();
    }
}

} // namespace
