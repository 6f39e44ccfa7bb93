// Renders real frames in a real GLUT window on a private Xvfb server and
// reads their pixels back, for tests and tools that check what is drawn.
#pragma once

#include "scene/viewer.h"
#include "tests/support/image.h"
#include "tests/support/xvfb.h"

#include <string>

#include <vector>

// Opens the test window once per process (starting a private Xvfb with
// `screen` unless ML_TEST_USE_DISPLAY=1), with initLighting() done and the
// callbacks registered as the program registers them.
void ensureGlWindow(const std::string& screen = XVFB_SCREEN);

// Asks for a new size of the test window and waits (up to 5 s) for GLUT to
// deliver the reshape; throws std::runtime_error when it does not come.
void resizeGlWindow(int width, int height);

// Resizes the test window, lets GLUT deliver the reshape, sets `viewer` to
// `state` (keeping the window size reshape() recorded), draws one frame
// through the real display() and reads it back from the window.
Image renderFrame(const ViewerState& state, int width = 300, int height = 300);

// Reads whatever the window shows now.
Image readWindow();

// Depth of each pixel of the last frame, row 0 at the top; 1.0 where no
// solid covers the pixel (the depth buffer survives the swap).
struct DepthImage {
    int width = 0;
    int height = 0;
    std::vector<float> values;
    float at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
    bool covered(int x, int y) const { return at(x, y) < 1.0f; }
};

DepthImage readDepth();

// Lets GLUT process pending window-system events.
void pumpEvents();

// A state at the given viewpoint and lighting mode, no rotation.
ViewerState stateAt(int viewpoint, int lightingMode, float angleX = 0, float angleY = 0,
                    float angleZ = 0);
