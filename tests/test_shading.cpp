// The shader renderer against the fixed-function pipeline, both drawn by
// Mesa into the same off-screen target: the demo's frames in every
// viewpoint and mode, turned and at a size that is not square; then states
// with the values the demo leaves at OpenGL's defaults, set the same way
// for both. Every pixel within one level per channel.
#include "render/render.h"
#include "render/state_calls.h"
#include "scene/state_json.h"
#include "shading/marks.h"
#include "shading/shading.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/program_run.h"
#include "tools/capture/light_markers.h"
#include "tools/common/gl_session.h"
#include "tools/common/offscreen.h"
#include "tools/explain/drawn_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

struct Agreement {
    long exact = 0, withinOne = 0, beyond = 0;
    std::string firstBeyond;
};

Agreement compare(const RgbImage& fixed, const RgbImage& shaded)
{
    Agreement a;
    for (size_t i = 0; i < fixed.rgb.size(); i += 3) {
        int worst = 0;
        for (size_t c = 0; c < 3; ++c) {
            worst = std::max(worst, std::abs(fixed.rgb[i + c] - shaded.rgb[i + c]));
        }
        (worst == 0 ? a.exact : worst == 1 ? a.withinOne : a.beyond)++;
        if (worst > 1 && a.firstBeyond.empty()) {
            const size_t pixel = i / 3;
            char text[160];
            std::snprintf(text, sizeof text, "(%zu, %zu): fixed %d %d %d, shader %d %d %d",
                          pixel % static_cast<size_t>(fixed.width),
                          pixel / static_cast<size_t>(fixed.width), fixed.rgb[i],
                          fixed.rgb[i + 1], fixed.rgb[i + 2], shaded.rgb[i], shaded.rgb[i + 1],
                          shaded.rgb[i + 2]);
            a.firstBeyond = text;
        }
    }
    return a;
}

Image asImage(const RgbImage& frame)
{
    return Image{frame.width, frame.height, frame.rgb};
}

struct Frames {
    RgbImage fixed, shaded;
};

// Draws `state` both ways into one target of its size. `fixed` draws the
// fixed-function frame of the state `viewer` is in.
Frames drawBoth(const SceneState& state, const std::function<void()>& fixed,
                const std::string& name)
{
    ensureGlWindow();
    const ViewerState& view = state.view;
    OffscreenTarget target(view.windowWidth, view.windowHeight);
    EXPECT_EQ(target.outcome(), OffscreenTarget::Outcome::Ready) << target.error();
    viewer = view;
    reshape(view.windowWidth, view.windowHeight);
    fixed();
    const RgbImage fixedFrame = target.read();

    static ShaderRenderer renderer;
    std::string log;
    EXPECT_TRUE(renderer.draw(state, log)) << log;
    const RgbImage shaded = target.read();
    keepForInspection(asImage(fixedFrame), name + "_fixed");
    keepForInspection(asImage(shaded), name + "_shader");
    // Both frames must show the scene, not two blank pictures that agree.
    EXPECT_TRUE(std::any_of(shaded.rgb.begin(), shaded.rgb.end(), [](unsigned char c) { return c > 40; }));
    return {fixedFrame, shaded};
}

void add(Agreement& total, const Agreement& a)
{
    total.exact += a.exact;
    total.withinOne += a.withinOne;
    total.beyond += a.beyond;
}

ViewerState viewAt(int viewpoint, int mode, float x = 0, float y = 0, float z = 0,
                   int width = 300, int height = 300)
{
    return ViewerState{width, height, mode, viewpoint, x, y, z, 0};
}

void report(const char* what, const Agreement& total)
{
    std::printf("%s: exact %ld, within one level %ld, beyond %ld\n", what, total.exact,
                total.withinOne, total.beyond);
}

TEST(ShaderFrames, DemoFramesEqualTheFixedFunctionFramesWithinOneLevel)
{
    std::vector<ViewerState> views;
    for (int viewpoint = 0; viewpoint < VIEWPOINT_COUNT; ++viewpoint) {
        for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
            views.push_back(viewAt(viewpoint, mode));
        }
    }
    views.push_back(viewAt(0, 3, 20, 30, 10));
    views.push_back(viewAt(1, 2, -35, 120, 0));
    views.push_back(viewAt(2, 1, 400, -75.5f, 33));
    views.push_back(viewAt(1, 3, 10, -20, 5, 401, 257));

    Agreement total;
    for (const ViewerState& view : views) {
        char name[96];
        std::snprintf(name, sizeof name, "shader_vp%d_mode%d_%gx%gx%g_%dx%d", view.viewpoint,
                      view.lightingMode, double(view.angleX), double(view.angleY),
                      double(view.angleZ), view.windowWidth, view.windowHeight);
        const Frames frames = drawBoth(demoSceneState(view), display, name);
        const Agreement a = compare(frames.fixed, frames.shaded);
        EXPECT_EQ(a.beyond, 0) << name << ": first pixel beyond one level " << a.firstBeyond;
        add(total, a);
    }
    report("demo frames", total);
}

// Values the demo leaves at OpenGL's defaults, each state drawn by the
// fixed-function pipeline with the same values set.
struct ChangedState {
    const char* name;
    int viewpoint, mode;
    float angleX, angleY, angleZ;
    std::function<void(SceneSetup&)> change;
};

const ChangedState CHANGED_STATES[] = {
    {"attenuation", 0, 3, 15, -25, 5,
     [](SceneSetup& s) {
         for (LightSetup& light : s.lights) {
             light.attenuation[0] = 0.5f;
             light.attenuation[1] = 0.1f;
             light.attenuation[2] = 0.02f;
         }
     }},
    {"spot_exponent_and_wider_cone", 1, 2, 15, -25, 5,
     [](SceneSetup& s) {
         s.lights[2].spotExponent = 20.0f;
         s.lights[2].spotCutoff = 30.0f;
         s.lights[2].attenuation[1] = 0.05f;
     }},
    {"local_viewer", 0, 3, 15, -25, 5, [](SceneSetup& s) { s.lightModel.localViewer = true; }},
    // Looking into the tube: its inside shows the back material.
    {"two_sided_from_above", 2, 3, 30, 0, 0, [](SceneSetup& s) { s.lightModel.twoSided = true; }},
    {"light_ambient_and_emission", 0, 3, 15, -25, 5,
     [](SceneSetup& s) {
         for (LightSetup& light : s.lights) {
             light.ambient[0] = 0.3f;
             light.ambient[1] = 0.2f;
             light.ambient[2] = 0.1f;
         }
         s.material.ambient[0] = s.material.ambient[1] = 0.5f;
         s.material.emission[2] = 0.2f;
         s.lightModel.ambient[1] = 0.4f;
     }},
    {"white_light_from_a_direction_shininess_5", 1, 0, 15, -25, 5,
     [](SceneSetup& s) {
         const float direction[4] = {0.3f, 1.0f, 0.6f, 0.0f};
         std::copy(direction, direction + 4, s.lights[0].position);
         s.material.shininess = 5.0f;
     }},
};

TEST(ShaderFrames, ValuesTheDemoLeavesAtDefaultsGiveTheFixedFunctionFrames)
{
    Agreement total;
    for (const ChangedState& changed : CHANGED_STATES) {
        SceneState state = demoSceneState(viewAt(changed.viewpoint, changed.mode, changed.angleX,
                                                 changed.angleY, changed.angleZ));
        changed.change(state.setup);
        const Frames unchanged = drawBoth(demoSceneState(state.view), display, "unchanged");
        const Frames frames = drawBoth(state, [&state] { drawFixedFunctionFrame(state); },
                                       std::string("shader_") + changed.name);
        const Agreement a = compare(frames.fixed, frames.shaded);
        EXPECT_EQ(a.beyond, 0) << changed.name << ": first pixel beyond one level "
                               << a.firstBeyond;
        // The changed values must show in the fixed-function frame: pixels
        // the demo's own values draw otherwise.
        EXPECT_GT(compare(unchanged.fixed, frames.fixed).beyond, 500) << changed.name;
        add(total, a);
    }
    report("changed states", total);
}

// Solids cut otherwise than the demo's: the fixed-function frame draws
// them with GLUT and GLU (the cube N x N from the mesh), the shader from the
// mesh; the two must still be one frame.
struct Cut {
    const char* name;
    int viewpoint;
    Tessellation tessellation;
};

const Cut CUTS[] = {
    {"coarse", 0, {3, 5, 2, 3, 1, 3, 1}},
    {"fine_and_uneven", 1, {16, 120, 7, 40, 90, 239, 3}},
    {"from_above_limits", 2, {64, 239, 256, 239, 256, 4, 256}},
};

TEST(ShaderFrames, OtherTessellationsGiveTheFixedFunctionFrames)
{
    Agreement total;
    for (const Cut& cut : CUTS) {
        ASSERT_EQ(tessellationProblem(cut.tessellation), "") << cut.name;
        SceneState state = demoSceneState(viewAt(cut.viewpoint, 3, 10, 25, 0));
        state.tessellation = cut.tessellation;
        const Frames demo = drawBoth(demoSceneState(state.view), display, "demo_cut");
        const Frames frames = drawBoth(state, [&state] { drawFixedFunctionFrame(state); },
                                       std::string("shader_cut_") + cut.name);
        const Agreement a = compare(frames.fixed, frames.shaded);
        EXPECT_EQ(a.beyond, 0) << cut.name << ": first pixel beyond one level " << a.firstBeyond;
        // Other triangles shade otherwise: the cut must show.
        EXPECT_GT(compare(demo.fixed, frames.fixed).beyond, 100) << cut.name;
        add(total, a);
    }
    report("other tessellations", total);
}

// GL's lighting beyond what the demo uses, each alone and all together,
// from a state file as the tools read it; `plain` is the same state without
// it, whose frame must differ where the field shows.
const struct {
    const char* name;
    const char* state;
    const char* plain;
    long shows;  // pixels at least that the field changes beyond one level
} FIELD_STATES[] = {
    {"eight_lights_of_every_kind", R"({"viewpoint": 1, "mode": 3, "angles": [10, 20, 0], "lights": [{}, {}, {},
        {"on": true, "position": [3, 3, 4, 1], "diffuse": [0.6, 0.2, 0.2, 1], "specular": [0.5, 0.5, 0.5, 1]},
        {"on": true, "position": [-1, -0.8, 1.2, 0], "diffuse": [0.2, 0.2, 0.6, 1]},
        {"on": true, "position": [0, 6, 2, 1], "spot_direction": [0.3, -1, -0.2], "spot_cutoff": 25,
         "spot_exponent": 5, "diffuse": [0.4, 0.4, 0.1, 1], "specular": [0.4, 0.4, 0.1, 1]},
        {"on": true, "position": [-4, 1, 3, 1], "attenuation": [0.5, 0.1, 0.02], "diffuse": [0.1, 0.4, 0.3, 1]},
        {"on": true, "ambient": [0.1, 0.1, 0.1, 1], "diffuse": [0.1, 0.1, 0.1, 1], "specular": [0.2, 0.2, 0.2, 1]}]})",
     R"({"viewpoint": 1, "mode": 3, "angles": [10, 20, 0]})", 5000},
    {"flat_turned", R"({"mode": 3, "angles": [15, -25, 5], "shading": "flat",
        "tessellation": {"sphere": [16, 8], "cone": [12, 3], "cylinder": [12, 2], "cube": 2}})",
     R"({"mode": 3, "angles": [15, -25, 5],
        "tessellation": {"sphere": [16, 8], "cone": [12, 3], "cylinder": [12, 2], "cube": 2}})", 1000},
    {"two_sided_back_material", R"({"viewpoint": 2, "mode": 3, "angles": [30, 0, 0], "two_sided": true,
        "material": {"back": {"ambient": [0.3, 0.1, 0.1, 1], "diffuse": [0.9, 0.3, 0.6, 1],
        "specular": [0.8, 0.8, 0.8, 1], "emission": [0.05, 0, 0.1, 1], "shininess": 20}}})",
     R"({"viewpoint": 2, "mode": 3, "angles": [30, 0, 0], "two_sided": true})", 500},
    {"separate_specular_clamped", R"({"mode": 3, "separate_specular": true, "material": {"shininess": 8,
        "diffuse": {"sphere": [0.6, 0.9, 0.3, 1]}}, "tessellation": {"sphere": [20, 10]}})",
     R"({"mode": 3, "material": {"shininess": 8, "diffuse": {"sphere": [0.6, 0.9, 0.3, 1]}},
        "tessellation": {"sphere": [20, 10]}})", 500},
    {"all_together", R"({"viewpoint": 2, "mode": 3, "angles": [30, 10, 0], "shading": "flat",
        "two_sided": true, "separate_specular": true, "tessellation": {"sphere": [24, 12], "cylinder": [16, 3]},
        "material": {"shininess": 8, "back": {"diffuse": [0.9, 0.3, 0.6, 1], "specular": [0.8, 0.8, 0.8, 1]}},
        "lights": [{}, {}, {}, {"on": true, "position": [3, 3, 4, 1], "diffuse": [0.6, 0.2, 0.2, 1]},
        {"on": true, "position": [-1, -0.8, 1.2, 0], "diffuse": [0.2, 0.2, 0.6, 1], "specular": [0.3, 0.3, 0.3, 1]},
        {"on": true, "position": [0, 6, 2, 1], "spot_direction": [0.3, -1, -0.2], "spot_cutoff": 25,
         "diffuse": [0.4, 0.4, 0.1, 1]}, {"on": true, "position": [-4, 1, 3, 1], "attenuation": [0.5, 0.1, 0.02],
         "diffuse": [0.1, 0.4, 0.3, 1]}, {"on": true, "specular": [0.2, 0.2, 0.2, 1]}]})",
     R"({"viewpoint": 2, "mode": 3, "angles": [30, 10, 0], "two_sided": true,
        "tessellation": {"sphere": [24, 12], "cylinder": [16, 3]}, "material": {"shininess": 8}})", 5000},
};

SceneState stateOf(const char* json)
{
    SceneState state = startingSceneState();
    EXPECT_EQ(applySceneText(json, state), "") << json;
    return state;
}

// The worst pixel of the shader's frame against the fixed-function frame.
std::string worstPixel(const RgbImage& fixed, const RgbImage& shaded)
{
    int worst = -1;
    size_t at = 0;
    for (size_t i = 0; i < fixed.rgb.size(); i += 3) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(fixed.rgb[i + c] - shaded.rgb[i + c]) > worst) {
                worst = std::abs(fixed.rgb[i + c] - shaded.rgb[i + c]);
                at = i;
            }
        }
    }
    const size_t pixel = at / 3, width = static_cast<size_t>(fixed.width);
    char text[160];
    std::snprintf(text, sizeof text, "worst %d level(s) at (%zu, %zu): fixed %d %d %d, shader %d %d %d",
                  worst, pixel % width, pixel / width, fixed.rgb[at], fixed.rgb[at + 1],
                  fixed.rgb[at + 2], shaded.rgb[at], shaded.rgb[at + 1], shaded.rgb[at + 2]);
    return text;
}

TEST(ShaderFrames, FlatShadingMoreLightsTheBackMaterialAndTheSeparateSpecularGiveTheFixedFrames)
{
    for (const auto& row : FIELD_STATES) {
        const SceneState state = stateOf(row.state), plain = stateOf(row.plain);
        const auto fixed = [](const SceneState& s) { return [&s] { drawFixedFunctionFrame(s); }; };
        const Frames frames = drawBoth(state, fixed(state), std::string("shader_") + row.name);
        const Frames without = drawBoth(plain, fixed(plain), "without");
        const Agreement a = compare(frames.fixed, frames.shaded);
        const double within = double(a.exact + a.withinOne) / double(a.exact + a.withinOne + a.beyond);
        std::printf("%s: %.4f %% of pixels within one level (%ld exact, %ld one level, %ld beyond); %s\n",
                    row.name, 100 * within, a.exact, a.withinOne, a.beyond,
                    worstPixel(frames.fixed, frames.shaded).c_str());
        EXPECT_GE(within, 0.999) << row.name << ": " << a.firstBeyond;
        EXPECT_GT(compare(without.fixed, frames.fixed).beyond, row.shows) << row.name;
    }
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// docs/shader.md quotes the shader's lighting function: the quote must be the
// file as it stands.
TEST(ShaderSource, ReadmeQuotesTheLightingFunctionAsItStands)
{
    const std::string readme = fileText(std::string(ML_SOURCE_DIR) + "/docs/shader.md");
    const std::string shader = fileText(std::string(ML_SOURCE_DIR) + "/shading/lighting.glsl");
    const std::string::size_type open = readme.find("```glsl\nvoid addLight(");
    ASSERT_NE(open, std::string::npos) << "docs/shader.md quotes no addLight";
    const std::string::size_type start = open + 8;
    const std::string quoted = readme.substr(start, readme.find("```", start) - start);
    EXPECT_NE(shader.find(quoted), std::string::npos)
        << "docs/shader.md's addLight is not shading/lighting.glsl's: quote it anew";
    EXPECT_EQ(quoted.substr(quoted.size() - 2), "}\n");
}

// The corners the shader lights, each read back alone, are the colours
// GL's fixed-function pipeline lit the same corners with (its feedback).
TEST(ShaderCorners, ProbedCornersAreGlsLitCorners)
{
    ensureGlWindow();
    const StateOptions options{0, 3, 20, 30, 10, 300, 300};
    DrawnFrame frame;
    std::string error;
    ASSERT_EQ(drawFrame(options, frame, error), 0) << error;
    OffscreenTarget target(300, 300);
    const SceneState state = demoSceneState(viewer);
    static ShaderRenderer renderer;
    int compared = 0;
    for (size_t index = 7; index < frame.triangles.size(); index += 613) {
        unsigned char rgb[3][3];
        std::string log;
        ASSERT_TRUE(renderer.probeCorners(state, static_cast<int>(index), false, rgb, log)) << log;
        for (int corner = 0; corner < 3; ++corner) {
            const Colour& gl = frame.triangles[index].corner[corner].colour;
            const double expected[3] = {gl.r * 255, gl.g * 255, gl.b * 255};
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(rgb[corner][c], expected[c], 1.0)
                    << "triangle " << index << " corner " << corner << " channel " << c;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 100);
}

// The lights' marks drawn by the shader over the shader's frame are the
// capture tool's marks over the fixed-function frame.
TEST(ShaderMarks, AreTheCaptureToolsMarks)
{
    ensureGlWindow();
    OffscreenTarget target(300, 300);
    static ShaderRenderer renderer;
    static MarkRenderer marks;
    for (const ViewerState& view : {viewAt(0, 3), viewAt(1, 2, 0, 30, 0), viewAt(2, 3, 10, -20, 5)}) {
        SceneState state = demoSceneState(view);
        state.setup.lights[0].position[0] = 1.5f;  // a star off the origin
        viewer = view;
        reshape(300, 300);
        drawFixedFunctionFrame(state);
        drawLightMarkers(state);
        const RgbImage fixed = target.read();
        std::string log;
        ASSERT_TRUE(renderer.draw(state, log)) << log;
        ASSERT_TRUE(marks.draw(state, log)) << log;
        const RgbImage shaded = target.read();
        const Agreement a = compare(fixed, shaded);
        EXPECT_EQ(a.beyond, 0) << a.firstBeyond;
        keepForInspection(asImage(shaded), "shader_marks_vp" + std::to_string(view.viewpoint));
    }
}

// The calls a learner copies are C that a compiler takes, with GL's names.
TEST(StateCallsAsC, CompileAgainstGlsOwnHeader)
{
    SceneState state = demoSceneState(viewAt(0, 3));
    CHANGED_STATES[4].change(state.setup);
    state.setup.lights[2].spotExponent = 12.5f;
    state.lightOn[1] = false;
    std::string code = stateCallsAsC(state);
    EXPECT_EQ(code.find("GL_BACK"), std::string::npos) << "one-sided: no back material";
    // What only the shader draws is named, once each, and at GL's own shading not at all.
    const auto notes = [&](const char* change) {
        SceneState other = state;
        EXPECT_EQ(applySceneText(change, other), "");
        const std::string c = stateCallsAsC(other);
        return std::make_pair(c.find("Shaded per pixel") != std::string::npos,
                              c.find("Phong's highlight") != std::string::npos);
    };
    EXPECT_EQ(notes("{}"), std::make_pair(false, false));
    EXPECT_EQ(notes(R"({"shading": "flat"})"), std::make_pair(false, false));
    EXPECT_EQ(notes(R"({"shading": "pixel"})"), std::make_pair(true, false));
    EXPECT_EQ(notes(R"({"shading": "pixel", "highlight": "phong"})"), std::make_pair(true, true));
    ASSERT_EQ(applySceneText(R"({"shading": "flat", "two_sided": true, "separate_specular": true,
        "lights": [{}, {}, {}, {}, {"on": true}], "material": {"back": {"shininess": 3}}})", state), "");
    code = stateCallsAsC(state);
    for (const char* expected : {"glDisable(GL_LIGHT1);", "GL_SPOT_EXPONENT, 12.5f);",
                                 "GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);", "glShadeModel(GL_FLAT);",
                                 "GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);",
                                 "glDisable(GL_LIGHT3);", "glEnable(GL_LIGHT4);",
                                 "glMaterialf(GL_BACK, GL_SHININESS, 3.0f);",
                                 "GL_EMISSION, material_emission);"}) {
        EXPECT_NE(code.find(expected), std::string::npos) << expected << " not in\n" << code;
    }
    TempDir dir;
    writeText(dir / "state.cpp", "#include <GL/gl.h>\nvoid setState() {\n" + code + "}\n");
    const ProgramRun r = runProgram(ML_CXX_COMPILER, {"-fsyntax-only", "-Wall", "-Werror",
                                                      dir / "state.cpp"});
    EXPECT_EQ(r.status, 0) << r.err << code;
}

}  // namespace
