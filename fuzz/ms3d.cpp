// Feeds arbitrary bytes to the MS3D model loader, then animates the model over
// its frame range and follows every index its drawing follows.

#include "FuzzCheck.h"

#include "core/Timer.h"
#include "scene/Ms3dModel.h"

#include <cstdint>
#include <memory>
#include <string>

namespace {

// The animation clock, set by hand.
class HandTimer : public Timer {
public:
    void reset() override { now = 0.0; }
    double getTime() override { return now; }
    void pause() override {}
    void resume() override {}

    double now = 0.0;
};

// What drawing a group reads: its material, its triangles and their vertices.
void followDrawing(const Model& model)
{
    for (const ModelGroup& group : model.groups()) {
        fuzzCheck(group.m_material < static_cast<std::int32_t>(model.materials().size()), "group material exists");
        for (const std::int32_t triangleIndex : group.m_triangleList) {
            fuzzCheck(triangleIndex >= 0 && triangleIndex < static_cast<std::int32_t>(model.triangles().size()),
                      "group triangle exists");
            const ModelTriangle& triangle = model.triangles()[triangleIndex];
            for (int corner = 0; corner < 3; ++corner) {
                const std::int32_t vertexIndex = triangle.m_indices[corner];
                fuzzCheck(vertexIndex >= 0 && vertexIndex < static_cast<std::int32_t>(model.vertices().size()),
                          "triangle vertex exists");
                const ModelVertex& vertex = model.vertices()[vertexIndex];
                fuzzCheck(vertex.m_bone >= -1 && vertex.m_bone < static_cast<std::int32_t>(model.joints().size()),
                          "vertex joint exists");
                model.posedNormal(triangle, corner);
                model.posedPosition(vertex);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto timer = std::make_unique<HandTimer>();
    HandTimer& clock = *timer;
    Ms3dModel model(std::move(timer));
    model.setTextureLookup([](const std::string& path) {
        fuzzCheck(path.size() <= Ms3dModel::maxTexturePathLength, "texture paths fit a path buffer");
        return 1u;
    });
    if (!model.loadFromBuffer({data, size}, "Data\\Animation\\fuzz\\dancer.ms3d")) {
        fuzzCheck(model.empty() && model.joints().empty(), "a refused model holds nothing");
        return 0;
    }
    for (const Joint& joint : model.joints()) {
        fuzzCheck(joint.m_parentIndex >= -1 && joint.m_parentIndex < static_cast<std::int32_t>(model.joints().size()),
                  "parent joints exist");
        fuzzCheck(joint.m_numRotationKeyframes == static_cast<std::int32_t>(joint.m_rotationKeyframes.size())
                      && joint.m_numTranslationKeyframes == static_cast<std::int32_t>(joint.m_translationKeyframes.size()),
                  "keyframe counts match their arrays");
    }
    fuzzCheck(model.numVertices() == static_cast<std::int32_t>(model.vertices().size())
                  && model.numTriangles() == static_cast<std::int32_t>(model.triangles().size())
                  && model.numGroups() == static_cast<std::int32_t>(model.groups().size())
                  && model.numMaterials() == static_cast<std::int32_t>(model.materials().size())
                  && model.numJoints() == static_cast<std::int32_t>(model.joints().size()),
              "counts match their arrays");

    model.setFrames(0, 40);
    for (const double ms : {0.0, 100.0, 2500.0, 1.0e7}) {
        clock.now = ms;
        model.advanceAnimation();
        followDrawing(model);
    }
    return 0;
}
