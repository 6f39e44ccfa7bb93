#include "render/state_calls.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

GlCall vectorCall(GlCall::Function function, unsigned target, unsigned parameter, const float* v,
                  int count)
{
    GlCall call{function, target, parameter, count, {0, 0, 0, 0}};
    for (int i = 0; i < count; ++i) {
        call.values[i] = v[i];
    }
    return call;
}

GlCall scalarCall(GlCall::Function function, unsigned target, unsigned parameter, float value)
{
    return {function, target, parameter, 1, {value, 0, 0, 0}};
}

// A float as short as it can be written and still read back as itself:
// with a decimal point where that reads well, else with an exponent.
std::string shortest(float value)
{
    char text[64];
    const double v = static_cast<double>(value);
    bool found = false;
    if (v == 0.0 || (std::abs(v) >= 1e-4 && std::abs(v) < 1e7)) {
        for (int decimals = 1; decimals <= 12 && !found; ++decimals) {
            std::snprintf(text, sizeof text, "%.*f", decimals, v);
            found = std::strtof(text, nullptr) == value;
        }
    }
    for (int digits = 1; digits <= 9 && !found; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, v);
        found = std::strtof(text, nullptr) == value;
    }
    return std::string(text) + "f";
}

std::string functionName(GlCall::Function function)
{
    switch (function) {
    case GlCall::Enable: return "glEnable";
    case GlCall::Disable: return "glDisable";
    case GlCall::ShadeModel: return "glShadeModel";
    case GlCall::LightModelfv: return "glLightModelfv";
    case GlCall::LightModeli: return "glLightModeli";
    case GlCall::Lightfv: return "glLightfv";
    case GlCall::Lightf: return "glLightf";
    case GlCall::Materialfv: return "glMaterialfv";
    case GlCall::Materialf: return "glMaterialf";
    }
    return "";
}

// What an array of the call's values is called: light0_position,
// material_ambient, cube_diffuse.
std::string arrayName(const GlCall& call, const char* solid)
{
    std::string parameter = glName(call.parameter).substr(3);
    for (char& c : parameter) {
        c = static_cast<char>(c == '_' ? '_' : c - 'A' + 'a');
    }
    if (call.function == GlCall::LightModelfv) {
        return parameter;
    }
    if (call.function == GlCall::Lightfv) {
        return "light" + std::to_string(call.target - NAME_LIGHT0) + "_" + parameter;
    }
    if (call.target == NAME_BACK) {
        return "back_" + parameter;
    }
    return std::string(solid != nullptr ? solid : "material") + "_" + parameter;
}

// One call as a line of C; vectors go through a named array declared
// before it, as glLightfv takes a pointer.
std::string asC(const GlCall& call, const char* solid)
{
    const std::string name = functionName(call.function);
    if (call.function == GlCall::Enable || call.function == GlCall::Disable ||
        call.function == GlCall::ShadeModel) {
        return name + "(" + glName(call.target) + ");\n";
    }
    const std::string head = name + "(" +
                             (call.function == GlCall::LightModelfv ||
                                      call.function == GlCall::LightModeli
                                  ? ""
                                  : glName(call.target) + ", ") +
                             glName(call.parameter) + ", ";
    if (call.function == GlCall::LightModeli) {
        const unsigned value = static_cast<unsigned>(call.values[0]);
        return head +
               (call.parameter == NAME_LIGHT_MODEL_COLOR_CONTROL ? glName(value)
                : value != 0                                     ? "GL_TRUE"
                                                                 : "GL_FALSE") +
               ");\n";
    }
    if (call.count == 1) {
        return head + shortest(call.values[0]) + ");\n";
    }
    const std::string array = arrayName(call, solid);
    std::string line = "static const GLfloat " + array + "[] = {";
    for (int i = 0; i < call.count; ++i) {
        line += (i ? ", " : "") + shortest(call.values[i]);
    }
    return line + "};\n" + head + array + ");\n";
}

std::string block(const std::vector<GlCall>& calls, const char* solid = nullptr)
{
    std::string text;
    for (const GlCall& call : calls) {
        text += asC(call, solid);
    }
    return text;
}

}  // namespace

std::string glName(unsigned value)
{
    if (value >= NAME_LIGHT0 && value < NAME_LIGHT0 + MAX_LIGHTS) {
        return "GL_LIGHT" + std::to_string(value - NAME_LIGHT0);
    }
    switch (value) {
    case NAME_FRONT: return "GL_FRONT";
    case NAME_BACK: return "GL_BACK";
    case NAME_FLAT: return "GL_FLAT";
    case NAME_SMOOTH: return "GL_SMOOTH";
    case NAME_LIGHT_MODEL_COLOR_CONTROL: return "GL_LIGHT_MODEL_COLOR_CONTROL";
    case NAME_SINGLE_COLOR: return "GL_SINGLE_COLOR";
    case NAME_SEPARATE_SPECULAR_COLOR: return "GL_SEPARATE_SPECULAR_COLOR";
    case NAME_LIGHTING: return "GL_LIGHTING";
    case NAME_LIGHT_MODEL_LOCAL_VIEWER: return "GL_LIGHT_MODEL_LOCAL_VIEWER";
    case NAME_LIGHT_MODEL_TWO_SIDE: return "GL_LIGHT_MODEL_TWO_SIDE";
    case NAME_LIGHT_MODEL_AMBIENT: return "GL_LIGHT_MODEL_AMBIENT";
    case NAME_AMBIENT: return "GL_AMBIENT";
    case NAME_DIFFUSE: return "GL_DIFFUSE";
    case NAME_SPECULAR: return "GL_SPECULAR";
    case NAME_POSITION: return "GL_POSITION";
    case NAME_SPOT_DIRECTION: return "GL_SPOT_DIRECTION";
    case NAME_SPOT_EXPONENT: return "GL_SPOT_EXPONENT";
    case NAME_SPOT_CUTOFF: return "GL_SPOT_CUTOFF";
    case NAME_CONSTANT_ATTENUATION: return "GL_CONSTANT_ATTENUATION";
    case NAME_LINEAR_ATTENUATION: return "GL_LINEAR_ATTENUATION";
    case NAME_QUADRATIC_ATTENUATION: return "GL_QUADRATIC_ATTENUATION";
    case NAME_EMISSION: return "GL_EMISSION";
    case NAME_SHININESS: return "GL_SHININESS";
    default: break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

StateCalls stateCalls(const SceneState& state)
{
    StateCalls calls;
    const SceneSetup& setup = state.setup;
    const LightModelSetup& model = setup.lightModel;
    calls.lasting.push_back({GlCall::ShadeModel,
                             state.shading == ShadingMode::Flat ? NAME_FLAT : NAME_SMOOTH, 0, 0,
                             {0, 0, 0, 0}});
    calls.lasting.push_back(
        vectorCall(GlCall::LightModelfv, 0, NAME_LIGHT_MODEL_AMBIENT, model.ambient, 4));
    calls.lasting.push_back(scalarCall(GlCall::LightModeli, 0, NAME_LIGHT_MODEL_LOCAL_VIEWER,
                                       model.localViewer ? 1.0f : 0.0f));
    calls.lasting.push_back(scalarCall(GlCall::LightModeli, 0, NAME_LIGHT_MODEL_TWO_SIDE,
                                       model.twoSided ? 1.0f : 0.0f));
    calls.lasting.push_back(scalarCall(
        GlCall::LightModeli, 0, NAME_LIGHT_MODEL_COLOR_CONTROL,
        static_cast<float>(model.separateSpecular ? NAME_SEPARATE_SPECULAR_COLOR
                                                  : NAME_SINGLE_COLOR)));
    for (int i = 0; i < setup.lightCount; ++i) {
        const unsigned id = NAME_LIGHT0 + static_cast<unsigned>(i);
        if (!state.lightOn[i]) {
            calls.lasting.push_back({GlCall::Disable, id, 0, 0, {0, 0, 0, 0}});
            continue;
        }
        const LightSetup& light = setup.lights[i];
        calls.lasting.push_back({GlCall::Enable, id, 0, 0, {0, 0, 0, 0}});
        calls.lasting.push_back(vectorCall(GlCall::Lightfv, id, NAME_AMBIENT, light.ambient, 4));
        calls.lasting.push_back(vectorCall(GlCall::Lightfv, id, NAME_DIFFUSE, light.diffuse, 4));
        calls.lasting.push_back(vectorCall(GlCall::Lightfv, id, NAME_SPECULAR, light.specular, 4));
        calls.lasting.push_back(scalarCall(GlCall::Lightf, id, NAME_SPOT_CUTOFF, light.spotCutoff));
        calls.lasting.push_back(
            scalarCall(GlCall::Lightf, id, NAME_SPOT_EXPONENT, light.spotExponent));
        calls.lasting.push_back(
            scalarCall(GlCall::Lightf, id, NAME_CONSTANT_ATTENUATION, light.attenuation[0]));
        calls.lasting.push_back(
            scalarCall(GlCall::Lightf, id, NAME_LINEAR_ATTENUATION, light.attenuation[1]));
        calls.lasting.push_back(
            scalarCall(GlCall::Lightf, id, NAME_QUADRATIC_ATTENUATION, light.attenuation[2]));
        calls.placed.push_back(vectorCall(GlCall::Lightfv, id, NAME_POSITION, light.position, 4));
        calls.placed.push_back(
            vectorCall(GlCall::Lightfv, id, NAME_SPOT_DIRECTION, light.spotDirection, 3));
    }
    const MaterialSetup& material = setup.material;
    calls.material = {
        vectorCall(GlCall::Materialfv, NAME_FRONT, NAME_AMBIENT, material.ambient, 4),
        vectorCall(GlCall::Materialfv, NAME_FRONT, NAME_SPECULAR, material.specular, 4),
        vectorCall(GlCall::Materialfv, NAME_FRONT, NAME_EMISSION, material.emission, 4),
        scalarCall(GlCall::Materialf, NAME_FRONT, NAME_SHININESS, material.shininess),
    };
    if (model.twoSided) {
        const BackMaterialSetup& back = setup.back;
        calls.material.insert(
            calls.material.end(),
            {vectorCall(GlCall::Materialfv, NAME_BACK, NAME_AMBIENT, back.ambient, 4),
             vectorCall(GlCall::Materialfv, NAME_BACK, NAME_DIFFUSE, back.diffuse, 4),
             vectorCall(GlCall::Materialfv, NAME_BACK, NAME_SPECULAR, back.specular, 4),
             vectorCall(GlCall::Materialfv, NAME_BACK, NAME_EMISSION, back.emission, 4),
             scalarCall(GlCall::Materialf, NAME_BACK, NAME_SHININESS, back.shininess)});
    }
    for (int s = 0; s < SOLID_COUNT; ++s) {
        calls.diffuse[s] = {
            vectorCall(GlCall::Materialfv, NAME_FRONT, NAME_DIFFUSE, material.diffuse[s], 4)};
    }
    return calls;
}

std::string stateCallsAsC(const SceneState& state)
{
    const StateCalls calls = stateCalls(state);
    // What the shader draws and GL has no call for is said first, with what
    // these calls have GL do instead, so the two frames' difference is named.
    std::string text;
    if (!litAtCorners(state.shading)) {
        text += "/* Shaded per pixel, which only the shader does: with these calls GL lights\n"
                "   the triangles' corners and blends their colours (GL_SMOOTH). */\n";
    }
    if (state.highlight == Highlight::Phong) {
        text += "/* Phong's highlight, (R.V)^shininess, which only the shader draws: with\n"
                "   these calls GL draws its own, Blinn's (N.H)^shininess. */\n";
    }
    text +=
        "/* Once, or whenever they change: the shade model, the light model and each\n"
        "   light. */\n"
        "glEnable(GL_LIGHTING);\n"
        "glEnable(GL_DEPTH_TEST);\n"
        "glEnable(GL_NORMALIZE);\n";
    text += block(calls.lasting);
    text += "\n/* Every frame, after gluLookAt and the scene's glRotatef calls: the lights are\n"
            "   placed in the frame in force, so they turn with the scene. */\n";
    text += block(calls.placed);
    text += state.setup.lightModel.twoSided
                ? "\n/* The material the four solids share: front faces, and back faces lit\n"
                  "   two-sided. */\n"
                : "\n/* The material the four solids share (front faces). */\n";
    text += block(calls.material);
    for (int s = 0; s < SOLID_COUNT; ++s) {
        text += "\n/* Before drawing the " + std::string(SOLID_NAMES[s]) + ". */\n";
        text += block(calls.diffuse[s], SOLID_NAMES[s]);
    }
    return text;
}
