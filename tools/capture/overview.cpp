#include "tools/capture/overview.h"

#include "render/gl.h"
#include "render/render.h"
#include "scene/viewer.h"
#include "tools/capture/light_markers.h"
#include "tools/common/gl_session.h"

#include <algorithm>
#include <cmath>

namespace {

// Far outside the rig, above and to the left of the viewpoints, so that the
// three frusta are seen from the side and the spotlight, left of the front
// eye, is in the picture too. The field of view is that of a square picture
// in its narrower direction.
constexpr double EYE[3] = {-28.0, 20.0, 42.0};
constexpr double CENTRE[3] = {2.5, 0.5, 2.0};
constexpr double FIELD_OF_VIEW = 32.0;  // degrees
constexpr double Z_NEAR = 20.0;
constexpr double Z_FAR = 90.0;

// Unlit solids show black; a dark blue-grey background keeps them visible.
constexpr GLfloat BACKGROUND[4] = {0.16f, 0.17f, 0.22f, 1.0f};
constexpr GLfloat FRUSTUM[3] = {0.5f, 0.5f, 0.5f};
constexpr GLfloat HIGHLIGHT[3] = {1.0f, 0.35f, 1.0f};
constexpr float EYE_DOT = 7.0f;

// Labels: GLUT's stroke font, whose capitals are 119.05 units high, drawn
// this high relative to the picture's narrower side, beside the eye.
constexpr double STROKE_CAPITAL = 119.05;
constexpr double LABEL_HEIGHT = 0.045;
constexpr double LABEL_MIN_PIXELS = 12.0;

struct V {
    double x, y, z;
};

V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(double s, V a) { return {s * a.x, s * a.y, s * a.z}; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V unit(V a) { return (1.0 / std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z)) * a; }

void vertex(V p)
{
    glVertex3d(p.x, p.y, p.z);
}

// The four corners of the camera's view at `distance` from its eye.
void cornersAt(const Camera& camera, double distance, V corners[4])
{
    const double pi = std::acos(-1.0);
    const V eye{camera.eyeX, camera.eyeY, camera.eyeZ};
    const V forward = unit(-1.0 * eye);
    const V side = unit(cross(forward, {0, 1, 0}));
    const V up = cross(side, forward);
    const double halfHeight = distance * std::tan(camera.fieldOfView * pi / 360.0);
    const double halfWidth = halfHeight * camera.aspect;
    const V centre = eye + distance * forward;
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        corners[i] = centre + (signs[i][0] * halfWidth) * side + (signs[i][1] * halfHeight) * up;
    }
}

// Lines from the eye through the near plane's corners to the far plane's,
// and both planes' outlines.
void drawFrustum(const Camera& camera)
{
    V nearCorners[4], farCorners[4];
    cornersAt(camera, camera.zNear, nearCorners);
    cornersAt(camera, camera.zFar, farCorners);
    const V eye{camera.eyeX, camera.eyeY, camera.eyeZ};
    glBegin(GL_LINES);
    for (const V& corner : farCorners) {
        vertex(eye);
        vertex(corner);
    }
    glEnd();
    for (const V* plane : {nearCorners, farCorners}) {
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
        glColor3fv(v == state.viewpoint ? HIGHLIGHT : FRUSTUM);
        drawFrustum(cameraFor(v, state.width, state.height));
    }
    glPopAttrib();
}

// The character `c` beside where `at` lands in the picture, upright, over
// everything. Stroke characters are lines, so they go through the same
// transforms as the scene; GLUT's bitmap characters would not follow an
// off-screen target's upper-left origin.
void drawLabel(char c, V at, int width, int height)
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
    const double pixels =
        std::max(LABEL_MIN_PIXELS, LABEL_HEIGHT * static_cast<double>(std::min(width, height)));

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1.0,
            1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(x + 0.5 * pixels, y + 0.3 * pixels, 0.0);
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
    glPointSize(EYE_DOT);
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        glColor3fv(v == state.viewpoint ? HIGHLIGHT : FRUSTUM);
        const Camera camera = cameraFor(v, state.width, state.height);
        const V eye{camera.eyeX, camera.eyeY, camera.eyeZ};
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
    glClearColor(BACKGROUND[0], BACKGROUND[1], BACKGROUND[2], BACKGROUND[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The demo's frames clear to OpenGL's initial black.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The square's view, widened upwards in a tall picture.
    const double pi = std::acos(-1.0);
    const double aspect = cameraFor(0, state.width, state.height).aspect;
    const double halfTangent = std::tan(FIELD_OF_VIEW * pi / 360.0) / std::min(aspect, 1.0);
    gluPerspective(std::atan(halfTangent) * 360.0 / pi, aspect, Z_NEAR, Z_FAR);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(EYE[0], EYE[1], EYE[2], CENTRE[0], CENTRE[1], CENTRE[2], 0.0, 1.0, 0.0);

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
