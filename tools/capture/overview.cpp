#include "tools/capture/overview.h"

#include "render/gl.h"
#include "render/render.h"
#include "scene/overview.h"
#include "scene/viewer.h"
#include "tools/capture/light_markers.h"
#include "tools/common/gl_session.h"

#include <algorithm>
#include <cmath>

namespace {

void vertex(const MarkPoint& p)
{
    glVertex3d(p.x, p.y, p.z);
}

// Lines from the eye through the near plane's corners to the far plane's,
// and both planes' outlines.
void drawFrustum(const Camera& camera)
{
    const ViewFrustum frustum = viewFrustum(camera);
    glBegin(GL_LINES);
    for (const MarkPoint& corner : frustum.farCorners) {
        vertex(frustum.eye);
        vertex(corner);
    }
    glEnd();
    for (const MarkPoint* plane : {frustum.nearCorners, frustum.farCorners}) {
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < 4; ++i) {
            vertex(plane[i]);
        }
        glEnd();
    }
}

// Each viewpoint's frustum, in the world's frame, which the scene's turns
// leave alone.
void drawFrusta(const StateOptions& state)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        glColor3fv(v == state.viewpoint ? OVERVIEW_HIGHLIGHT : OVERVIEW_FRUSTUM);
        drawFrustum(cameraFor(v, state.width, state.height));
    }
    glPopAttrib();
}

// The character `c` beside where `at` lands in the picture, upright, over
// everything. Stroke characters are lines, so they go through the same
// transforms as the scene; GLUT's bitmap characters would not follow an
// off-screen target's upper-left origin.
void drawLabel(char c, const MarkPoint& at, int width, int height)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x = 0, y = 0, z = 0;
    if (gluProject(at.x, at.y, at.z, modelview, projection, viewport, &x, &y, &z) != GL_TRUE ||
        z < 0.0 || z > 1.0) {
        return;
    }
    const double pixels = labelPixels(width, height);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1.0,
            1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(x + LABEL_RIGHT * pixels, y + LABEL_UP * pixels, 0.0);
    glScaled(pixels / STROKE_CAPITAL, pixels / STROKE_CAPITAL, 1.0);
    glLineWidth(static_cast<GLfloat>(std::max(1.0, std::floor(pixels / 10.0))));
    glutStrokeCharacter(GLUT_STROKE_ROMAN, c);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// Each eye as a dot with its number beside it, over everything else.
void drawEyes(const StateOptions& state)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPointSize(OVERVIEW_EYE_DOT);
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        glColor3fv(v == state.viewpoint ? OVERVIEW_HIGHLIGHT : OVERVIEW_FRUSTUM);
        const Camera camera = cameraFor(v, state.width, state.height);
        const MarkPoint eye{camera.eyeX, camera.eyeY, camera.eyeZ};
        glBegin(GL_POINTS);
        vertex(eye);
        glEnd();
        drawLabel(static_cast<char>('0' + v), eye, state.width, state.height);
    }
    glPopAttrib();
}

}  // namespace

void drawOverview(const StateOptions& state)
{
    enterState(state);
    glClearColor(OVERVIEW_BACKGROUND[0], OVERVIEW_BACKGROUND[1], OVERVIEW_BACKGROUND[2],
                 OVERVIEW_BACKGROUND[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The demo's frames clear to OpenGL's initial black.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    const OutsideCamera camera = overviewCamera(state.width, state.height);
    double zNear = 0, zFar = 0;
    depthRange(camera, zNear, zFar);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fieldOfView, cameraFor(0, state.width, state.height).aspect, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y,
              camera.target.z, camera.up.x, camera.up.y, camera.up.z);

    drawFrusta(state);

    // The scene turned as display() turns it, then lit, drawn and its lights
    // marked in that turned frame.
    glPushMatrix();
    glRotatef(state.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(state.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(state.angleZ, 0.0f, 0.0f, 1.0f);
    applyLightingMode(state.lightingMode);
    drawScene();
    drawLightMarkers(state.lightingMode);
    glPopMatrix();
    drawEyes(state);
    glFlush();
}
