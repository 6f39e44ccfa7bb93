// The demo's lighting worked out independently of the program: the
// fixed-function lighting equation in eye coordinates, the four solids'
// surfaces, and the range of colours per-vertex (Gouraud) shading can give at
// a surface point. The tests compare rendered pixels with it, and the
// explain tool works a pixel's colour through with it.
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

constexpr int MODEL_LIGHT_COUNT = 3;
extern const SceneLight SCENE_LIGHTS[MODEL_LIGHT_COUNT];

// Which lights each of the four lighting modes switches on.
bool modelLightOn(int mode, int light);

// The lit colour of one vertex: emission 0, global ambient 0.2 times a black
// material ambient, and per enabled light no ambient, the diffuse term, the
// specular term with shininess 50 and the viewer at infinity, the spot's
// sharp cut-off (exponent 0), no attenuation; each channel clamped to [0, 1].
// Everything is worked out in eye coordinates for `view`.
Colour litColour(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal, Colour diffuse);

// The same equation worked through light by light. Vectors are unit vectors
// in the scene's own frame; colours are before clamping.
struct LightTerm {
    bool on = false;        // switched on in this lighting mode
    bool reaches = false;   // on, inside the spot's cone (a spotlight) and N.L > 0
    Vec3 toLight{0, 0, 0};  // from the point towards the light
    double nDotL = 0;
    Colour diffuse{0, 0, 0};  // material diffuse x light colour x N.L, where it reaches
    Vec3 halfway{0, 0, 0};    // between toLight and the direction towards the viewer
    double nDotH = 0;
    Colour specular{0, 0, 0};  // (N.H)^50 x light colour, where it reaches
    double spotAngle = 0;      // spotlight: degrees between its axis and the ray to the point
    bool insideSpot = true;    // spotlight: within its cut-off (spot factor 1, else 0)
};

struct LightingAt {
    LightTerm lights[MODEL_LIGHT_COUNT];
    Colour sum;     // every light's diffuse and specular terms added up
    Colour colour;  // the sum, each channel clamped to [0, 1]: what litColour gives
};

LightingAt lightingAt(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal,
                      Colour diffuse);

enum class Solid { None, Cube, Sphere, Cone, Cylinder };

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
