// Where the lights are, as lines and dots to draw into a picture of the
// scene: a light at a point as a star (a dot and three short axes), a light
// from a direction as arrows along the way its light travels, a spotlight
// also as its cone, a wireframe along its axis, with a ring where the axis
// crosses the plane of the solids' centres and one at its far end. In the
// scene's own frame; no GL, so the capture tool and the lab draw the same
// marks each with its own GL.
#pragma once

#include "scene/state.h"

#include <vector>

struct MarkPoint {
    double x, y, z;
};

struct LightMarks {
    float colour[3];                  // the light's diffuse colour
    std::vector<MarkPoint> dots;      // drawn as DOT_SIZE-pixel squares
    std::vector<MarkPoint> segments;  // pairs: each two points a line
    std::vector<std::vector<MarkPoint>> loops;  // closed lines (the spot's rings)
};

// Odd, so that the dot's square of pixels is centred on the pixel the
// light's place projects to.
constexpr float MARK_DOT_SIZE = 7.0f;

// The marks of the lights `state` switches on, in light order.
std::vector<LightMarks> lightMarks(const SceneState& state);
