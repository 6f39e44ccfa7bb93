// Everything drawn inside one frame: the frame cycle with its camera, the
// lighting rig with its modes, and the scene.
#pragma once

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

// Camera of one frame, worked out without a GL context.
struct Camera {
    double eyeX, eyeY, eyeZ;  // looking at the origin, up +Y
    double fieldOfView;       // vertical, degrees
    double aspect;            // width / height
    double zNear, zFar;
};

Camera cameraFor(int viewpoint, int windowWidth, int windowHeight);

// Whether lighting mode `mode` switches light `light` (0, 1 or 2) on.
bool lightEnabled(int mode, int light);

constexpr int LIGHT_COUNT = 3;
