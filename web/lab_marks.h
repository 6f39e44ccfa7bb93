// What the lab draws over the solids in its two views, as layers of lines
// and dots: in the view from outside, what the capture tool's --overview
// draws (the viewpoints' frusta and eyes, labelled, the lights' marks) with
// the lights that are off dimmed, each spot's aim marked as the handle it
// is, and the vectors of the lighting equation
// at the clicked point; in the scene's view, the clicked pixel and, shaded
// per vertex, the triangle under it and its corners.
#pragma once

#include "scene/light_marks.h"
#include "scene/overview.h"
#include "scene/state.h"

#include <vector>

// The frame a layer's points are in: the world (the viewpoints' frame), the
// scene's own (turned as the state turns it), or the window's pixels with
// y up from the bottom.
enum class MarkFrame { World, Scene, Window };

struct MarkLayer {
    MarkFrame frame;
    bool depthTest;  // hidden behind the solids, or drawn over everything
    std::vector<LightMarks> marks;
};

// The clicked point as the explainer accounts for it, in the scene's frame.
// Its lights' vectors are worked out from the state when drawn, so they
// follow the lights without explaining the pixel again.
struct ClickedPoint {
    int x = 0, y = 0;          // the pixel, row 0 at the top
    bool onSurface = false;
    MarkPoint point{}, normal{}, towardsViewer{};  // unit normal as lit, unit V
    bool hasTriangle = false;  // shaded per vertex: the triangle under the pixel
    int triangle = -1;
    bool backLit = false;      // lit as a back face (two-sided lighting)
    MarkPoint corners[3]{};
    float cornerColours[3][3]{};
};

// Scene units: the length of the arrows that leave the clicked point.
constexpr double VECTOR_LENGTH = 2.0;

// The view from `camera`: the frusta, the lights' marks and spots' aims,
// the eyes and their labels, and the clicked point's vectors when there is one.
std::vector<MarkLayer> outsideLayers(const SceneState& state, const OutsideCamera& camera,
                                     const ClickedPoint* clicked);

// The scene's view: the clicked pixel, and its triangle shaded per vertex.
std::vector<MarkLayer> sceneLayers(const SceneState& state, const ClickedPoint& clicked);
