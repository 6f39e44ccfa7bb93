// The rig seen from outside: the scene as the state turns and lights it, its
// lights marked, and the three viewpoints' eyes with their view frusta.
#pragma once

#include "tools/common/options.h"

// Draws the overview of `state` into the current framebuffer, sized as the
// demo's window would be for the state. The viewpoints' eyes and frusta stay
// where they are in the world while the scene turns; the state's viewpoint
// is drawn highlighted; each eye is labelled with its number. The lasting GL
// state is left as the demo's frame expects it.
void drawOverview(const StateOptions& state);
