// The scene's lights, material and light model as data, with no GL: the
// demo's fixed-function calls set what they set from DEMO_SETUP, the shader
// renderer takes every value of a frame from a SceneState, and the tools
// draw the lights where the table puts them.
#pragma once

#include "mesh/mesh.h"
#include "scene/viewer.h"

// The lights (light i is GL_LIGHT0 + i) and the solids, in drawing order,
// whose names scene/names.h and mesh/mesh.h hold.
constexpr int LIGHT_COUNT = 3;
constexpr int SOLID_COUNT = MESH_SOLID_COUNT;
inline constexpr auto& SOLID_NAMES = MESH_SOLID_NAMES;

// One light as OpenGL knows it, in the scene's own frame.
struct LightSetup {
    float position[4];       // w = 0: a light from a direction
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float spotDirection[3];
    float spotCutoff;        // degrees, 0 to 90; 180: no spot
    float spotExponent;      // 0 to 128
    float attenuation[3];    // constant, linear, quadratic

    bool isSpot() const { return spotCutoff != 180.0f; }
    bool atPoint() const { return position[3] != 0.0f; }
    // Dimmed with distance: a light at a point with factors other than
    // (1, 0, 0), OpenGL's initial ones, which leave its light whole.
    bool isAttenuated() const
    {
        return atPoint() && (attenuation[0] != 1.0f || attenuation[1] != 0.0f ||
                             attenuation[2] != 0.0f);
    }
};

// Shared by the four solids, which differ only in their diffuse colour.
struct MaterialSetup {
    float ambient[4];
    float diffuse[SOLID_COUNT][4];  // cube, sphere, cone, cylinder
    float specular[4];
    float emission[4];
    float shininess;                // 0 to 128
};

struct LightModelSetup {
    float ambient[4];  // the global ambient light
    bool localViewer;  // false: the viewer at infinity, along eye +Z
    bool twoSided;     // true: back faces lit with the back material and reversed normals
};

struct SceneSetup {
    LightSetup lights[LIGHT_COUNT];  // light i is GL_LIGHT0 + i
    MaterialSetup material;          // the front faces' material
    LightModelSetup lightModel;
};

// OpenGL's initial values, which whatever the demo leaves unset keeps.
constexpr float GL_NO_LIGHT[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float GL_DEFAULT_SPOT_DIRECTION[3] = {0.0f, 0.0f, -1.0f};

// The back faces' material: the demo sets only the front one, so the back
// keeps OpenGL's initial material, which two-sided lighting shows.
constexpr MaterialSetup GL_DEFAULT_MATERIAL = {
    {0.2f, 0.2f, 0.2f, 1.0f},
    {{0.8f, 0.8f, 0.8f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f},
     {0.8f, 0.8f, 0.8f, 1.0f}},
    {0.0f, 0.0f, 0.0f, 1.0f},
    {0.0f, 0.0f, 0.0f, 1.0f},
    0.0f,
};

// The demo: a white point light at the scene origin, a cyan light from +X
// and a yellow spotlight whose axis passes through (-2, 0, 0), between the
// cone and the cylinder; no light has an ambient colour, a spot exponent or
// attenuation. One material with no ambient reflection, white specular
// and shininess 50, in red, green, blue and yellow.
constexpr SceneSetup DEMO_SETUP = {
    {
        {{0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
         {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, -1.0f}, 180.0f, 0.0f, {1.0f, 0.0f, 0.0f}},
        {{1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 1.0f, 1.0f},
         {0.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, -1.0f}, 180.0f, 0.0f, {1.0f, 0.0f, 0.0f}},
        {{-12.0f, 0.0f, 10.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f},
         {1.0f, 1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, -1.0f}, 8.59f, 0.0f, {1.0f, 0.0f, 0.0f}},
    },
    {
        {0.0f, 0.0f, 0.0f, 1.0f},
        {{1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f, 1.0f},
         {1.0f, 1.0f, 0.0f, 1.0f}},
        {1.0f, 1.0f, 1.0f, 1.0f},
        {0.0f, 0.0f, 0.0f, 1.0f},
        50.0f,
    },
    {{0.2f, 0.2f, 0.2f, 1.0f}, false, false},
};

// How the lit colour is spread over a triangle, and the state format's
// word for each.
enum class ShadingMode {
    PerVertex,  // GL's: lit at the corners, the colours blended (Gouraud)
    PerPixel,   // the same equation worked out for every fragment
};
constexpr const char* SHADING_WORDS[] = {"vertex", "pixel"};
constexpr int SHADING_MODE_COUNT = sizeof SHADING_WORDS / sizeof SHADING_WORDS[0];

inline const char* shadingWord(ShadingMode mode) { return SHADING_WORDS[static_cast<int>(mode)]; }

// Everything one frame depends on.
struct SceneState {
    ViewerState view;              // viewpoint, angles and window size
    bool lightOn[LIGHT_COUNT];     // what the lighting mode switches on
    SceneSetup setup;
    Tessellation tessellation;
    ShadingMode shading = ShadingMode::PerVertex;
};

// The demo's frame for `view`: its setup, tessellation and shading, and the
// lights of view.lightingMode.
SceneState demoSceneState(const ViewerState& view);

// Camera of one frame, worked out without a GL context.
struct Camera {
    double eyeX, eyeY, eyeZ;  // looking at the origin, up +Y
    double fieldOfView;       // vertical, degrees
    double aspect;            // width / height
    double zNear, zFar;
};

Camera cameraFor(int viewpoint, int windowWidth, int windowHeight);

// Whether lighting mode `mode` switches light `light` (0, 1 or 2) on.
bool lightEnabled(int mode, int light);

// The lights switched as the state's lighting mode switches them.
void followMode(SceneState& state);
