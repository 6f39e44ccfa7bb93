// The frame cycle in a real context: projection, viewport, matrix state and
// the error line.
#include "render/gl.h"
#include "render/render.h"
#include "tests/support/gl_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const double PI = std::acos(-1.0);

struct Perspective {
    double fieldOfView, aspect, zNear, zFar;
};

// Recovers gluPerspective's arguments from the projection matrix in use.
Perspective currentPerspective()
{
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    Perspective p{};
    p.fieldOfView = 2.0 * std::atan(1.0 / m[5]) * 180.0 / PI;
    p.aspect = m[5] / m[0];
    p.zNear = m[14] / (m[10] - 1.0);
    p.zFar = m[14] / (m[10] + 1.0);
    return p;
}

struct ProjectionCase {
    int viewpoint, width, height;
    double fieldOfView, aspect, zNear, zFar;
};

const ProjectionCase PROJECTIONS[] = {
    {0, 300, 300, 52.0, 1.0, 5.0, 15.0},
    {1, 300, 300, 36.77, 1.0, 9.14, 19.14},
    {2, 300, 300, 30.02, 1.0, 12.32, 22.32},
    {0, 600, 300, 52.0, 2.0, 5.0, 15.0},
    {2, 300, 600, 30.02, 0.5, 12.32, 22.32},
};

TEST(Frame, ProjectionViewportAndMatrixStateFollowViewpointAndWindow)
{
    for (const ProjectionCase& c : PROJECTIONS) {
        SCOPED_TRACE("viewpoint " + std::to_string(c.viewpoint) + " at " +
                     std::to_string(c.width) + "x" + std::to_string(c.height));
        const Image frame = renderFrame(stateAt(c.viewpoint, 0), c.width, c.height);
        ASSERT_EQ(frame.width, c.width);
        ASSERT_EQ(frame.height, c.height);

        const Perspective p = currentPerspective();
        EXPECT_NEAR(p.fieldOfView, c.fieldOfView, 0.006);
        EXPECT_NEAR(p.aspect, c.aspect, 1e-6);
        EXPECT_NEAR(p.zNear, c.zNear, 0.006);
        EXPECT_NEAR(p.zFar, c.zFar, 0.006);

        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0], 0);
        EXPECT_EQ(viewport[1], 0);
        EXPECT_EQ(viewport[2], c.width);
        EXPECT_EQ(viewport[3], c.height);

        GLint mode = 0, modelviewDepth = 0, projectionDepth = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(modelviewDepth, 1);
        EXPECT_EQ(projectionDepth, 1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST(Frame, WideWindowWidensThePictureInsteadOfStretchingIt)
{
    const Image square = renderFrame(stateAt(0, 3), 300, 300);
    const Image wide = renderFrame(stateAt(0, 3), 600, 300);
    // Same vertical field: the wide frame's middle 300 columns are the
    // square frame, pixel for pixel, give or take rasterisation at edges.
    int differing = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const Rgb a = square.at(x, y);
            const Rgb b = wide.at(x + 150, y);
            if (std::abs(a.r - b.r) > 8 || std::abs(a.g - b.g) > 8 || std::abs(a.b - b.b) > 8) {
                ++differing;
            }
        }
    }
    EXPECT_LT(differing, 300 * 300 / 100);
    keepForInspection(wide, "frame_wide_600x300");
}

TEST(Frame, ModelviewHoldsLookAtThenRotationsInOrder)
{
    // After a frame the modelview matrix is the view and the three scene
    // rotations; drawScene() must have left it as it found it. Compare with
    // the same transform built here from scratch.
    renderFrame(stateAt(1, 0, 30.0f, 45.0f, 60.0f));
    GLdouble drawn[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, drawn);

    glPushMatrix();
    glLoadIdentity();
    gluLookAt(10, 0, 10, 0, 0, 0, 0, 1, 0);
    glRotatef(30.0f, 1, 0, 0);
    glRotatef(45.0f, 0, 1, 0);
    glRotatef(60.0f, 0, 0, 1);
    GLdouble expected[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, expected);
    glPopMatrix();
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(drawn[i], expected[i], 1e-5) << i;
    }
}

std::string captureFrameOutput(const ViewerState& state, bool injectError)
{
    renderFrame(state);
    ::testing::internal::CaptureStdout();
    if (injectError) {
        glEnable(0x1234);  // not a capability: GL_INVALID_ENUM
    }
    display();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST(ErrorLine, PrintedExactlyOnceForAFrameWithAnErrorAndNeverForACleanOne)
{
    EXPECT_EQ(captureFrameOutput(stateAt(0, 0), false), "");
    EXPECT_EQ(captureFrameOutput(stateAt(0, 0), true), "Erreur OpenGL\n");
    EXPECT_EQ(captureFrameOutput(stateAt(0, 0), false), "");
}

TEST(ErrorLine, NoViewpointAndModeRaisesAnError)
{
    for (int viewpoint = 0; viewpoint < VIEWPOINT_COUNT; ++viewpoint) {
        for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
            EXPECT_EQ(captureFrameOutput(stateAt(viewpoint, mode, 10, 20, 30), false), "")
                << viewpoint << "/" << mode;
        }
    }
}

TEST(Reshape, ZeroHeightGivesAFiniteProjectionAndNoError)
{
    renderFrame(stateAt(0, 3));
    const int sizes[][2] = {{300, 0}, {0, 300}, {0, 0}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
        ::testing::internal::CaptureStdout();
        reshape(size[0], size[1]);
        EXPECT_EQ(viewer.windowWidth, size[0]);
        EXPECT_EQ(viewer.windowHeight, size[1]);
        display();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

        GLdouble m[16];
        glGetDoublev(GL_PROJECTION_MATRIX, m);
        for (double v : m) {
            EXPECT_TRUE(std::isfinite(v));
        }
        // A real perspective, not gluPerspective's silent no-op (identity).
        EXPECT_NE(m[15], 1.0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // Back to a normal size, the frame is as before.
    reshape(300, 300);
    const Image after = renderFrame(stateAt(0, 3));
    const Image reference = renderFrame(stateAt(0, 3));
    EXPECT_EQ(after, reference);
}

TEST(Frame, SameStateDrawsTheSameFrameWhateverCameBefore)
{
    const Image first = renderFrame(stateAt(0, 0));
    renderFrame(stateAt(2, 3, 11, 22, 33));
    renderFrame(stateAt(1, 2, -5, 0, 7), 600, 300);
    const Image again = renderFrame(stateAt(0, 0));
    EXPECT_EQ(first, again);
}

}  // namespace
