// Steps of a frame that the files of render/ share; not for use outside it.
#pragma once

#include "scene/state.h"

// Projection and view of `view`'s viewpoint and window size, then its three
// turns; leaves the modelview matrix current.
void setupCamera(const ViewerState& view);

// The four solids under `material` (front faces, without its emission),
// cut as `tessellation` says. Leaves the matrix stack as it found it.
void drawSolids(const MaterialSetup& material, const Tessellation& tessellation);
