#include "Ms3dSample.h"

#include "scene/Ms3dModel.h"
#include "support/TestSupport.h"
#include "writers/ByteWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Loads bytes into a model whose texture lookup records every path it is asked for.
struct Loaded {
    bool ok = false;
    std::string errors;
    std::vector<std::string> lookedUp;
};

Loaded loadBytes(Ms3dModel& model, const Bytes& bytes,
                 const std::string& path = "Data\\Animation\\male_dancer_1\\dancer.ms3d", std::uint32_t texture = 7)
{
    Loaded result;
    model.setTextureLookup([&result, texture](const std::string& p) {
        result.lookedUp.push_back(p);
        return texture;
    });
    testing::internal::CaptureStderr();
    result.ok = model.loadFromBuffer(bytes, path);
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

// The refused file is loaded over the sample, which must not survive it.
void expectRefused(const Bytes& bytes, const std::string& message)
{
    Ms3dModel model;
    ASSERT_TRUE(loadBytes(model, Ms3d::encode(sampleMs3d())).ok);
    const Loaded loaded = loadBytes(model, bytes);
    EXPECT_FALSE(loaded.ok);
    EXPECT_NE(loaded.errors.find(message), std::string::npos) << loaded.errors;
    EXPECT_TRUE(model.empty() && model.numMaterials() == 0 && model.numJoints() == 0);
    EXPECT_TRUE(model.materials().empty() && model.joints().empty() && loaded.lookedUp.empty());
    model.advanceAnimation();
}

Bytes edited(const std::function<void(Ms3d::Model&)>& edit)
{
    Ms3d::Model m = sampleMs3d();
    edit(m);
    return Ms3d::encode(m);
}

// The sample with the bytes from `offset` on overwritten.
Bytes patched(std::size_t offset, const Bytes& with)
{
    Bytes bytes = Ms3d::encode(sampleMs3d());
    std::ranges::copy(with, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return bytes;
}

Bytes cut(std::size_t size)
{
    Bytes bytes = Ms3d::encode(sampleMs3d());
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

} // namespace

// Every field of every record holds a value of its own, with the ignored
// bytes set, so a field read from a neighbour's offset shows.
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
    m.groups = {{.name = {}, .triangles = {1, 0, 1}}, {.name = {}, .triangles = {0}, .material = 0}};
    m.materials = {{.name = {}, .texture = {}, .alphaMap = {}}};
    m.joints = {joint("Root", "", {0, 0, 0}, {{0.25f, {1, 2, 3}}, {0.5f, {4, 5, 6}}}, {{0.75f, {7, 8, 9}}}),
                joint("Knee", "rOOT", {}, {}, {})};
    Ms3dModel model;
    const Loaded loaded = loadBytes(model, Ms3d::encode(m));
    ASSERT_TRUE(loaded.ok) << loaded.errors;
    EXPECT_EQ(loaded.errors, "");

    const std::array<std::int32_t, 5> counts{model.numVertices(), model.numTriangles(), model.numGroups(),
                                             model.numMaterials(), model.numJoints()};
    EXPECT_EQ(counts, (std::array<std::int32_t, 5>{2, 2, 2, 1, 2}));
    ASSERT_TRUE(model.vertices().size() == 2u && model.triangles().size() == 2u);
    EXPECT_EQ(model.vertices()[0].m_position, (Vec3{1.5f, -2.5f, 3.5f})) << "unattached vertices stay as written";
    EXPECT_EQ(model.vertices()[1].m_position, (Vec3{4.5f, 5.5f, -6.5f}));
    EXPECT_EQ(model.vertices()[1].m_bone, -1);
    for (std::size_t i = 0; i < 2; ++i) {
        const ModelTriangle& t = model.triangles()[i];
        const float f = 10.0f * (i + 1);
        EXPECT_EQ(t.m_indices, (std::array<std::int32_t, 3>{static_cast<std::int32_t>(i), 1, 0}));
        EXPECT_EQ(t.m_normals, (std::array<Vec3, 3>{{{f + 1, f + 2, f + 3}, {f + 4, f + 5, f + 6}, {f + 7, f + 8, f + 9}}}));
        EXPECT_EQ(t.m_u, (Vec3{f + 0.25f, f + 0.5f, f + 0.75f}));
        EXPECT_EQ(t.m_v, (Vec3{0.875f, 0.625f, 0.375f}));
    }
    const auto& groups = model.groups();
    EXPECT_EQ(groups[0].m_triangleList, (std::vector<std::int32_t>{1, 0, 1}));
    EXPECT_EQ((std::array{groups[0].m_triangleCount, groups[1].m_triangleCount}), (std::array{3, 1}));
    EXPECT_EQ((std::array{groups[0].m_material, groups[1].m_material}), (std::array{-1, 0})) << "255: no material";
    EXPECT_EQ(model.joints()[1].m_parentIndex, 0) << "parent names match ignoring case";
    const Joint& root = model.joints()[0];
    EXPECT_EQ((std::array{root.m_parentIndex, root.m_numRotationKeyframes, root.m_numTranslationKeyframes}),
              (std::array{-1, 2, 1}));
    const auto& rotation = root.m_rotationKeyframes.at(1);
    const auto& translation = root.m_translationKeyframes.at(0);
    EXPECT_EQ((std::tuple{rotation.m_value, rotation.m_timeMs, rotation.m_joint}), (std::tuple{Vec3{4, 5, 6}, 500.0f, 0}));
    EXPECT_EQ((std::tuple{translation.m_value, translation.m_timeMs}), (std::tuple{Vec3{7, 8, 9}, 750.0f}));
    EXPECT_EQ(root.m_translationKeyframes.size(), 1u);
}

// Bytes after the last joint are ignored.
TEST(Ms3dModelLoad, NewerVersionsAndTrailingBytesLoad)
{
    for (const int version : {3, 4, 9}) {
        Bytes bytes = edited([version](Ms3d::Model& m) { m.version = version; });
        bytes.insert(bytes.end(), {1, 2, 3});
        Ms3dModel model;
        EXPECT_TRUE(loadBytes(model, bytes).ok) << version;
        EXPECT_EQ(model.joints().at(1).m_rotationKeyframes.at(0).m_joint, 1);
    }
}

// Every message ends its line, so "\n" asks for any message at all.
TEST(Ms3dModelLoad, EveryTruncationIsRefusedCleanly)
{
    const std::size_t size = Ms3d::encode(sampleMs3d()).size();
    for (std::size_t length = 0; length < size; ++length) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        expectRefused(cut(length), "\n");
    }
}

TEST(Ms3dModelLoad, MalformedFilesAreRefusedWithTheirReason)
{
    const Ms3dOffsets at(sampleMs3d());
    const std::pair<Bytes, std::string> cases[] = {
        {edited([](auto& m) { m.version = 2; }), "I know nothing about MS3D v1.2"},
        {edited([](auto& m) { m.version = -1; }), "I know nothing about MS3D v1.2"},
        {patched(9, {'1'}), "Not an MS3D file."},
        {{}, "Not an MS3D file."},
        {{'M', 'S', '3', 'D'}, "Not an MS3D file."},
        {cut(at.vertices + 1), "truncated in its vertices"},
        {cut(at.triangles + 1), "truncated in its triangles"},
        {cut(at.groups + 2 + 36), "group triangle count 1 runs past"}, // the group header fits
        {cut(at.materials + 1), "truncated in its materials"},
        {cut(at.animation + 5), "truncated in its animation"},
        {cut(at.joints + 200), "truncated in its joints"},
        {cut(Ms3d::encode(sampleMs3d()).size() - 1), "keyframe count 1 runs past"},
        {patched(at.vertices, {0xFF, 0xFF}), "vertex count 65535 runs past"},
        {patched(at.triangles, {0xFF, 0xFF}), "triangle count 65535 runs past"},
        {patched(at.groups, {0xFF, 0xFF}), "group count 65535 runs past"},
        {patched(at.groups + 2 + 1 + 32, {0xFF, 0xFF}), "group triangle count 65535 runs past"},
        {patched(at.materials, {0xFF, 0xFF}), "material count 65535 runs past"},
        {patched(at.joints - 2, {0xFF, 0xFF}), "joint count 65535 runs past"},
        {patched(at.joints + 89, {0xFF, 0xFF}), "keyframe count 65535 runs past"},
        {patched(at.joints + 91, {0xFF, 0xFF}), "keyframe count 65535 runs past"},
        {edited([](auto& m) { m.triangles[0].indices[2] = 3; }), "triangle 0 names vertex 3, but there are 3"},
        {edited([](auto& m) { m.groups[0].triangles = {0, 1}; }), "group 0 names triangle 1, but there are 1"},
        {edited([](auto& m) { m.vertices[2].bone = 2; }), "vertex 2 names joint 2, but there are 2 joints"},
        {edited([](auto& m) { m.vertices[2].bone = -2; }), "vertex 2 names joint -2"},
        {edited([](auto& m) { m.joints.clear(); }), "vertex 0 names joint 0, but there are 0 joints"},
        {edited([](auto& m) { m.groups[0].material = 1; }), "group 0 names material 1, but there are 1"},
        {edited([](auto& m) { m.joints[1].parentName = "Hips"; }), "Unable to find parent bone in MS3D file\n"},
        {edited([](auto& m) { m.joints[0].name = std::string(32, 'J'); }), "joint 0 has a name without a"},
        {edited([](auto& m) { m.joints[1].parentName = std::string(32, 'p'); }), "joint 1 has a name without a"},
        {edited([](auto& m) { m.materials[0].texture = std::string(128, 't'); }), "material 0 has a texture name"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].second);
        expectRefused(cases[i].first, cases[i].second);
    }
}

// A path longer than the game's limit refuses the model; "" marks that.
TEST(Ms3dModelLoad, TexturePathsResolveAgainstTheModelFolder)
{
    const std::string longName = ".\\" + std::string(100, 't');
    const std::string deep(Ms3dModel::maxTexturePathLength - 100, 'd');
    const std::array<std::array<std::string, 3>, 8> cases{{
        {".\\skin.bmp", "Data\\Animation\\male_dancer_1\\dancer.ms3d", "Data\\Animation\\male_dancer_1/skin.bmp"},
        {".\\skin.bmp", "models/a/dancer.ms3d", "models/a/skin.bmp"},
        {".\\skin.bmp", "dancer.ms3d", "skin.bmp"},
        {".\\skin.bmp", "\\dancer.ms3d", "skin.bmp"}, // a separator in front is not a folder
        {"Data\\skin.tga", "a\\dancer.ms3d", "Data\\skin.tga"},
        {"./skin.tga", "a\\dancer.ms3d", "./skin.tga"},
        {longName, deep.substr(1) + "\\m.ms3d", deep.substr(1) + "/" + longName.substr(2)},
        {longName, deep + "\\m.ms3d", ""},
    }};
    for (const auto& [texture, modelPath, resolved] : cases) {
        Ms3dModel model;
        const Loaded loaded =
            loadBytes(model, edited([&](Ms3d::Model& m) { m.materials[0].texture = texture; }), modelPath);
        ASSERT_EQ(loaded.ok, !resolved.empty()) << loaded.errors;
        if (resolved.empty()) {
            EXPECT_NE(loaded.errors.find("texture path too long"), std::string::npos);
            EXPECT_TRUE(model.empty());
            continue;
        }
        EXPECT_EQ(model.materials()[0].m_textureFile, resolved) << texture << " in " << modelPath;
        EXPECT_EQ(model.materials()[0].m_glTexture, 7);
    }
}

TEST(Ms3dModelLoad, TextureNamesComeFromTheLookupOnlyWhenThereIsAPath)
{
    Ms3d::Model b = sampleMs3d();
    b.materials.push_back({});
    b.groups.push_back({.name = {}, .triangles = {0}, .material = 1});
    Ms3dModel model;
    const Loaded loaded = loadBytes(model, Ms3d::encode(b), "m\\dancer.ms3d", 0xFFFFFFFF);
    ASSERT_TRUE(loaded.ok) << loaded.errors;
    EXPECT_EQ(loaded.lookedUp, std::vector<std::string>{"m/skin.bmp"});
    EXPECT_EQ(model.materials()[0].m_glTexture, -1) << "an unloadable texture draws untextured";
    EXPECT_EQ(model.materials()[1].m_glTexture, 0);
}

TEST(Ms3dModelLoad, LoadsFromBackslashPathsAndReportsMissingFiles)
{
    testsupport::ScratchDir scratch;
    forge::writeFile(scratch.path() / "Models" / "one" / "m.ms3d", Ms3d::encode(sampleMs3d()));
    Ms3dModel model;
    model.setTextureLookup([](const std::string&) { return 3u; });
    EXPECT_TRUE(model.load("Models\\one\\m.ms3d"));
    for (const char* missing : {"Models\\one\\missing.ms3d", "Models"}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(model.load(missing));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't open the model file.\n");
        EXPECT_TRUE(model.empty());
    }
}
