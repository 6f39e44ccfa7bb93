#include "report.h"

#include "state_names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// What kind of light each one is, for the text and for JSON.
struct LightKind {
    const char* text;
    const char* json;
};

constexpr LightKind LIGHT_KINDS[MODEL_LIGHT_COUNT] = {
    {"a light at a point", "point"},
    {"a light from a direction", "directional"},
    {"a spotlight", "spot"},
};

constexpr const char* CORNER_NAMES[3] = {"A", "B", "C"};
constexpr const char* CHANNEL_NAMES[3] = {"red", "green", "blue"};

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

std::string lightPlace(const SceneLight& light)
{
    const Vec3 at{light.position[0], light.position[1], light.position[2]};
    std::string text = light.position[3] == 0 ? "from " + vec(at, 0) : "at " + vec(at, 0);
    if (light.isSpot) {
        text += " aimed along " + vec(light.spotDirection, 0) + ", cut-off " +
                number(asWritten(light.cutoffDegrees), 2) + " degrees";
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
        if (corner.gl.clipped) {
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
std::string spotEdge(const PixelExplanation& e, int counted)
{
    const LightTerm& spot = e.lighting.lights[2];
    int tested = 0;
    const int inside = cornersWhere(e.triangle, tested,
                                    [](const LightingAt& m) { return m.lights[2].insideSpot; });
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
std::string reasonFor(const PixelExplanation& e, int c, double difference)
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
    // Parts: 0 clamping, then diffuse and specular of each light.
    double clamping = (channel(e.lighting.colour, c) - channel(e.lighting.sum, c)) -
                      blended([c](const LightingAt& m) {
                          return channel(m.colour, c) - channel(m.sum, c);
                      });
    int largest = 0;
    double largestPart = sign * clamping;
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const double parts[2] = {
            channel(e.lighting.lights[i].diffuse, c) -
                blended([c, i](const LightingAt& m) { return channel(m.lights[i].diffuse, c); }),
            channel(e.lighting.lights[i].specular, c) -
                blended([c, i](const LightingAt& m) { return channel(m.lights[i].specular, c); }),
        };
        for (int term = 0; term < 2; ++term) {
            if (sign * parts[term] > largestPart) {
                largestPart = sign * parts[term];
                largest = 1 + 2 * i + term;
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
    const int light = (largest - 1) / 2;
    const bool specular = (largest - 1) % 2 == 1;
    const std::string name = std::string("the ") + LIGHT_NAMES[light];
    if (SCENE_LIGHTS[light].isSpot) {
        if (std::string edge = spotEdge(e, counted); !edge.empty()) {
            return edge;
        }
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
    if (specular) {
        const double atPoint = channel(e.lighting.lights[light].specular, c);
        const double fromCorners = blended(
            [c, light](const LightingAt& m) { return channel(m.lights[light].specular, c); });
        return "the highlight of " + name +
               ", (N.H)^50, changes too fast across the triangle for a blend of its corners to "
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

std::string verdictOf(const PixelExplanation& e)
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
        } else {
            text += "the interpolation is off the drawn colour by more than one level, and "
                    "nothing here says why.";
        }
        return text;
    }
    if (!e.onSurface) {
        return "GL's interpolation gives the drawn colour, but the point is on no known solid.";
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
            const Colour& a = e.triangle.corners[0].gl.colour;
            const Colour& b = e.triangle.corners[k].gl.colour;
            alike = alike && std::max({std::abs(a.r - b.r), std::abs(a.g - b.g),
                                       std::abs(a.b - b.b)}) * 255 < 0.05;
        }
        text += alike ? ": the triangle's three corners have that colour too, and GL blends them"
                      : ": GL blends the colours of the triangle's corners, and across this "
                        "triangle they change almost linearly";
        std::string over;
        for (int c = 0; c < 3; ++c) {
            if (channel(e.lighting.sum, c) > 1) {
                over += std::string(over.empty() ? "" : " and ") + CHANNEL_NAMES[c];
            }
        }
        if (!over.empty()) {
            text += "; the sum goes over 1 in " + over + ", clamped to 1 (255)";
        }
        return text + ".";
    }
    const std::string how = std::string(std::abs(largest) >= FAR ? "much " : "") +
                            (largest > 0 ? "brighter" : "darker");
    return "The equation at this point is " + how + " than what is drawn (" +
           number(std::abs(largest), 0) + " levels of " + CHANNEL_NAMES[worst] +
           ") because " + reasonFor(e, worst, largest) + ".";
}

std::string explanationText(const FrameExplainer& explainer, const PixelExplanation& e)
{
    const StateOptions& s = explainer.frame().state;
    char angles[96];
    std::snprintf(angles, sizeof angles, "%.9g,%.9g,%.9g", static_cast<double>(s.angleX),
                  static_cast<double>(s.angleY), static_cast<double>(s.angleZ));
    std::string t;
    t += "Pixel (" + std::to_string(e.x) + ", " + std::to_string(e.y) + ") of viewpoint " +
         std::to_string(s.viewpoint) + " (" + VIEWPOINT_NAMES[s.viewpoint] +
         "), lighting mode " + std::to_string(s.lightingMode) + " (" +
         LIGHTING_MODE_NAMES[s.lightingMode] + "),\nangles " + angles + ", frame " +
         std::to_string(s.width) + "x" + std::to_string(s.height) + "\n\n";

    t += "Under the pixel\n";
    if (e.background) {
        t += "  the background: no solid is drawn here (depth 1, the clear depth)\n";
        t += "  drawn " + levels(e.drawn) + ", the clear colour\n\n";
        t += "Verdict: " + verdictOf(e) + "\n";
        return t;
    }
    if (e.onSurface) {
        t += "  " + colouredName(e.surface.solid) + ", " +
             (e.part == "surface" ? "its surface" : e.part) + "\n";
        t += "  point   " + vec(e.surface.point) + " in scene coordinates\n";
        t += "  normal  " + vec(e.surface.normal) + ", outward" +
             (e.part == "inside" ? " (lit as it is: one-sided lighting)" : "") + "\n";
    } else {
        t += "  no solid known at this depth\n";
    }
    t += "  window depth " + number(e.depth, 6) + "\n\n";

    if (e.onSurface) {
        const Colour diffuse = placeOf(e.surface.solid).diffuse;
        t += "The lighting equation at this point\n";
        t += "  colour = emission + global ambient x material ambient\n";
        t += "           + for each light that is on: spot factor x (diffuse + specular)\n";
        t += "  emission (0, 0, 0); global ambient (0.2, 0.2, 0.2) x material ambient (0, 0, 0)"
             " = 0;\n  no light has an ambient colour or attenuation (factor 1)\n";
        for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
            const LightTerm& light = e.lighting.lights[i];
            const SceneLight& scene = SCENE_LIGHTS[i];
            t += std::string("  ") + LIGHT_NAMES[i] + ": ";
            if (!light.on) {
                t += "off in this mode\n";
                continue;
            }
            t += std::string("on, ") + LIGHT_KINDS[i].text + ", colour " +
                 col(scene.colour, 0) + ",\n    " + lightPlace(scene) + "\n";
            if (scene.isSpot) {
                t += "    spot      the ray to the point is " + number(light.spotAngle, 2) +
                     " degrees off the axis:\n              " +
                     (light.insideSpot ? "inside the cut-off, factor 1\n"
                                       : "outside the cut-off, factor 0: no light from it\n");
            }
            t += "    L         " + vec(light.toLight) + ", towards the light\n";
            t += "    N.L       " + number(light.nDotL, 3) + "\n";
            if (light.reaches) {
                t += "    diffuse   material " + col(diffuse, 0) + " x light " +
                     col(scene.colour, 0) + " x N.L = " + col(light.diffuse) + "\n";
            } else if (!light.insideSpot) {
                t += "    diffuse   (0, 0, 0): outside the spot\n";
            } else {
                t += "    diffuse   (0, 0, 0): N.L <= 0, the surface faces away from the light\n";
            }
            t += "    H         " + vec(light.halfway) +
                 ", halfway between L and the viewer's direction\n";
            t += "    N.H       " + number(light.nDotH, 5) + "\n";
            if (light.reaches) {
                t += "    specular  (N.H)^50 = " +
                     number(std::pow(std::max(light.nDotH, 0.0), 50.0), 3) + ", x light " +
                     col(scene.colour, 0) + " = " + col(light.specular) + "\n";
            } else {
                t += std::string("    specular  (0, 0, 0): ") +
                     (light.insideSpot ? "none where N.L <= 0\n" : "outside the spot\n");
            }
        }
        t += "  sum         " + col(e.lighting.sum) + "\n";
        t += "  clamped     " + col(e.lighting.colour) + " = " + levels(e.lighting.colour) +
             " in 8-bit levels\n\n";
    }

    t += "How GL shaded the pixel\n";
    if (!e.hasTriangle) {
        t += "  no triangle of the frame lies under the pixel's centre\n";
        t += "  drawn " + levels(e.drawn) + "\n\n";
        t += "Verdict: " + verdictOf(e) + "\n";
        return t;
    }
    const TriangleAccount& tri = e.triangle;
    t += "  GL works the equation out only at each triangle's corners, then blends their\n"
         "  colours across the triangle, perspective-correct.\n";
    t += "  triangle " + std::to_string(tri.index) + " of " +
         std::to_string(explainer.frame().triangles.size()) + " in drawing order, on " +
         colouredName(tri.solid) + "\n";
    t += "  colours in 8-bit levels; the model lights the same corners on its own\n";
    t += "    corner  window x, y        depth     GL's lit colour           the model's\n";
    for (int i = 0; i < 3; ++i) {
        const CornerAccount& c = tri.corners[i];
        char line[200];
        std::snprintf(line, sizeof line, "    %-6s  %-17s  %-8s  %-24s  %s\n", CORNER_NAMES[i],
                      ("(" + number(c.gl.x, 2) + ", " + number(c.gl.y, 2) + ")").c_str(),
                      number(c.gl.depth, 6).c_str(), levels(c.gl.colour).c_str(),
                      c.gl.clipped ? "none: made by clipping"
                                   : levels(c.model.colour).c_str());
        t += line;
    }
    t += "  weights       A " + number(tri.weights[0], 3) + ", B " + number(tri.weights[1], 3) +
         ", C " + number(tri.weights[2], 3) + " at the pixel's centre\n";
    t += "  interpolated  " + levels(tri.interpolated) + ", rounded " + levels(e.interpolated) +
         "\n";
    int largest = 0;
    for (const int d : e.difference) {
        largest = std::max(largest, std::abs(d));
    }
    t += "  drawn         " + levels(e.drawn) + ": " +
         (largest == 0 ? std::string("the same")
                       : "off by " + std::to_string(largest) +
                             (largest == 1 ? " level" : " levels")) +
         "\n\n";
    t += "Verdict: " + verdictOf(e) + "\n";
    return t;
}

nlohmann::ordered_json explanationJson(const FrameExplainer& explainer, const PixelExplanation& e)
{
    using json = nlohmann::ordered_json;
    const StateOptions& s = explainer.frame().state;
    json out;
    out["pixel"] = {e.x, e.y};
    out["state"] = {{"viewpoint", s.viewpoint},
                    {"mode", s.lightingMode},
                    {"angles", {s.angleX, s.angleY, s.angleZ}},
                    {"size", {s.width, s.height}}};
    out["drawn"] = array(e.drawn);
    out["depth"] = e.depth;
    out["background"] = e.background;

    out["surface"] = nullptr;
    if (e.onSurface) {
        out["surface"] = {{"solid", solidName(e.surface.solid)},
                          {"point", array(e.surface.point)},
                          {"normal", array(e.surface.normal)},
                          {"part", e.part}};
    }
    json lights = json::array();
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const LightTerm& light = e.lighting.lights[i];
        json one = {{"name", LIGHT_NAMES[i]},
                    {"kind", LIGHT_KINDS[i].json},
                    {"on", light.on}};
        if (light.on && e.onSurface) {
            one["colour"] = array(SCENE_LIGHTS[i].colour);
            one["to_light"] = array(light.toLight);
            one["n_dot_l"] = light.nDotL;
            one["diffuse"] = array(light.diffuse);
            one["half_vector"] = array(light.halfway);
            one["n_dot_h"] = light.nDotH;
            one["specular"] = array(light.specular);
            one["reaches"] = light.reaches;
            if (SCENE_LIGHTS[i].isSpot) {
                one["spot"] = {{"angle", light.spotAngle},
                               {"cutoff", asWritten(SCENE_LIGHTS[i].cutoffDegrees)},
                               {"inside", light.insideSpot}};
            }
        }
        lights.push_back(one);
    }
    out["lights"] = lights;
    out["sum"] = e.onSurface ? array(e.lighting.sum) : json(nullptr);
    out["equation"] = e.onSurface ? array(e.lighting.colour) : json(nullptr);

    json vertices = json::array();
    out["triangle"] = nullptr;
    out["weights"] = nullptr;
    out["interpolated"] = nullptr;
    out["difference"] = nullptr;
    if (e.hasTriangle) {
        const TriangleAccount& tri = e.triangle;
        out["triangle"] = {{"index", tri.index}, {"solid", solidName(tri.solid)}};
        for (const CornerAccount& c : tri.corners) {
            vertices.push_back({{"window", {c.gl.x, c.gl.y, c.gl.depth}},
                                {"w", c.gl.w},
                                {"colour", array(c.gl.colour)},
                                {"clipped", c.gl.clipped},
                                {"model_colour", c.gl.clipped || tri.solid == Solid::None
                                                     ? json(nullptr)
                                                     : array(c.model.colour)}});
        }
        out["weights"] = {tri.weights[0], tri.weights[1], tri.weights[2]};
        out["interpolated"] = {tri.interpolated.r * 255, tri.interpolated.g * 255,
                               tri.interpolated.b * 255};
        out["difference"] = array(e.difference);
    }
    out["vertices"] = vertices;
    out["explained"] = e.explained();
    out["flags"] = flagNames(e.flags);
    out["verdict"] = verdictOf(e);
    return out;
}
