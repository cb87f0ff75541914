#include "AssetFiles.h"

#include "scene/BmpReader.h"
#include "scene/TgaReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <type_traits>

using namespace assetfiles;

namespace {

struct Decoded {
    bool ok = false;
    DecodedImage image;
    std::string error;
};

template <typename Reader>
Decoded decode(const Bytes& bytes)
{
    Decoded d;
    d.ok = Reader::decode(bytes, std::is_same_v<Reader, TgaReader> ? "t.tga" : "b.bmp", d.image, d.error);
    return d;
}
const auto decodeTga = decode<TgaReader>;
const auto decodeBmp = decode<BmpReader>;

void expectErrors(Decoded (*decode)(const Bytes&), const std::vector<std::pair<Bytes, std::string>>& cases)
{
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Decoded d = decode(cases[i].first);
        EXPECT_FALSE(d.ok) << "case " << i;
        EXPECT_EQ(d.error, cases[i].second) << "case " << i;
        EXPECT_TRUE(d.image.pixels.empty()) << "case " << i;
    }
}

// Both encodings swap red and blue and keep alpha. Packets: 0x80 is one
// pixel, 0xFF 128, 0x00 one raw pixel, 0x7F 128 raw pixels.
TEST(TgaReader, DecodesBothEncodingsAndEveryPacketBoundary)
{
    EXPECT_EQ(decodeTga(tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8})).image.pixels, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
    EXPECT_EQ(decodeTga(tga(10, 2, 1, 32, {0x81, 10, 20, 30, 40})).image.pixels, (Bytes{30, 20, 10, 40, 30, 20, 10, 40}));

    Bytes packets = {0x80, 1, 1, 1, 0xFF, 2, 2, 2, 0x00, 3, 3, 3, 0x7F};
    for (int i = 0; i < 128; ++i)
        packets.insert(packets.end(), {4, 4, static_cast<std::uint8_t>(i)});
    const Decoded packed = decodeTga(tga(10, 258, 1, 24, packets));
    ASSERT_TRUE(packed.ok) << packed.error;
    const auto& p = packed.image.pixels;
    ASSERT_EQ(p.size(), 258u * 3);
    EXPECT_EQ((std::array{p[0], p[3], p[128 * 3], p[129 * 3], p[130 * 3], p[257 * 3], p[257 * 3 + 2]}),
              (std::array<std::uint8_t, 7>{1, 2, 2, 3, 0, 127, 4}));
    EXPECT_TRUE(decodeTga(tga(10, 2, 2, 24, {0x83, 1, 2, 3, 0xFF, 0xFF})).ok) << "exactly full, bytes left over";
}

TEST(TgaReader, RefusesBadHeadersSizesPacketsAndTruncations)
{
    std::vector<std::pair<Bytes, std::string>> cases;
    for (const std::size_t byte : {0u, 1u, 2u, 5u, 8u, 11u}) {
        Bytes file = tga(2, 1, 1, 24, {0, 0, 0});
        file[byte] ^= (byte == 2 ? 1 : 3); // type 3, an ID, a colour map, an origin...
        cases.emplace_back(file, "TGA file be type 2 or type 10: 't.tga'.");
    }
    const std::string uncompressed = "Invalid texture information of the file 't.tga'";
    const std::string runLength = "Invalid texture information in file 't.tga'";
    for (const std::uint8_t bits : {0, 8, 16, 31, 33}) {
        cases.emplace_back(tga(2, 1, 1, bits, Bytes(8)), uncompressed);
        cases.emplace_back(tga(10, 1, 1, bits, Bytes(8)), runLength);
    }
    cases.emplace_back(tga(2, 0, 1, 24, Bytes(8)), uncompressed);
    cases.emplace_back(tga(10, 1, 0, 24, Bytes(8)), runLength);
    // Huge sizes fail without allocating: runs expand 128-fold, not from 5 bytes to gigabytes.
    cases.emplace_back(tga(2, 65535, 65535, 32, Bytes(64)), "Could not read image data from 't.tga'");
    cases.emplace_back(tga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4}), "Could not read RLE header from image 't.tga'");
    const std::string tooMany = "Too many pixels read from file 't.tga'";
    for (const Bytes& packets : {Bytes{0xFF, 1, 2, 3}, Bytes{0x7F, 1, 2, 3}})
        cases.emplace_back(tga(10, 1, 1, 24, packets), tooMany);
    cases.emplace_back(tga(10, 2, 2, 24, {0x82, 1, 2, 3, 0x81, 1, 2, 3}), tooMany);
    cases.emplace_back(tga(10, 2, 2, 24, {0x02, 1, 2, 3, 1, 2, 3, 1, 2, 3, 0x01, 1, 2, 3}), tooMany);
    // Cut inside the info header and inside the pixels.
    const Bytes plain = tga(2, 2, 2, 24, Bytes(12, 9));
    cases.emplace_back(Bytes(plain.begin(), plain.begin() + 17), "Could not read info header of the file 't.tga'");
    cases.emplace_back(Bytes(plain.begin(), plain.end() - 1), "Could not read image data from 't.tga'");
    // Run of 2, then a raw packet of 2, cut at every byte.
    const Bytes packed = tga(10, 2, 2, 24, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
    for (std::size_t length = 0; length < packed.size(); ++length)
        cases.emplace_back(Bytes(packed.begin(), packed.begin() + length),
            length < 12                    ? "Could not read the header of the file 't.tga'."
            : length < 18                  ? "Could not read info header from 't.tga'"
            : length == 18 || length == 22 ? "Could not read RLE header from image 't.tga'"
            : length < 22                  ? "Could not read from file 't.tga'"
                                           : "Could not read image data from file 't.tga'");
    expectErrors(decodeTga, cases);
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
    EXPECT_EQ(d.image.pixels,
        (Bytes{3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255, 15, 14, 13, 255, 18, 17, 16, 255}));
}

TEST(BmpReader, RefusesBadHeadersSizesAndShortData)
{
    const std::string header = "Could not read the header of the bitmap 'b.bmp'.";
    const std::string data = "Could not read image data from the bitmap 'b.bmp'.";
    std::vector<std::pair<Bytes, std::string>> cases;
    // The last row's 2 padding bytes are optional; any other cut is refused.
    const Bytes good = forge::BmpWriter::encode(forge::RgbaImage(2, 2));
    EXPECT_TRUE(decodeBmp(Bytes(good.begin(), good.end() - 2)).ok);
    for (std::size_t length = 0; length < good.size() - 2; ++length)
        cases.emplace_back(Bytes(good.begin(), good.begin() + length), length < 54 ? header : data);
    using Header = forge::BmpHeader;
    for (const Header& h : {Header{.width = 1, .height = 1, .bitsPerPixel = 32},
             Header{.width = 1, .height = 1, .bitsPerPixel = 8}, Header{.width = 1, .height = 1, .compression = 1},
             Header{.infoSize = 12, .width = 1, .height = 1}})
        cases.emplace_back(bmp(h), "Bitmap 'b.bmp' is not a 24-bit uncompressed BMP.");
    cases.emplace_back(bmp({.infoSize = 124, .width = 1, .height = 1}), header);
    cases.emplace_back(bmp({.dataOffset = 20, .width = 1, .height = 1}, Bytes(4)),
        "Invalid pixel data offset in the bitmap 'b.bmp'.");
    cases.emplace_back(bmp({.dataOffset = 0x7F000036, .width = 1, .height = 1}, Bytes(4)), data);
    for (const auto& [width, height] :
        {std::pair{0, 1}, {1, 0}, {-1, 1}, {1, -1}, {INT32_MIN, INT32_MIN}})
        cases.emplace_back(bmp({.width = width, .height = height}), "Invalid size of the bitmap 'b.bmp'.");
    cases.emplace_back(bmp({.width = INT32_MAX, .height = INT32_MAX}), data);
    expectErrors(decodeBmp, cases);
}

// Inputs the fuzzer once flagged: each is refused with a message or decodes
// to a buffer that holds exactly its image.
TEST(TgaReader, FuzzFindingsStayHandled)
{
    const auto folder = std::filesystem::path(FLAREVOX_TEST_DATA) / "fuzz-regressions" / "tga";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = testsupport::readFile(entry.path());
        const Decoded d = decodeTga(Bytes(file.begin(), file.end()));
        const std::size_t size = std::size_t(d.image.width) * std::size_t(d.image.height) * d.image.components;
        EXPECT_TRUE(d.ok ? d.image.pixels.size() == size : !d.error.empty()) << entry.path();
    }
}

} // namespace
