// A scene state as the explainer works with it: the state's lights and
// material as the model's doubles, and the mesh's triangles placed in the
// scene's frame in double, as drawScene places them for GL.
#include "explain/explanation.h"

#include <algorithm>
#include <cmath>

// The model keeps its own counts, as an oracle does: they must be the state's.
static_assert(MODEL_LIGHT_COUNT == LIGHT_COUNT && MODEL_MOST_LIGHTS == MAX_LIGHTS,
              "the model lights every light of the state");
static_assert(sizeof(LightingSetup::front) / sizeof(LightingSetup::front[0]) == SOLID_COUNT,
              "the model has a material for every solid");

namespace {

const double PI = std::acos(-1.0);

Colour colourOf(const float c[4])
{
    return {c[0], c[1], c[2]};
}

Vec3 vec(const float v[3])
{
    return {v[0], v[1], v[2]};
}

// A corner of the solid's own frame (a normal, when `direction`) in the
// scene's: the placement's steps from the last (the one nearest the
// vertices) to the first, glRotate's turn by Rodrigues' formula.
Vec3 placed(const std::vector<PlacementStep>& placement, Vec3 p, bool direction)
{
    for (auto step = placement.rbegin(); step != placement.rend(); ++step) {
        const Vec3 v{step->x, step->y, step->z};
        if (step->kind == PlacementStep::Translate) {
            p = direction ? p : p + v;
            continue;
        }
        const Vec3 axis = normalized(v);
        const double a = step->angle * PI / 180.0;
        p = std::cos(a) * p + std::sin(a) * cross(axis, p) +
            (1 - std::cos(a)) * dot(axis, p) * axis;
    }
    return p;
}

Vec3 cornerOf(const std::vector<float>& values, int triangle, int corner)
{
    const size_t at = (static_cast<size_t>(triangle) * 3 + static_cast<size_t>(corner)) * 3;
    return {values[at], values[at + 1], values[at + 2]};
}

}  // namespace

View viewOf(const SceneState& state)
{
    View view;
    view.viewpoint = state.view.viewpoint;
    view.angleX = state.view.angleX;
    view.angleY = state.view.angleY;
    view.angleZ = state.view.angleZ;
    view.width = state.view.windowWidth;
    view.height = state.view.windowHeight;
    return view;
}

LightingSetup lightingOf(const SceneState& state)
{
    const SceneSetup& s = state.setup;
    LightingSetup setup{};
    setup.lightCount = s.lightCount;
    for (int i = 0; i < MODEL_MOST_LIGHTS; ++i) {
        const LightSetup& light = s.lights[i];
        ModelLight& model = setup.lights[i];
        std::copy(light.position, light.position + 4, model.position);
        model.ambient = colourOf(light.ambient);
        model.diffuse = colourOf(light.diffuse);
        model.specular = colourOf(light.specular);
        model.spotDirection = vec(light.spotDirection);
        model.spotCutoff = light.spotCutoff;
        model.spotExponent = light.spotExponent;
        std::copy(light.attenuation, light.attenuation + 3, model.attenuation);
        setup.on[i] = state.lightOn[i];
    }
    const MaterialSetup& m = s.material;
    for (int k = 0; k < SOLID_COUNT; ++k) {
        setup.front[k] = {colourOf(m.ambient), colourOf(m.diffuse[k]), colourOf(m.specular),
                          colourOf(m.emission), m.shininess};
    }
    const BackMaterialSetup& b = s.back;
    setup.back = {colourOf(b.ambient), colourOf(b.diffuse), colourOf(b.specular),
                  colourOf(b.emission), b.shininess};
    setup.globalAmbient = colourOf(s.lightModel.ambient);
    setup.localViewer = s.lightModel.localViewer;
    setup.twoSided = s.lightModel.twoSided;
    setup.separateSpecular = s.lightModel.separateSpecular;
    setup.phong = state.highlight == Highlight::Phong;
    return setup;
}

SceneModel::SceneModel(const SceneState& state)
    : state_(state), view_(viewOf(state)), lighting_(lightingOf(state)),
      mesh_(buildSceneMesh(state.tessellation)), count_(mesh_.triangleCount())
{
}

MeshTriangle SceneModel::triangle(int index) const
{
    MeshTriangle t;
    MeshSolid solid{};
    int within = 0;
    if (!mesh_.locate(index, solid, within)) {
        return t;
    }
    const SolidMesh& m = mesh_.solids[solid];
    t.index = index;
    t.solid = static_cast<Solid>(static_cast<int>(solid) + 1);
    t.provoking = m.provoking[static_cast<size_t>(within)];
    for (int c = 0; c < 3; ++c) {
        t.point[c] = placed(m.placement, cornerOf(m.positions, within, c), false);
        t.normal[c] = normalized(placed(m.placement, cornerOf(m.normals, within, c), true));
    }
    // A cube face by its normal's axis and sign; the cone's base faces down.
    const Vec3 n = t.normal[0];
    if (t.solid == Solid::Cube) {
        const double a[3] = {std::abs(n.x), std::abs(n.y), std::abs(n.z)};
        const int axis = static_cast<int>(std::max_element(a, a + 3) - a);
        const double value = axis == 0 ? n.x : axis == 1 ? n.y : n.z;
        t.face = 2 * axis + (value < 0 ? 1 : 0);
    } else if (t.solid == Solid::Cone && t.normal[0].y < -0.999 && t.normal[1].y < -0.999 &&
               t.normal[2].y < -0.999) {
        t.face = CONE_BASE;
    }
    // GL's front faces run counter-clockwise on screen: their winding's
    // normal points towards the eye.
    const Vec3 a = toEye(view_, t.point[0]), b = toEye(view_, t.point[1]),
               c = toEye(view_, t.point[2]);
    t.backFace = dot(cross(b - a, c - a), -1.0 * a) < 0;
    return t;
}

Vec3 SceneModel::pointOn(const MeshTriangle& t, double x, double y) const
{
    const Vec3 from = unprojectWindow(view_, x, y, 0.0);
    const Vec3 ray = unprojectWindow(view_, x, y, 1.0) - from;
    const Vec3 n = cross(t.point[1] - t.point[0], t.point[2] - t.point[0]);
    const double across = dot(n, ray);
    if (std::abs(across) <= 1e-12 * length(n) * length(ray)) {
        // Seen edge on (or no area): the ray's point nearest the middle.
        const Vec3 middle = (1.0 / 3.0) * (t.point[0] + t.point[1] + t.point[2]);
        return from + (dot(middle - from, ray) / dot(ray, ray)) * ray;
    }
    return from + (dot(n, t.point[0] - from) / across) * ray;
}

LightingAt SceneModel::lightingOn(const MeshTriangle& t, Vec3 point, Vec3 normal) const
{
    return lightingAt(view_, lighting_, t.solid, t.backFace, point, normal);
}
