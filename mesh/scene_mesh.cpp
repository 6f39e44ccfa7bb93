// The demo's four solids, sized and placed as drawScene draws them.
#include "mesh/solids.h"

#include <string>

namespace {

// What drawScene asks of GLUT and GLU.
constexpr double CUBE_SIZE = 2.0;
constexpr double SPHERE_RADIUS = 1.0;
constexpr double CONE_BASE = 1.0, CONE_HEIGHT = 2.0;
constexpr double TUBE_RADIUS = 1.0, TUBE_HEIGHT = 2.0;

// "sphere stacks 1 is not in 2 to 256", or nothing when `value` is in range.
std::string rangeProblem(const char* count, int value, int min, int max)
{
    if (value >= min && value <= max) {
        return {};
    }
    return std::string(count) + " " + std::to_string(value) + " is not in " +
           std::to_string(min) + " to " + std::to_string(max);
}

PlacementStep translate(float x, float y, float z)
{
    return {PlacementStep::Translate, 0.0f, x, y, z};
}

PlacementStep rotate(float angle, float x, float y, float z)
{
    return {PlacementStep::Rotate, angle, x, y, z};
}

}  // namespace

bool operator==(const Tessellation& a, const Tessellation& b)
{
    return a.cube == b.cube && a.sphereSlices == b.sphereSlices &&
           a.sphereStacks == b.sphereStacks && a.coneSlices == b.coneSlices &&
           a.coneStacks == b.coneStacks && a.cylinderSlices == b.cylinderSlices &&
           a.cylinderStacks == b.cylinderStacks;
}

std::vector<PlacementStep> centredTube(double height)
{
    return {rotate(90.0f, 1.0f, 0.0f, 0.0f),
            translate(0.0f, 0.0f, static_cast<float>(-0.5 * height))};
}

std::vector<PlacementStep> solidPlacement(MeshSolid solid)
{
    switch (solid) {
    // Red cube, upper right; green sphere, lower right.
    case MESH_CUBE: return {translate(2.0f, 2.0f, 0.0f)};
    case MESH_SPHERE: return {translate(2.0f, -2.0f, 0.0f)};
    // Blue cone, upper left: GLUT's +Z axis turned to +Y, base moved down
    // so it spans y = -1 to 1.
    case MESH_CONE:
        return {translate(-2.0f, 2.0f, 0.0f), rotate(90.0f, -1.0f, 0.0f, 0.0f),
                translate(0.0f, 0.0f, -1.0f)};
    // Yellow open tube, lower left.
    case MESH_CYLINDER: {
        std::vector<PlacementStep> steps = {translate(-2.0f, -2.0f, 0.0f)};
        for (const PlacementStep& step : centredTube(TUBE_HEIGHT)) {
            steps.push_back(step);
        }
        return steps;
    }
    case MESH_SOLID_COUNT: break;
    }
    return {};
}

int SceneMesh::triangleCount() const
{
    int count = 0;
    for (const SolidMesh& mesh : solids) {
        count += mesh.triangleCount();
    }
    return count;
}

bool SceneMesh::locate(int index, MeshSolid& solid, int& within) const
{
    if (index < 0) {
        return false;
    }
    for (const SolidMesh& mesh : solids) {
        if (index < mesh.triangleCount()) {
            solid = mesh.solid;
            within = index;
            return true;
        }
        index -= mesh.triangleCount();
    }
    return false;
}

std::string tessellationProblem(const Tessellation& t)
{
    const struct {
        const char* count;
        int value, min, max;
    } counts[] = {
        {"cube divisions", t.cube, 1, MAX_CUBE_DIVISIONS},
        {"sphere slices", t.sphereSlices, MIN_SLICES, MAX_SLICES},
        {"sphere stacks", t.sphereStacks, MIN_SPHERE_STACKS, MAX_STACKS},
        {"cone slices", t.coneSlices, MIN_SLICES, MAX_SLICES},
        {"cone stacks", t.coneStacks, MIN_STACKS, MAX_STACKS},
        {"cylinder slices", t.cylinderSlices, MIN_SLICES, MAX_SLICES},
        {"cylinder stacks", t.cylinderStacks, MIN_STACKS, MAX_STACKS},
    };
    for (const auto& c : counts) {
        if (std::string problem = rangeProblem(c.count, c.value, c.min, c.max); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

SceneMesh buildSceneMesh(const Tessellation& t)
{
    SceneMesh scene;
    for (int s = 0; s < MESH_SOLID_COUNT; ++s) {
        scene.solids[s].solid = static_cast<MeshSolid>(s);
        scene.solids[s].placement = solidPlacement(static_cast<MeshSolid>(s));
    }

    SolidMesh& cube = scene.solids[MESH_CUBE];
    appendGlutCube(cube, static_cast<float>(CUBE_SIZE), t.cube);

    SolidMesh& sphere = scene.solids[MESH_SPHERE];
    appendGlutSphere(sphere, static_cast<float>(SPHERE_RADIUS), t.sphereSlices, t.sphereStacks);

    SolidMesh& cone = scene.solids[MESH_CONE];
    appendGlutCone(cone, static_cast<float>(CONE_BASE), static_cast<float>(CONE_HEIGHT),
                   t.coneSlices, t.coneStacks);

    SolidMesh& tube = scene.solids[MESH_CYLINDER];
    appendGluCylinder(tube, TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, t.cylinderSlices,
                      t.cylinderStacks);
    return scene;
}
