#include "platform/Dialog.h"
#include "platform/FileSystem.h"
#include "platform/SimulatedClock.h"
#include "platform/SystemClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(SystemClockTest, SimulatedSourceReplacesAndRestoresTheRealClock)
{
    {
        platform::SimulatedClock clock(0xFFFFFFF0u);
        EXPECT_EQ(platform::SystemClock::tickCount(), 0xFFFFFFF0u);
        clock.advance(0x20);
        EXPECT_EQ(platform::SystemClock::tickCount(), 0x10u);
    }
    const auto a = platform::SystemClock::tickCount();
    const auto b = platform::SystemClock::tickCount();
    EXPECT_LE(b - a, 1000u);
}

TEST(DialogTest, NoDialogsSwitchPrintsTitleAndTextToStderr)
{
    ::setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    testing::internal::CaptureStderr();
    platform::Dialog::show("Error", "Mode Switch Failed.\nRunning In Windowed Mode.");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Error] Mode Switch Failed.\nRunning In Windowed Mode.\n");
}

TEST(FileSystemTest, BackslashPathsOpenAsFolders)
{
    testsupport::ScratchDir scratch;
    scratch.write("Data/Dwi/Coconut.DWI", "#BPM:128;");
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(platform::FileSystem::readAll("Data\\Dwi\\Coconut.DWI", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "#BPM:128;");
    EXPECT_FALSE(platform::FileSystem::readAll("Data\\Dwi\\Missing.DWI", bytes));
}

} // namespace
