// The explained pixel as a learner reads it: the state, what is under the
// pixel, the equation light by light, how the frame shaded it, the verdict.
#include "explain/report.h"

#include "explain/wording.h"
#include "scene/names.h"
#include "scene/state_json.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Whether the lights that are on add nothing but their diffuse and specular
// terms: no ambient colour, no attenuation, no spot exponent.
bool plainLights(const SceneModel& scene)
{
    for (int i = 0; i < scene.lighting().lightCount; ++i) {
        const ModelLight& light = scene.lighting().lights[i];
        if (scene.lighting().on[i] &&
            (!isBlack(light.ambient) || light.isAttenuated() || light.spotExponent != 0)) {
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
    for (int i = 0; i < state.setup.lightCount; ++i) {
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
        t += std::string("drawn by the shader renderer, shading ") +
             (e.shading == ShadingMode::Flat ? "" : "per ") + shadingWord(e.shading) + "\n";
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
    for (int i = 0; i < scene.lighting().lightCount; ++i) {
        const LightTerm& light = lit.lights[i];
        const ModelLight& given = scene.lighting().lights[i];
        t += "  " + names.name[i] + ": ";
        if (!light.on) {
            t += i < MODEL_LIGHT_COUNT ? "off in this mode\n" : "off\n";
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
        if (given.isAttenuated()) {
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
        t += "    N.H       " + number(light.nDotH, 5) +
             (lit.phong ? ": Blinn's highlight, GL's, not the one taken\n" : "\n");
        if (lit.phong) {
            t += "    R         " + vec(light.reflected) + ", L reflected about N: 2 (N.L) N - L\n";
            t += "    R.V       " + number(light.rDotV, 5) +
                 ", V the viewer's direction: Phong's highlight\n";
        }
        if (light.reaches) {
            const double power =
                highlightPower(lit.phong ? light.rDotV : light.nDotH, material.shininess);
            t += std::string("    specular  ") + (lit.phong ? "(R.V)^" : "(N.H)^") +
                 plain(material.shininess) + " = " + number(power, 3) +
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
    if (lit.separate) {
        t += "  separate specular colour (GL_SEPARATE_SPECULAR_COLOR): the specular terms\n"
             "  are clamped apart from the rest and added after it\n";
        t += "  primary     " + col(lit.primary) + ", emission, ambient and diffuse, clamped\n";
        t += "  secondary   " + col(lit.secondary) + ", the specular terms, clamped\n";
        t += "  colour      " + col(lit.colour) + " = " + levels(lit.colour) +
             " in 8-bit levels, the two added and clamped\n\n";
        return t;
    }
    t += "  clamped     " + col(lit.colour) + " = " + levels(lit.colour) + " in 8-bit levels\n\n";
    return t;
}

std::string shadingText(const SceneModel& scene, const PixelExplanation& e)
{
    const TriangleAccount& tri = e.triangle;
    const bool shader = e.source == FrameSource::Shader;
    std::string t = "How GL shaded the pixel\n";
    const bool flat = e.shading == ShadingMode::Flat;
    const bool separate = e.lighting.separate && !e.hasFragment;
    if (e.hasFragment) {
        t += "  The shader works the equation out for every fragment, at the point under the\n"
             "  pixel's centre, with the normal blended from the triangle's corners' normals,\n"
             "  perspective-correct, and made unit again.\n";
    } else if (flat) {
        t += std::string(shader ? "  The shader" : "  GL") +
             " works the equation out at each triangle's corners and, shading flat\n"
             "  (GL_FLAT), gives the whole triangle the colour of one of them, its provoking\n"
             "  vertex: the last of its three as GLUT and GLU have GL draw it (a triangle's\n"
             "  third vertex, a strip's newest, a quad strip's quad's last).\n";
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
        if (separate) {
            t += "  (the primary colours: GL hands back no secondary ones)\n";
        }
        t += shader ? "    corner  window x, y        depth     the shader's colour       the model's\n"
                    : "    corner  window x, y        depth     GL's lit colour           the model's\n";
    }
    for (int i = 0; i < 3; ++i) {
        const CornerAccount& c = tri.corners[i];
        const std::string glColour = !c.gl.hasColour ? "not read" : levels(c.gl.colour);
        const std::string third = e.hasFragment ? vec(c.surface.normal) : glColour;
        const std::string model = e.hasFragment ? ""
                                  : !c.lit      ? "none: made by clipping"
                                                : levels(c.model.primary) +
                                                 (flat && tri.provoking == i ? "  provoking" : "");
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
    if (separate) {
        t += "  secondary     the model's: A " + levels(tri.corners[0].model.secondary) + ", B " +
             levels(tri.corners[1].model.secondary) + ",\n                C " +
             levels(tri.corners[2].model.secondary) + "\n";
    }
    if (!flat) {
        t += "  weights       A " + number(tri.weights[0], 3) + ", B " +
             number(tri.weights[1], 3) + ", C " + number(tri.weights[2], 3) +
             " at the pixel's centre\n";
    }
    if (flat) {
        const CornerAccount& c = tri.provokingCorner();
        const std::string which = tri.provoking < 3
                                      ? std::string("corner ") + CORNER_NAMES[tri.provoking]
                                      : "the provoking corner, cut off by the frame's edge,";
        t += "  flat          " + which + "'s colour" +
             (separate ? ", primary and secondary added" : "") + ": " +
             levels(tri.interpolated) + ", rounded " + levels(e.interpolated) +
             (c.gl.hasColour ? "" : ", the model's") + "\n";
    } else if (e.hasFragment) {
        t += "  normal        " + vec(e.fragmentNormal) + ", blended\n";
        t += "  fragment      " + col(e.fragment.colour) + " = " + levels(e.fragment.colour) +
             ", rounded " + levels(e.interpolated) + "\n";
    } else {
        t += "  interpolated  " + levels(tri.interpolated) + ", rounded " + levels(e.interpolated) +
             (e.glCorners ? "" : ", from the model's corner colours") +
             (separate ? ",\n                the primary and secondary colours blended apart, "
                         "added and clamped"
                       : "") +
             "\n";
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

}  // namespace

std::string verdictOf(const PixelExplanation& e)
{
    return verdictText(e, diagnose(e), demoNames());
}

std::string verdictOf(const SceneModel& scene, const PixelExplanation& e)
{
    return verdictText(e, diagnose(e), namesOf(scene));
}

std::string explanationText(const SceneModel& scene, const PixelExplanation& e)
{
    const LightNames names = namesOf(scene);
    std::string t = heading(scene, e);
    t += "Under the pixel\n";
    if (e.background) {
        t += "  the background: no solid is drawn here (depth 1, the clear depth)\n";
        t += "  drawn " + levels(e.drawn) + ", the clear colour\n\n";
        t += "Verdict: " + verdictText(e, diagnose(e), names) + "\n";
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
            const Material& back = scene.lighting().back;
            const Material& initial = OPENGL_INITIAL_MATERIAL;
            const bool asGl = sameColour(back.ambient, initial.ambient) &&
                              sameColour(back.diffuse, initial.diffuse) &&
                              sameColour(back.specular, initial.specular) &&
                              sameColour(back.emission, initial.emission) &&
                              back.shininess == initial.shininess;
            t += asGl ? "  seen from behind: lit with the normal reversed and OpenGL's initial\n"
                        "  material (two-sided lighting)\n"
                      : "  seen from behind: lit with the normal reversed and the back material\n"
                        "  (two-sided lighting)\n";
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
    t += "Verdict: " + verdictText(e, diagnose(e), names) + "\n";
    return t;
}

std::string explanationText(const FrameExplainer& explainer, const PixelExplanation& e)
{
    return explanationText(explainer.scene(), e);
}
