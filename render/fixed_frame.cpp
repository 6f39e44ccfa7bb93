// Any state of the scene drawn by the fixed-function pipeline: the demo's
// frame cycle, with every value the demo leaves at OpenGL's defaults set
// from the state as well.
#include "render/render.h"

#include "render/frame_steps.h"
#include "render/gl.h"

namespace {

void setLight(GLenum id, const LightSetup& light, bool on)
{
    if (!on) {
        glDisable(id);
        return;
    }
    glEnable(id);
    glLightfv(id, GL_AMBIENT, light.ambient);
    glLightfv(id, GL_DIFFUSE, light.diffuse);
    glLightfv(id, GL_SPECULAR, light.specular);
    glLightf(id, GL_SPOT_CUTOFF, light.spotCutoff);
    glLightf(id, GL_SPOT_EXPONENT, light.spotExponent);
    glLightf(id, GL_CONSTANT_ATTENUATION, light.attenuation[0]);
    glLightf(id, GL_LINEAR_ATTENUATION, light.attenuation[1]);
    glLightf(id, GL_QUADRATIC_ATTENUATION, light.attenuation[2]);
    // In the turned scene's frame, like the demo's lights.
    glLightfv(id, GL_POSITION, light.position);
    glLightfv(id, GL_SPOT_DIRECTION, light.spotDirection);
}

}  // namespace

void drawFixedFunctionFrame(const SceneState& state)
{
    // Everything set below is lasting lighting state: the demo's frames
    // after this one find it as initLighting() left it.
    glPushAttrib(GL_LIGHTING_BIT);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setupCamera(state.view);

    const SceneSetup& setup = state.setup;
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, setup.lightModel.ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, setup.lightModel.localViewer ? GL_TRUE : GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, setup.lightModel.twoSided ? GL_TRUE : GL_FALSE);
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        setLight(GL_LIGHT0 + static_cast<GLenum>(i), setup.lights[i], state.lightOn[i]);
    }
    glMaterialfv(GL_FRONT, GL_EMISSION, setup.material.emission);
    drawSolids(setup.material, state.tessellation);
    glFlush();
    glPopAttrib();
}
