// Human names of the demo's viewpoints and lighting modes, for the tools'
// help, reports and picture labels.
#pragma once

#include "app/viewer.h"

constexpr const char* VIEWPOINT_NAMES[VIEWPOINT_COUNT] = {
    "front, eye (0, 0, 10)",
    "side, eye (10, 0, 10)",
    "above, eye (10, 10, 10)",
};

constexpr const char* LIGHTING_MODE_NAMES[LIGHTING_MODE_COUNT] = {
    "white point light",
    "cyan directional light",
    "yellow spotlight",
    "all three lights",
};
