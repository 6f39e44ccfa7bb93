// The lighting rig's three lights as plain data: the lighting modes place the
// lights from this table, and the picture tools draw them where they are.
#pragma once

#include "render/render.h"

struct LightSource {
    float colour[4];         // diffuse and specular
    float position[4];       // w = 0: a light from a direction
    bool isSpot;
    float spotDirection[3];
    float spotCutoff;        // degrees
};

// Light i is GL_LIGHT0 + i. The spotlight's axis passes through (-2, 0, 0),
// between the cone and the cylinder. Unset properties stay at OpenGL's
// defaults (no ambient, no attenuation, spot exponent 0).
constexpr LightSource LIGHT_RIG[LIGHT_COUNT] = {
    // white point light at the scene origin
    {{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, false, {}, 0.0f},
    // cyan light from +X
    {{0.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f}, false, {}, 0.0f},
    // yellow spotlight
    {{1.0f, 1.0f, 0.0f, 1.0f}, {-12.0f, 0.0f, 10.0f, 1.0f}, true, {1.0f, 0.0f, -1.0f}, 8.59f},
};
