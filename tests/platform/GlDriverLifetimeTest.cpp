#include "platform/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <link.h>
#include <string>
#include <vector>

namespace {

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
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
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
