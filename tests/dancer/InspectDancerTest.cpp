#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

// The inspector names the forged dancer's frame rate and its texture, and the
// texture it names is the file the forge wrote beside the model.
TEST(InspectDancer, PrintsTheFrameRateAndAResolvableTexture)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(FLAREVOX_RUN_DIR);
    const std::string command =
        std::string(FLAREVOX_INSPECT) + " 'Data\\Animation\\male_dancer_1\\dancer.ms3d' 2>&1";
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[1024];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, got);
        EXPECT_EQ(pclose(pipe), 0) << out;
    }

    std::smatch counts;
    ASSERT_TRUE(std::regex_search(out, counts,
        std::regex(R"(: MS3D (\d+) vertices, (\d+) triangles, 1 groups, 1 materials, (\d+) joints, (\d+) keyframes, (\d+) fps\n)")))
        << out;
    EXPECT_GT(std::stoi(counts[5]), 0);

    std::smatch texture;
    ASSERT_TRUE(std::regex_search(out, texture, std::regex(R"(: texture '([^']+)'\n)"))) << out;
    EXPECT_EQ(texture[1], "Data\\Animation\\male_dancer_1/dancer.tga");
    std::string nativePath = texture[1];
    std::replace(nativePath.begin(), nativePath.end(), '\\', '/');
    EXPECT_TRUE(std::filesystem::is_regular_file(nativePath)) << nativePath;
    std::filesystem::current_path(previous);
}
