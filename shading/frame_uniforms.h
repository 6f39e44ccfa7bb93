// What the shaders are given for one frame, worked out on the CPU the way
// GL works out the same values when the fixed-function pipeline is told
// the state: the matrices, the lights in eye coordinates, and which parts
// of the equation each light needs.
#pragma once

#include "scene/overview.h"
#include "scene/state.h"
#include "shading/gl_matrix.h"

#include <string>
#include <vector>

struct LightUniforms {
    bool on = false;
    bool positional = false;  // w != 0: VP from the point; else the direction
    bool spot = false;        // cut-off other than 180
    bool attenuated = false;  // a point light with attenuation other than (1, 0, 0)
    float position[4];        // eye coordinates; a point's divided by its w, a direction unit
    float spotDirection[3];   // eye coordinates, unit
    float spotCosCutoff;      // at least 0, as GL keeps it
    float halfVector[3];      // a direction's, with the viewer at infinity
};

struct SolidUniforms {
    GlMatrix modelView;
    GlMatrix modelViewProjection;
    float normalMatrix[9];
};

// The eye a frame is seen through: its projection, and the view of the
// world (the frame the scene's turns start from) as the eye sees it.
struct FrameEye {
    GlMatrix projection;
    GlMatrix view;
};

// The state's viewpoint, as the demo sees the scene.
FrameEye sceneEye(const SceneState& state);

// A camera outside the rig, as the overview sees it (gluPerspective and
// gluLookAt of its values).
FrameEye outsideEye(const OutsideCamera& camera);

struct FrameUniforms {
    GlMatrix projection;
    GlMatrix view;  // the eye, then the scene's three turns: where the lights are placed
    LightUniforms lights[MAX_LIGHTS];  // the state's; the others off
    SolidUniforms solids[SOLID_COUNT];
};

// One light as GL holds it once glLightfv has set it under the modelview
// matrix `view`.
LightUniforms lightUniforms(const LightSetup& light, bool on, const GlMatrix& view);

// The solids' placements come from `solids`, in drawing order; the eye is
// the state's viewpoint, or `eye`.
FrameUniforms frameUniforms(const SceneState& state, const SolidMesh (&solids)[SOLID_COUNT]);
FrameUniforms frameUniforms(const SceneState& state, const SolidMesh (&solids)[SOLID_COUNT],
                            const FrameEye& eye);

// One uniform of the scene's program as a frame sets it: its name in the
// program (shading/lighting.glsl, scene.vert) and its floats, a matrix's
// column by column. The count says the type: 1 a float, 3 or 4 a vector,
// 9 or 16 a matrix. What the renderer sets and the lab shows is this list.
struct UniformValue {
    std::string name;
    std::vector<float> values;
};

// Those a frame of `state` sets once: the global ambient light, each light
// that is on (placed as `frame` places it), the front material but its
// diffuse colour.
std::vector<UniformValue> frameUniformValues(const SceneState& state, const FrameUniforms& frame);

// The back material, which two-sided lighting lights the back faces with.
std::vector<UniformValue> backMaterialValues(const SceneState& state);

// Those set for each solid before it is drawn: its diffuse colour and its
// matrices.
std::vector<UniformValue> solidUniformValues(const SceneState& state, const FrameUniforms& frame,
                                             int solid);
