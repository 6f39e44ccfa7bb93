// Any state of the scene drawn by the fixed-function pipeline: the demo's
// frame cycle, with every value the demo leaves at OpenGL's defaults set
// from the state as well, through the calls stateCalls() lists. The shade
// model and the light model's colour control are lighting state too, which
// GL_LIGHTING_BIT saves and gives back.
#include "render/render.h"

#include "render/frame_steps.h"
#include "render/gl.h"
#include "render/state_calls.h"

#include <vector>

static_assert(NAME_FRONT == GL_FRONT && NAME_LIGHTING == GL_LIGHTING &&
                  NAME_LIGHT_MODEL_LOCAL_VIEWER == GL_LIGHT_MODEL_LOCAL_VIEWER &&
                  NAME_LIGHT_MODEL_TWO_SIDE == GL_LIGHT_MODEL_TWO_SIDE &&
                  NAME_LIGHT_MODEL_AMBIENT == GL_LIGHT_MODEL_AMBIENT &&
                  NAME_AMBIENT == GL_AMBIENT && NAME_DIFFUSE == GL_DIFFUSE &&
                  NAME_SPECULAR == GL_SPECULAR && NAME_POSITION == GL_POSITION &&
                  NAME_SPOT_DIRECTION == GL_SPOT_DIRECTION &&
                  NAME_SPOT_EXPONENT == GL_SPOT_EXPONENT && NAME_SPOT_CUTOFF == GL_SPOT_CUTOFF &&
                  NAME_CONSTANT_ATTENUATION == GL_CONSTANT_ATTENUATION &&
                  NAME_LINEAR_ATTENUATION == GL_LINEAR_ATTENUATION &&
                  NAME_QUADRATIC_ATTENUATION == GL_QUADRATIC_ATTENUATION &&
                  NAME_EMISSION == GL_EMISSION && NAME_SHININESS == GL_SHININESS &&
                  NAME_LIGHT0 == GL_LIGHT0 && NAME_BACK == GL_BACK && NAME_FLAT == GL_FLAT &&
                  NAME_SMOOTH == GL_SMOOTH &&
                  NAME_LIGHT_MODEL_COLOR_CONTROL == GL_LIGHT_MODEL_COLOR_CONTROL &&
                  NAME_SINGLE_COLOR == GL_SINGLE_COLOR &&
                  NAME_SEPARATE_SPECULAR_COLOR == GL_SEPARATE_SPECULAR_COLOR,
              "the calls name GL's own enumerants");

namespace {

void execute(const std::vector<GlCall>& calls)
{
    for (const GlCall& call : calls) {
        switch (call.function) {
        case GlCall::Enable: glEnable(call.target); break;
        case GlCall::Disable: glDisable(call.target); break;
        case GlCall::ShadeModel: glShadeModel(call.target); break;
        case GlCall::LightModelfv: glLightModelfv(call.parameter, call.values); break;
        case GlCall::LightModeli:
            glLightModeli(call.parameter, static_cast<GLint>(call.values[0]));
            break;
        case GlCall::Lightfv: glLightfv(call.target, call.parameter, call.values); break;
        case GlCall::Lightf: glLightf(call.target, call.parameter, call.values[0]); break;
        case GlCall::Materialfv: glMaterialfv(call.target, call.parameter, call.values); break;
        case GlCall::Materialf: glMaterialf(call.target, call.parameter, call.values[0]); break;
        }
    }
}

}  // namespace

void drawFixedFunctionFrame(const SceneState& state)
{
    // Everything set below is lasting lighting state: the demo's frames
    // after this one find it as initLighting() left it.
    glPushAttrib(GL_LIGHTING_BIT);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const StateCalls calls = stateCalls(state);
    execute(calls.lasting);
    setupCamera(state.view);
    // In the turned scene's frame, like the demo's lights.
    execute(calls.placed);
    execute(calls.material);
    drawSolids(state.setup.material, state.tessellation);
    glFlush();
    glPopAttrib();
}
