// The camera worked out independently of the program: rotations, look-at
// and perspective as OpenGL defines them, in double precision. Tests use it
// to know where a scene point must land on screen, and how an eye sees it.
#pragma once

#include "model/vector.h"

struct View {
    int viewpoint = 0;
    float angleX = 0, angleY = 0, angleZ = 0;
    int width = 300, height = 300;
};

// The scene's turns alone (about Z, then Y, then X, as glRotate turns):
// where a point of the scene's own frame stands in the world, and back.
Vec3 turnScene(const View& view, Vec3 scenePoint);
Vec3 unturnScene(const View& view, Vec3 worldPoint);

// A scene point (or direction, with w = 0) in eye coordinates: the scene
// turned about Z, then Y, then X, then seen from the viewpoint's eye.
Vec3 toEye(const View& view, Vec3 scenePoint);
Vec3 directionToEye(const View& view, Vec3 sceneDirection);

// The other way: a direction in eye coordinates back in the scene's own
// frame (the view turns without scaling, so this is the transpose).
Vec3 directionToScene(const View& view, Vec3 eyeDirection);

struct ScreenPoint {
    double x, y;   // pixels, x from the left, y from the top (pixel centres at .5)
    double depth;  // window depth, 0 at the near plane, 1 at the far plane
};

ScreenPoint project(const View& view, Vec3 scenePoint);

// The scene point at window position (x, y) (pixels, y from the top, pixel
// centres at .5) and window depth `depth`, undoing `project`.
Vec3 unprojectWindow(const View& view, double x, double y, double depth);
