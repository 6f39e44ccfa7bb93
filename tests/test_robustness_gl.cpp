// Extreme state in a real context: scene angles far past 2^24 degrees, where
// a 32-bit float no longer takes a one-degree step, at every viewpoint and
// lighting mode, and windows from 1x1 to 4000x4000. Each frame must still be
// a frame: finite matrices and light positions, no OpenGL error and no error
// line, the four solids drawn and lit.
#include "render/gl.h"
#include "render/render.h"
#include "tests/support/gl_fixture.h"

#include <GL/freeglut_ext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

struct Angles {
    const char* name;
    float x, y, z;
};

// All past 2^24 = 16777216, where the spin and the arrow keys stop moving
// an angle; up to the largest float, which the angle arithmetic can reach
// but never pass.
const Angles HUGE_ANGLES[] = {
    {"two_to_the_24", 16777216.0f, 16777216.0f, 16777216.0f},
    {"mixed_signs_near_2_to_the_25", 16777218.0f, -33554432.0f, 50331648.0f},
    {"billions", 1.0e9f, -2.5e9f, 7.0e10f},
    {"near_float_max", 3.0e38f, -3.0e38f, FLT_MAX},
    {"float_max_both_signs", -FLT_MAX, FLT_MAX, -FLT_MAX},
};

// A few hundred pixels of the 90 000 would be a frame with the solids
// missing; four solids two units across cover several thousand.
constexpr int MIN_COVERED_PIXELS = 4000;

// Of the pixels the solids cover, at least this many show some light when
// all three lights are on.
constexpr int MIN_LIT_PIXELS = 1000;

// Brighter than black in any channel: some light reached a visible surface.
bool lit(const Rgb& c)
{
    return c.r > 24 || c.g > 24 || c.b > 24;
}

bool allFinite(const GLfloat* values, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

// Columns of the modelview's upper 3x3 stay unit length and at right angles:
// the view and the three turns are rotations, whatever their angles.
double worstOrthonormalityError(const GLfloat m[16])
{
    double worst = 0.0;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            const double d = m[a * 4] * m[b * 4] + m[a * 4 + 1] * m[b * 4 + 1] +
                             m[a * 4 + 2] * m[b * 4 + 2];
            worst = std::max(worst, std::fabs(d - (a == b ? 1.0 : 0.0)));
        }
    }
    return worst;
}

struct FrameCheck {
    Image frame;
    int covered = 0;
};

// Draws one frame and checks what must hold at any angle: no error line, no
// OpenGL error, a modelview that is still a finite rotation, finite light
// positions and directions, and the solids drawn.
FrameCheck drawAndCheck(int viewpoint, int mode, const Angles& angles)
{
    FrameCheck check;
    ::testing::internal::CaptureStdout();
    check.frame = renderFrame(stateAt(viewpoint, mode, angles.x, angles.y, angles.z));
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_TRUE(allFinite(modelview, 16));
    EXPECT_LT(worstOrthonormalityError(modelview), 1e-4);

    // Light positions and the spot direction are kept in eye coordinates,
    // after the turns.
    for (int light = 0; light < LIGHT_COUNT; ++light) {
        if (!lightEnabled(mode, light)) {
            continue;
        }
        GLfloat position[4], direction[3];
        glGetLightfv(GL_LIGHT0 + light, GL_POSITION, position);
        glGetLightfv(GL_LIGHT0 + light, GL_SPOT_DIRECTION, direction);
        EXPECT_TRUE(allFinite(position, 4)) << "light " << light;
        EXPECT_TRUE(allFinite(direction, 3)) << "light " << light;
    }

    const DepthImage depth = readDepth();
    for (int y = 0; y < depth.height; ++y) {
        for (int x = 0; x < depth.width; ++x) {
            check.covered += depth.covered(x, y);
        }
    }
    EXPECT_GE(check.covered, MIN_COVERED_PIXELS);
    return check;
}

TEST(ExtremeAngles, EveryViewpointAndModeDrawsAFiniteLitFrameWithoutError)
{
    for (const Angles& angles : HUGE_ANGLES) {
        for (int viewpoint = 0; viewpoint < VIEWPOINT_COUNT; ++viewpoint) {
            const std::string name =
                std::string(angles.name) + "_viewpoint" + std::to_string(viewpoint);
            SCOPED_TRACE(name);
            FrameCheck modes[LIGHTING_MODE_COUNT];
            for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
                SCOPED_TRACE("mode " + std::to_string(mode));
                modes[mode] = drawAndCheck(viewpoint, mode, angles);
                // The lighting mode changes colours, never the geometry.
                EXPECT_EQ(modes[mode].covered, modes[0].covered);
                keepForInspection(modes[mode].frame,
                                  "extreme_" + name + "_mode" + std::to_string(mode));
            }
            // Light adds up: a pixel one light reaches is lit when all three
            // are on. Lighting that went NaN would leave it black instead.
            const Image& all = modes[LIGHTING_MODE_COUNT - 1].frame;
            int litByAll = 0, litAlone = 0, darkenedByAll = 0;
            for (int y = 0; y < all.height; ++y) {
                for (int x = 0; x < all.width; ++x) {
                    bool litByOne = false;
                    for (int mode = 0; mode < LIGHTING_MODE_COUNT - 1; ++mode) {
                        litByOne = litByOne || lit(modes[mode].frame.at(x, y));
                    }
                    litAlone += litByOne;
                    litByAll += lit(all.at(x, y));
                    darkenedByAll += litByOne && !lit(all.at(x, y));
                }
            }
            EXPECT_EQ(darkenedByAll, 0);
            EXPECT_GE(litByAll, litAlone);
            EXPECT_GE(litByAll, MIN_LIT_PIXELS);
        }
    }
}

// Resizes the test window and waits for GLUT to deliver the reshape, without
// reading the window back: X cannot read a window larger than the screen.
void resizeTestWindow(int width, int height)
{
    glutReshapeWindow(width, height);
    for (int i = 0; i < 5000 && (viewer.windowWidth != width || viewer.windowHeight != height);
         ++i) {
        glutMainLoopEvent();
        usleep(1000);
    }
    ASSERT_EQ(viewer.windowWidth, width);
    ASSERT_EQ(viewer.windowHeight, height);
}

double coveredShare(const DepthImage& depth)
{
    size_t covered = 0;
    for (float value : depth.values) {
        covered += value < 1.0f;
    }
    return static_cast<double>(covered) / static_cast<double>(depth.values.size());
}

struct WindowSize {
    int width, height;
};

// From one pixel to far larger than the 1280x1024 screen.
const WindowSize EXTREME_WINDOWS[] = {
    {1, 1}, {1, 4000}, {4000, 1}, {2, 3}, {4000, 4000},
};

TEST(ExtremeWindows, OnePixelToFourThousandDrawWithoutErrorAndBigFramesAreWhole)
{
    renderFrame(stateAt(0, 3), 300, 300);
    const double referenceShare = coveredShare(readDepth());
    ASSERT_GT(referenceShare, 0.1);

    for (const WindowSize& size : EXTREME_WINDOWS) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        resizeTestWindow(size.width, size.height);
        const int w = viewer.windowWidth, h = viewer.windowHeight;
        viewer = stateAt(0, 3);
        viewer.windowWidth = w;
        viewer.windowHeight = h;
        ::testing::internal::CaptureStdout();
        display();
        std::fflush(stdout);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], size.width);
        EXPECT_EQ(viewport[3], size.height);
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_TRUE(allFinite(projection, 16));

        if (size.width == size.height && size.width > 300) {
            // The same picture, scaled: the solids cover the same share of
            // the window as at 300x300, so no part of the big frame is lost.
            EXPECT_NEAR(coveredShare(readDepth()), referenceShare, 0.05 * referenceShare);
        }
    }
    resizeTestWindow(300, 300);
}

}  // namespace
