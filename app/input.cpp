// The demo's keyboard, special-key and idle callbacks: the decisions are
// scene/viewer.h's, the GLUT calls are made here.
#include "app/callbacks.h"
#include "render/gl.h"

#include <cstdlib>

static_assert(TURN_KEY_LEFT == GLUT_KEY_LEFT && TURN_KEY_UP == GLUT_KEY_UP &&
                  TURN_KEY_RIGHT == GLUT_KEY_RIGHT && TURN_KEY_DOWN == GLUT_KEY_DOWN &&
                  TURN_KEY_PAGE_UP == GLUT_KEY_PAGE_UP && TURN_KEY_PAGE_DOWN == GLUT_KEY_PAGE_DOWN,
              "the turn keys are GLUT's special-key codes");

void keyboard(unsigned char key, int, int)
{
    switch (applyKey(viewer, key)) {
    case KeyEffect::ToggleSpin:
        glutIdleFunc(viewer.animating ? idle : nullptr);
        break;
    case KeyEffect::Quit:
        std::exit(0);
    case KeyEffect::Redisplay:
        glutPostRedisplay();
        break;
    case KeyEffect::None:
        break;
    }
}

void specialKey(int key, int, int)
{
    if (applySpecialKey(viewer, key)) {
        glutPostRedisplay();
    }
}

void idle()
{
    applySpinStep(viewer);
    glutPostRedisplay();
}
