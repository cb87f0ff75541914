#include "AssetFiles.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace assetfiles;

// Good files, real-world ones, are described quietly (without the reader's
// chunk trace); any bad file fails the run. The 3DS face counts agree with
// `assimp info`, whose vertex counts differ: it splits vertices by smoothing group.
TEST(InspectTool, DescribesGoodFilesAndFailsOnAnyBadOne)
{
    const std::string realDir = std::string(FLAREVOX_TEST_DATA) + "/realfiles/";
    const auto inspect = [](const std::string& arguments) {
        return testsupport::runCommand(std::string(FLAREVOX_INSPECT) + " " + arguments);
    };
    std::string good;
    for (const char* file : {"top.tga", "white.bmp", "RotatingCube.3DS", "cube_with_diffuse_texture.3DS", "test1.3ds",
             "twospheres.ms3d", "twospheres_withmats.ms3d"})
        good += realDir + file + " ";
    const testsupport::CommandRun run = inspect(good);
    EXPECT_EQ(run.status, 0) << run.out;
    for (const char* line : {"top.tga: TGA 256x256, 24 bits\n", "white.bmp: BMP 1x1, 24 bits\n",
             "RotatingCube.3DS: 3DS object 'Box01', 26 vertices, 12 triangles\n",
             "cube_with_diffuse_texture.3DS: 3DS object 'Quader01', 32 vertices, 12 triangles\n",
             "test1.3ds: 3DS object 'Box10', 32 vertices, 12 triangles\n", // the last of its objects
             "twospheres.ms3d: MS3D 124 vertices, 240 triangles, 2 groups, 0 materials, 0 joints, 0 keyframes, 24 fps\n",
             "twospheres_withmats.ms3d: MS3D 124 vertices, 240 triangles, 2 groups, 2 materials, 0 joints, 0 keyframes"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
    EXPECT_EQ(run.out.find("ChunkID"), std::string::npos);

    testsupport::ScratchDir scratch;
    forge::writeFile("deep.tga", tga(2, 1, 1, 16, {0, 0}));
    forge::writeFile("cut.3ds", cat(model("A", {}), chunk(0x1000, {}, 3)));
    for (const char* plain : {"plain.txt", "plain.ms3d"})
        forge::writeFile(plain, std::string("hello"));
    const std::pair<std::string, std::string> bad[] = {
        {realDir + "top.tga deep.tga", "deep.tga: error: Invalid texture information of the file 'deep.tga'"},
        {"cut.3ds", "Invalid chunk length"}, {"plain.txt plain.ms3d", "plain.ms3d: error: not a loadable MS3D model"},
        {"missing.bmp", ""}, {"plain.txt", ""}, {"", ""}};
    for (const auto& [arguments, message] : bad) {
        const testsupport::CommandRun failed = inspect(arguments);
        EXPECT_EQ(failed.status, 1) << arguments;
        EXPECT_NE(failed.out.find(message), std::string::npos) << failed.out;
    }
}
