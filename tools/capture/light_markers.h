// The rig's lights drawn into a picture of the scene, where they are.
#pragma once

#include "scene/state.h"

// Draws the lights that `state` switches on, each in its own colour, as
// scene/light_marks.h shapes them. Drawn in the current modelview frame,
// which must be the scene's own frame (after the view and the scene's
// turns, as display() leaves it), unlit and depth-tested against what is
// already drawn. The GL state is left as found.
void drawLightMarkers(const SceneState& state);

// The demo's lights in lighting mode `mode`.
void drawLightMarkers(int mode);
