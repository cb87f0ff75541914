#pragma once

#include "core/Object.h"
#include "core/Timer.h"
#include "scene/Matrix4.h"
#include "scene/Vector4.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>


// Records of a skinned model.

struct ModelVertex {
    std::int8_t m_bone = -1; // joint index, -1 when not attached
    Vec3 m_position{};       // relative to the joint's rest pose once loaded
};

struct ModelTriangle {
    std::array<Vec3, 3> m_normals{}; // per corner, in joint space once loaded
    Vec3 m_u{};
    Vec3 m_v{}; // 1 - t of the file
    std::array<std::int32_t, 3> m_indices{};
};

struct ModelGroup {
    std::int32_t m_material = -1; // -1 (any negative) for none
    std::int32_t m_triangleCount = 0;
    std::vector<std::int32_t> m_triangleList;
};

struct ModelMaterial {
    std::array<float, 4> m_ambient{};
    std::array<float, 4> m_diffuse{};
    std::array<float, 4> m_specular{};
    std::array<float, 4> m_emissive{};
    float m_shininess = 0.0f;
    std::int32_t m_glTexture = 0; // draws textured only when above 0
    std::string m_textureFile;    // resolved path, possibly empty
};

struct Keyframe {
    std::int32_t m_joint = 0;
    float m_timeMs = 0.0f;
    Vec3 m_value{}; // angles in radians, or a translation
};

struct Joint {
    Vec3 m_bindRotation{};
    Vec3 m_bindTranslation{};
    Matrix4 m_bindAbsolute;
    Matrix4 m_bindRelative;
    std::int32_t m_numRotationKeyframes = 0;
    std::int32_t m_numTranslationKeyframes = 0;
    std::vector<Keyframe> m_rotationKeyframes;
    std::vector<Keyframe> m_translationKeyframes;
    std::int32_t m_translationFrame = 0;
    std::int32_t m_rotationFrame = 0;
    Matrix4 m_pose;
    std::int32_t m_parentIndex = -1;
};

// A skinned, keyframe-animated model: geometry, materials, skeleton and the
// clock of the frame range being played. Subclasses read a file format.
class Model : public Object {
public:
    // Gives the GL texture name for a resolved texture path.
    using TextureLookup = std::function<std::uint32_t(const std::string& path)>;

    // The animation runs this many times faster than the real clock.
    static constexpr double playbackSpeed = 4.0666;

    // Without a timer the model makes its own with Timer::create.
    explicit Model(std::unique_ptr<Timer> timer = nullptr);
    ~Model() override;

    virtual bool load(const char* path) = 0;

    // Replaces the registry's "MeshManager" as the source of texture names.
    void setTextureLookup(TextureLookup lookup) { textureLookup = std::move(lookup); }

    // Starts the range from its first frame.
    void setFrames(std::int32_t firstFrame, std::int32_t lastFrame);
    void setLooping(bool looping) { m_looping = looping; }
    // Rewinds every joint to its rest pose and the clock to 0.
    void restart();
    // Computes every joint's pose for the current time.
    void advanceAnimation();
    // Advances the animation and draws with the current model-view matrix.
    void draw();

    // Where a vertex, and a triangle corner's normal, are drawn in the current pose.
    Vector4 posedPosition(const ModelVertex& vertex) const;
    Vector4 posedNormal(const ModelTriangle& triangle, int corner) const;

    std::int32_t firstFrame() const { return m_firstFrame; }
    std::int32_t lastFrame() const { return m_lastFrame; }
    float fps() const { return m_fps; }
    bool looping() const { return m_looping; }
    const std::vector<ModelVertex>& vertices() const { return m_vertices; }
    const std::vector<ModelTriangle>& triangles() const { return m_triangles; }
    const std::vector<ModelGroup>& groups() const { return m_groups; }
    const std::vector<ModelMaterial>& materials() const { return m_materials; }
    const std::vector<Joint>& joints() const { return m_joints; }
    // The counts as read from the file; the arrays above hold exactly as many.
    std::int32_t numGroups() const { return m_numGroups; }
    std::int32_t numMaterials() const { return m_numMaterials; }
    std::int32_t numTriangles() const { return m_numTriangles; }
    std::int32_t numVertices() const { return m_numVertices; }
    std::int32_t numJoints() const { return m_numJoints; }
    bool empty() const { return m_numVertices == 0 && m_numTriangles == 0 && m_numGroups == 0; }

protected:
    // Computes the rest matrices and moves attached vertices and normals into joint space.
    void setupJoints();
    void setKeyframe(int jointIndex, int keyframeIndex, float timeMs, const Vec3& value, bool rotation);
    // Gives every material with a texture path its GL texture name.
    void resolveTextures();
    // Drops everything loaded, leaving an empty model.
    void clear();

    std::int32_t m_firstFrame = 0;
    std::int32_t m_lastFrame = 0;
    float m_fps = 0.0f;
    std::int32_t m_numGroups = 0;
    std::vector<ModelGroup> m_groups;
    std::int32_t m_numMaterials = 0;
    std::vector<ModelMaterial> m_materials;
    std::int32_t m_numTriangles = 0;
    std::vector<ModelTriangle> m_triangles;
    std::int32_t m_numVertices = 0;
    std::vector<ModelVertex> m_vertices;
    std::int32_t m_numJoints = 0;
    std::vector<Joint> m_joints;
    std::unique_ptr<Timer> m_timer;
    bool m_looping = true;

private:
    // Moves the cursor past the keyframes before time and returns the value at time.
    static Vec3 sampleKeyframes(const std::vector<Keyframe>& keyframes, std::int32_t count, std::int32_t& cursor,
                                double time);
    void poseJoint(Joint& joint, double time);
    void drawGroup(const ModelGroup& group) const;
    void applyMaterial(std::int32_t materialIndex) const;

    TextureLookup textureLookup;
};
