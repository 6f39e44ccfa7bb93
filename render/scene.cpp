// The four solids: one shared material, each in its own diffuse colour.
#include "render/render.h"

#include "render/gl.h"

namespace {

constexpr GLfloat MATERIAL_AMBIENT[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr GLfloat MATERIAL_SPECULAR[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLfloat MATERIAL_SHININESS = 50.0f;

constexpr GLfloat RED[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr GLfloat GREEN[4] = {0.0f, 1.0f, 0.0f, 1.0f};
constexpr GLfloat BLUE[4] = {0.0f, 0.0f, 1.0f, 1.0f};
constexpr GLfloat YELLOW[4] = {1.0f, 1.0f, 0.0f, 1.0f};

// Curved solids are cut into this many slices and stacks.
constexpr int TESSELLATION = 72;

// An open tube of the given radius whose axis runs along the caller's Y
// axis from +height/2 to -height/2.
void drawCenteredCylinder(double height, double radius, int slices, int stacks)
{
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);  // GLU's +Z now points along -Y
    glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(-0.5 * height));

    // Made and deleted on every draw, so nothing outlives the frame. If GLU
    // cannot make one, the tube is left out of this frame only.
    GLUquadric* quadric = gluNewQuadric();
    if (quadric != nullptr) {
        gluQuadricDrawStyle(quadric, GLU_FILL);
        gluCylinder(quadric, radius, radius, height, slices, stacks);
        gluDeleteQuadric(quadric);
    }

    glPopMatrix();
}

}  // namespace

void drawScene()
{
    glPushMatrix();

    // Front faces only; with one-sided lighting, back faces (the inside of
    // the tube) are lit with this front material too.
    glMaterialfv(GL_FRONT, GL_AMBIENT, MATERIAL_AMBIENT);
    glMaterialfv(GL_FRONT, GL_SPECULAR, MATERIAL_SPECULAR);
    glMaterialf(GL_FRONT, GL_SHININESS, MATERIAL_SHININESS);

    // Red cube, upper right.
    glPushMatrix();
    glTranslatef(2.0f, 2.0f, 0.0f);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, RED);
    glutSolidCube(2.0);
    glPopMatrix();

    // Green sphere, lower right.
    glPushMatrix();
    glTranslatef(2.0f, -2.0f, 0.0f);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, GREEN);
    glutSolidSphere(1.0, TESSELLATION, TESSELLATION);
    glPopMatrix();

    // Blue cone, upper left. GLUT builds it along +Z from its base: turn
    // that axis to +Y and move the base down so it spans y = -1 to 1.
    glPushMatrix();
    glTranslatef(-2.0f, 2.0f, 0.0f);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, BLUE);
    glRotatef(90.0f, -1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -1.0f);
    glutSolidCone(1.0, 2.0, TESSELLATION, TESSELLATION);
    glPopMatrix();

    // Yellow open cylinder, lower left.
    glPushMatrix();
    glMaterialfv(GL_FRONT, GL_DIFFUSE, YELLOW);
    glTranslatef(-2.0f, -2.0f, 0.0f);
    drawCenteredCylinder(2.0, 1.0, TESSELLATION, TESSELLATION);
    glPopMatrix();

    glPopMatrix();
}
