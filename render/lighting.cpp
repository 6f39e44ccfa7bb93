// The lighting rig: three lights of three kinds, and which of them each
// lighting mode switches on.
#include "render/render.h"

#include "app/viewer.h"
#include "render/gl.h"

namespace {

struct Light {
    GLenum id;
    GLfloat colour[4];  // diffuse and specular
    GLfloat position[4];  // w = 0: a light from a direction
    bool isSpot;
    GLfloat spotDirection[3];
    GLfloat spotCutoff;  // degrees
};

// The spotlight's axis passes through (-2, 0, 0), between the cone and the
// cylinder. Unset properties stay at OpenGL's defaults (no ambient, no
// attenuation, spot exponent 0).
constexpr Light LIGHTS[LIGHT_COUNT] = {
    // white point light at the scene origin
    {GL_LIGHT0, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, false, {}, 0.0f},
    // cyan light from +X
    {GL_LIGHT1, {0.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f}, false, {}, 0.0f},
    // yellow spotlight
    {GL_LIGHT2, {1.0f, 1.0f, 0.0f, 1.0f}, {-12.0f, 0.0f, 10.0f, 1.0f}, true,
     {1.0f, 0.0f, -1.0f}, 8.59f},
};

// Lights each mode switches on: each light alone, then all three.
constexpr bool MODES[LIGHTING_MODE_COUNT][LIGHT_COUNT] = {
    {true, false, false},
    {false, true, false},
    {false, false, true},
    {true, true, true},
};

}  // namespace

bool lightEnabled(int mode, int light)
{
    if (mode < 0 || mode >= LIGHTING_MODE_COUNT || light < 0 || light >= LIGHT_COUNT) {
        return false;
    }
    return MODES[mode][light];
}

void initLighting()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    // Normals are brought back to unit length after transformation, so the
    // lighting stays right whatever the modelview matrix does to them.
    glEnable(GL_NORMALIZE);

    for (const Light& light : LIGHTS) {
        if (light.isSpot) {
            glLightf(light.id, GL_SPOT_CUTOFF, light.spotCutoff);
        }
        glLightfv(light.id, GL_DIFFUSE, light.colour);
        glLightfv(light.id, GL_SPECULAR, light.colour);
    }
    // No light is switched on here: every frame does that for its mode.
}

void applyLightingMode(int mode)
{
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (lightEnabled(mode, i)) {
            glEnable(LIGHTS[i].id);
        } else {
            glDisable(LIGHTS[i].id);
        }
    }
    // Positions go through the current modelview matrix (view and scene
    // rotations), so the lights stay fixed in the scene and turn with it.
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (!lightEnabled(mode, i)) {
            continue;
        }
        const Light& light = LIGHTS[i];
        glLightfv(light.id, GL_POSITION, light.position);
        if (light.isSpot) {
            glLightfv(light.id, GL_SPOT_DIRECTION, light.spotDirection);
        }
    }
}
