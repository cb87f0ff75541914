#include "platform/FileSystem.h"
#include "platform/JoystickDevice.h"
#include "platform/JoystickDevices.h"
#include "platform/LocalAddresses.h"
#include "platform/SoundFileHeader.h"
#include "support/TestSupport.h"
#include "support/VirtualJoystick.h"

#include <gtest/gtest.h>


namespace {

TEST(FileSystemTest, BackslashPathsOpenAsFolders)
{
    testsupport::ScratchDir scratch;
    scratch.write("Data/Dwi/Coconut.DWI", "#BPM:128;");
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(platform::FileSystem::readAll("Data\\Dwi\\Coconut.DWI", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "#BPM:128;");
    EXPECT_FALSE(platform::FileSystem::readAll("Data\\Dwi\\Missing.DWI", bytes));
}

// What a player is told of a music file that cannot be opened: an empty file
// is not libsndfile's "does not exist (possibly a pipe?)".
TEST(SoundFileHeaderTest, EmptyAndMissingFilesAreNamedAsSuch)
{
    testsupport::ScratchDir scratch;
    scratch.write("empty.ogg", "");
    scratch.write("noise.ogg", std::string(100, 'x'));
    std::string error;
    EXPECT_FALSE(platform::SoundFileHeader::read(scratch.path() / "empty.ogg", error));
    EXPECT_EQ(error, "the file is empty (0 bytes)");
    EXPECT_FALSE(platform::SoundFileHeader::read(scratch.path() / "gone.ogg", error));
    EXPECT_EQ(error, "the file does not exist");
    EXPECT_FALSE(platform::SoundFileHeader::read(scratch.path() / "noise.ogg", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find("does not exist"), std::string::npos) << error;
}

// Appends `value` in `bytes` little-endian bytes.
void putLittleEndian(std::string& to, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        to += static_cast<char>(value >> (8 * i) & 0xff);
}

// One Ogg page of one segment; the reader leaves the checksum alone.
std::string oggPage(std::uint64_t granule, std::uint32_t serial, std::uint32_t sequence, const std::string& body)
{
    std::string page("OggS\0\0", 6);
    putLittleEndian(page, granule, 8);
    putLittleEndian(page, serial, 4);
    putLittleEndian(page, sequence, 4);
    page += std::string(4, '\0');
    page += '\1';
    page += static_cast<char>(body.size());
    return page + body;
}

// An Ogg Vorbis song's length is the last granule position of its own
// stream, read from the pages alone: a later page of another stream does not
// count, and libsndfile (which could not open these pages) is not asked.
TEST(SoundFileHeaderTest, OggLengthIsTheSongStreamsLastGranule)
{
    std::string identification("\x01vorbis", 7);
    putLittleEndian(identification, 0, 4); // version
    putLittleEndian(identification, 2, 1); // channels
    putLittleEndian(identification, 44100, 4);
    identification += std::string(12, '\0'); // bit rates
    identification += "\xb8\x01"; // block sizes, framing
    constexpr std::uint32_t song = 0x5eed;
    testsupport::ScratchDir scratch;
    scratch.write("song.ogg", oggPage(0, song, 0, identification) + oggPage(4096, song, 1, std::string(40, 'a'))
                                  + oggPage(88200, song, 2, std::string(40, 'b'))
                                  + oggPage(999999, 0xbeef, 0, std::string(40, 'c')));
    std::string error;
    const std::optional<platform::SoundFileHeader> header = platform::SoundFileHeader::read(scratch.path() / "song.ogg", error);
    ASSERT_TRUE(header) << error;
    EXPECT_EQ(header->frames, 88200);
    EXPECT_EQ(header->sampleRate, 44100);
    EXPECT_EQ(header->channels, 2);
}

// The addresses the lobby offers the other player never include the
// loopback, which only reaches this machine.
TEST(LocalAddressesTest, LoopbackIsNeverOffered)
{
    for (const std::string& address : platform::localAddresses())
        EXPECT_FALSE(address.starts_with("127.")) << address;
}

} // namespace

// A device reads only while acquired and attached: before acquire(), after
// unacquire() and once its controller is unplugged, the caller's reading
// stays as it was instead of taking a stale state.
TEST(JoystickDeviceTest, ReadsOnlyWhileAcquiredAndAttached)
{
    if (testsupport::VirtualJoystick::attachedCount() > 0)
        GTEST_SKIP() << "real game controllers are attached";
    testsupport::VirtualJoystick mat("Mat A", 4, 2);
    mat.setAxis(0, 32767);
    const auto devices = platform::JoystickDevices::create();
    ASSERT_TRUE(devices);
    const auto device = devices->createDevice(0);
    ASSERT_TRUE(device);

    platform::JoystickReading reading;
    reading.x = 77;
    EXPECT_FALSE(device->readState(reading));
    EXPECT_EQ(reading.x, 77);

    ASSERT_TRUE(device->acquire());
    EXPECT_EQ(device->poll(), platform::JoystickDevice::PollResult::Ready);
    EXPECT_TRUE(device->readState(reading));
    EXPECT_EQ(reading.x, 1000);

    device->unacquire();
    reading.x = 77;
    EXPECT_FALSE(device->readState(reading));
    EXPECT_EQ(reading.x, 77);

    ASSERT_TRUE(device->acquire());
    mat.unplug();
    EXPECT_EQ(device->poll(), platform::JoystickDevice::PollResult::Unplugged);
    EXPECT_FALSE(device->readState(reading));
    EXPECT_EQ(reading.x, 77);
}
