// The frame cycle: clear, camera, lights, scene, present, one error check.
#include "render/render.h"

#include "app/viewer.h"
#include "render/gl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Eye {
    double x, y, z;
};

// Every viewpoint looks at the origin with +Y up.
constexpr Eye VIEWPOINT_EYES[] = {
    {0.0, 0.0, 10.0},
    {10.0, 0.0, 10.0},
    {10.0, 10.0, 10.0},
};
static_assert(sizeof VIEWPOINT_EYES / sizeof VIEWPOINT_EYES[0] == VIEWPOINT_COUNT,
              "one eye per viewpoint");

// The near and far planes lie this far before and behind the origin along
// the line of sight; every solid stays within sqrt(19) of the origin.
constexpr double DEPTH_MARGIN = 5.0;

// Field of view = FOV_SCALE / distance, so the visible half-height at the
// origin stays near 4.7 units whatever the distance.
constexpr double FOV_SCALE = 520.0;

void setupCamera()
{
    const Camera camera = cameraFor(viewer.viewpoint, viewer.windowWidth, viewer.windowHeight);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fieldOfView, camera.aspect, camera.zNear, camera.zFar);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(camera.eyeX, camera.eyeY, camera.eyeZ, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);

    // Scene points turn about Z first, then Y, then X.
    glRotatef(viewer.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(viewer.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(viewer.angleZ, 0.0f, 0.0f, 1.0f);
}

}  // namespace

Camera cameraFor(int viewpoint, int windowWidth, int windowHeight)
{
    const Eye& eye = VIEWPOINT_EYES[std::clamp(viewpoint, 0, VIEWPOINT_COUNT - 1)];
    const double distance = std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);

    // A minimised window may report a height (or width) of 0. Nothing is
    // visible then, so any finite aspect will do: counting each side as at
    // least one pixel keeps the projection finite (never w/0 or 0/0) and
    // still follows the width, with no state kept between frames.
    const double aspect = static_cast<double>(std::max(windowWidth, 1)) /
                          static_cast<double>(std::max(windowHeight, 1));

    return Camera{eye.x, eye.y, eye.z, FOV_SCALE / distance, aspect,
                  distance - DEPTH_MARGIN, distance + DEPTH_MARGIN};
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setupCamera();
    applyLightingMode(viewer.lightingMode);
    drawScene();
    glFlush();
    glutSwapBuffers();

    if (glGetError() != GL_NO_ERROR) {
        // Flushed at once: a log collector reading a pipe sees it live.
        std::fputs("Erreur OpenGL\n", stdout);
        std::fflush(stdout);
    }
}

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
