// Human names of the demo's viewpoints and lighting modes, for the tools'
// help, reports and picture labels.
#pragma once

#include "scene/viewer.h"

constexpr const char* VIEWPOINT_NAMES[VIEWPOINT_COUNT] = {
    "front, eye (0, 0, 10)",
    "side, eye (10, 0, 10)",
    "above, eye (10, 10, 10)",
};

// Light i is GL_LIGHT0 + i; lighting modes 0 to 2 each switch one of them on.
constexpr int NAMED_LIGHT_COUNT = 3;
constexpr const char* LIGHT_NAMES[NAMED_LIGHT_COUNT] = {
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
