#include "AssetFiles.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace assetfiles;

namespace {

testsupport::CommandRun inspect(const std::string& arguments)
{
    return testsupport::runCommand(std::string(FLAREVOX_INSPECT) + " " + arguments);
}

const std::string realDir = std::string(FLAREVOX_TEST_DATA) + "/realfiles/";

TEST(InspectTool, DescribesGoodFiles)
{
    const testsupport::CommandRun run = inspect(realDir + "top.tga " + realDir + "white.bmp " + realDir + "RotatingCube.3DS");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("top.tga: TGA 256x256, 24 bits\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("white.bmp: BMP 1x1, 24 bits\n"), std::string::npos);
    EXPECT_NE(run.out.find("RotatingCube.3DS: 3DS object 'Box01', 26 vertices, 12 triangles\n"), std::string::npos);
    // No chunk trace: the tool reads quietly.
    EXPECT_EQ(run.out.find("ChunkID"), std::string::npos);
}

TEST(InspectTool, FailsOnAnyBadFile)
{
    testsupport::ScratchDir scratch;
    forge::writeFile("deep.tga", tga(2, 1, 1, 16, {0, 0}));
    forge::writeFile("cut.3ds", cat(model("A", {}), chunk(0x1000, {}, 3)));
    forge::writeFile("plain.txt", std::string("hello"));

    const testsupport::CommandRun tga = inspect(realDir + "top.tga deep.tga");
    EXPECT_EQ(tga.status, 1);
    EXPECT_NE(tga.out.find("deep.tga: error: Invalid texture information of the file 'deep.tga'"), std::string::npos);

    const testsupport::CommandRun mesh = inspect("cut.3ds");
    EXPECT_EQ(mesh.status, 1);
    EXPECT_NE(mesh.out.find("Invalid chunk length"), std::string::npos) << mesh.out;

    EXPECT_EQ(inspect("missing.bmp").status, 1);
    EXPECT_EQ(inspect("plain.txt").status, 1);
    EXPECT_EQ(inspect("").status, 1);
}

} // namespace
