// The decisions behind a frame that need no GL: where the eye of each
// viewpoint is and what it sees, and which lights each mode switches on.
#include "scene/state.h"

#include <algorithm>
#include <cmath>

namespace {

struct Eye {
    double x, y, z;
};

// Every viewpoint looks at the origin with +Y up.
constexpr Eye VIEWPOINT_EYES[] = {
    {0.0, 0.0, 10.0},
    {10.0, 0.0, 10.0},
    {10.0, 10.0, 10.0},
};
static_assert(sizeof VIEWPOINT_EYES / sizeof VIEWPOINT_EYES[0] == VIEWPOINT_COUNT,
              "one eye per viewpoint");

// The near and far planes lie this far before and behind the origin along
// the line of sight; every solid stays within sqrt(19) of the origin.
constexpr double DEPTH_MARGIN = 5.0;

// Field of view = FOV_SCALE / distance, so the visible half-height at the
// origin stays near 4.7 units whatever the distance.
constexpr double FOV_SCALE = 520.0;

// Lights each mode switches on: each light alone, then all three.
constexpr bool MODES[LIGHTING_MODE_COUNT][LIGHT_COUNT] = {
    {true, false, false},
    {false, true, false},
    {false, false, true},
    {true, true, true},
};

}  // namespace

Camera cameraFor(int viewpoint, int windowWidth, int windowHeight)
{
    const Eye& eye = VIEWPOINT_EYES[std::clamp(viewpoint, 0, VIEWPOINT_COUNT - 1)];
    const double distance = std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);

    // A minimised window may report a height (or width) of 0. Nothing is
    // visible then, so any finite aspect will do: counting each side as at
    // least one pixel keeps the projection finite (never w/0 or 0/0) and
    // still follows the width, with no state kept between frames.
    const double aspect = static_cast<double>(std::max(windowWidth, 1)) /
                          static_cast<double>(std::max(windowHeight, 1));

    return Camera{eye.x, eye.y, eye.z, FOV_SCALE / distance, aspect,
                  distance - DEPTH_MARGIN, distance + DEPTH_MARGIN};
}

bool lightEnabled(int mode, int light)
{
    if (mode < 0 || mode >= LIGHTING_MODE_COUNT || light < 0 || light >= LIGHT_COUNT) {
        return false;
    }
    return MODES[mode][light];
}

void followMode(SceneState& state)
{
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        state.lightOn[i] = lightEnabled(state.view.lightingMode, i);
    }
}

SceneState demoSceneState(const ViewerState& view)
{
    SceneState state{};
    state.view = view;
    followMode(state);
    state.setup = DEMO_SETUP;
    state.tessellation = Tessellation{};
    state.shading = ShadingMode::PerVertex;
    return state;
}

std::string onlyTheShaderDraws(const SceneState& state)
{
    if (state.shading == ShadingMode::PerPixel) {
        return "shades per pixel";
    }
    return state.highlight == Highlight::Phong ? "takes Phong's highlight" : "";
}
