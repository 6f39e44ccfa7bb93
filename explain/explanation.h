// Why a pixel of a frame has its colour: the lighting equation worked
// through at the surface point under it, by the independent model, and how
// the frame shaded it: the triangle under the pixel, the colours its
// corners were lit with, and their blend at the pixel's centre (or, shading
// per pixel, the equation worked out for the fragment).
//
// No GL here: the command line finds the triangle through GL's feedback of
// the frame (drawn_frame.h); the lab, compiled to WebAssembly, finds it
// through its own ID pass and calls explainPixel. Both take the point under
// the pixel and the corners from the scene's mesh, so the model's numbers
// are the same either way.
#pragma once

#include "model/lighting_model.h"
#include "scene/image.h"
#include "scene/state.h"

#include <string>
#include <vector>

// A corner of a triangle as GL hands it back after lighting, projection and
// clipping, or as the model projects a mesh corner.
struct FeedbackVertex {
    double x, y;     // window position in pixels, y down from the top row
    double depth;    // window depth, 0 at the near plane, 1 at the far plane
    double w;        // clip w: the corner's distance in front of the eye
    Colour colour;   // the lit colour, each channel 0 to 1
    bool clipped;    // on the frame's border: made by clipping, not lit itself
    bool hasColour = true;  // false: the colour GL lit it with was not read
};

struct FeedbackTriangle {
    FeedbackVertex corner[3];
};

// One frame drawn by the fixed-function pipeline: its pixels and depths,
// and every triangle of it as OpenGL lit and projected it (drawn_frame.h).
struct DrawnFrame {
    SceneState state;
    RgbImage image;                          // row 0 at the top
    std::vector<float> depth;                // likewise; 1 where nothing is drawn
    std::vector<FeedbackTriangle> triangles; // in drawing order, polygons cut into fans

    float depthAt(int x, int y) const
    {
        return depth[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                     static_cast<size_t>(x)];
    }
};

// The view the independent model needs for a state.
View viewOf(const SceneState& state);

// One triangle of the scene's mesh, in the scene's own frame, in double.
struct MeshTriangle {
    int index = -1;           // in drawing order
    Solid solid = Solid::None;
    int face = -1;            // cube face or cone part, numbered as surfaceAt does
    Vec3 point[3];            // corners as GL gets them: the mesh's floats, placed
    Vec3 normal[3];           // their normals, placed and made unit (GL_NORMALIZE)
    bool backFace = false;    // its corners run clockwise as the eye sees them
    int provoking = 2;        // the corner whose colour flat shading gives it all
};

// A state as the explainer works with it: the model's view and lighting,
// and the solids' mesh.
class SceneModel {
public:
    explicit SceneModel(const SceneState& state);

    const SceneState& state() const { return state_; }
    const View& view() const { return view_; }
    const LightingSetup& lighting() const { return lighting_; }
    int triangleCount() const { return count_; }

    // Triangle `index` of the mesh, 0 <= index < triangleCount().
    MeshTriangle triangle(int index) const;

    // The point of `t`'s plane that window position (x, y) shows: the ray
    // through it from the near plane to the far plane, met with the plane.
    Vec3 pointOn(const MeshTriangle& t, double x, double y) const;

    // The equation at a point of `t` with normal `normal` (outward): a back
    // face with two-sided lighting is lit reversed, with the back material.
    LightingAt lightingOn(const MeshTriangle& t, Vec3 point, Vec3 normal) const;

private:
    SceneState state_;
    View view_;
    LightingSetup lighting_;
    SceneMesh mesh_;
    int count_ = 0;
};

// The model's lighting of a state.
LightingSetup lightingOf(const SceneState& state);

// What keeps an account from standing for what GL drew.
enum ExplainFlag : unsigned {
    // The pixel's centre lies on an edge that two triangles at its depth
    // share, and the two give different colours there: GL's rasterisation
    // rule picks one, and nothing here says which.
    FLAG_SHARED_EDGE = 1u << 0,
    // No triangle at the pixel's depth holds its centre in exact arithmetic
    // (GL snaps corners to a sub-pixel grid first), or none is found at all.
    FLAG_NO_TRIANGLE = 1u << 1,
    // The shaded colour is more than one level from the drawn one.
    FLAG_MISMATCH = 1u << 2,
};

// Who drew the frame: the fixed-function pipeline (the triangle found
// through GL's feedback) or the shader renderer (found by its ID pass).
enum class FrameSource { FixedFunction, Shader };

// A corner as GL gave it and as the model works it out.
struct CornerAccount {
    FeedbackVertex gl;
    SurfacePoint surface;  // the scene point of the corner and the normal there
    LightingAt model;      // the model's lighting of it, where `lit`
    bool lit = false;      // a corner of the mesh (not one that clipping made)
};

struct TriangleAccount {
    int index = -1;          // the mesh's triangle, in drawing order
    Solid solid = Solid::None;
    int face = -1;           // cube face or cone part, numbered as surfaceAt does
    bool backFace = false;
    CornerAccount corners[3];
    // Flat shading takes the colour of the mesh's provoking corner: corners[provoking],
    // or, where clipping cut it off the piece drawn, `cutOff`, lit by the model alone.
    int provoking = 2;
    CornerAccount cutOff;
    double screenWeights[3] = {0, 0, 0};  // barycentric, in window coordinates
    double weights[3] = {0, 0, 0};        // perspective-correct: what GL gives colours
    // The corners' colours blended (flat: the provoking corner's), 0 to 1;
    // with the separate specular colour their primary and their secondary
    // colours blended apart, added and clamped.
    Colour interpolated{0, 0, 0};
    double depth = 0;                     // at the pixel's centre
    double margin = 0;  // pixels from the centre to the nearest edge, negative outside

    const CornerAccount& provokingCorner() const
    {
        return provoking >= 0 && provoking < 3 ? corners[provoking] : cutOff;
    }
};

struct PixelExplanation {
    int x = 0, y = 0;
    int drawn[3] = {0, 0, 0};
    double depth = 1;        // the depth buffer's, or the model's at the point
    bool background = true;  // nothing drawn: the clear colour
    FrameSource source = FrameSource::FixedFunction;
    ShadingMode shading = ShadingMode::PerVertex;

    bool onSurface = false;  // a solid's surface point is known
    SurfacePoint surface;
    std::string part;        // "face x = 1", "side", "base", "outside", "inside", "surface"
    LightingAt lighting;     // the equation at the point (every light's `on` even without)

    bool hasTriangle = false;
    TriangleAccount triangle;
    bool hasRival = false;   // the other triangle of a shared edge
    TriangleAccount rival;
    bool glCorners = true;   // the blend is of GL's corner colours, not the model's

    // Per-pixel shading: the equation the shader works out for the fragment,
    // with the normal blended from the corners' normals.
    bool hasFragment = false;
    Vec3 fragmentNormal{0, 0, 0};
    LightingAt fragment;

    int interpolated[3] = {0, 0, 0};  // the shaded colour rounded to 8 bits
    int difference[3] = {0, 0, 0};    // drawn minus that
    unsigned flags = 0;

    // The shaded colour at the pixel's centre, 0 to 1: the blend of the
    // corners (flat: the provoking corner's colour), or the fragment's
    // equation.
    Colour shaded() const { return hasFragment ? fragment.colour : triangle.interpolated; }

    // The account stands: nothing drawn, or a triangle whose shading
    // gives the drawn colour with nothing in doubt.
    bool explained() const { return background || (hasTriangle && flags == 0); }
};

// Explains pixels of one frame drawn by the fixed-function pipeline; the
// frame must outlive it.
class FrameExplainer {
public:
    explicit FrameExplainer(const DrawnFrame& frame);

    const DrawnFrame& frame() const { return frame_; }
    const SceneModel& scene() const { return scene_; }
    const View& view() const { return scene_.view(); }

    // (x, y): column and row, row 0 at the top, inside the frame.
    PixelExplanation explain(int x, int y) const;

    // Feedback triangle `index` with its corners worked out by the model.
    TriangleAccount triangle(int index) const;

    // The mesh's triangle that feedback triangle `index` is (or is a piece
    // of, when clipping cut it), or -1.
    int meshIndexOf(int index) const { return meshIndex_[static_cast<size_t>(index)]; }

private:
    const DrawnFrame& frame_;
    SceneModel scene_;
    std::vector<int> meshIndex_;
    int tile_ = 0;  // pixels a side
    int tilesAcross_ = 0, tilesDown_ = 0;
    std::vector<std::vector<int>> tiles_;  // triangles whose bounds touch each tile
};

// Pixel `reading` of the frame of `scene.state()`, explained without GL:
// the point under the pixel on the mesh triangle the reading names, the
// corners from the mesh, placed in the window by the model, with the
// colours read or, without them, the model's. The same PixelExplanation as
// FrameExplainer::explain gives, so explanationJson reports it alike; what
// only GL's feedback knows is left out: the depth buffer (the model's depth
// of the point instead) and the other triangle of a shared edge.
PixelExplanation explainPixel(const SceneModel& scene, const PixelReading& reading);

// A channel of a colour, 0 to 1, in 8-bit levels as GL rounds it.
int toLevel(double channel);

// The name of the part a surface point lies on, as a learner reads it.
std::string partName(const SurfacePoint& surface, bool seenFromBehind);

// Every pixel of a frame, counted by how the interpolation accounts for it.
struct FrameTally {
    int solidPixels = 0;
    int exact = 0;         // interpolation rounds to the drawn colour
    int withinOne = 0;     // off by one level in some channel
    int beyond = 0;        // off by more
    int flagged = 0;       // pixels the tool says it cannot account for
    int flaggedBeyond = 0; // of those, the ones off by more than one level
    // Off by more than one level with no reason but that: neither a shared
    // edge nor a centre outside every triangle. The account is then wrong.
    int beyondUnaccounted = 0;
    int cornersCompared = 0;
    double largestCornerDifference = 0;  // model against GL, 8-bit levels
    // Corners a light grazes (|N.L| below 1e-5), where GL's float rounding
    // decides whether it lights them: compared with the model on either
    // side; these are the ones GL put on the other side.
    int cornersOnTerminator = 0;
};

FrameTally tallyFrame(const FrameExplainer& explainer);
