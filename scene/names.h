// Human names of the demo's viewpoints, lights, lighting modes and
// shadings, for the tools' help, reports and picture labels and the lab's
// panel.
#pragma once

#include "scene/state.h"
#include "scene/viewer.h"

constexpr const char* VIEWPOINT_NAMES[VIEWPOINT_COUNT] = {
    "front, eye (0, 0, 10)",
    "side, eye (10, 0, 10)",
    "above, eye (10, 10, 10)",
};

// Light i is GL_LIGHT0 + i; lighting modes 0 to 2 each switch one of them on.
// A light beyond them is named by its number.
constexpr const char* LIGHT_NAMES[LIGHT_COUNT] = {
    "white point light",
    "cyan directional light",
    "yellow spotlight",
};

constexpr const char* LIGHTING_MODE_NAMES[LIGHTING_MODE_COUNT] = {
    LIGHT_NAMES[0],
    LIGHT_NAMES[1],
    LIGHT_NAMES[2],
    "all three lights",
};

constexpr const char* SHADING_NAMES[SHADING_MODE_COUNT] = {
    "per vertex, blended (GL's Gouraud shading)",
    "per pixel (the same equation for every fragment)",
    "flat (each triangle in the colour of its last corner, GL_FLAT)",
};

constexpr const char* HIGHLIGHT_NAMES[HIGHLIGHT_COUNT] = {
    "Blinn's, (N.H)^shininess (GL's)",
    "Phong's, (R.V)^shininess (the shader only)",
};
