#include "Ms3dSample.h"

#include "support/TestSupport.h"
#include "writers/ByteWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

testsupport::CommandRun inspect(const std::string& arguments)
{
    return testsupport::runCommand(std::string(FLAREVOX_INSPECT) + " " + arguments);
}

} // namespace

TEST(InspectMs3d, DescribesModelsAndTheirResolvedTextures)
{
    testsupport::ScratchDir scratch;
    forge::writeFile(scratch.path() / "anim" / "dancer.ms3d", Ms3d::encode(sampleMs3d()));
    const testsupport::CommandRun run = inspect("anim/dancer.ms3d");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("anim/dancer.ms3d: MS3D 3 vertices, 1 triangles, 1 groups, 1 materials, 2 joints, "
                           "3 keyframes, 24 fps\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("anim/dancer.ms3d: texture 'anim/skin.bmp'\n"), std::string::npos) << run.out;
}

TEST(InspectMs3d, FailsOnARefusedModel)
{
    testsupport::ScratchDir scratch;
    Ms3d::Model b = sampleMs3d();
    b.version = 2;
    forge::writeFile(scratch.path() / "old.ms3d", Ms3d::encode(b));
    const testsupport::CommandRun run = inspect("old.ms3d");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("I know nothing about MS3D v1.2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("old.ms3d: error: not a loadable MS3D model"), std::string::npos) << run.out;
}
