// Everything drawn inside one frame: the frame cycle with its camera, the
// lighting rig with its modes, and the scene.
#pragma once

#include "scene/state.h"

// GLUT callbacks.
void display();
void reshape(int width, int height);

// Lasting lighting state, set once after the window exists.
void initLighting();

// Switches the lights of `mode` on and the others off, and places the ones
// it switched on in the current modelview frame.
void applyLightingMode(int mode);

// The four solids under the shared material. Leaves the matrix stack as it
// found it.
void drawScene();

// Any SceneState drawn by the fixed-function pipeline: the demo's frame
// cycle with every light, material and light model value set from the
// state, the solids cut as it says. GL's shadings only, per vertex or
// flat, and GL's highlight (see onlyTheShaderDraws). Leaves the lasting
// lighting state initLighting() set as it found it.
void drawFixedFunctionFrame(const SceneState& state);
