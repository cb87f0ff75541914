#include "scene/Model.h"

#include "core/ObjectRegistry.h"
#include "scene/MeshManager.h"

#include <GL/gl.h>

#include <cassert>

namespace {

// The texture name from the registered mesh manager; without one (a tool
// reading a file) the material draws untextured.
std::uint32_t meshManagerTextureName(const std::string& path)
{
    if (!ObjectRegistry::exists())
        return 0;
    MeshManager* manager = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager");
    return manager ? manager->getTextureName(path.c_str()) : 0;
}

} // namespace

Model::Model(std::unique_ptr<Timer> timer)
    : Object(false, "Model")
    , m_timer(timer ? std::move(timer) : std::unique_ptr<Timer>(Timer::create()))
{
    restart();
}

Model::~Model() = default;

void Model::clear()
{
    m_groups.clear();
    m_materials.clear();
    m_triangles.clear();
    m_vertices.clear();
    m_joints.clear();
    m_numGroups = m_numMaterials = m_numTriangles = m_numVertices = m_numJoints = 0;
}

void Model::setKeyframe(int jointIndex, int keyframeIndex, float timeMs, const Vec3& value, bool rotation)
{
    assert(m_numJoints > jointIndex && "m_numJoints > jointIndex");
    Joint& joint = m_joints[jointIndex];
    Keyframe& keyframe = rotation ? joint.m_rotationKeyframes[keyframeIndex]
                                  : joint.m_translationKeyframes[keyframeIndex];
    keyframe.m_joint = jointIndex;
    keyframe.m_timeMs = timeMs;
    keyframe.m_value = value;
}

void Model::resolveTextures()
{
    for (std::int32_t i = 0; i < m_numMaterials; ++i) {
        ModelMaterial& material = m_materials[i];
        if (material.m_textureFile.empty())
            material.m_glTexture = 0;
        else if (textureLookup)
            material.m_glTexture = static_cast<std::int32_t>(textureLookup(material.m_textureFile));
        else
            material.m_glTexture = static_cast<std::int32_t>(meshManagerTextureName(material.m_textureFile));
    }
}

void Model::setupJoints()
{
    for (std::int32_t i = 0; i < m_numJoints; ++i) {
        Joint& joint = m_joints[i];
        joint.m_bindRelative.setEulerRotation(joint.m_bindRotation);
        joint.m_bindRelative.setTranslationPart(joint.m_bindTranslation);
        if (joint.m_parentIndex == -1) {
            joint.m_bindAbsolute = joint.m_bindRelative;
        } else {
            joint.m_bindAbsolute = m_joints[joint.m_parentIndex].m_bindAbsolute;
            joint.m_bindAbsolute.multiplyBy(joint.m_bindRelative);
        }
    }
    for (std::int32_t i = 0; i < m_numVertices; ++i) {
        ModelVertex& vertex = m_vertices[i];
        if (vertex.m_bone == -1)
            continue;
        const Matrix4& bind = m_joints[vertex.m_bone].m_bindAbsolute;
        bind.untranslate(vertex.m_position);
        bind.unrotate(vertex.m_position);
    }
    for (std::int32_t i = 0; i < m_numTriangles; ++i) {
        ModelTriangle& triangle = m_triangles[i];
        for (int corner = 0; corner < 3; ++corner) {
            const ModelVertex& vertex = m_vertices[triangle.m_indices[corner]];
            if (vertex.m_bone != -1)
                m_joints[vertex.m_bone].m_bindAbsolute.unrotate(triangle.m_normals[corner]);
        }
    }
}

void Model::setFrames(std::int32_t firstFrame, std::int32_t lastFrame)
{
    m_firstFrame = firstFrame;
    m_lastFrame = lastFrame;
    restart();
}

void Model::restart()
{
    for (std::int32_t i = 0; i < m_numJoints; ++i) {
        Joint& joint = m_joints[i];
        joint.m_translationFrame = 0;
        joint.m_rotationFrame = 0;
        joint.m_pose = joint.m_bindAbsolute;
    }
    m_timer->reset();
}

void Model::advanceAnimation()
{
    double time = m_timer->getTime() * playbackSpeed + m_firstFrame * 1000.0 / m_fps;
    const double end = m_lastFrame * 1000.0 / m_fps;
    if (time > end) {
        if (m_looping) {
            restart();
            time = 0.0;
        } else {
            time = end;
        }
    }
    for (std::int32_t i = 0; i < m_numJoints; ++i)
        poseJoint(m_joints[i], time);
}

Vec3 Model::sampleKeyframes(const std::vector<Keyframe>& keyframes, std::int32_t count, std::int32_t& cursor,
                            double time)
{
    if (count == 0)
        return {};
    std::int32_t frame = cursor;
    while (frame < count && keyframes[frame].m_timeMs < time)
        ++frame;
    cursor = frame;

    if (frame == 0)
        return keyframes.front().m_value;
    if (frame == count)
        return keyframes[count - 1].m_value;
    assert(frame > 0 && frame < count && "frame > 0 && frame < pJoint->m_numKeyframes");
    const Keyframe& current = keyframes[frame];
    const Keyframe& previous = keyframes[frame - 1];
    // Earlier keyframes were passed only because they lie before the time,
    // so the span is positive and the factor lies in (0, 1].
    const double interpValue = (time - previous.m_timeMs) / (current.m_timeMs - previous.m_timeMs);
    Vec3 value;
    for (int i = 0; i < 3; ++i)
        value[i] = static_cast<float>((current.m_value[i] - previous.m_value[i]) * interpValue + previous.m_value[i]);
    return value;
}

void Model::poseJoint(Joint& joint, double time)
{
    if (joint.m_numRotationKeyframes == 0 && joint.m_numTranslationKeyframes == 0) {
        joint.m_pose = joint.m_bindAbsolute;
        return;
    }
    const Vec3 translation =
        sampleKeyframes(joint.m_translationKeyframes, joint.m_numTranslationKeyframes, joint.m_translationFrame, time);
    const Vec3 angles =
        sampleKeyframes(joint.m_rotationKeyframes, joint.m_numRotationKeyframes, joint.m_rotationFrame, time);

    Matrix4 local;
    local.setEulerRotation(angles);
    local.setTranslationPart(translation);
    Matrix4 relative = joint.m_bindRelative;
    relative.multiplyBy(local);

    if (joint.m_parentIndex == -1) {
        joint.m_pose = relative;
    } else {
        joint.m_pose = m_joints[joint.m_parentIndex].m_pose;
        joint.m_pose.multiplyBy(relative);
    }
}

Vector4 Model::posedPosition(const ModelVertex& vertex) const
{
    Vector4 position(vertex.m_position);
    if (vertex.m_bone != -1)
        position.transformPoint(m_joints[vertex.m_bone].m_pose);
    return position;
}

Vector4 Model::posedNormal(const ModelTriangle& triangle, int corner) const
{
    Vector4 normal(triangle.m_normals[corner]);
    const ModelVertex& vertex = m_vertices[triangle.m_indices[corner]];
    if (vertex.m_bone != -1) {
        normal.transformDirection(m_joints[vertex.m_bone].m_pose);
        normal.normalize();
    }
    return normal;
}

void Model::draw()
{
    advanceAnimation();
    const bool texturing = glIsEnabled(GL_TEXTURE_2D);
    for (std::int32_t i = 0; i < m_numGroups; ++i)
        drawGroup(m_groups[i]);
    if (texturing)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

void Model::applyMaterial(std::int32_t materialIndex) const
{
    if (materialIndex < 0) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    const ModelMaterial& material = m_materials[materialIndex];
    glMaterialfv(GL_FRONT, GL_AMBIENT, material.m_ambient.data());
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.m_diffuse.data());
    glMaterialfv(GL_FRONT, GL_SPECULAR, material.m_specular.data());
    glMaterialfv(GL_FRONT, GL_EMISSION, material.m_emissive.data());
    glMaterialf(GL_FRONT, GL_SHININESS, material.m_shininess);
    if (material.m_glTexture > 0) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(material.m_glTexture));
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

void Model::drawGroup(const ModelGroup& group) const
{
    applyMaterial(group.m_material);
    glBegin(GL_TRIANGLES);
    for (std::int32_t i = 0; i < group.m_triangleCount; ++i) {
        const ModelTriangle& triangle = m_triangles[group.m_triangleList[i]];
        for (int corner = 0; corner < 3; ++corner) {
            const ModelVertex& vertex = m_vertices[triangle.m_indices[corner]];
            glTexCoord2f(triangle.m_u[corner], triangle.m_v[corner]);
            const Vec3 normal = posedNormal(triangle, corner).xyz();
            glNormal3fv(normal.data());
            const Vec3 position = posedPosition(vertex).xyz();
            glVertex3fv(position.data());
        }
    }
    glEnd();
}
