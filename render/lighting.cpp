// The lighting rig: three lights of three kinds, and which of them each
// lighting mode switches on.
#include "render/render.h"

#include "render/gl.h"
#include "scene/viewer.h"


void initLighting()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    // Normals are brought back to unit length after transformation, so the
    // lighting stays right whatever the modelview matrix does to them.
    glEnable(GL_NORMALIZE);

    // Only what the demo's lights differ from OpenGL's initial lights in:
    // the spot's cut-off and the colours.
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        const LightSetup& light = DEMO_SETUP.lights[i];
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        if (light.isSpot()) {
            glLightf(id, GL_SPOT_CUTOFF, light.spotCutoff);
        }
        glLightfv(id, GL_DIFFUSE, light.diffuse);
        glLightfv(id, GL_SPECULAR, light.specular);
    }
    // No light is switched on here: every frame does that for its mode.
}

void applyLightingMode(int mode)
{
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (lightEnabled(mode, i)) {
            glEnable(GL_LIGHT0 + static_cast<GLenum>(i));
        } else {
            glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
        }
    }
    // Positions go through the current modelview matrix (view and scene
    // rotations), so the lights stay fixed in the scene and turn with it.
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (!lightEnabled(mode, i)) {
            continue;
        }
        const LightSetup& light = DEMO_SETUP.lights[i];
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(i);
        glLightfv(id, GL_POSITION, light.position);
        if (light.isSpot()) {
            glLightfv(id, GL_SPOT_DIRECTION, light.spotDirection);
        }
    }
}
