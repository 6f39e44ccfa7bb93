// The demo's GLUT callbacks for keys and idle time: each applies the key's
// decision (scene/viewer.h) to `viewer`, then makes the GLUT calls it needs.
#pragma once

#include "scene/viewer.h"

void keyboard(unsigned char key, int x, int y);
void specialKey(int key, int x, int y);
void idle();
