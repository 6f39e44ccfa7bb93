#include "explain/report.h"

#include "scene/names.h"
#include "scene/state_json.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// What kind of light one is, for the text and for JSON.
struct LightKind {
    const char* text;
    const char* json;
};

LightKind kindOf(const ModelLight& light)
{
    if (light.isSpot()) {
        return {"a spotlight", "spot"};
    }
    return light.atPoint() ? LightKind{"a light at a point", "point"}
                           : LightKind{"a light from a direction", "directional"};
}

constexpr const char* CORNER_NAMES[3] = {"A", "B", "C"};
constexpr const char* CHANNEL_NAMES[3] = {"red", "green", "blue"};

const double PI_ = std::acos(-1.0);

// Differences of the equation from the interpolation up to this many levels
// count as the same colour: per-vertex shading rounds, and a small triangle
// bends a smooth equation only slightly.
constexpr double CLOSE = 2.5;
// From this many levels on, "much" brighter or darker.
constexpr double FAR = 32;

// A number with `decimals` places, never "-0.000".
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

std::string triple(double a, double b, double c, int decimals)
{
    return "(" + number(a, decimals) + ", " + number(b, decimals) + ", " + number(c, decimals) +
           ")";
}

// A value as given: up to 4 decimals, trailing zeros dropped (8.59, -12, 0.5).
std::string plain(double value)
{
    std::string text = number(value, 4);
    while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

std::string plainTriple(double a, double b, double c)
{
    return "(" + plain(a) + ", " + plain(b) + ", " + plain(c) + ")";
}

std::string plain(const Vec3& v) { return plainTriple(v.x, v.y, v.z); }
std::string plain(const Colour& c) { return plainTriple(c.r, c.g, c.b); }

std::string vec(const Vec3& v, int decimals = 3) { return triple(v.x, v.y, v.z, decimals); }
std::string col(const Colour& c, int decimals = 3) { return triple(c.r, c.g, c.b, decimals); }
std::string levels(const Colour& c) { return triple(c.r * 255, c.g * 255, c.b * 255, 2); }
std::string levels(const int v[3]) { return triple(v[0], v[1], v[2], 0); }

int toLevel(double value)
{
    return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

double channel(const Colour& c, int i) { return i == 0 ? c.r : i == 1 ? c.g : c.b; }

nlohmann::ordered_json array(const Vec3& v) { return {v.x, v.y, v.z}; }
nlohmann::ordered_json array(const Colour& c) { return {c.r, c.g, c.b}; }
nlohmann::ordered_json array(const int v[3]) { return {v[0], v[1], v[2]}; }

bool isBlack(const Colour& c) { return c.r == 0 && c.g == 0 && c.b == 0; }
bool isWhite(const Colour& c) { return c.r == 1 && c.g == 1 && c.b == 1; }
bool sameColour(const Colour& a, const Colour& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// The lights' names: the demo's, for a light as the demo has it, else its
// number.
struct LightNames {
    std::string name[MODEL_LIGHT_COUNT];
};

LightNames demoNames()
{
    LightNames names;
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        names.name[i] = LIGHT_NAMES[i];
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
// model's.
const Colour& cornerColour(const CornerAccount& corner)
{
    return corner.gl.hasColour ? corner.gl.colour : corner.model.colour;
}

std::string solidName(Solid solid)
{
    return solid == Solid::None ? "nothing" : placeOf(solid).name;
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

std::vector<std::string> flagNames(unsigned flags)
{
    std::vector<std::string> names;
    if (flags & FLAG_SHARED_EDGE) {
        names.emplace_back("shared edge");
    }
    if (flags & FLAG_NO_TRIANGLE) {
        names.emplace_back("no triangle");
    }
    if (flags & FLAG_MISMATCH) {
        names.emplace_back("mismatch");
    }
    return names;
}

// Corners (not made by clipping) for which `test` holds, and how many
// there are to test.
template <typename Test>
int cornersWhere(const TriangleAccount& t, int& counted, Test test)
{
    int count = 0;
    counted = 0;
    for (const CornerAccount& corner : t.corners) {
        if (!corner.lit) {
            continue;
        }
        ++counted;
        count += test(corner.model) ? 1 : 0;
    }
    return count;
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

// What the spot's edge does to this triangle, if it crosses it or the point
// lies on the other side of it from every corner; empty if it does not.
std::string spotEdge(const PixelExplanation& e, int light, int counted)
{
    const LightTerm& spot = e.lighting.lights[light];
    int tested = 0;
    const int inside = cornersWhere(
        e.triangle, tested, [light](const LightingAt& m) { return m.lights[light].insideSpot; });
    if (spot.insideSpot && inside == 0) {
        return "none of the triangle's corners is inside the spot, so GL's corners get "
               "nothing from it";
    }
    if (!spot.insideSpot && inside > 0) {
        return ofCorners(inside, counted, "is", "are") + " inside the spot, and GL blends " +
               (inside == 1 ? "its" : "their") + " light into this point, which is outside it";
    }
    if (spot.insideSpot && inside < counted) {
        return "only " + ofCorners(inside, counted, "is", "are") +
               " inside the spot: its edge crosses this triangle";
    }
    return {};
}

// Why the equation at the point differs from the blend of the corners in
// channel `c`. GL's colour is the blend of the corners' clamped sums; the
// difference splits into each light's diffuse and specular term (at the
// point against blended from the corners) and what clamping takes off. The
// reason given is the part that makes most of the difference.
std::string reasonFor(const PixelExplanation& e, const LightNames& names, int c,
                      double difference)
{
    const TriangleAccount& t = e.triangle;
    int counted = 0;
    cornersWhere(t, counted, [](const LightingAt&) { return true; });
    if (counted < 3) {
        return "the triangle is cut by the frame's edge, and GL blends the corners it lit";
    }
    const auto blended = [&t](auto value) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) {
            sum += t.weights[k] * value(t.corners[k].model);
        }
        return sum;
    };
    const double sign = difference > 0 ? 1.0 : -1.0;
    // Parts: 0 clamping, then diffuse, specular and ambient of each light.
    double clamping = (channel(e.lighting.colour, c) - channel(e.lighting.sum, c)) -
                      blended([c](const LightingAt& m) {
                          return channel(m.colour, c) - channel(m.sum, c);
                      });
    int largest = 0;
    double largestPart = sign * clamping;
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const double parts[3] = {
            channel(e.lighting.lights[i].diffuse, c) -
                blended([c, i](const LightingAt& m) { return channel(m.lights[i].diffuse, c); }),
            channel(e.lighting.lights[i].specular, c) -
                blended([c, i](const LightingAt& m) { return channel(m.lights[i].specular, c); }),
            channel(e.lighting.lights[i].ambient, c) -
                blended([c, i](const LightingAt& m) { return channel(m.lights[i].ambient, c); }),
        };
        for (int term = 0; term < 3; ++term) {
            if (sign * parts[term] > largestPart) {
                largestPart = sign * parts[term];
                largest = 1 + 3 * i + term;
            }
        }
    }
    if (largest == 0) {
        int clamped = 0;
        cornersWhere(t, counted, [c, &clamped](const LightingAt& m) {
            clamped += channel(m.sum, c) > 1 ? 1 : 0;
            return true;
        });
        const bool here = channel(e.lighting.sum, c) > 1;
        if (clamped == 0) {
            return "the sum goes over 1 and is clamped at this point, but at none of the "
                   "triangle's corners";
        }
        return "the sum goes over 1 and is clamped at " + cornersPhrase(clamped, counted) +
               (here ? " and at this point" : " but not at this point");
    }
    const int light = (largest - 1) / 3;
    const int term = (largest - 1) % 3;
    // "the white point light", but "light 0" for a light that is not the demo's.
    const std::string& own = names.name[light];
    const std::string name = (own.rfind("light ", 0) == 0 ? "" : "the ") + own;
    if (std::string edge = spotEdge(e, light, counted); !edge.empty()) {
        return edge;
    }
    if (term == 2) {
        return "the ambient term of " + name +
               " changes across the triangle with its attenuation and spot factor, and GL "
               "blends it from the corners in straight lines";
    }
    int facing = 0;
    cornersWhere(t, counted, [light, &facing](const LightingAt& m) {
        facing += m.lights[light].nDotL > 0 ? 1 : 0;
        return true;
    });
    if (facing != 0 && facing != counted) {
        return name + " grazes this triangle: " + ofCorners(facing, counted, "faces", "face") +
               " it";
    }
    if ((e.lighting.lights[light].nDotL > 0) != (facing != 0)) {
        return name + (facing == 0 ? " lights this point but none of the triangle's corners"
                                   : " lights the triangle's corners but not this point");
    }
    if (term == 1) {
        const double atPoint = channel(e.lighting.lights[light].specular, c);
        const double fromCorners = blended(
            [c, light](const LightingAt& m) { return channel(m.lights[light].specular, c); });
        return "the highlight of " + name + ", (N.H)^" +
               plain(e.lighting.material.shininess) + ", changes too fast across the triangle for a blend of its corners to "
               "follow: " +
               number(atPoint * 255, 1) + " levels of it at this point, " +
               number(fromCorners * 255, 1) + " blended from the corners";
    }
    double span = 0;
    for (int a = 0; a < 3; ++a) {
        const FeedbackVertex& p = t.corners[a].gl;
        const FeedbackVertex& q = t.corners[(a + 1) % 3].gl;
        span = std::max(span, std::hypot(p.x - q.x, p.y - q.y));
    }
    return "the diffuse term of " + name +
           " changes across the triangle, whose corners are up to " + number(span, 0) +
           " pixels apart, and GL blends it from the corners in straight lines";
}

}  // namespace

namespace {

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

std::string overOne(const Colour& sum)
{
    std::string over;
    for (int c = 0; c < 3; ++c) {
        if (channel(sum, c) > 1) {
            over += std::string(over.empty() ? "" : " and ") + CHANNEL_NAMES[c];
        }
    }
    return over.empty() ? over : "; the sum goes over 1 in " + over + ", clamped to 1 (255)";
}

// Per-pixel shading: the drawn colour is the fragment's equation; how far
// the blended normal takes it from the equation with the solid's own normal.
std::string fragmentVerdict(const PixelExplanation& e)
{
    std::string text = "The drawn colour is the equation the shader works out for this "
                       "fragment, with the normal blended from the triangle's corners' normals";
    int worst = 0;
    double largest = 0;
    for (int c = 0; c < 3; ++c) {
        const double d = (channel(e.lighting.colour, c) - channel(e.fragment.colour, c)) * 255;
        if (std::abs(d) > std::abs(largest)) {
            largest = d;
            worst = c;
        }
    }
    const double angle =
        std::acos(std::clamp(dot(e.fragmentNormal, e.surface.normal), -1.0, 1.0)) * 180.0 / PI_;
    if (std::abs(largest) >= CLOSE) {
        text += "; with the solid's own normal at this point, " + number(angle, 2) +
                " degrees from the blended one, the equation gives " +
                number(std::abs(largest), 0) + " levels " + (largest > 0 ? "more" : "less") +
                " of " + CHANNEL_NAMES[worst];
    } else if (std::abs(largest) >= 0.05) {
        text += ", within " + number(std::abs(largest), 1) +
                " levels of the equation with the solid's own normal";
    }
    return text + overOne(e.fragment.sum) + ".";
}

std::string verdictWith(const PixelExplanation& e, const LightNames& names)
{
    if (e.background) {
        return "Nothing is drawn here: the pixel keeps the clear colour, black.";
    }
    if (!e.hasTriangle) {
        return "Not accounted for: no triangle of the frame lies under this pixel's centre.";
    }
    if (e.flags != 0) {
        std::string text = "Not accounted for: ";
        if (e.flags & FLAG_SHARED_EDGE) {
            text += "the pixel's centre lies on the edge between triangles " +
                    std::to_string(e.triangle.index) + " and " + std::to_string(e.rival.index) +
                    ", which give " + levels(e.triangle.interpolated) + " and " +
                    levels(e.rival.interpolated) +
                    " there; GL's rasterisation rule gives the pixel to one of them";
            const auto drawnBy = [&e](const int interpolated[3]) {
                return std::max({std::abs(e.drawn[0] - interpolated[0]),
                                 std::abs(e.drawn[1] - interpolated[1]),
                                 std::abs(e.drawn[2] - interpolated[2])}) <= 1;
            };
            const int rival[3] = {toLevel(e.rival.interpolated.r), toLevel(e.rival.interpolated.g),
                                  toLevel(e.rival.interpolated.b)};
            if (drawnBy(e.interpolated) != drawnBy(rival)) {
                text += ", here triangle " +
                        std::to_string(drawnBy(rival) ? e.rival.index : e.triangle.index);
            }
            text += ".";
        } else if (e.flags & FLAG_NO_TRIANGLE) {
            text += "no triangle at the pixel's depth holds its centre exactly (GL snaps "
                    "corners to 1/256 pixel before it fills triangles): an edge runs through "
                    "this pixel.";
        } else if (e.hasFragment) {
            text += "the colour the shader works out for this fragment is off the drawn colour "
                    "by more than one level, and nothing here says why.";
        } else {
            text += "the interpolation is off the drawn colour by more than one level, and "
                    "nothing here says why.";
        }
        return text;
    }
    if (!e.onSurface) {
        return "GL's interpolation gives the drawn colour, but the point is on no known solid.";
    }
    if (e.hasFragment) {
        return fragmentVerdict(e);
    }
    int worst = 0;
    double largest = 0;
    for (int c = 0; c < 3; ++c) {
        const double d =
            channel(e.lighting.colour, c) * 255 - channel(e.triangle.interpolated, c) * 255;
        if (std::abs(d) > std::abs(largest)) {
            largest = d;
            worst = c;
        }
    }
    if (std::abs(largest) < CLOSE) {
        std::string text = "The drawn colour is the lighting equation at this point";
        if (std::abs(largest) >= 0.05) {
            text += ", to within " + number(std::abs(largest), 1) + " levels";
        }
        bool alike = true;
        for (int k = 1; k < 3; ++k) {
            const Colour& a = cornerColour(e.triangle.corners[0]);
            const Colour& b = cornerColour(e.triangle.corners[k]);
            alike = alike && std::max({std::abs(a.r - b.r), std::abs(a.g - b.g),
                                       std::abs(a.b - b.b)}) * 255 < 0.05;
        }
        text += alike ? ": the triangle's three corners have that colour too, and GL blends them"
                      : ": GL blends the colours of the triangle's corners, and across this "
                        "triangle they change almost linearly";
        return text + overOne(e.lighting.sum) + ".";
    }
    const std::string how = std::string(std::abs(largest) >= FAR ? "much " : "") +
                            (largest > 0 ? "brighter" : "darker");
    return "The equation at this point is " + how + " than what is drawn (" +
           number(std::abs(largest), 0) + " levels of " + CHANNEL_NAMES[worst] +
           ") because " + reasonFor(e, names, worst, largest) + ".";
}

// Whether the lights that are on add nothing but their diffuse and specular
// terms: no ambient colour, no attenuation, no spot exponent.
bool plainLights(const SceneModel& scene)
{
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const ModelLight& light = scene.lighting().lights[i];
        const double* k = light.attenuation;
        const bool attenuated = light.atPoint() && (k[0] != 1 || k[1] != 0 || k[2] != 0);
        if (scene.lighting().on[i] &&
            (!isBlack(light.ambient) || attenuated || light.spotExponent != 0)) {
            return false;
        }
    }
    return true;
}

std::string heading(const SceneModel& scene, const PixelExplanation& e)
{
    const SceneState& state = scene.state();
    const ViewerState& v = state.view;
    char angles[96];
    std::snprintf(angles, sizeof angles, "%.9g,%.9g,%.9g", static_cast<double>(v.angleX),
                  static_cast<double>(v.angleY), static_cast<double>(v.angleZ));
    std::string lights;
    bool asTheMode = true;
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        asTheMode = asTheMode && state.lightOn[i] == lightEnabled(v.lightingMode, i);
        if (state.lightOn[i]) {
            lights += (lights.empty() ? "" : ", ") + std::to_string(i);
        }
    }
    std::string t = "Pixel (" + std::to_string(e.x) + ", " + std::to_string(e.y) +
                    ") of viewpoint " + std::to_string(v.viewpoint) + " (" +
                    VIEWPOINT_NAMES[v.viewpoint] + "), lighting mode " +
                    std::to_string(v.lightingMode) + " (" + LIGHTING_MODE_NAMES[v.lightingMode] +
                    ")" + (asTheMode ? "" : " with lights " + (lights.empty() ? "none" : lights) +
                                                " on") +
                    ",\nangles " + angles + ", frame " + std::to_string(v.windowWidth) + "x" +
                    std::to_string(v.windowHeight) + "\n";
    if (!hasDemoSetup(state)) {
        t += "lights, material, light model and solids as the state gives them\n";
    }
    if (e.source == FrameSource::Shader) {
        t += std::string("drawn by the shader renderer, shading per ") +
             (e.shading == ShadingMode::PerPixel ? "pixel" : "vertex") + "\n";
    }
    return t + "\n";
}

std::string equationText(const SceneModel& scene, const PixelExplanation& e,
                         const LightNames& names)
{
    const LightingAt& lit = e.lighting;
    const Material& material = lit.material;
    const bool simple = plainLights(scene);
    std::string t = "The lighting equation at this point\n";
    t += "  colour = emission + global ambient x material ambient\n";
    t += simple ? "           + for each light that is on: spot factor x (diffuse + specular)\n"
                : "           + for each light that is on:\n"
                  "             attenuation x spot factor x (ambient + diffuse + specular)\n";
    t += "  emission " + plain(material.emission) + "; global ambient " +
         plain(scene.lighting().globalAmbient) + " x material ambient " +
         plain(material.ambient) + " = " +
         (isBlack(lit.globalAmbient) ? std::string("0") : col(lit.globalAmbient)) +
         (simple ? ";\n  no light has an ambient colour or attenuation (factor 1)\n" : "\n");
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const LightTerm& light = lit.lights[i];
        const ModelLight& given = scene.lighting().lights[i];
        t += "  " + names.name[i] + ": ";
        if (!light.on) {
            t += "off in this mode\n";
            continue;
        }
        const bool oneColour = isBlack(given.ambient) && sameColour(given.diffuse, given.specular);
        t += std::string("on, ") + kindOf(given).text + ", " +
             (oneColour ? "colour " + plain(given.diffuse)
                        : "ambient " + plain(given.ambient) + ", diffuse " +
                              plain(given.diffuse) + ", specular " + plain(given.specular)) +
             ",\n    " + lightPlace(given) + "\n";
        if (given.isSpot()) {
            t += "    spot      the ray to the point is " + number(light.spotAngle, 2) +
                 " degrees off the axis:\n              " +
                 (!light.insideSpot ? std::string("outside the cut-off, factor 0: no light from it\n")
                  : given.spotExponent == 0
                      ? std::string("inside the cut-off, factor 1\n")
                      : "inside the cut-off, factor cos^" + plain(given.spotExponent) + " = " +
                            number(light.spotFactor, 3) + "\n");
        }
        const double* k = given.attenuation;
        if (given.atPoint() && (k[0] != 1 || k[1] != 0 || k[2] != 0)) {
            t += "    distance  " + number(light.distance, 3) + ", attenuation 1 / (" + plain(k[0]) +
                 " + " + plain(k[1]) + " d + " + plain(k[2]) + " d^2) = " +
                 number(light.attenuation, 3) + "\n";
        }
        const double factor = light.attenuation * light.spotFactor;
        const std::string times = factor == 1 ? "" : " x " + number(factor, 3);
        t += "    L         " + vec(light.toLight) + ", towards the light\n";
        t += "    N.L       " + number(light.nDotL, 3) + "\n";
        if (!isBlack(given.ambient)) {
            t += "    ambient   material " + plain(material.ambient) + " x light " +
                 plain(given.ambient) + times + " = " + col(light.ambient) + "\n";
        }
        if (light.reaches) {
            t += "    diffuse   material " + plain(material.diffuse) + " x light " +
                 plain(given.diffuse) + " x N.L" + times + " = " + col(light.diffuse) + "\n";
        } else if (!light.insideSpot) {
            t += "    diffuse   (0, 0, 0): outside the spot\n";
        } else {
            t += "    diffuse   (0, 0, 0): N.L <= 0, the surface faces away from the light\n";
        }
        t += "    H         " + vec(light.halfway) +
             ", halfway between L and the viewer's direction\n";
        t += "    N.H       " + number(light.nDotH, 5) + "\n";
        if (light.reaches) {
            const double power = material.shininess == 0
                                     ? 1.0
                                     : std::pow(std::max(light.nDotH, 0.0), material.shininess);
            t += "    specular  (N.H)^" + plain(material.shininess) + " = " + number(power, 3) +
                 (isWhite(material.specular) ? std::string(", x light ")
                                             : ", x material " + plain(material.specular) +
                                                   " x light ") +
                 plain(given.specular) + times + " = " + col(light.specular) + "\n";
        } else {
            t += std::string("    specular  (0, 0, 0): ") +
                 (light.insideSpot ? "none where N.L <= 0\n" : "outside the spot\n");
        }
    }
    t += "  sum         " + col(lit.sum) + "\n";
    t += "  clamped     " + col(lit.colour) + " = " + levels(lit.colour) + " in 8-bit levels\n\n";
    return t;
}

std::string shadingText(const SceneModel& scene, const PixelExplanation& e)
{
    const TriangleAccount& tri = e.triangle;
    const bool shader = e.source == FrameSource::Shader;
    std::string t = "How GL shaded the pixel\n";
    if (e.hasFragment) {
        t += "  The shader works the equation out for every fragment, at the point under the\n"
             "  pixel's centre, with the normal blended from the triangle's corners' normals,\n"
             "  perspective-correct, and made unit again.\n";
    } else if (shader) {
        t += "  The shader works the equation out only at each triangle's corners, then GL\n"
             "  blends their colours across the triangle, perspective-correct.\n";
    } else {
        t += "  GL works the equation out only at each triangle's corners, then blends their\n"
             "  colours across the triangle, perspective-correct.\n";
    }
    t += "  triangle " + std::to_string(tri.index) + " of " +
         std::to_string(scene.triangleCount()) + " in drawing order, on " +
         colouredName(scene, tri.solid) + (shader ? ", found by the ID pass" : "") + "\n";
    if (e.hasFragment) {
        t += "    corner  window x, y        depth     normal\n";
    } else {
        t += "  colours in 8-bit levels; the model lights the same corners on its own\n";
        t += shader ? "    corner  window x, y        depth     the shader's colour       the model's\n"
                    : "    corner  window x, y        depth     GL's lit colour           the model's\n";
    }
    for (int i = 0; i < 3; ++i) {
        const CornerAccount& c = tri.corners[i];
        const std::string glColour = !c.gl.hasColour ? "not read" : levels(c.gl.colour);
        const std::string third = e.hasFragment ? vec(c.surface.normal) : glColour;
        const std::string model = e.hasFragment ? ""
                                  : !c.lit      ? "none: made by clipping"
                                                : levels(c.model.colour);
        char line[240];
        std::snprintf(line, sizeof line, "    %-6s  %-17s  %-8s  %-24s  %s", CORNER_NAMES[i],
                      ("(" + number(c.gl.x, 2) + ", " + number(c.gl.y, 2) + ")").c_str(),
                      number(c.gl.depth, 6).c_str(), third.c_str(), model.c_str());
        std::string text = line;
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        t += text + "\n";
    }
    t += "  weights       A " + number(tri.weights[0], 3) + ", B " + number(tri.weights[1], 3) +
         ", C " + number(tri.weights[2], 3) + " at the pixel's centre\n";
    if (e.hasFragment) {
        t += "  normal        " + vec(e.fragmentNormal) + ", blended\n";
        t += "  fragment      " + col(e.fragment.colour) + " = " + levels(e.fragment.colour) +
             ", rounded " + levels(e.interpolated) + "\n";
    } else {
        t += "  interpolated  " + levels(tri.interpolated) + ", rounded " + levels(e.interpolated) +
             (e.glCorners ? "" : ", from the model's corner colours") + "\n";
    }
    int largest = 0;
    for (const int d : e.difference) {
        largest = std::max(largest, std::abs(d));
    }
    t += "  drawn         " + levels(e.drawn) + ": " +
         (largest == 0 ? std::string("the same")
                       : "off by " + std::to_string(largest) +
                             (largest == 1 ? " level" : " levels")) +
         "\n\n";
    return t;
}

nlohmann::ordered_json materialJson(const LightingAt& lit)
{
    const Material& m = lit.material;
    return {{"side", lit.back ? "back" : "front"},
            {"ambient", array(m.ambient)},
            {"diffuse", array(m.diffuse)},
            {"specular", array(m.specular)},
            {"emission", array(m.emission)},
            {"shininess", m.shininess}};
}

nlohmann::ordered_json lightJson(const SceneModel& scene, const PixelExplanation& e,
                                 const LightNames& names, int i)
{
    using json = nlohmann::ordered_json;
    const LightTerm& light = e.lighting.lights[i];
    const ModelLight& given = scene.lighting().lights[i];
    json one = {{"name", names.name[i]}, {"kind", kindOf(given).json}, {"on", light.on}};
    if (!light.on || !e.onSurface) {
        return one;
    }
    one["colour"] = array(given.diffuse);
    one["ambient_colour"] = array(given.ambient);
    one["specular_colour"] = array(given.specular);
    one["to_light"] = array(light.toLight);
    one["n_dot_l"] = light.nDotL;
    one["ambient"] = array(light.ambient);
    one["diffuse"] = array(light.diffuse);
    one["half_vector"] = array(light.halfway);
    one["n_dot_h"] = light.nDotH;
    one["specular"] = array(light.specular);
    one["reaches"] = light.reaches;
    one["distance"] = given.atPoint() ? json(light.distance) : json(nullptr);
    one["attenuation"] = light.attenuation;
    if (given.isSpot()) {
        one["spot"] = {{"angle", light.spotAngle},
                       {"cutoff", asWritten(static_cast<float>(given.spotCutoff))},
                       {"inside", light.insideSpot},
                       {"exponent", given.spotExponent},
                       {"factor", light.spotFactor}};
    }
    return one;
}

}  // namespace

std::string verdictOf(const PixelExplanation& e)
{
    return verdictWith(e, demoNames());
}

std::string verdictOf(const SceneModel& scene, const PixelExplanation& e)
{
    return verdictWith(e, namesOf(scene));
}

std::string explanationText(const SceneModel& scene, const PixelExplanation& e)
{
    const LightNames names = namesOf(scene);
    std::string t = heading(scene, e);
    t += "Under the pixel\n";
    if (e.background) {
        t += "  the background: no solid is drawn here (depth 1, the clear depth)\n";
        t += "  drawn " + levels(e.drawn) + ", the clear colour\n\n";
        t += "Verdict: " + verdictWith(e, names) + "\n";
        return t;
    }
    if (e.onSurface) {
        const bool backSide = e.hasTriangle ? e.triangle.backFace : e.part == "inside";
        t += "  " + colouredName(scene, e.surface.solid) + ", " +
             (e.part == "surface" ? "its surface" : e.part) + "\n";
        t += "  point   " + vec(e.surface.point) + " in scene coordinates\n";
        t += "  normal  " + vec(e.surface.normal) + ", outward" +
             (backSide && !e.lighting.back ? " (lit as it is: one-sided lighting)" : "") + "\n";
        if (e.lighting.back) {
            t += "  seen from behind: lit with the normal reversed and OpenGL's initial\n"
                 "  material (two-sided lighting)\n";
        }
    } else {
        t += "  no solid known at this depth\n";
    }
    t += "  window depth " + number(e.depth, 6) + "\n\n";
    if (e.onSurface) {
        t += equationText(scene, e, names);
    }
    if (!e.hasTriangle) {
        t += "How GL shaded the pixel\n";
        t += "  no triangle of the frame lies under the pixel's centre\n";
        t += "  drawn " + levels(e.drawn) + "\n\n";
    } else {
        t += shadingText(scene, e);
    }
    t += "Verdict: " + verdictWith(e, names) + "\n";
    return t;
}

nlohmann::ordered_json explanationJson(const SceneModel& scene, const PixelExplanation& e)
{
    using json = nlohmann::ordered_json;
    const LightNames names = namesOf(scene);
    json out;
    out["pixel"] = {e.x, e.y};
    out["state"] = sceneJson(scene.state());
    out["renderer"] = e.source == FrameSource::Shader ? "shader" : "fixed";
    out["shading"] = e.shading == ShadingMode::PerPixel ? "pixel" : "vertex";
    out["drawn"] = array(e.drawn);
    out["depth"] = e.depth;
    out["background"] = e.background;

    out["surface"] = nullptr;
    out["material"] = nullptr;
    out["emission"] = nullptr;
    out["global_ambient"] = nullptr;
    if (e.onSurface) {
        out["surface"] = {{"solid", solidName(e.surface.solid)},
                          {"point", array(e.surface.point)},
                          {"normal", array(e.surface.normal)},
                          {"lit_normal", array(e.lighting.normal)},
                          {"part", e.part}};
        out["material"] = materialJson(e.lighting);
        out["emission"] = array(e.lighting.emission);
        out["global_ambient"] = array(e.lighting.globalAmbient);
    }
    json lights = json::array();
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        lights.push_back(lightJson(scene, e, names, i));
    }
    out["lights"] = lights;
    out["sum"] = e.onSurface ? array(e.lighting.sum) : json(nullptr);
    out["equation"] = e.onSurface ? array(e.lighting.colour) : json(nullptr);

    json vertices = json::array();
    out["triangle"] = nullptr;
    out["weights"] = nullptr;
    out["interpolated"] = nullptr;
    out["interpolated_from"] = nullptr;
    out["fragment"] = nullptr;
    out["difference"] = nullptr;
    if (e.hasTriangle) {
        const TriangleAccount& tri = e.triangle;
        out["triangle"] = {{"index", tri.index},
                           {"solid", solidName(tri.solid)},
                           {"facing", tri.backFace ? "back" : "front"}};
        for (const CornerAccount& c : tri.corners) {
            const bool modelled = c.lit && tri.solid != Solid::None;
            vertices.push_back(
                {{"window", {c.gl.x, c.gl.y, c.gl.depth}},
                 {"w", c.gl.w},
                 {"colour", c.gl.hasColour ? array(c.gl.colour) : json(nullptr)},
                 {"clipped", c.gl.clipped},
                 {"model_colour", modelled ? array(c.model.colour) : json(nullptr)},
                 {"point", modelled ? array(c.surface.point) : json(nullptr)},
                 {"normal", modelled ? array(c.surface.normal) : json(nullptr)}});
        }
        out["weights"] = {tri.weights[0], tri.weights[1], tri.weights[2]};
        const Colour shaded = e.shaded();
        out["interpolated"] = {shaded.r * 255, shaded.g * 255, shaded.b * 255};
        out["interpolated_from"] = e.hasFragment ? "fragment" : e.glCorners ? "gl" : "model";
        if (e.hasFragment) {
            out["fragment"] = {{"normal", array(e.fragmentNormal)},
                               {"sum", array(e.fragment.sum)},
                               {"colour", array(e.fragment.colour)}};
        }
        out["difference"] = array(e.difference);
    }
    out["vertices"] = vertices;
    out["explained"] = e.explained();
    out["flags"] = flagNames(e.flags);
    out["verdict"] = verdictWith(e, names);
    return out;
}

std::string explanationText(const FrameExplainer& explainer, const PixelExplanation& e)
{
    return explanationText(explainer.scene(), e);
}

nlohmann::ordered_json explanationJson(const FrameExplainer& explainer, const PixelExplanation& e)
{
    return explanationJson(explainer.scene(), e);
}
