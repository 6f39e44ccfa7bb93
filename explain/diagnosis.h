// Why a pixel has the colour drawn, as data: the verdict on an explained
// pixel and, where the equation at the point differs from what the frame
// shaded, the part of the equation that makes most of the difference and
// why the blend of the corners cannot follow it. The layout (report.h) puts
// it into words. No GL.
#pragma once

#include "explain/explanation.h"

// Differences of the equation from the shaded colour up to this many levels
// count as the same colour: per-vertex shading rounds, and a small triangle
// bends a smooth equation only slightly.
constexpr double SAME_COLOUR_LEVELS = 2.5;

enum class Verdict {
    Background,    // nothing drawn: the clear colour
    NoTriangle,    // no triangle of the frame under the pixel's centre
    SharedEdge,    // the centre on an edge between two triangles that differ there
    OffTheGrid,    // no triangle at the pixel's depth holds the centre exactly
    Mismatch,      // the shaded colour is off the drawn one, and nothing says why
    OnNoSolid,     // the shading gives the drawn colour, on no known solid
    Fragment,      // per pixel: the drawn colour is the fragment's equation
    Flat,          // flat: the drawn colour is the provoking corner's
    Equation,      // the drawn colour is the equation at the point
    Differs,       // the equation at the point differs from the blend of the corners
};

// What makes most of a difference of the equation from the blend of the
// corners' colours.
enum class Cause {
    Clipped,            // the frame's edge cut the triangle: some corners were not lit
    ClampedHereOnly,    // the sum clamps at the point, at no corner
    Clamped,            // it clamps at `corners` of `counted` corners (`here`: at the point too)
    SpotMissesCorners,  // the point is inside the spot, no corner is
    SpotCornersOnly,    // `corners` are inside the spot, the point is not
    SpotEdge,           // the spot's edge crosses the triangle: only `corners` are inside
    AmbientVaries,      // the light's ambient term changes across the triangle
    Grazes,             // the light faces `corners` of the corners
    LightsPointOnly,    // the light reaches the point, no corner
    LightsCornersOnly,  // it reaches the corners, not the point
    Highlight,          // the highlight changes too fast across the triangle
    DiffuseVaries,      // the diffuse term changes across the triangle
};

struct Reason {
    Cause cause = Cause::Clipped;
    int light = -1;           // the light whose term it is
    int corners = 0;          // the corners it holds at,
    int counted = 0;          // of those lit (not made by clipping)
    bool here = false;        // Clamped: the sum clamps at the point too
    double atPoint = 0;       // Highlight: the specular term at the point, 8-bit levels,
    double fromCorners = 0;   // and blended from the corners
    double span = 0;          // DiffuseVaries: pixels between the farthest corners
};

struct Diagnosis {
    Verdict verdict = Verdict::Background;
    // The equation at the point minus the shaded colour, in 8-bit levels,
    // in the channel where it is largest (Equation, Differs, Fragment, Flat).
    double largest = 0;
    int channel = 0;
    // SharedEdge: the triangle whose colour the drawn one is, when only one
    // of the two is within a level of it; else -1.
    int drawnBy = -1;
    // Equation: the triangle's three corners have that colour too.
    bool cornersAlike = false;
    // Equation, Fragment: the channels whose sum goes over 1 (bit 0 red).
    unsigned overOne = 0;
    // Fragment: degrees between the blended normal and the solid's own.
    double normalAngle = 0;
    Reason reason;  // Differs
};

Diagnosis diagnose(const PixelExplanation& e);

// The colour a corner is shaded with: GL's where it was read, else the
// model's.
const Colour& cornerColour(const CornerAccount& corner);

double channelOf(const Colour& c, int channel);
