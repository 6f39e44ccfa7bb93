// The explained pixel as one JSON object, its fields in the order the text
// reads.
#include "explain/report.h"

#include "explain/wording.h"
#include "scene/state_json.h"

#include <vector>

namespace {

nlohmann::ordered_json asArray(const Vec3& v) { return {v.x, v.y, v.z}; }
nlohmann::ordered_json asArray(const Colour& c) { return {c.r, c.g, c.b}; }
nlohmann::ordered_json asArray(const int v[3]) { return {v[0], v[1], v[2]}; }

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


nlohmann::ordered_json materialJson(const LightingAt& lit)
{
    const Material& m = lit.material;
    return {{"side", lit.back ? "back" : "front"},
            {"ambient", asArray(m.ambient)},
            {"diffuse", asArray(m.diffuse)},
            {"specular", asArray(m.specular)},
            {"emission", asArray(m.emission)},
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
    one["colour"] = asArray(given.diffuse);
    one["ambient_colour"] = asArray(given.ambient);
    one["specular_colour"] = asArray(given.specular);
    one["to_light"] = asArray(light.toLight);
    one["n_dot_l"] = light.nDotL;
    one["ambient"] = asArray(light.ambient);
    one["diffuse"] = asArray(light.diffuse);
    one["half_vector"] = asArray(light.halfway);
    one["n_dot_h"] = light.nDotH;
    if (e.lighting.phong) {
        one["reflected"] = asArray(light.reflected);
        one["r_dot_v"] = light.rDotV;
    }
    one["specular"] = asArray(light.specular);
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

nlohmann::ordered_json explanationJson(const SceneModel& scene, const PixelExplanation& e)
{
    using json = nlohmann::ordered_json;
    const LightNames names = namesOf(scene);
    json out;
    out["pixel"] = {e.x, e.y};
    out["state"] = sceneJson(scene.state());
    out["renderer"] = e.source == FrameSource::Shader ? "shader" : "fixed";
    out["shading"] = shadingWord(e.shading);
    out["drawn"] = asArray(e.drawn);
    out["depth"] = e.depth;
    out["background"] = e.background;

    out["surface"] = nullptr;
    out["material"] = nullptr;
    out["emission"] = nullptr;
    out["global_ambient"] = nullptr;
    if (e.onSurface) {
        out["surface"] = {{"solid", solidName(e.surface.solid)},
                          {"point", asArray(e.surface.point)},
                          {"normal", asArray(e.surface.normal)},
                          {"lit_normal", asArray(e.lighting.normal)},
                          {"part", e.part}};
        out["material"] = materialJson(e.lighting);
        out["emission"] = asArray(e.lighting.emission);
        out["global_ambient"] = asArray(e.lighting.globalAmbient);
    }
    if (scene.lighting().phong) {
        out["highlight"] = "phong";
    }
    json lights = json::array();
    for (int i = 0; i < scene.lighting().lightCount; ++i) {
        lights.push_back(lightJson(scene, e, names, i));
    }
    out["lights"] = lights;
    out["sum"] = e.onSurface ? asArray(e.lighting.sum) : json(nullptr);
    out["equation"] = e.onSurface ? asArray(e.lighting.colour) : json(nullptr);
    const bool separate = scene.lighting().separateSpecular;
    if (separate) {
        out["primary"] = e.onSurface ? asArray(e.lighting.primary) : json(nullptr);
        out["secondary"] = e.onSurface ? asArray(e.lighting.secondary) : json(nullptr);
    }

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
        if (e.shading == ShadingMode::Flat) {
            // The corner whose colour it all has, or null: cut off by the frame.
            out["triangle"]["provoking"] =
                tri.provoking < 3 ? json(CORNER_NAMES[tri.provoking]) : json(nullptr);
        }
        for (const CornerAccount& c : tri.corners) {
            const bool modelled = c.lit && tri.solid != Solid::None;
            json vertex = {{"window", {c.gl.x, c.gl.y, c.gl.depth}},
                           {"w", c.gl.w},
                           {"colour", c.gl.hasColour ? asArray(c.gl.colour) : json(nullptr)},
                           {"clipped", c.gl.clipped},
                           {"model_colour", modelled ? asArray(c.model.primary) : json(nullptr)},
                           {"point", modelled ? asArray(c.surface.point) : json(nullptr)},
                           {"normal", modelled ? asArray(c.surface.normal) : json(nullptr)}};
            if (separate) {
                vertex["model_secondary"] = modelled ? asArray(c.model.secondary) : json(nullptr);
            }
            vertices.push_back(vertex);
        }
        out["weights"] = {tri.weights[0], tri.weights[1], tri.weights[2]};
        const Colour shaded = e.shaded();
        out["interpolated"] = {shaded.r * 255, shaded.g * 255, shaded.b * 255};
        out["interpolated_from"] = e.hasFragment ? "fragment" : e.glCorners ? "gl" : "model";
        if (e.hasFragment) {
            out["fragment"] = {{"normal", asArray(e.fragmentNormal)},
                               {"sum", asArray(e.fragment.sum)},
                               {"colour", asArray(e.fragment.colour)}};
        }
        out["difference"] = asArray(e.difference);
    }
    out["vertices"] = vertices;
    out["explained"] = e.explained();
    out["flags"] = flagNames(e.flags);
    out["verdict"] = verdictText(e, diagnose(e), names);
    return out;
}

nlohmann::ordered_json explanationJson(const FrameExplainer& explainer, const PixelExplanation& e)
{
    return explanationJson(explainer.scene(), e);
}
