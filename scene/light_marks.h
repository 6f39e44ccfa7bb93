// Where the lights are, as lines and dots to draw into a picture of the
// scene: a light at a point as a star (a dot and three short axes), a light
// from a direction as arrows along the way its light travels, a spotlight
// also as its cone, a wireframe along its axis, with a ring where the axis
// crosses the plane of the solids' centres and one at its far end. In the
// scene's own frame; no GL, so the capture tool and the lab draw the same
// marks each with its own GL.
#pragma once

#include "scene/state.h"
#include "scene/vector.h"

#include <vector>

// Odd, so that the dot's square of pixels is centred on the pixel the
// light's place projects to.
constexpr float MARK_DOT_SIZE = 7.0f;

// Lines and dots in one colour: a light's marks, or any other mark a
// picture of the scene draws the same way.
struct LightMarks {
    float colour[3];                  // the light's diffuse colour (or specular, or grey)
    std::vector<MarkPoint> dots;      // drawn as dotSize-pixel squares
    std::vector<MarkPoint> segments;  // pairs: each two points a line
    std::vector<std::vector<MarkPoint>> loops;  // closed lines (the spot's rings)
    float dotSize = MARK_DOT_SIZE;
};

// The marks of the lights `state` switches on, in light order.
std::vector<LightMarks> lightMarks(const SceneState& state);

// The marks of one light, on or off.
LightMarks lightMarksOf(const LightSetup& light);

// Where a light's marks can be taken hold of: a light at a point by its
// place; a light from a direction by its middle arrow; a spotlight also by
// its aim, where its axis meets the plane of the solids' centres, z = 0, or
// the axis's drawn end when it does not meet it within the cone drawn.
enum class HandleKind { Place, Direction, Aim };

struct LightHandle {
    int light;
    HandleKind kind;
    MarkPoint at;          // the point dragged
    MarkPoint tail, tip;   // the line it is held by (a point: both `at`)
    bool onPlane = false;  // an aim on z = 0
};

// The handles of every light, on or off, in the scene's own frame.
std::vector<LightHandle> lightHandles(const SceneState& state);
