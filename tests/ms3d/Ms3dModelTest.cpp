#include "Ms3dSample.h"

#include "scene/Ms3dModel.h"
#include "support/TestSupport.h"
#include "writers/ByteWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// Loads bytes into a model whose texture lookup records every path it is asked for.
struct Loaded {
    bool ok = false;
    std::string errors;
    std::vector<std::string> lookedUp;
};

Loaded loadBytes(Ms3dModel& model, const std::vector<std::uint8_t>& bytes,
                 const std::string& path = "Data\\Animation\\male_dancer_1\\dancer.ms3d",
                 std::uint32_t textureName = 7)
{
    Loaded result;
    model.setTextureLookup([&result, textureName](const std::string& p) {
        result.lookedUp.push_back(p);
        return textureName;
    });
    testing::internal::CaptureStderr();
    result.ok = model.loadFromBuffer(bytes, path);
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

void expectRefused(const std::vector<std::uint8_t>& bytes, const std::string& message)
{
    Ms3dModel model;
    const Loaded loaded = loadBytes(model, bytes);
    EXPECT_FALSE(loaded.ok);
    EXPECT_NE(loaded.errors.find(message), std::string::npos) << loaded.errors;
    EXPECT_TRUE(model.empty());
    EXPECT_TRUE(model.materials().empty() && model.numMaterials() == 0);
    EXPECT_TRUE(model.joints().empty() && model.numJoints() == 0);
    EXPECT_TRUE(loaded.lookedUp.empty());
}

} // namespace

// Field offsets are checked below; here what links records together.
TEST(Ms3dModelLoad, AGoodFileLinksJointsMaterialsAndKeyframes)
{
    Ms3dModel model;
    const Loaded loaded = loadBytes(model, Ms3d::encode(sampleMs3d()));
    ASSERT_TRUE(loaded.ok) << loaded.errors;
    EXPECT_EQ(loaded.errors, "");
    ASSERT_EQ(model.joints().size(), 2u);
    EXPECT_FLOAT_EQ(model.fps(), 24.0f);
    EXPECT_FLOAT_EQ(model.materials()[0].m_shininess, 16.0f);
    EXPECT_EQ(model.materials()[0].m_glTexture, 7);
    EXPECT_EQ(model.joints()[0].m_parentIndex, -1);
    EXPECT_EQ(model.joints()[1].m_parentIndex, 0) << "parent names match ignoring case";
    ASSERT_EQ(model.joints()[1].m_rotationKeyframes.size(), 1u);
    EXPECT_EQ(model.joints()[1].m_rotationKeyframes[0].m_joint, 1);
}

// Every field of every record holds a value of its own, with the ignored
// bytes set, so a field read from a neighbour's offset shows. Unattached
// vertices keep their positions and normals as written.
TEST(Ms3dModelLoad, EveryFieldComesFromItsOwnOffset)
{
    Ms3d::Model m;
    m.vertices = {{.flags = 0xFF, .position = {1.5f, -2.5f, 3.5f}, .referenceCount = 0xEE},
                  {.flags = 0xFF, .position = {4.5f, 5.5f, -6.5f}, .referenceCount = 0xEE}};
    for (std::uint16_t i = 0; i < 2; ++i) {
        const float f = 10.0f * (i + 1);
        m.triangles.push_back({.flags = 0xFFFF, .indices = {i, 1, 0},
            .normals = {{{f + 1, f + 2, f + 3}, {f + 4, f + 5, f + 6}, {f + 7, f + 8, f + 9}}},
            .s = {f + 0.25f, f + 0.5f, f + 0.75f}, .t = {0.125f, 0.375f, 0.625f}, .smoothingGroup = 0xDD,
            .groupIndex = 0xCC});
    }
    m.groups = {group({1, 0, 1}), group({0}, 0)};
    m.materials = {material("")};
    m.joints = {joint("Root", "", {0, 0, 0}, {{0.25f, {1, 2, 3}}, {0.5f, {4, 5, 6}}}, {{0.75f, {7, 8, 9}}})};
    Ms3dModel model;
    const Loaded loaded = loadBytes(model, Ms3d::encode(m));
    ASSERT_TRUE(loaded.ok) << loaded.errors;

    const std::array<std::int32_t, 5> counts{model.numVertices(), model.numTriangles(), model.numGroups(),
                                             model.numMaterials(), model.numJoints()};
    EXPECT_EQ(counts, (std::array<std::int32_t, 5>{2, 2, 2, 1, 1}));
    ASSERT_EQ(model.vertices().size(), 2u);
    EXPECT_EQ(model.vertices()[0].m_position, (Vec3{1.5f, -2.5f, 3.5f}));
    EXPECT_EQ(model.vertices()[1].m_position, (Vec3{4.5f, 5.5f, -6.5f}));
    EXPECT_EQ(model.vertices()[1].m_bone, -1);
    ASSERT_EQ(model.triangles().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const ModelTriangle& triangle = model.triangles()[i];
        const float f = 10.0f * (i + 1);
        EXPECT_EQ(triangle.m_indices, (std::array<std::int32_t, 3>{static_cast<std::int32_t>(i), 1, 0}));
        EXPECT_EQ(triangle.m_normals[0], (Vec3{f + 1, f + 2, f + 3}));
        EXPECT_EQ(triangle.m_normals[2], (Vec3{f + 7, f + 8, f + 9}));
        EXPECT_EQ(triangle.m_u, (Vec3{f + 0.25f, f + 0.5f, f + 0.75f}));
        EXPECT_EQ(triangle.m_v, (Vec3{0.875f, 0.625f, 0.375f}));
    }
    EXPECT_EQ(model.groups()[0].m_triangleList, (std::vector<std::int32_t>{1, 0, 1}));
    EXPECT_EQ(model.groups()[0].m_triangleCount, 3);
    EXPECT_EQ(model.groups()[1].m_triangleCount, 1);
    EXPECT_EQ(model.groups()[0].m_material, -1) << "255 means no material";
    EXPECT_EQ(model.groups()[1].m_material, 0);
    const Joint& root = model.joints()[0];
    EXPECT_EQ(root.m_numRotationKeyframes, 2);
    EXPECT_EQ(root.m_numTranslationKeyframes, 1);
    ASSERT_EQ(root.m_rotationKeyframes.size(), 2u);
    EXPECT_EQ(root.m_rotationKeyframes[1].m_value, (Vec3{4, 5, 6}));
    EXPECT_FLOAT_EQ(root.m_rotationKeyframes[1].m_timeMs, 500.0f);
    ASSERT_EQ(root.m_translationKeyframes.size(), 1u);
    EXPECT_EQ(root.m_translationKeyframes[0].m_value, (Vec3{7, 8, 9}));
    EXPECT_FLOAT_EQ(root.m_translationKeyframes[0].m_timeMs, 750.0f);
}

TEST(Ms3dModelLoad, VersionsThreeAndUpLoadButTwoDoesNot)
{
    Ms3d::Model b = sampleMs3d();
    for (const int version : {3, 4, 9}) {
        b.version = version;
        Ms3dModel model;
        EXPECT_TRUE(loadBytes(model, Ms3d::encode(b)).ok) << version;
    }
    b.version = 2;
    expectRefused(Ms3d::encode(b), "I know nothing about MS3D v1.2");
    b.version = -1;
    expectRefused(Ms3d::encode(b), "I know nothing about MS3D v1.2");
}

TEST(Ms3dModelLoad, RefusesWrongMagicAndTinyFiles)
{
    for (const std::uint8_t last : {'1', '\0'}) {
        std::vector<std::uint8_t> wrongMagic = Ms3d::encode(sampleMs3d());
        wrongMagic[9] = last;
        expectRefused(wrongMagic, "Not an MS3D file.");
    }
    expectRefused({}, "Not an MS3D file.");
    expectRefused({'M', 'S', '3', 'D'}, "Not an MS3D file.");
}

TEST(Ms3dModelLoad, EveryTruncationIsRefusedCleanly)
{
    const Ms3dOffsets at(sampleMs3d());
    const std::vector<std::uint8_t> full = Ms3d::encode(sampleMs3d());
    for (std::size_t size = 0; size < full.size(); ++size) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        Ms3dModel model;
        const Loaded loaded = loadBytes(model, cut);
        ASSERT_FALSE(loaded.ok) << "cut at " << size;
        ASSERT_FALSE(loaded.errors.empty()) << "cut at " << size;
        ASSERT_TRUE(model.empty() && model.joints().empty() && model.materials().empty()) << size;
    }
    const std::pair<std::size_t, const char*> sections[] = {
        {at.vertices + 1, "vertices"},   {at.triangles + 1, "triangles"}, {at.groups + 1, "groups"},
        {at.materials + 1, "materials"}, {at.animation + 5, "animation"}, {at.joints + 200, "joints"},
    };
    for (const auto& [size, section] : sections) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        expectRefused(cut, std::string("truncated in its ") + section);
    }
    expectRefused({full.begin(), full.end() - 1}, "keyframe count 1 runs past");
    std::vector<std::uint8_t> trailing = full;
    trailing.insert(trailing.end(), {1, 2, 3});
    Ms3dModel model;
    EXPECT_TRUE(loadBytes(model, trailing).ok) << "bytes after the last joint are ignored";
}

TEST(Ms3dModelLoad, CountsThatRunPastTheEndAreRefused)
{
    const Ms3dOffsets at(sampleMs3d());
    const std::vector<std::uint8_t> good = Ms3d::encode(sampleMs3d());
    const auto withU16 = [&good](std::size_t offset, std::uint16_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[offset] = static_cast<std::uint8_t>(value);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
        return bytes;
    };
    expectRefused(withU16(at.vertices, 0xFFFF), "vertex count 65535 runs past");
    expectRefused(withU16(at.triangles, 0xFFFF), "triangle count 65535 runs past");
    expectRefused(withU16(at.groups, 0xFFFF), "group count 65535 runs past");
    expectRefused(withU16(at.groups + 2 + 1 + 32, 0xFFFF), "group triangle count 65535 runs past");
    expectRefused(withU16(at.materials, 0xFFFF), "material count 65535 runs past");
    expectRefused(withU16(at.joints - 2, 0xFFFF), "joint count 65535 runs past");
    expectRefused(withU16(at.joints + 89, 0xFFFF), "keyframe count 65535 runs past");
    expectRefused(withU16(at.joints + 91, 0xFFFF), "keyframe count 65535 runs past");
}

TEST(Ms3dModelLoad, IndicesAtOrBeyondTheirCountAreRefused)
{
    Ms3d::Model b = sampleMs3d();
    b.triangles[0].indices[2] = 3;
    expectRefused(Ms3d::encode(b), "triangle 0 names vertex 3, but there are 3 vertices");

    b = sampleMs3d();
    b.groups[0].triangles = {0, 1};
    expectRefused(Ms3d::encode(b), "group 0 names triangle 1, but there are 1 triangles");

    b = sampleMs3d();
    b.vertices[2].bone = 2;
    expectRefused(Ms3d::encode(b), "vertex 2 names joint 2, but there are 2 joints");
    b.vertices[2].bone = -2;
    expectRefused(Ms3d::encode(b), "vertex 2 names joint -2");

    b = sampleMs3d();
    b.joints.clear();
    expectRefused(Ms3d::encode(b), "vertex 0 names joint 0, but there are 0 joints");

    b = sampleMs3d();
    b.groups[0].material = 1;
    expectRefused(Ms3d::encode(b), "group 0 names material 1, but there are 1 materials");
}

TEST(Ms3dModelLoad, MissingParentAndUnterminatedNamesAreRefused)
{
    Ms3d::Model b = sampleMs3d();
    b.joints[1].parentName = "Hips";
    expectRefused(Ms3d::encode(b), "Unable to find parent bone in MS3D file\n");

    b = sampleMs3d();
    b.joints[0].name = std::string(32, 'J');
    expectRefused(Ms3d::encode(b), "joint 0 has a name without a terminator");
    b = sampleMs3d();
    b.joints[1].parentName = std::string(32, 'p');
    expectRefused(Ms3d::encode(b), "joint 1 has a name without a terminator");

    b = sampleMs3d();
    b.materials[0].texture = std::string(128, 't');
    expectRefused(Ms3d::encode(b), "material 0 has a texture name without a terminator");
}

TEST(Ms3dModelLoad, TexturePathsResolveAgainstTheModelFolder)
{
    const auto resolve = [](const std::string& texture, const std::string& modelPath) {
        Ms3d::Model b = sampleMs3d();
        b.materials[0].texture = texture;
        Ms3dModel model;
        const Loaded loaded = loadBytes(model, Ms3d::encode(b), modelPath);
        EXPECT_TRUE(loaded.ok) << loaded.errors;
        return model.materials().empty() ? std::string("<failed>") : model.materials()[0].m_textureFile;
    };
    EXPECT_EQ(resolve(".\\skin.bmp", "Data\\Animation\\male_dancer_1\\dancer.ms3d"),
              "Data\\Animation\\male_dancer_1/skin.bmp");
    EXPECT_EQ(resolve(".\\skin.bmp", "models/a/dancer.ms3d"), "models/a/skin.bmp");
    EXPECT_EQ(resolve(".\\skin.bmp", "dancer.ms3d"), "skin.bmp");
    EXPECT_EQ(resolve(".\\skin.bmp", "\\dancer.ms3d"), "skin.bmp") << "a separator in front is not a folder";
    EXPECT_EQ(resolve("Data\\skin.tga", "a\\dancer.ms3d"), "Data\\skin.tga");
    EXPECT_EQ(resolve("./skin.tga", "a\\dancer.ms3d"), "./skin.tga");
}

TEST(Ms3dModelLoad, TextureNamesComeFromTheLookupOnlyWhenThereIsAPath)
{
    Ms3d::Model b = sampleMs3d();
    b.materials.push_back(material(""));
    b.groups.push_back(group({0}, 1));
    Ms3dModel model;
    const Loaded loaded = loadBytes(model, Ms3d::encode(b), "m\\dancer.ms3d", 0xFFFFFFFF);
    ASSERT_TRUE(loaded.ok) << loaded.errors;
    EXPECT_EQ(loaded.lookedUp, std::vector<std::string>{"m/skin.bmp"});
    EXPECT_EQ(model.materials()[0].m_glTexture, -1) << "an unloadable texture draws untextured";
    EXPECT_EQ(model.materials()[1].m_glTexture, 0);
}

TEST(Ms3dModelLoad, OverlongTexturePathIsRefused)
{
    Ms3d::Model b = sampleMs3d();
    b.materials[0].texture = ".\\" + std::string(100, 't');
    const std::string deepFolder(Ms3dModel::maxTexturePathLength - 100, 'd');
    Ms3dModel fits;
    EXPECT_TRUE(loadBytes(fits, Ms3d::encode(b), deepFolder.substr(1) + "\\m.ms3d").ok);
    Ms3dModel tooLong;
    const Loaded loaded = loadBytes(tooLong, Ms3d::encode(b), deepFolder + "\\m.ms3d");
    EXPECT_FALSE(loaded.ok);
    EXPECT_NE(loaded.errors.find("texture path too long"), std::string::npos);
    EXPECT_TRUE(tooLong.empty());
}

TEST(Ms3dModelLoad, AFailedLoadLeavesNothingOfAnEarlierModel)
{
    Ms3dModel model;
    ASSERT_TRUE(loadBytes(model, Ms3d::encode(sampleMs3d())).ok);
    Ms3d::Model b = sampleMs3d();
    b.joints[1].parentName = "nobody";
    EXPECT_FALSE(loadBytes(model, Ms3d::encode(b)).ok);
    EXPECT_TRUE(model.empty());
    EXPECT_TRUE(model.materials().empty());
    EXPECT_TRUE(model.joints().empty());
    model.advanceAnimation();
}

TEST(Ms3dModelLoad, LoadsFromBackslashPathsAndReportsMissingFiles)
{
    testsupport::ScratchDir scratch;
    forge::writeFile(scratch.path() / "Models" / "one" / "m.ms3d", Ms3d::encode(sampleMs3d()));
    Ms3dModel model;
    model.setTextureLookup([](const std::string&) { return 3u; });
    EXPECT_TRUE(model.load("Models\\one\\m.ms3d"));
    EXPECT_EQ(model.materials()[0].m_textureFile, "Models\\one/skin.bmp");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(model.load("Models\\one\\missing.ms3d"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't open the model file.\n");
    EXPECT_TRUE(model.empty());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(model.load("Models"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't open the model file.\n");
}

TEST(Ms3dModelLoad, RealWorldModelsLoadWithTheirCounts)
{
    const std::filesystem::path folder = std::filesystem::path(FLAREVOX_TEST_DATA) / "realfiles";
    struct Expected {
        const char* file;
        std::size_t materials;
        std::int32_t firstGroupMaterial;
    };
    for (const Expected& e : {Expected{"twospheres.ms3d", 0, -1}, Expected{"twospheres_withmats.ms3d", 2, 1}}) {
        Ms3dModel model;
        model.setTextureLookup([](const std::string&) { return 1u; });
        testing::internal::CaptureStderr();
        ASSERT_TRUE(model.load((folder / e.file).c_str())) << testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(model.vertices().size(), 124u) << e.file;
        EXPECT_EQ(model.triangles().size(), 240u) << e.file;
        ASSERT_EQ(model.groups().size(), 2u) << e.file;
        EXPECT_EQ(model.groups()[0].m_triangleList.size(), 120u);
        EXPECT_EQ(model.groups()[1].m_triangleList.size(), 120u);
        EXPECT_EQ(model.groups()[0].m_material, e.firstGroupMaterial);
        EXPECT_EQ(model.materials().size(), e.materials) << e.file;
        EXPECT_TRUE(model.joints().empty());
        EXPECT_FLOAT_EQ(model.fps(), 24.0f);
    }
}
