// The solids' mesh against GL's own triangles: every triangle of the demo's
// frame as GL's feedback returns it, against the mesh's triangle of the same
// index projected by the independent camera model; then, without GL, the
// tessellation limits, the counts and the shape of coarser meshes.
#include "mesh/mesh.h"
#include "model/projection.h"
#include "tests/support/gl_fixture.h"
#include "tools/explain/drawn_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const auto& SOLID_NAMES = MESH_SOLID_NAMES;
const double PI = std::acos(-1.0);

Vec3 cornerOf(const std::vector<float>& values, int triangle, int corner)
{
    const size_t at = (static_cast<size_t>(triangle) * 3 + static_cast<size_t>(corner)) * 3;
    return {values[at], values[at + 1], values[at + 2]};
}

// A corner in the scene's frame: the placement's steps from the last (the
// one nearest the vertices) to the first, glRotate's turn by Rodrigues.
Vec3 scenePoint(const SolidMesh& mesh, int triangle, int corner)
{
    Vec3 p = cornerOf(mesh.positions, triangle, corner);
    for (auto step = mesh.placement.rbegin(); step != mesh.placement.rend(); ++step) {
        const Vec3 v{step->x, step->y, step->z};
        if (step->kind == PlacementStep::Translate) {
            p = p + v;
            continue;
        }
        const Vec3 axis = normalized(v);
        const double a = step->angle * PI / 180.0;
        p = std::cos(a) * p + std::sin(a) * cross(axis, p) + (1 - std::cos(a)) * dot(axis, p) * axis;
    }
    return p;
}

class MeshFeedback : public ::testing::TestWithParam<StateOptions> {};

}  // namespace

void PrintTo(const StateOptions& s, std::ostream* os);
void PrintTo(const StateOptions& s, std::ostream* os)
{
    *os << "viewpoint " << s.viewpoint << ", angles " << s.angleX << "," << s.angleY << "," << s.angleZ;
}

namespace {

TEST_P(MeshFeedback, EveryTriangleIsGlsInDrawingOrderWithItsCornerOrder)
{
    ensureGlWindow();
    DrawnFrame frame;
    std::string error;
    ASSERT_EQ(drawFrame(GetParam(), frame, error), 0) << error;
    const SceneMesh mesh = buildSceneMesh(Tessellation{});
    // Clipping would cut, add or drop triangles: these states clip none.
    ASSERT_EQ(frame.triangles.size(), static_cast<size_t>(mesh.triangleCount()));

    const View view = viewOf(GetParam());
    double largestXY = 0, largestDepth = 0;
    for (int k = 0; k < mesh.triangleCount(); ++k) {
        MeshSolid solid{};
        int within = 0;
        ASSERT_TRUE(mesh.locate(k, solid, within)) << k;
        for (int c = 0; c < 3; ++c) {
            const ScreenPoint p = project(view, scenePoint(mesh.solids[solid], within, c));
            const FeedbackVertex& gl = frame.triangles[static_cast<size_t>(k)].corner[c];
            const double xy = std::max(std::abs(p.x - gl.x), std::abs(p.y - gl.y));
            const double depth = std::abs(p.depth - gl.depth);
            ASSERT_TRUE(xy <= 0.01 && depth <= 1e-5)
                << "triangle " << k << " (" << SOLID_NAMES[solid] << " triangle " << within
                << "), corner " << c << ": mesh (" << p.x << ", " << p.y << ", " << p.depth
                << "), GL (" << gl.x << ", " << gl.y << ", " << gl.depth << ")";
            largestXY = std::max(largestXY, xy);
            largestDepth = std::max(largestDepth, depth);
        }
    }
    std::printf("largest corner difference: %.3g pixel, %.3g depth\n", largestXY, largestDepth);
}

INSTANTIATE_TEST_SUITE_P(States, MeshFeedback,
                         ::testing::Values(StateOptions{0, 3, 0, 0, 0, 300, 300},
                                           StateOptions{1, 0, 20, 30, 10, 300, 300},
                                           StateOptions{2, 2, 0, 0, 0, 300, 300}),
                         [](const auto& info) { return "viewpoint" + std::to_string(info.index); });

// ------------------------------------------------------------- without GL

TEST(MeshTessellation, LimitsAreTheRangesFreeglutAndGluDrawExactly)
{
    const struct {
        Tessellation tessellation;  // cube, then slices and stacks of sphere, cone, cylinder
        const char* problem;        // empty: accepted
    } cases[] = {
        {{}, ""},
        {{1, 3, 2, 3, 1, 3, 1}, ""},
        {{64, 239, 256, 239, 256, 239, 256}, ""},
        {{0, 72, 72, 72, 72, 72, 72}, "cube divisions 0"},
        {{65, 72, 72, 72, 72, 72, 72}, "cube divisions 65"},
        {{1, 2, 72, 72, 72, 72, 72}, "sphere slices 2"},
        {{1, 72, 1, 72, 72, 72, 72}, "sphere stacks 1"},
        {{1, 72, 72, 240, 72, 72, 72}, "cone slices 240"},
        {{1, 72, 72, 72, 257, 72, 72}, "cone stacks 257"},
        {{1, 72, 72, 72, 72, 240, 72}, "cylinder slices 240"},
        {{1, 72, 72, 72, 72, 72, 0}, "cylinder stacks 0"},
    };
    for (const auto& c : cases) {
        const std::string problem = tessellationProblem(c.tessellation);
        EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << "'" << problem << "' for " << c.problem;
        EXPECT_EQ(problem.empty(), *c.problem == '\0') << problem;
    }
}

// GL's feedback of the demo's frame holds 31260 triangles; the others follow
// GLUT's and GLU's strips: 2 triangles per slice and stack, the cone a stack
// more for its base.
TEST(MeshTessellation, TriangleCountsAndLocateFollowDrawingOrder)
{
    const struct {
        Tessellation tessellation;
        int counts[MESH_SOLID_COUNT];
    } cases[] = {
        {{}, {12, 10368, 10512, 10368}},
        {{3, 3, 2, 3, 1, 3, 1}, {108, 12, 12, 6}},
        {{2, 5, 4, 7, 3, 239, 256}, {48, 40, 56, 122368}},
    };
    for (const auto& c : cases) {
        const SceneMesh mesh = buildSceneMesh(c.tessellation);
        int first = 0;
        MeshSolid solid{};
        int within = -1;
        for (int s = 0; s < MESH_SOLID_COUNT; ++s) {
            ASSERT_EQ(mesh.solids[s].triangleCount(), c.counts[s]) << SOLID_NAMES[s];
            EXPECT_TRUE(mesh.locate(first + c.counts[s] - 1, solid, within));
            EXPECT_EQ(solid, s);
            EXPECT_EQ(within, c.counts[s] - 1);
            first += c.counts[s];
        }
        EXPECT_EQ(mesh.triangleCount(), first);
        EXPECT_FALSE(mesh.locate(first, solid, within));
        EXPECT_FALSE(mesh.locate(-1, solid, within));
    }
}

// How far a point of a solid's own frame is off its surface.
double offSurface(int solid, Vec3 p)
{
    const double r = std::hypot(p.x, p.y);
    switch (solid) {
    case MESH_CUBE: return std::abs(std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z)}) - 1);
    case MESH_SPHERE: return std::abs(length(p) - 1);
    case MESH_CONE: return std::min(std::abs(p.z) + std::max(0.0, r - 1), std::abs(r + p.z / 2 - 1));
    default: return std::abs(r - 1) + std::max(0.0, std::abs(p.z - 1) - 1);
    }
}

// Coarse meshes, the cube cut 3 x 3: every corner on the solid, every
// triangle facing the way its corners' normals do (GL's front faces out),
// and the cube's faces cut as GLUT's own cube is.
TEST(MeshTessellation, CoarseSolidsFaceOutwardOnTheirSurfaces)
{
    const SceneMesh mesh = buildSceneMesh({3, 12, 6, 12, 4, 12, 3});
    const SolidMesh glutCube = buildSceneMesh({}).solids[MESH_CUBE];
    for (int s = 0; s < MESH_SOLID_COUNT; ++s) {
        const SolidMesh& m = mesh.solids[s];
        for (int k = 0; k < m.triangleCount(); ++k) {
            const Vec3 a = cornerOf(m.positions, k, 0);
            const Vec3 facing = cross(cornerOf(m.positions, k, 1) - a, cornerOf(m.positions, k, 2) - a);
            for (int c = 0; c < 3; ++c) {
                ASSERT_LT(offSurface(s, cornerOf(m.positions, k, c)), 1e-6) << SOLID_NAMES[s] << k;
                if (length(facing) > 1e-6) {
                    ASSERT_GT(dot(normalized(facing), cornerOf(m.normals, k, c)), 0.7)
                        << SOLID_NAMES[s] << " triangle " << k << " corner " << c;
                }
            }
            if (s == MESH_CUBE) {
                // GLUT's faces in order, each cut row by row from its first
                // corner along its first edge; every small triangle is GLUT's
                // triangle of the face, a third the size.
                const int face = k / 18, quad = k % 18 / 2, glutTriangle = 2 * face + k % 2;
                const Vec3 v0 = cornerOf(glutCube.positions, 2 * face, 0);
                const Vec3 v1 = cornerOf(glutCube.positions, 2 * face, 1);
                const Vec3 v2 = cornerOf(glutCube.positions, 2 * face, 2);
                const Vec3 start = v0 + (1 / 3.0) * ((quad % 3) * (v1 - v0) + (quad / 3) * (v2 - v1));
                ASSERT_LT(length(a - start), 1e-6)
                    << "cube triangle " << k << " does not start quad " << quad << " of face " << face;
                ASSERT_EQ(dot(cornerOf(m.normals, k, 0), cornerOf(glutCube.normals, glutTriangle, 0)), 1);
                for (int c = 1; c < 3; ++c) {
                    const Vec3 edge = cornerOf(m.positions, k, c) - a;
                    const Vec3 g = cornerOf(glutCube.positions, glutTriangle, c) -
                                   cornerOf(glutCube.positions, glutTriangle, 0);
                    ASSERT_LT(length(3.0 * edge - g), 1e-6) << "cube triangle " << k << " corner " << c;
                }
            }
        }
    }
}

}  // namespace
