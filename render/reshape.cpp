// The reshape callback: the viewport follows the window, and the size is
// kept for the next frame's aspect ratio.
#include "render/render.h"

#include "render/gl.h"
#include "scene/viewer.h"

#include <algorithm>

void reshape(int width, int height)
{
    // GLUT never reports a negative size; clamping keeps glViewport from
    // raising GL_INVALID_VALUE if a window system ever did.
    width = std::max(width, 0);
    height = std::max(height, 0);
    glViewport(0, 0, width, height);
    viewer.windowWidth = width;
    viewer.windowHeight = height;
}
