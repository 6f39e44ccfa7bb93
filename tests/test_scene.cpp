// Where the solids are, what shape they have, and what drawScene leaves
// behind, seen on real pixels and in the depth buffer.
#include "model/projection.h"
#include "render/gl.h"
#include "render/render.h"
#include "tests/support/gl_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>
#include <string>

// Lets a test make gluNewQuadric fail, as GLU does when out of memory; in
// every other test the call goes to the real GLU.
static bool failQuadric = false;
extern "C" GLUquadric* gluNewQuadric()
{
    if (failQuadric) {
        return nullptr;
    }
    using NewQuadric = GLUquadric* (*)();
    static const auto real = reinterpret_cast<NewQuadric>(dlsym(RTLD_NEXT, "gluNewQuadric"));
    return real();
}

namespace {

// Eye-space distance along the line of sight of a window depth, for the
// viewpoint's near and far planes.
double eyeDistance(int viewpoint, float depth)
{
    const double d[] = {10.0, std::sqrt(200.0), std::sqrt(300.0)};
    const double n = d[viewpoint] - 5.0, f = d[viewpoint] + 5.0;
    const double ndc = 2.0 * depth - 1.0;
    return 2.0 * f * n / ((f + n) - ndc * (f - n));
}

struct SurfaceCase {
    const char* name;
    int viewpoint;
    float angleY;
    Vec3 surfacePoint;  // a point of a solid the eye must see directly
};

// Each point is the solid's nearest point to the eye along its pixel, so
// the depth there must be that point's own depth.
const SurfaceCase SURFACES[] = {
    {"cube_front_face_upper_right", 0, 0, {2, 2, 1}},
    {"sphere_nearest_point_lower_right", 0, 0, {2, -2, 1}},
    {"cone_front_at_mid_height_upper_left", 0, 0, {-2, 2, 0.5}},
    {"cylinder_front_lower_left", 0, 0, {-2, -2, 1}},
    {"cube_top_seen_from_above", 2, 0, {2, 3, 0}},
    {"cylinder_rim_seen_from_the_side", 1, 0, {-2 + std::sqrt(0.5), -1.5, std::sqrt(0.5)}},
    // Turned by 90 degrees about Y, the cone and the cylinder come near
    // (z = +2) and hide the cube and the sphere (z = -2) behind them.
    {"cone_comes_near_with_angleY_90", 0, 90, {-2.5, 2, 0}},
    {"cylinder_comes_near_with_angleY_90", 0, 90, {-3, -2, 0}},
    // ... while a corner of the cube's x = 1 face and the top of the sphere
    // still show above them, now farther from the eye than the origin.
    {"cube_corner_goes_far_with_angleY_90", 0, 90, {1, 2.95, 0.95}},
    {"sphere_top_goes_far_with_angleY_90", 0, 90, {1.564, -1.1, 0}},
};

void PrintTo(const SurfaceCase& c, std::ostream* os)
{
    *os << c.name;
}

class Surfaces : public ::testing::TestWithParam<SurfaceCase> {};

TEST_P(Surfaces, SolidCoversItsPlaceAtItsOwnDepth)
{
    const SurfaceCase& c = GetParam();
    const Image frame = renderFrame(stateAt(c.viewpoint, 3, 0, c.angleY, 0));
    const DepthImage depth = readDepth();
    View view;
    view.viewpoint = c.viewpoint;
    view.angleY = c.angleY;
    const ScreenPoint p = project(view, c.surfacePoint);
    const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
    ASSERT_TRUE(depth.covered(x, y)) << x << "," << y;
    const double expected = -toEye(view, c.surfacePoint).z;
    // 72 slices leave a chord error under 0.001 units; a pixel at 10 units
    // spans about 0.03.
    EXPECT_NEAR(eyeDistance(c.viewpoint, depth.at(x, y)), expected, 0.05);
    keepForInspection(frame, std::string("scene_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(ViewpointsAndTurns, Surfaces, ::testing::ValuesIn(SURFACES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Scene, EmptyWhereNoSolidIs)
{
    const Image frame = renderFrame(stateAt(0, 3));
    const DepthImage depth = readDepth();
    View view;
    const Vec3 gaps[] = {{0, 0, 0}, {0, 2, 0}, {2, 0, 0}, {-2, 0, 0}, {0, -2, 0}, {4, 4, 0}};
    for (const Vec3& g : gaps) {
        const ScreenPoint p = project(view, g);
        EXPECT_FALSE(depth.covered(int(p.x), int(p.y))) << g.x << "," << g.y;
        EXPECT_EQ(frame.at(int(p.x), int(p.y)), (Rgb{0, 0, 0}));
    }
}

TEST(Scene, CylinderIsOpenSeenFromAbove)
{
    const Image frame = renderFrame(stateAt(2, 0));
    const DepthImage depth = readDepth();
    View view;
    view.viewpoint = 2;
    // Through the middle of the upper opening the eye sees the inside of
    // the tube, well below where a cap at y = -1 would be.
    const ScreenPoint top = project(view, {-2, -1, 0});
    ASSERT_TRUE(depth.covered(int(top.x), int(top.y)));
    const double capDistance = -toEye(view, {-2, -1, 0}).z;
    EXPECT_GT(eyeDistance(2, depth.at(int(top.x), int(top.y))), capDistance + 0.5);
    keepForInspection(frame, "scene_cylinder_open_from_above");
}

TEST(Scene, DrawSceneLeavesTheMatrixStackAsItFoundIt)
{
    renderFrame(stateAt(0, 0));
    GLint before = 0, after = 0;
    GLdouble matrixBefore[16], matrixAfter[16];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(1, 2, 3);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    glGetDoublev(GL_MODELVIEW_MATRIX, matrixBefore);
    drawScene();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    glGetDoublev(GL_MODELVIEW_MATRIX, matrixAfter);
    glPopMatrix();
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, before);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(matrixAfter[i], matrixBefore[i]) << i;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Scene, SharedMaterialStaysSetWithYellowDiffuseLast)
{
    renderFrame(stateAt(0, 0));
    GLfloat ambient[4], specular[4], diffuse[4], shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, yellow[4] = {1, 1, 0, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ambient[i], black[i]);
        EXPECT_EQ(specular[i], white[i]);
        EXPECT_EQ(diffuse[i], yellow[i]);
    }
    EXPECT_EQ(shininess, 50.0f);
    // The back material is never set: it keeps OpenGL's defaults.
    GLfloat backDiffuse[4];
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, backDiffuse);
    EXPECT_FLOAT_EQ(backDiffuse[0], 0.8f);
}

TEST(Scene, WithoutAQuadricTheCylinderIsLeftOutOfThatFrameOnly)
{
    View view;
    const ScreenPoint cylinder = project(view, {-2, -2, 1});
    const ScreenPoint sphere = project(view, {2, -2, 1});

    failQuadric = true;
    ::testing::internal::CaptureStdout();
    renderFrame(stateAt(0, 3));
    const std::string printed = ::testing::internal::GetCapturedStdout();
    const DepthImage without = readDepth();
    failQuadric = false;
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(without.covered(int(cylinder.x), int(cylinder.y)));
    EXPECT_TRUE(without.covered(int(sphere.x), int(sphere.y)));

    GLint depthOfStack = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthOfStack);
    EXPECT_EQ(depthOfStack, 1);

    renderFrame(stateAt(0, 3));
    EXPECT_TRUE(readDepth().covered(int(cylinder.x), int(cylinder.y)));
}

}  // namespace
