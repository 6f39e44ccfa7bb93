// The scene's lights, material and light model as data, with no GL: the
// demo's fixed-function calls set what they set from DEMO_SETUP, the shader
// renderer takes every value of a frame from a SceneState, and the tools
// draw the lights where the table puts them.
#pragma once

#include "mesh/mesh.h"
#include "scene/viewer.h"

#include <string>

// The lights (light i is GL_LIGHT0 + i) and the solids, in drawing order,
// whose names scene/names.h and mesh/mesh.h hold. A state has the demo's
// three lights, which the lighting modes switch, and up to MAX_LIGHTS:
// every OpenGL has at least eight (GL_MAX_LIGHTS).
constexpr int LIGHT_COUNT = 3;
constexpr int MAX_LIGHTS = 8;
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

// The back faces' material, one for the four solids: what two-sided
// lighting lights a back face with.
struct BackMaterialSetup {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess;  // 0 to 128
};

struct LightModelSetup {
    float ambient[4];  // the global ambient light
    bool localViewer;  // false: the viewer at infinity, along eye +Z
    bool twoSided;     // true: back faces lit with the back material and reversed normals
    // GL_SEPARATE_SPECULAR_COLOR: the specular terms added after the rest is
    // clamped (and, shading per vertex, blended apart from it), not before.
    bool separateSpecular = false;
};

struct SceneSetup {
    LightSetup lights[MAX_LIGHTS];  // light i is GL_LIGHT0 + i
    int lightCount;                 // LIGHT_COUNT to MAX_LIGHTS: those the state has
    MaterialSetup material;         // the front faces' material
    BackMaterialSetup back;         // the back faces'
    LightModelSetup lightModel;
};

// OpenGL's initial values, which whatever the demo leaves unset keeps.
constexpr float GL_NO_LIGHT[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float GL_DEFAULT_SPOT_DIRECTION[3] = {0.0f, 0.0f, -1.0f};

// A light other than GL_LIGHT0 as OpenGL starts it: black, from +Z, no
// spot, no attenuation. A light the state adds beyond the demo's starts so.
constexpr LightSetup GL_INITIAL_LIGHT = {
    {0.0f, 0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f},
    {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, -1.0f},      180.0f,
    0.0f,                     {1.0f, 0.0f, 0.0f},
};

// OpenGL's initial material, which the back faces keep while the state
// leaves them so (the demo sets only the front one): two-sided lighting
// shows it inside the tube.
constexpr BackMaterialSetup GL_DEFAULT_MATERIAL = {
    {0.2f, 0.2f, 0.2f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f},
    {0.0f, 0.0f, 0.0f, 1.0f}, 0.0f,
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
        GL_INITIAL_LIGHT, GL_INITIAL_LIGHT, GL_INITIAL_LIGHT, GL_INITIAL_LIGHT, GL_INITIAL_LIGHT,
    },
    LIGHT_COUNT,
    {
        {0.0f, 0.0f, 0.0f, 1.0f},
        {{1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f, 1.0f},
         {1.0f, 1.0f, 0.0f, 1.0f}},
        {1.0f, 1.0f, 1.0f, 1.0f},
        {0.0f, 0.0f, 0.0f, 1.0f},
        50.0f,
    },
    GL_DEFAULT_MATERIAL,
    {{0.2f, 0.2f, 0.2f, 1.0f}, false, false, false},
};
static_assert(MAX_LIGHTS - LIGHT_COUNT == 5, "every light beyond the demo's starts as GL's");

// How the lit colour is spread over a triangle, and the state format's
// word for each.
enum class ShadingMode {
    PerVertex,  // GL's: lit at the corners, the colours blended (Gouraud)
    PerPixel,   // the same equation worked out for every fragment
    Flat,       // GL_FLAT: each triangle in the colour of its provoking corner
};
constexpr const char* SHADING_WORDS[] = {"vertex", "pixel", "flat"};
constexpr int SHADING_MODE_COUNT = sizeof SHADING_WORDS / sizeof SHADING_WORDS[0];

inline const char* shadingWord(ShadingMode mode) { return SHADING_WORDS[static_cast<int>(mode)]; }

// Whether the triangles' corners are lit, as GL lights them, rather than
// the fragments.
inline bool litAtCorners(ShadingMode mode) { return mode != ShadingMode::PerPixel; }

// The specular term's highlight: GL's, Blinn's (N.H)^shininess with H
// halfway between the light and the viewer, or the textbook's, Phong's
// (R.V)^shininess with R the light reflected about N (the shader only).
enum class Highlight { Blinn, Phong };
constexpr const char* HIGHLIGHT_WORDS[] = {"blinn", "phong"};
constexpr int HIGHLIGHT_COUNT = sizeof HIGHLIGHT_WORDS / sizeof HIGHLIGHT_WORDS[0];

// Everything one frame depends on.
struct SceneState {
    ViewerState view;              // viewpoint, angles and window size
    bool lightOn[MAX_LIGHTS];      // what the lighting mode switches on, and the lights beyond
    SceneSetup setup;
    Tessellation tessellation;
    ShadingMode shading = ShadingMode::PerVertex;
    Highlight highlight = Highlight::Blinn;
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

// The lights switched as the state's lighting mode switches them (the
// demo's three; the others as they were).
void followMode(SceneState& state);

// What of `state` the fixed-function pipeline cannot draw, as a refusal
// says it ("shades per pixel"), or an empty string: only the shader
// renderer shades per pixel or takes Phong's highlight.
std::string onlyTheShaderDraws(const SceneState& state);
