// The frame cycle: clear, camera, lights, scene, present, one error check.
#include "render/render.h"

#include "render/frame_steps.h"
#include "render/gl.h"
#include "scene/viewer.h"

#include <cstdio>

void setupCamera(const ViewerState& view)
{
    const Camera camera = cameraFor(view.viewpoint, view.windowWidth, view.windowHeight);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fieldOfView, camera.aspect, camera.zNear, camera.zFar);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(camera.eyeX, camera.eyeY, camera.eyeZ, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);

    // Scene points turn about Z first, then Y, then X.
    glRotatef(view.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(view.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(view.angleZ, 0.0f, 0.0f, 1.0f);
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setupCamera(viewer);
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
