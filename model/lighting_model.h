// The fixed-function lighting equation worked out independently of the
// program, in double precision: for any lights, material and light model
// (lightingAt with a LightingSetup), and for the demo's own values, which
// the model keeps a copy of (the entry points that take a lighting mode).
// Also the four solids' surfaces and the range of colours per-vertex
// (Gouraud) shading can give at a surface point of the demo. The tests
// compare rendered pixels with it, and the explain tool works a pixel's
// colour through with it.
#pragma once

#include "model/projection.h"

struct Colour {
    double r, g, b;  // 0 to 1
};

// The three lights as they stand in the scene's own frame.
struct SceneLight {
    double position[4];  // w = 0: a light from a direction
    Colour colour;       // diffuse and specular
    bool isSpot;
    Vec3 spotDirection;
    float cutoffDegrees;
};

// The demo's lights by name, in GL's order (light i is GL_LIGHT0 + i).
enum ModelLightName { WHITE_POINT_LIGHT, CYAN_DIRECTIONAL_LIGHT, YELLOW_SPOTLIGHT, MODEL_LIGHT_COUNT };
extern const SceneLight SCENE_LIGHTS[MODEL_LIGHT_COUNT];

// The lights an OpenGL has at least (GL_MAX_LIGHTS), the demo's and more.
constexpr int MODEL_MOST_LIGHTS = 8;

// Which lights each of the four lighting modes switches on.
constexpr int MODEL_MODE_COUNT = 4;
bool modelLightOn(int mode, int light);

// Any light, in the scene's own frame.
struct ModelLight {
    double position[4];      // w = 0: a light from direction xyz; else at the point xyz / w
    Colour ambient, diffuse, specular;
    Vec3 spotDirection;      // any length but 0
    double spotCutoff;       // degrees, 0 to 90; 180: no spot
    double spotExponent;     // 0 to 128
    double attenuation[3];   // constant, linear, quadratic; lights at a point only

    bool isSpot() const { return spotCutoff != 180; }
    bool atPoint() const { return position[3] != 0; }
    // Dimmed with distance: a light at a point with factors other than
    // (1, 0, 0), OpenGL's initial ones, which leave its light whole.
    bool isAttenuated() const
    {
        return atPoint() && (attenuation[0] != 1 || attenuation[1] != 0 || attenuation[2] != 0);
    }
};

// A light other than GL_LIGHT0 as OpenGL starts it: black, from +Z, no
// spot, no attenuation.
extern const ModelLight OPENGL_INITIAL_LIGHT;

// A surface's material.
struct Material {
    Colour ambient, diffuse, specular, emission;
    double shininess;  // 0 to 128
};

// Everything the equation takes besides the view, the point and its normal.
struct LightingSetup {
    ModelLight lights[MODEL_MOST_LIGHTS];
    bool on[MODEL_MOST_LIGHTS];
    int lightCount = MODEL_LIGHT_COUNT;  // the lights there are: GL_LIGHT0 to GL_LIGHT0 + count - 1
    Material front[4];   // the front faces' material on the cube, sphere, cone, cylinder
    Material back;       // the back faces', for the four
    Colour globalAmbient;
    bool localViewer;    // false: the viewer at infinity along eye +Z
    bool twoSided;       // back faces: the normal reversed, the back material
    // GL_SEPARATE_SPECULAR_COLOR: a vertex gets a primary colour (emission,
    // ambient and diffuse terms) and a secondary one (the specular terms),
    // each clamped, which are added (and clamped) only after shading.
    bool separateSpecular = false;
    // Phong's highlight, (R.V)^shininess with R the direction to the light
    // reflected about N and V towards the viewer, instead of GL's Blinn's.
    bool phong = false;
};

// OpenGL's initial material, which the back faces keep (the demo sets the
// front material only).
extern const Material OPENGL_INITIAL_MATERIAL;

// The demo's lights, material and light model, with the lights of `mode` on.
LightingSetup demoLighting(int mode);

// The specular term's power, (N.H)^shininess on the side the light
// reaches: (N.H)^0 is 1 there, and N.H below 0 counts as 0. The same of
// R.V for Phong's highlight.
double highlightPower(double nDotH, double shininess);

// The lit colour of one vertex: emission 0, global ambient 0.2 times a black
// material ambient, and per enabled light no ambient, the diffuse term, the
// specular term with shininess 50 and the viewer at infinity, the spot's
// sharp cut-off (exponent 0), no attenuation; each channel clamped to [0, 1].
// Everything is worked out in eye coordinates for `view`.
Colour litColour(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal, Colour diffuse);

// The same equation worked through light by light. Vectors are unit vectors
// in the scene's own frame; colours are before clamping.
struct LightTerm {
    bool on = false;        // switched on
    bool reaches = false;   // on, inside the spot's cone (a spotlight) and N.L > 0
    Vec3 toLight{0, 0, 0};  // from the point towards the light
    double distance = 0;    // to a light at a point
    double attenuation = 1; // 1 / (constant + linear d + quadratic d^2) at a point, else 1
    double nDotL = 0;
    Colour ambient{0, 0, 0};  // material ambient x light ambient x attenuation x spot factor
    Colour diffuse{0, 0, 0};  // material diffuse x light diffuse x N.L x the same, where it reaches
    Vec3 halfway{0, 0, 0};    // between toLight and the direction towards the viewer
    double nDotH = 0;
    Vec3 reflected{0, 0, 0};  // R, toLight reflected about the normal: 2 (N.L) N - L
    double rDotV = 0;         // R . V, V the unit direction towards the viewer
    // (N.H)^shininess, or Phong's (R.V)^shininess, x material x light
    // specular x the same, where it reaches
    Colour specular{0, 0, 0};
    double spotAngle = 0;      // spotlight: degrees between its axis and the ray to the point
    bool insideSpot = true;    // spotlight: within its cut-off
    double spotFactor = 1;     // spotlight: cos(angle)^exponent inside the cut-off, 0 outside
};

struct LightingAt {
    LightTerm lights[MODEL_MOST_LIGHTS];
    Vec3 normal{0, 0, 0};       // the unit normal lit (reversed for a back face lit two-sided)
    Material material{};        // the material lit
    bool back = false;          // lit as a back face: two-sided lighting
    Colour emission{0, 0, 0};   // the material's emission
    Colour globalAmbient{0, 0, 0};  // global ambient x material ambient
    Colour sum;     // emission, global ambient and every light's terms added up
    Colour colour;  // the sum, each channel clamped to [0, 1]: what litColour gives
    // The colour GL gives a vertex (its primary colour) and what is added
    // to it after shading (the secondary): with the separate specular
    // colour the sum but its specular terms, clamped, and those terms,
    // clamped, and `colour` is the two added and clamped; else `colour` and
    // black.
    Colour primary{0, 0, 0}, secondary{0, 0, 0};
    bool separate = false;  // worked out with the separate specular colour
    bool phong = false;     // with Phong's highlight
};

// The equation at `scenePoint` with unit normal `sceneNormal` (lit as it
// is) under `material`, worked out in eye coordinates for `view`.
LightingAt equationAt(const View& view, const LightingSetup& setup, const Material& material,
                      Vec3 scenePoint, Vec3 sceneNormal);

enum class Solid { None, Cube, Sphere, Cone, Cylinder };

// A point of `solid` on a triangle that faces the eye (`backFace` false) or
// away from it, with the solid's outward normal there: front faces and,
// with one-sided lighting, back faces too are lit with the front material
// as they are; with two-sided lighting back faces with the normal reversed
// and the back material.
LightingAt lightingAt(const View& view, const LightingSetup& setup, Solid solid, bool backFace,
                      Vec3 scenePoint, Vec3 sceneNormal);

// The demo's equation in lighting mode `mode`, for a surface of diffuse
// colour `diffuse`.
LightingAt lightingAt(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal,
                      Colour diffuse);

struct SolidPlace {
    Solid solid;
    const char* name;
    Vec3 centre;
    Colour diffuse;
};

extern const SolidPlace SOLIDS[4];
const SolidPlace& placeOf(Solid solid);

constexpr int CONE_BASE = 6;

// A point of the scene recognised as lying on one solid's surface.
struct SurfacePoint {
    Solid solid = Solid::None;
    Vec3 point{0, 0, 0};
    Vec3 normal{0, 0, 0};   // outward, unit (also for the inside of the tube)
    int face = -1;          // cube: 0..5 as +X, -X, +Y, -Y, +Z, -Z; cone: CONE_BASE
    double offSurface = 0;  // distance from the ideal surface
    bool onEdge = false;    // too close to a cube edge or the cone's rim to tell faces apart
};

SurfacePoint surfaceAt(Vec3 scenePoint);

// `scenePoint` taken as a point of `solid` (of its cube face or cone part
// `face`, numbered as above): the outward normal there, the one the solid's
// tessellation gives a vertex at that point. On the cone's or the tube's
// axis the point alone does not say which way it faces; the normal is then
// the one towards `nearby`, another point of the same triangle.
SurfacePoint onSolid(Solid solid, int face, Vec3 scenePoint, Vec3 nearby);

// The scene point seen at the centre of pixel (px, py) (row 0 at the top) at
// window depth `depth`, undoing `project`.
Vec3 unproject(const View& view, int px, int py, double depth);

// What the shading of the triangle under a pixel can give at `surface`:
// cube faces: the four corners' colours interpolated across either of the
// quad's two triangles (both splits, the range between them); curved
// surfaces: the range of the lighting equation over one tessellation cell
// around the point (72 slices and 72 stacks), since an interpolated colour
// lies between the colours of the triangle's corners.
struct ColourRange {
    Colour lo, hi;
};

ColourRange shadingRange(const View& view, int mode, const SurfacePoint& surface);

// A tighter estimate of the same: `value` plus or minus `slack`. Cube faces:
// between the two splits' interpolations (exact either way). Curved surfaces:
// the equation at the point itself; linear interpolation between corners at
// most one cell h away errs by about f'' h^2 / 2, so the slack is half the
// largest second difference of the equation over one cell either side.
struct Shading {
    Colour value, slack;
};

Shading shadingAt(const View& view, int mode, const SurfacePoint& surface);

// Channels (bit 0 red, 1 green, 2 blue) that go over 1 and clamp at some
// corner the triangle under the point may have.
unsigned clampedChannels(const View& view, int mode, const SurfacePoint& surface);
