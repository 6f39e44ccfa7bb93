// The rig seen from outside, with no GL: the camera the capture tool's
// --overview looks through and the lab's second view starts from, the
// viewpoints' eyes and view frusta, the labels' strokes and the colours the
// picture is drawn in. The capture tool draws it with the fixed-function
// pipeline, the lab with its shaders.
#pragma once

#include "scene/light_marks.h"
#include "scene/state.h"

#include <string>
#include <vector>

// A camera that sees the rig from outside, placed in the world (the
// viewpoints' frame, which the scene's turns leave alone).
struct OutsideCamera {
    MarkPoint eye, target, up;
    double fieldOfView;  // vertical, degrees
    int width, height;   // the picture, in pixels
};

// --overview's camera for a picture of width x height: far outside the rig,
// above and to the left of the viewpoints, so that the three frusta are seen
// from the side and the spotlight, left of the front eye, is in the picture
// too; 32 degrees across the picture's narrower side.
OutsideCamera overviewCamera(int width, int height);

double targetDistance(const OutsideCamera& camera);

// The near and far planes: the overview's at its own distance, moved with
// the eye as it comes nearer or goes further, so the rig stays between them.
void depthRange(const OutsideCamera& camera, double& zNear, double& zFar);

// The camera moved along its line of sight to `distance` from its target.
OutsideCamera atDistance(const OutsideCamera& camera, double distance);

// The camera turned about its target, `yaw` degrees about the world's +Y
// and `pitch` degrees upwards, never over the top; +Y stays up.
OutsideCamera orbited(const OutsideCamera& camera, double yawDegrees, double pitchDegrees);

// Where a world point lands in the camera's picture: x from the left and y
// from the top in pixels (pixel centres at .5), and its depth, the distance
// in front of the eye along the line of sight.
struct PicturePoint {
    double x, y, depth;
};

PicturePoint projectOutside(const OutsideCamera& camera, MarkPoint world);

// The other way: the world point at picture position (x, y) and `depth`.
MarkPoint unprojectOutside(const OutsideCamera& camera, double x, double y, double depth);

// The scene's turns (about Z, then Y, then X, as display() turns it): where
// a point of the scene's own frame stands in the world, and back.
MarkPoint turnedToWorld(const ViewerState& view, MarkPoint scenePoint);
MarkPoint turnedToScene(const ViewerState& view, MarkPoint worldPoint);

// A viewpoint's view frustum: its eye, and the corners of its near and far
// planes, in order round each plane.
struct ViewFrustum {
    MarkPoint eye;
    MarkPoint nearCorners[4], farCorners[4];
};

ViewFrustum viewFrustum(const Camera& camera);

// Unlit solids show black; a dark blue-grey background keeps them visible.
constexpr float OVERVIEW_BACKGROUND[4] = {0.16f, 0.17f, 0.22f, 1.0f};
// The other viewpoints' eyes and frusta, and the state's own.
constexpr float OVERVIEW_FRUSTUM[3] = {0.5f, 0.5f, 0.5f};
constexpr float OVERVIEW_HIGHLIGHT[3] = {1.0f, 0.35f, 1.0f};
constexpr float OVERVIEW_EYE_DOT = 7.0f;

// The labels: GLUT's Roman stroke characters, whose capitals are 119.05
// units high with the font's spacing, drawn this high relative to the
// picture's narrower side (at least LABEL_MIN_PIXELS), their origin a
// fraction of that right of and above the point they name.
constexpr double STROKE_CAPITAL = 119.05;
constexpr double LABEL_HEIGHT = 0.045;
constexpr double LABEL_MIN_PIXELS = 12.0;
constexpr double LABEL_RIGHT = 0.5, LABEL_UP = 0.3;

double labelPixels(int width, int height);

// The strokes of `text` (digits 0 to 2 and N, V, L, H; others are left out)
// as line segments, each two points one line, in window coordinates
// (pixels, y up from the bottom), its origin at (x, y), `pixels` high.
std::vector<MarkPoint> labelStrokes(const std::string& text, double x, double y, double pixels);

// The width of `text` so drawn.
double labelWidth(const std::string& text, double pixels);
