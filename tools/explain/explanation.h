// Why a pixel of a drawn frame has its colour: the lighting equation worked
// through at the surface point under it, by the independent model, and how
// GL actually shaded it: the triangle under the pixel, the colours GL lit
// its corners with, and their interpolation at the pixel's centre.
#pragma once

#include "drawn_frame.h"
#include "model/lighting_model.h"

#include <string>
#include <vector>

// What keeps an account from standing for what GL drew.
enum ExplainFlag : unsigned {
    // The pixel's centre lies on an edge that two triangles at its depth
    // share, and the two give different colours there: GL's rasterisation
    // rule picks one, and nothing here says which.
    FLAG_SHARED_EDGE = 1u << 0,
    // No triangle at the pixel's depth holds its centre in exact arithmetic
    // (GL snaps corners to a sub-pixel grid first), or none is found at all.
    FLAG_NO_TRIANGLE = 1u << 1,
    // The interpolated colour is more than one level from the drawn one.
    FLAG_MISMATCH = 1u << 2,
};

// A corner as GL gave it and as the model works it out.
struct CornerAccount {
    FeedbackVertex gl;
    SurfacePoint surface;  // the scene point of the corner and the normal there
    LightingAt model;      // left empty for a corner that clipping made
};

struct TriangleAccount {
    int index = -1;          // in drawing order
    Solid solid = Solid::None;
    int face = -1;           // cube face or cone part, numbered as surfaceAt does
    CornerAccount corners[3];
    double screenWeights[3] = {0, 0, 0};  // barycentric, in window coordinates
    double weights[3] = {0, 0, 0};        // perspective-correct: what GL gives colours
    Colour interpolated{0, 0, 0};         // 0 to 1
    double depth = 0;                     // at the pixel's centre
    double margin = 0;  // pixels from the centre to the nearest edge, negative outside
};

struct PixelExplanation {
    int x = 0, y = 0;
    int drawn[3] = {0, 0, 0};
    double depth = 1;
    bool background = true;  // nothing drawn: the clear colour

    bool onSurface = false;  // a solid's surface point is known
    SurfacePoint surface;
    std::string part;        // "face x = 1", "side", "base", "outside", "inside", "surface"
    LightingAt lighting;     // the equation at the point (every light's `on` even without)

    bool hasTriangle = false;
    TriangleAccount triangle;
    bool hasRival = false;   // the other triangle of a shared edge
    TriangleAccount rival;

    int interpolated[3] = {0, 0, 0};  // the interpolation rounded to 8 bits
    int difference[3] = {0, 0, 0};    // drawn minus that
    unsigned flags = 0;

    // The account stands: nothing drawn, or a triangle whose interpolation
    // gives the drawn colour with nothing in doubt.
    bool explained() const { return background || (hasTriangle && flags == 0); }
};

// Explains pixels of one drawn frame; the frame must outlive it.
class FrameExplainer {
public:
    explicit FrameExplainer(const DrawnFrame& frame);

    const DrawnFrame& frame() const { return frame_; }
    const View& view() const { return view_; }

    // (x, y): column and row, row 0 at the top, inside the frame.
    PixelExplanation explain(int x, int y) const;

    // Triangle `index` with its corners worked out by the model.
    TriangleAccount triangle(int index) const;

private:
    const DrawnFrame& frame_;
    View view_;
    int tile_ = 0;  // pixels a side
    int tilesAcross_ = 0, tilesDown_ = 0;
    std::vector<std::vector<int>> tiles_;  // triangles whose bounds touch each tile
};

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
};

FrameTally tallyFrame(const FrameExplainer& explainer);
