// Lights moved by their handles (scene/light_marks.h) in a picture of the
// rig from outside, with no GL: the lab's second view drags them with the
// mouse.
#pragma once

#include "scene/light_marks.h"
#include "scene/overview.h"

#include <vector>

// The handle of `handles` whose point or line lands within `reach` pixels
// of picture point (x, y), the nearest; -1 when none does.
int handleAt(const std::vector<LightHandle>& handles, const SceneState& state,
             const OutsideCamera& camera, double x, double y, double reach);

// `start` with the light of `handle` dragged (dx, dy) pixels in the picture:
// - a light at a point moves in the plane through it that faces the
//   camera, so its place lands (dx, dy) from where it did; with `shift` it
//   moves along the line from the eye instead, further away as the pointer
//   goes up, by a hundredth of its distance a pixel;
// - a light from a direction turns so that its arrow points from where the
//   dragged arrow's middle lands;
// - a spot's aim on z = 0 moves in that plane under the pointer, any other
//   in the plane facing the camera; the axis turns towards it.
// The rest of the state is as it was.
SceneState draggedLight(const SceneState& start, const LightHandle& handle,
                        const OutsideCamera& camera, double dx, double dy, bool shift);
