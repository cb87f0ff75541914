#include "platform/FileSystem.h"
#include "platform/JoystickDevice.h"
#include "platform/JoystickDevices.h"
#include "platform/LocalAddresses.h"
#include "platform/SoundFileHeader.h"
#include "platform/Window.h"
#include "support/TestSupport.h"
#include "support/VirtualJoystick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <link.h>

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

// The addresses the lobby offers the other player never include the
// loopback, which only reaches this machine.
TEST(LocalAddressesTest, LoopbackIsNeverOffered)
{
    for (const std::string& address : platform::localAddresses())
        EXPECT_FALSE(address.starts_with("127.")) << address;
}

std::vector<std::string> loadedLibraries()
{
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            if (info->dlpi_name && info->dlpi_name[0] != '\0')
                static_cast<std::vector<std::string>*>(found)->emplace_back(info->dlpi_name);
            return 0;
        },
        &names);
    std::sort(names.begin(), names.end());
    return names;
}

// The leak checker names a library only while it is mapped: the GL driver
// and everything it loaded stay after the last window closes and video stops,
// and a second window in the same process still gets a context.
TEST(GlDriverLifetimeTest, DriverStaysLoadedAfterTheLastWindowAndVideoStop)
{
    ASSERT_TRUE(platform::Window::startVideo());
    auto window = platform::Window::create({"Flarevox Driver", 32, 32, 32, false, true});
    ASSERT_NE(window, nullptr);
    const std::vector<std::string> withWindow = loadedLibraries();
    window.reset();
    platform::Window::stopVideo();

    const std::vector<std::string> afterwards = loadedLibraries();
    std::vector<std::string> unloaded;
    std::set_difference(withWindow.begin(), withWindow.end(), afterwards.begin(), afterwards.end(),
        std::back_inserter(unloaded));
    EXPECT_EQ(unloaded, std::vector<std::string>{});

    ASSERT_TRUE(platform::Window::startVideo());
    EXPECT_NE(platform::Window::create({"Flarevox Driver", 32, 32, 32, false, true}), nullptr);
    platform::Window::stopVideo();
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
