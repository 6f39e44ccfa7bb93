// The capture tool's layers, drawn in a real context by the tool's own code:
// each light's diffuse and specular terms hold only that term, they add up
// to the demo's frame wherever no channel clamps, and the lasting light
// state is as it was afterwards.
#include "model/lighting_model.h"
#include "render/gl.h"
#include "render/render.h"
#include "tests/support/gl_fixture.h"
#include "tools/capture/layers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct LayersCase {
    const char* name;
    int viewpoint, mode;
    float angleX, angleY, angleZ;
};

const LayersCase CASES[] = {
    {"front_all_lights", 0, 3, 0, 0, 0},
    {"side_all_lights", 1, 3, 0, 0, 0},
    {"above_all_lights", 2, 3, 0, 0, 0},
    {"front_turned_all_lights", 0, 3, 30, -45, 10},
    {"side_turned_spotlight", 1, 2, -20, 70, 0},
    {"front_white_light", 0, 0, 0, 0, 0},
    {"above_turned_cyan_light", 2, 1, -40, 0, 25},
};

void PrintTo(const LayersCase& c, std::ostream* os)
{
    *os << c.name;
}

RgbImage windowFrame()
{
    const Image image = readWindow();
    RgbImage frame;
    frame.width = image.width;
    frame.height = image.height;
    frame.rgb = image.rgb;
    return frame;
}

int channel(const RgbImage& image, int x, int y, int c)
{
    return image.rgb[(static_cast<size_t>(y) * image.width + x) * 3 + c];
}

double channelOf(const Colour& colour, int c)
{
    return c == 0 ? colour.r : c == 1 ? colour.g : colour.b;
}

struct LightTerms {
    GLfloat diffuse[LIGHT_COUNT][4], specular[LIGHT_COUNT][4];
};

LightTerms lightTerms()
{
    LightTerms terms{};
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        glGetLightfv(GL_LIGHT0 + static_cast<GLenum>(i), GL_DIFFUSE, terms.diffuse[i]);
        glGetLightfv(GL_LIGHT0 + static_cast<GLenum>(i), GL_SPECULAR, terms.specular[i]);
    }
    return terms;
}

class Layers : public ::testing::TestWithParam<LayersCase> {};

TEST_P(Layers, HoldOneTermEachAndAddUpToTheDemosFrameWhereNothingClamps)
{
    const LayersCase& c = GetParam();
    ensureGlWindow();
    resizeGlWindow(300, 300);
    pumpEvents();
    const LightTerms before = lightTerms();

    const StateOptions state{c.viewpoint, c.mode, c.angleX, c.angleY, c.angleZ};
    const LayerFrames frames = drawLayers(state, windowFrame);

    // The light colours the layers silenced for a frame are back.
    const LightTerms after = lightTerms();
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(after.diffuse[i][k], before.diffuse[i][k]) << "light " << i;
            EXPECT_EQ(after.specular[i][k], before.specular[i][k]) << "light " << i;
        }
    }

    // Two layers per light the mode switches on, and the frame is the demo's.
    std::vector<int> lights;
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (modelLightOn(c.mode, i)) {
            lights.push_back(i);
        }
    }
    ASSERT_EQ(frames.layers.size(), 2 * lights.size());
    const Image demo = renderFrame(
        stateAt(c.viewpoint, c.mode, c.angleX, c.angleY, c.angleZ));
    const DepthImage depth = readDepth();
    EXPECT_EQ(frames.frame.rgb, demo.rgb) << "the layers picture's frame is not the demo's";

    const View view{c.viewpoint, c.angleX, c.angleY, c.angleZ, 300, 300};
    int compared = 0, differing = 0, brighter = 0, leaks = 0, lit = 0;
    std::string firstProblem;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            int sum[3] = {0, 0, 0};
            for (const Layer& layer : frames.layers) {
                for (int k = 0; k < 3; ++k) {
                    sum[k] += channel(layer.frame, x, y, k);
                }
            }
            const int real[3] = {demo.at(x, y).r, demo.at(x, y).g, demo.at(x, y).b};
            for (int k = 0; k < 3; ++k) {
                brighter += real[k] > std::min(255, sum[k] + 2) ? 1 : 0;
            }
            if (!depth.covered(x, y)) {
                continue;
            }
            const SurfacePoint s = surfaceAt(unproject(view, x, y, depth.at(x, y)));
            if (s.solid == Solid::None || s.onEdge || s.offSurface > 0.01) {
                continue;
            }
            // A diffuse layer has no channel the solid's colour lacks; a
            // specular layer none the light's colour lacks, and white light
            // gives grey. A term left on would show there.
            for (const Layer& layer : frames.layers) {
                const SceneLight& light = SCENE_LIGHTS[layer.light];
                const int p[3] = {channel(layer.frame, x, y, 0), channel(layer.frame, x, y, 1),
                                  channel(layer.frame, x, y, 2)};
                for (int k = 0; k < 3; ++k) {
                    const double allowed = layer.specular
                                               ? channelOf(light.colour, k)
                                               : channelOf(light.colour, k) *
                                                     channelOf(placeOf(s.solid).diffuse, k);
                    leaks += allowed == 0 && p[k] > 0 ? 1 : 0;
                    lit += allowed > 0 && p[k] > 20 ? 1 : 0;
                }
                if (layer.specular && layer.light == 0) {
                    leaks += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 1;
                }
            }
            const unsigned clamped = clampedChannels(view, c.mode, s);
            for (int k = 0; k < 3; ++k) {
                if ((clamped & (1u << k)) != 0 || sum[k] == 0) {
                    continue;
                }
                ++compared;
                if (std::abs(real[k] - sum[k]) > 2 && differing++ == 0) {
                    char text[120];
                    std::snprintf(text, sizeof text, "at %d,%d channel %d: layers %d, frame %d",
                                  x, y, k, sum[k], real[k]);
                    firstProblem = text;
                }
            }
        }
    }
    EXPECT_EQ(differing, 0) << firstProblem;
    EXPECT_EQ(brighter, 0) << "the frame is brighter than its layers";
    EXPECT_EQ(leaks, 0) << "a layer holds another term";
    EXPECT_GT(compared, 3000);
    EXPECT_GT(lit, 500);
}

INSTANTIATE_TEST_SUITE_P(States, Layers, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
