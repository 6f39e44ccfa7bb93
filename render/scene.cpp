// The four solids: one shared material, each in its own diffuse colour.
#include "render/render.h"

#include "render/frame_steps.h"
#include "render/gl.h"

#include <vector>

namespace {

// One step of a solid's placement (mesh/), as GL takes it.
void place(const PlacementStep& step)
{
    if (step.kind == PlacementStep::Translate) {
        glTranslatef(step.x, step.y, step.z);
    } else {
        glRotatef(step.angle, step.x, step.y, step.z);
    }
}

// The solid's centre: the first step of its placement.
void moveToCentre(MeshSolid solid)
{
    place(solidPlacement(solid).front());
}

// An open tube of the given radius whose axis runs along the caller's Y
// axis from +height/2 to -height/2.
void drawCenteredCylinder(double height, double radius, int slices, int stacks)
{
    glPushMatrix();
    for (const PlacementStep& step : centredTube(height)) {  // GLU's +Z now points along -Y
        place(step);
    }

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

// A cube of edge 2 whose faces are cut into N x N squares: GLUT has only
// the uncut one, so the finer cubes come from the mesh, in the same order.
void drawCube(int divisions)
{
    if (divisions == 1) {
        glutSolidCube(2.0);
        return;
    }
    Tessellation cubeOnly;
    cubeOnly.cube = divisions;
    const SolidMesh& cube = buildSceneMesh(cubeOnly).solids[MESH_CUBE];
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i < cube.positions.size(); i += 3) {
        glNormal3fv(&cube.normals[i]);
        glVertex3fv(&cube.positions[i]);
    }
    glEnd();
}

}  // namespace

void drawSolids(const MaterialSetup& material, const Tessellation& tessellation)
{
    glPushMatrix();

    // Front faces only; with one-sided lighting, back faces (the inside of
    // the tube) are lit with this front material too.
    glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
    glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);

    // Red cube, upper right.
    glPushMatrix();
    moveToCentre(MESH_CUBE);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse[MESH_CUBE]);
    drawCube(tessellation.cube);
    glPopMatrix();

    // Green sphere, lower right.
    glPushMatrix();
    moveToCentre(MESH_SPHERE);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse[MESH_SPHERE]);
    glutSolidSphere(1.0, tessellation.sphereSlices, tessellation.sphereStacks);
    glPopMatrix();

    // Blue cone, upper left. GLUT builds it along +Z from its base: the
    // steps after its centre turn that axis to +Y and move the base down so
    // it spans y = -1 to 1.
    const std::vector<PlacementStep> cone = solidPlacement(MESH_CONE);
    glPushMatrix();
    place(cone.front());
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse[MESH_CONE]);
    for (size_t i = 1; i < cone.size(); ++i) {
        place(cone[i]);
    }
    glutSolidCone(1.0, 2.0, tessellation.coneSlices, tessellation.coneStacks);
    glPopMatrix();

    // Yellow open cylinder, lower left.
    glPushMatrix();
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse[MESH_CYLINDER]);
    moveToCentre(MESH_CYLINDER);
    drawCenteredCylinder(2.0, 1.0, tessellation.cylinderSlices, tessellation.cylinderStacks);
    glPopMatrix();

    glPopMatrix();
}

void drawScene()
{
    drawSolids(DEMO_SETUP.material, Tessellation{});
}
