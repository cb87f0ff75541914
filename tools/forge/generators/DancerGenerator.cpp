// The animated dancer: "Data/Animation/male_dancer_1/dancer.ms3d" and its
// texture beside it, named in the material relative to the model's folder.
#include "Generator.h"
#include "generators/DancerChoreography.h"
#include "generators/DancerMeshBuilder.h"
#include "generators/DancerRig.h"
#include "generators/DancerTexture.h"
#include "writers/ByteWriter.h"
#include "writers/Ms3dWriter.h"

namespace forge {
namespace {

using R = DancerRig;
using Vec3 = R::Vec3;
constexpr float u = R::unit;

const char* const textureName = "dancer.tga";

Vec3 at(int joint, float dx, float dy, float dz)
{
    const Vec3 p = R::restPosition(joint);
    return {p[0] + dx, p[1] + dy, p[2] + dz};
}

void torso(DancerMeshBuilder& mesh)
{
    mesh.attach(R::Hips, DancerTexture::pants());
    mesh.taperedBox(at(R::Hips, 0, -1.4f * u, -0.1f * u), 1.9f * u, 2.75f * u, 1.45f * u, 2.55f * u, 1.4f * u, 0.5f * u);
    mesh.attach(R::Hips, DancerTexture::belt());
    mesh.box(at(R::Hips, 0, 0.45f * u, -0.1f * u), 0.7f * u, 2.65f * u, 1.5f * u, 0.5f * u);
    mesh.attach(R::Spine, DancerTexture::shirt());
    mesh.taperedBox(at(R::Spine, 0, -0.3f * u, -0.1f * u), 3.6f * u, 2.35f * u, 1.35f * u, 2.6f * u, 1.5f * u, 0.5f * u);
    mesh.attach(R::Chest, DancerTexture::shirt());
    mesh.taperedBox(at(R::Chest, 0, 0.0f, -0.05f * u), 4.7f * u, 2.6f * u, 1.5f * u, 3.5f * u, 1.6f * u, 0.6f * u);
}

void head(DancerMeshBuilder& mesh)
{
    mesh.attach(R::Head, DancerTexture::skin());
    mesh.capsule(at(R::Head, 0, -0.6f * u, 0), 0.75f * u, at(R::Head, 0, 0.9f * u, 0), 0.7f * u, 8);
    mesh.attach(R::Head, DancerTexture::face());
    mesh.ellipsoid(at(R::Head, 0, 2.2f * u, 0.15f * u), {1.55f * u, 2.0f * u, 1.75f * u}, 10, 14);
    mesh.attach(R::Head, DancerTexture::hair());
    mesh.ellipsoid(at(R::Head, 0, 3.1f * u, -0.55f * u), {2.45f * u, 2.0f * u, 2.2f * u}, 8, 14);
}

void arm(DancerMeshBuilder& mesh, int upper, float side)
{
    mesh.attach(upper, DancerTexture::shirt());
    mesh.capsule(at(upper + 1, 0, 0, 0), 0.72f * u, at(upper, 0, 0, 0), 0.9f * u, 8);
    mesh.attach(upper + 1, DancerTexture::skin());
    mesh.capsule(at(upper + 2, 0, 0, 0), 0.52f * u, at(upper + 1, 0, 0, 0), 0.66f * u, 8);
    mesh.attach(upper + 2, DancerTexture::skin());
    mesh.box(at(upper + 2, side * 0.05f * u, -R::handLength, 0.05f * u), R::handLength + 0.2f * u, 0.35f * u, 0.6f * u,
             0.2f * u);
}

void leg(DancerMeshBuilder& mesh, int thigh)
{
    mesh.attach(thigh, DancerTexture::pants());
    mesh.capsule(at(thigh + 1, 0, 0, 0), 1.0f * u, at(thigh, 0, 0, 0), 1.25f * u, 10);
    mesh.attach(thigh + 1, DancerTexture::pants());
    // Bell-bottoms: the shin flares out towards the shoe.
    mesh.capsule(at(thigh + 2, 0, 0.3f * u, 0), 1.3f * u, at(thigh + 1, 0, 0, 0), 0.95f * u, 10);
    mesh.attach(thigh + 2, DancerTexture::shoes());
    const Vec3 ankle = at(thigh + 2, 0, 0, 0);
    const float sole = ankle[1] - R::ankleHeight;
    mesh.taperedBox({ankle[0], sole, ankle[2] + 0.8f * u}, R::ankleHeight + 0.2f * u, 0.8f * u, 2.0f * u, 0.65f * u,
                    1.2f * u, 0.3f * u);
}

Ms3dWriter::Material material()
{
    Ms3dWriter::Material m;
    m.name = "dancer";
    m.ambient = {0.35f, 0.35f, 0.35f, 1.0f};
    m.diffuse = {0.85f, 0.85f, 0.85f, 1.0f};
    m.specular = {0.25f, 0.25f, 0.25f, 1.0f};
    m.emissive = {0.05f, 0.05f, 0.05f, 1.0f};
    m.shininess = 24.0f;
    m.texture = std::string(".\\") + textureName;
    return m;
}

Ms3dWriter::Model buildDancer()
{
    Ms3dWriter::Model model;
    DancerMeshBuilder mesh(model);
    torso(mesh);
    head(mesh);
    arm(mesh, R::UpperArmL, 1.0f);
    arm(mesh, R::UpperArmR, -1.0f);
    leg(mesh, R::ThighL);
    leg(mesh, R::ThighR);
    mesh.finish("dancer");
    model.materials.push_back(material());
    DancerChoreography::animate(model);
    return model;
}

void forgeDancer(const std::filesystem::path& root)
{
    const auto folder = root / "Data" / "Animation" / "male_dancer_1";
    writeFile(folder / "dancer.ms3d", Ms3dWriter::encode(buildDancer()));
    writeFile(folder / textureName,
              DancerTexture::encodeTga(DancerTexture::paint(), DancerTexture::size, DancerTexture::size));
}

} // namespace

FORGE_GENERATOR("dancer", forgeDancer);

} // namespace forge
