// The rig's lights drawn into a picture of the scene, where they are.
#pragma once

// Draws the lights that lighting mode `mode` switches on, each in its own
// colour: a light at a point as a star (a dot and three short axes), a
// light from a direction as arrows along the way its light travels, a
// spotlight also as its cone, a wireframe along its axis. Drawn in the
// current modelview frame, which must be the scene's own frame (after the
// view and the scene's turns, as display() leaves it), unlit and
// depth-tested against what is already drawn. The GL state is left as found.
void drawLightMarkers(int mode);
