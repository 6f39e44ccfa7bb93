// Camera of each viewpoint and the lights each mode uses, without a window.
#include "render/render.h"
#include "scene/viewer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ViewpointCase {
    int viewpoint;
    double eyeX, eyeY, eyeZ;
    double distance;
    double fieldOfView;  // to two decimals
};

const ViewpointCase VIEWPOINTS[] = {
    {0, 0, 0, 10, 10.0, 52.00},
    {1, 10, 0, 10, std::sqrt(200.0), 36.77},
    {2, 10, 10, 10, std::sqrt(300.0), 30.02},
};

void PrintTo(const ViewpointCase& c, std::ostream* os)
{
    *os << "viewpoint " << c.viewpoint;
}

class Viewpoints : public ::testing::TestWithParam<ViewpointCase> {};

TEST_P(Viewpoints, EyeFieldOfViewAndPlanesFollowTheDistance)
{
    const ViewpointCase& c = GetParam();
    const Camera camera = cameraFor(c.viewpoint, 300, 300);
    EXPECT_EQ(camera.eyeX, c.eyeX);
    EXPECT_EQ(camera.eyeY, c.eyeY);
    EXPECT_EQ(camera.eyeZ, c.eyeZ);
    EXPECT_NEAR(camera.fieldOfView, c.fieldOfView, 0.005);
    EXPECT_DOUBLE_EQ(camera.fieldOfView, 520.0 / c.distance);
    EXPECT_DOUBLE_EQ(camera.zNear, c.distance - 5.0);
    EXPECT_DOUBLE_EQ(camera.zFar, c.distance + 5.0);
    EXPECT_EQ(camera.aspect, 1.0);

    // Every point of the solids lies within sqrt(19) of the origin, so no
    // clipping plane may come closer to it than that.
    EXPECT_LT(camera.zNear, c.distance - std::sqrt(19.0));
    EXPECT_GT(camera.zFar, c.distance + std::sqrt(19.0));

    // The visible half-height at the origin stays close to 4.7 units.
    const double pi = std::acos(-1.0);
    const double halfHeight = c.distance * std::tan(camera.fieldOfView * pi / 360.0);
    EXPECT_NEAR(halfHeight, 4.76, 0.13);
}

INSTANTIATE_TEST_SUITE_P(All, Viewpoints, ::testing::ValuesIn(VIEWPOINTS));

TEST(Aspect, FollowsTheWindowWithTheSameVerticalField)
{
    struct Case {
        int width, height;
        double aspect;
    };
    const Case cases[] = {{300, 300, 1.0}, {600, 300, 2.0}, {300, 600, 0.5}, {1280, 1024, 1.25},
                          {1, 1, 1.0}};
    for (const Case& c : cases) {
        const Camera camera = cameraFor(0, c.width, c.height);
        EXPECT_DOUBLE_EQ(camera.aspect, c.aspect) << c.width << "x" << c.height;
        EXPECT_DOUBLE_EQ(camera.fieldOfView, 52.0);
    }
}

TEST(Aspect, ZeroSizedWindowsGiveAFinitePositiveAspect)
{
    // A minimised window may report 0; the projection must stay usable
    // (gluPerspective silently does nothing for aspect 0, and w/0 is inf).
    const int sizes[][2] = {{300, 0}, {0, 300}, {0, 0}, {-5, 0}};
    for (const auto& size : sizes) {
        const Camera camera = cameraFor(0, size[0], size[1]);
        EXPECT_TRUE(std::isfinite(camera.aspect)) << size[0] << "x" << size[1];
        EXPECT_GT(camera.aspect, 0.0) << size[0] << "x" << size[1];
    }
    EXPECT_DOUBLE_EQ(cameraFor(0, 300, 0).aspect, 300.0);
}

TEST(LightingModes, EachLightAloneThenAllThree)
{
    const bool expected[LIGHTING_MODE_COUNT][3] = {
        {true, false, false}, {false, true, false}, {false, false, true}, {true, true, true}};
    for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
        for (int light = 0; light < LIGHT_COUNT; ++light) {
            EXPECT_EQ(lightEnabled(mode, light), expected[mode][light])
                << "mode " << mode << " light " << light;
        }
    }
}

TEST(LightingModes, OutOfRangeSwitchesNothingOn)
{
    const int modes[] = {-1, LIGHTING_MODE_COUNT, 1000};
    for (int mode : modes) {
        for (int light = 0; light < LIGHT_COUNT; ++light) {
            EXPECT_FALSE(lightEnabled(mode, light));
        }
    }
    EXPECT_FALSE(lightEnabled(0, 3));
    EXPECT_FALSE(lightEnabled(3, -1));
}

}  // namespace
