#include "explain/wording.h"

#include "scene/names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// From this many levels on, "much" brighter or darker.
constexpr double FAR = 32;

std::string triple(double a, double b, double c, int decimals)
{
    return "(" + number(a, decimals) + ", " + number(b, decimals) + ", " + number(c, decimals) +
           ")";
}


std::string plainTriple(double a, double b, double c)
{
    return "(" + plain(a) + ", " + plain(b) + ", " + plain(c) + ")";
}

std::string colouredName(Solid solid)
{
    switch (solid) {
    case Solid::Cube: return "the red cube";
    case Solid::Sphere: return "the green sphere";
    case Solid::Cone: return "the blue cone";
    case Solid::Cylinder: return "the yellow open cylinder";
    case Solid::None: break;
    }
    return "nothing known";
}

// "none of the triangle's corners", "2 of the triangle's 3 corners".
std::string cornersPhrase(int count, int counted)
{
    if (count == 0) {
        return "none of the triangle's corners";
    }
    return std::to_string(count) + " of the triangle's " + std::to_string(counted) + " corners";
}

// The same with a verb, singular or plural as the count asks.
std::string ofCorners(int count, int counted, const char* singular, const char* plural)
{
    return cornersPhrase(count, counted) + " " + (count == 1 || count == 0 ? singular : plural);
}

// "; the sum goes over 1 in red and green, clamped to 1 (255)", or nothing.
std::string overOne(unsigned channels)
{
    std::string over;
    for (int c = 0; c < 3; ++c) {
        if (channels & 1u << c) {
            over += std::string(over.empty() ? "" : " and ") + CHANNEL_NAMES[c];
        }
    }
    return over.empty() ? over : "; the sum goes over 1 in " + over + ", clamped to 1 (255)";
}

// Why the equation at the point differs from the blend of the corners.
std::string reasonText(const PixelExplanation& e, const Reason& r, const LightNames& names)
{
    // "the white point light", but "light 0" for a light that is not the demo's.
    std::string name;
    if (r.light >= 0) {
        const std::string& own = names.name[r.light];
        name = (own.rfind("light ", 0) == 0 ? "" : "the ") + own;
    }
    switch (r.cause) {
    case Cause::Clipped:
        return "the triangle is cut by the frame's edge, and GL blends the corners it lit";
    case Cause::ClampedHereOnly:
        return "the sum goes over 1 and is clamped at this point, but at none of the "
               "triangle's corners";
    case Cause::Clamped:
        return "the sum goes over 1 and is clamped at " + cornersPhrase(r.corners, r.counted) +
               (r.here ? " and at this point" : " but not at this point");
    case Cause::SpotMissesCorners:
        return "none of the triangle's corners is inside the spot, so GL's corners get "
               "nothing from it";
    case Cause::SpotCornersOnly:
        return ofCorners(r.corners, r.counted, "is", "are") + " inside the spot, and GL blends " +
               (r.corners == 1 ? "its" : "their") + " light into this point, which is outside it";
    case Cause::SpotEdge:
        return "only " + ofCorners(r.corners, r.counted, "is", "are") +
               " inside the spot: its edge crosses this triangle";
    case Cause::AmbientVaries:
        return "the ambient term of " + name +
               " changes across the triangle with its attenuation and spot factor, and GL "
               "blends it from the corners in straight lines";
    case Cause::Grazes:
        return name + " grazes this triangle: " + ofCorners(r.corners, r.counted, "faces", "face") +
               " it";
    case Cause::LightsPointOnly:
        return name + " lights this point but none of the triangle's corners";
    case Cause::LightsCornersOnly:
        return name + " lights the triangle's corners but not this point";
    case Cause::Highlight:
        return "the highlight of " + name + (e.lighting.phong ? ", (R.V)^" : ", (N.H)^") +
               plain(e.lighting.material.shininess) +
               ", changes too fast across the triangle for a blend of its corners to follow: " +
               number(r.atPoint, 1) + " levels of it at this point, " +
               number(r.fromCorners, 1) + " blended from the corners";
    case Cause::DiffuseVaries:
        return "the diffuse term of " + name +
               " changes across the triangle, whose corners are up to " + number(r.span, 0) +
               " pixels apart, and GL blends it from the corners in straight lines";
    }
    return {};
}

std::string notAccountedFor(const PixelExplanation& e, const Diagnosis& d)
{
    std::string text = "Not accounted for: ";
    switch (d.verdict) {
    case Verdict::SharedEdge:
        text += "the pixel's centre lies on the edge between triangles " +
                std::to_string(e.triangle.index) + " and " + std::to_string(e.rival.index) +
                ", which give " + levels(e.triangle.interpolated) + " and " +
                levels(e.rival.interpolated) +
                " there; GL's rasterisation rule gives the pixel to one of them";
        if (d.drawnBy >= 0) {
            text += ", here triangle " + std::to_string(d.drawnBy);
        }
        return text + ".";
    case Verdict::OffTheGrid:
        return text + "no triangle at the pixel's depth holds its centre exactly (GL snaps "
                      "corners to 1/256 pixel before it fills triangles): an edge runs through "
                      "this pixel.";
    default:
        return text + (e.hasFragment
                           ? "the colour the shader works out for this fragment is off the "
                             "drawn colour by more than one level, and nothing here says why."
                           : "the interpolation is off the drawn colour by more than one level, "
                             "and nothing here says why.");
    }
}

// Per-pixel shading: the drawn colour is the fragment's equation; how far
// the blended normal takes it from the equation with the solid's own normal.
std::string fragmentText(const Diagnosis& d)
{
    std::string text = "The drawn colour is the equation the shader works out for this "
                       "fragment, with the normal blended from the triangle's corners' normals";
    if (std::abs(d.largest) >= SAME_COLOUR_LEVELS) {
        text += "; with the solid's own normal at this point, " + number(d.normalAngle, 2) +
                " degrees from the blended one, the equation gives " +
                number(std::abs(d.largest), 0) + " levels " + (d.largest > 0 ? "more" : "less") +
                " of " + CHANNEL_NAMES[d.channel];
    } else if (std::abs(d.largest) >= 0.05) {
        text += ", within " + number(std::abs(d.largest), 1) +
                " levels of the equation with the solid's own normal";
    }
    return text + overOne(d.overOne) + ".";
}

// Flat shading: the triangle's one colour, its provoking corner's, against
// the equation at the point.
std::string flatText(const PixelExplanation& e, const Diagnosis& d)
{
    const int k = e.triangle.provoking;
    std::string text =
        "The triangle is flat-shaded: GL gives all of it the colour it lit its provoking vertex "
        "with, " +
        (k >= 0 && k < 3 ? std::string("corner ") + CORNER_NAMES[k] +
                               ", the last of its three as GL draws it"
                         : std::string("a corner the frame's edge cut off"));
    if (std::abs(d.largest) >= SAME_COLOUR_LEVELS) {
        text += "; the equation at this point gives " + number(std::abs(d.largest), 0) +
                " levels " + (d.largest > 0 ? "more " : "less ") + CHANNEL_NAMES[d.channel];
    } else {
        text += ", within " + number(std::abs(d.largest), 1) +
                " levels of the equation at this point";
    }
    return text + overOne(d.overOne) + ".";
}

std::string equationText(const Diagnosis& d)
{
    std::string text = "The drawn colour is the lighting equation at this point";
    if (std::abs(d.largest) >= 0.05) {
        text += ", to within " + number(std::abs(d.largest), 1) + " levels";
    }
    text += d.cornersAlike
                ? ": the triangle's three corners have that colour too, and GL blends them"
                : ": GL blends the colours of the triangle's corners, and across this "
                  "triangle they change almost linearly";
    return text + overOne(d.overOne) + ".";
}

}  // namespace

LightKind kindOf(const ModelLight& light)
{
    if (light.isSpot()) {
        return {"a spotlight", "spot"};
    }
    return light.atPoint() ? LightKind{"a light at a point", "point"}
                           : LightKind{"a light from a direction", "directional"};
}

std::string number(double value, int decimals)
{
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) {
        value = 0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A value given as a float (the cut-off), as it was written: 8.59.
double asWritten(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
    return std::strtod(text, nullptr);
}

std::string plain(double value)
{
    std::string text = number(value, 4);
    while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

std::string plain(const Vec3& v) { return plainTriple(v.x, v.y, v.z); }
std::string plain(const Colour& c) { return plainTriple(c.r, c.g, c.b); }

std::string vec(const Vec3& v, int decimals) { return triple(v.x, v.y, v.z, decimals); }
std::string col(const Colour& c, int decimals) { return triple(c.r, c.g, c.b, decimals); }
std::string levels(const Colour& c) { return triple(c.r * 255, c.g * 255, c.b * 255, 2); }
std::string levels(const int v[3]) { return triple(v[0], v[1], v[2], 0); }

bool isBlack(const Colour& c) { return c.r == 0 && c.g == 0 && c.b == 0; }
bool isWhite(const Colour& c) { return c.r == 1 && c.g == 1 && c.b == 1; }
bool sameColour(const Colour& a, const Colour& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

LightNames demoNames()
{
    LightNames names;
    for (int i = 0; i < MODEL_MOST_LIGHTS; ++i) {
        names.name[i] = i < MODEL_LIGHT_COUNT ? LIGHT_NAMES[i] : "light " + std::to_string(i);
    }
    return names;
}

LightNames namesOf(const SceneModel& scene)
{
    LightNames names = demoNames();
    const LightingSetup demo = demoLighting(0);
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const ModelLight& a = scene.lighting().lights[i];
        const ModelLight& b = demo.lights[i];
        const bool same =
            std::equal(a.position, a.position + 4, b.position) && sameColour(a.ambient, b.ambient) &&
            sameColour(a.diffuse, b.diffuse) && sameColour(a.specular, b.specular) &&
            (!a.isSpot() || (a.spotDirection.x == b.spotDirection.x &&
                             a.spotDirection.y == b.spotDirection.y &&
                             a.spotDirection.z == b.spotDirection.z)) &&
            a.spotCutoff == b.spotCutoff && a.spotExponent == b.spotExponent &&
            std::equal(a.attenuation, a.attenuation + 3, b.attenuation);
        if (!same) {
            names.name[i] = "light " + std::to_string(i);
        }
    }
    return names;
}

// The colour a corner is shaded with: GL's where it was read, else the

std::string solidName(Solid solid)
{
    return solid == Solid::None ? "nothing" : placeOf(solid).name;
}

std::string colouredName(const SceneModel& scene, Solid solid)
{
    if (solid == Solid::None) {
        return colouredName(solid);
    }
    // The demo's colour words only while the solid has the demo's colour.
    const int k = static_cast<int>(solid) - 1;
    return sameColour(scene.lighting().front[k].diffuse, demoLighting(0).front[k].diffuse)
               ? colouredName(solid)
               : std::string("the ") + placeOf(solid).name;
}

std::string lightPlace(const ModelLight& light)
{
    const Vec3 at{light.position[0], light.position[1], light.position[2]};
    const double w = light.position[3];
    std::string text = w == 0 ? "from " + plain(at) : "at " + plain((1.0 / w) * at);
    if (w != 0 && w != 1) {
        text += ", the point (" + plain(at.x) + ", " + plain(at.y) + ", " + plain(at.z) + ", " +
                plain(w) + ") divided by w";
    }
    if (light.isSpot()) {
        text += " aimed along " + plain(light.spotDirection) + ", cut-off " +
                plain(asWritten(static_cast<float>(light.spotCutoff))) + " degrees";
        if (light.spotExponent != 0) {
            text += ", exponent " + plain(light.spotExponent);
        }
    }
    return text;
}

std::string verdictText(const PixelExplanation& e, const Diagnosis& d, const LightNames& names)
{
    switch (d.verdict) {
    case Verdict::Background:
        return "Nothing is drawn here: the pixel keeps the clear colour, black.";
    case Verdict::NoTriangle:
        return "Not accounted for: no triangle of the frame lies under this pixel's centre.";
    case Verdict::SharedEdge:
    case Verdict::OffTheGrid:
    case Verdict::Mismatch:
        return notAccountedFor(e, d);
    case Verdict::OnNoSolid:
        return "GL's interpolation gives the drawn colour, but the point is on no known solid.";
    case Verdict::Fragment:
        return fragmentText(d);
    case Verdict::Flat:
        return flatText(e, d);
    case Verdict::Equation:
        return equationText(d);
    case Verdict::Differs:
        break;
    }
    const std::string how = std::string(std::abs(d.largest) >= FAR ? "much " : "") +
                            (d.largest > 0 ? "brighter" : "darker");
    return "The equation at this point is " + how + " than what is drawn (" +
           number(std::abs(d.largest), 0) + " levels of " + CHANNEL_NAMES[d.channel] +
           ") because " + reasonText(e, d.reason, names) + ".";
}
