#include "tools/capture/pictures.h"

#include "render/gl.h"
#include "render/render.h"
#include "shading/frame_uniforms.h"
#include "shading/shading.h"
#include "tools/capture/layers.h"
#include "tools/capture/light_markers.h"
#include "tools/capture/overview.h"
#include "tools/common/gl_session.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <utility>

namespace {

// The layers picture holds several frames; it may have as many pixels as
// the largest single frame Mesa's software renderer draws, 16384 x 16384.
constexpr long long MOST_LAYERS_PIXELS = 16384LL * 16384LL;

}  // namespace

void addPictureOptions(CLI::App& app, PictureOptions& picture)
{
    addFlag(app, "--show-lights", picture.showLights);
    addFlag(app, "--overview", picture.overview);
    addFlag(app, "--layers", picture.layers);
    addValueOption(app, "--renderer", [&picture](const std::string& value) {
        if (value != "fixed" && value != "shader") {
            return "--renderer must be fixed or shader, not " + quoted(value);
        }
        picture.renderer = value == "fixed" ? FrameRenderer::Fixed : FrameRenderer::Shader;
        return std::string();
    });
}

std::string pictureOptionsUsage()
{
    return "  --show-lights    draw the lights that are on into the frame, in their colours:\n"
           "                   the point light as a star, the directional light as arrows\n"
           "                   along its light, the spotlight with its cone as a wireframe\n"
           "  --overview       the rig seen from far outside: the scene as the state turns\n"
           "                   and lights it, its lights marked, and the three viewpoints'\n"
           "                   eyes and view frusta, labelled 0 to 2, the state's own\n"
           "                   viewpoint highlighted; --size is the picture's size\n"
           "  --layers         each light's diffuse and specular terms as frames of their\n"
           "                   own, their sum and the demo's frame, in a labelled grid;\n"
           "                   --size is each frame's size; it goes with neither of the\n"
           "                   other two\n"
           "  --renderer R     who draws the frame: fixed (the default) the fixed-function\n"
           "                   pipeline, as the demo does; shader the project's own shader,\n"
           "                   with GL's lighting equation in GLSL (the frame alone or\n"
           "                   with --show-lights)\n";
}

std::string checkPicture(const PictureOptions& picture, const StateOptions& state)
{
    if (picture.renderer == FrameRenderer::Shader && (picture.overview || picture.layers)) {
        return std::string("--renderer shader draws the demo's frame, alone or with "
                           "--show-lights, not ") +
               (picture.overview ? "--overview" : "--layers");
    }
    if (picture.layers && picture.overview) {
        return "--layers and --overview are two different pictures: give one of them";
    }
    if (picture.layers && picture.showLights) {
        return "--layers and --show-lights cannot go together: marks drawn into the layers "
               "would no longer add up to the frame";
    }
    if (picture.layers) {
        const GridSize size = gridSize(layersGrid(state, nullptr, nullptr), state.width,
                                       state.height);
        if (size.width * size.height > MOST_LAYERS_PIXELS) {
            return "--size " + std::to_string(state.width) + "x" + std::to_string(state.height) +
                   " with --layers makes a picture of " + std::to_string(size.width) + "x" +
                   std::to_string(size.height) + " pixels, more than " +
                   std::to_string(MOST_LAYERS_PIXELS) + " (16384x16384)";
        }
    }
    return {};
}

namespace {

// The frame drawn by the shader renderer, with GL's matrices then set as
// the fixed-function frame leaves them, so marks drawn after it land where
// they land in that frame.
bool drawShadedFrame(const SceneState& scene, std::string& error)
{
    static ShaderRenderer renderer;
    if (!renderer.draw(scene, error)) {
        return false;
    }
    const FrameUniforms frame = frameUniforms(scene, renderer.mesh().solids);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(frame.projection.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(frame.view.m);
    return true;
}

}  // namespace

int drawPicture(const PictureOptions& options, const StateOptions& state,
                const OffscreenTarget& target, RgbImage& picture, std::string& error)
{
    if (options.layers) {
        // Each layer is a display() frame, which checks for errors itself.
        picture = layOutLayers(state, drawLayers(state, [&target] { return target.read(); }));
        return EXIT_DONE;
    }
    if (options.overview) {
        drawOverview(state);
    } else if (options.renderer == FrameRenderer::Shader) {
        enterState(state);
        if (!drawShadedFrame(demoSceneState(viewer), error)) {
            return EXIT_NO_DISPLAY_OR_GL;
        }
        if (options.showLights) {
            drawLightMarkers(state.lightingMode);
        }
    } else {
        // The state the demo would be in, and the frame it would draw;
        // display() leaves the scene's turned frame current for the marks.
        enterState(state);
        display();
        if (options.showLights) {
            drawLightMarkers(state.lightingMode);
        }
    }
    // The tool's own drawing gets the check the demo's frame has.
    if (glGetError() != GL_NO_ERROR) {
        std::fputs("Erreur OpenGL\n", stdout);
        std::fflush(stdout);
    }
    picture = target.read();
    return EXIT_DONE;
}

std::string checkStatePicture(const PictureOptions& picture, const SceneState& scene,
                              const std::string& file)
{
    for (const auto& [given, name] : {std::pair<bool, const char*>{picture.showLights, "--show-lights"},
                                      {picture.overview, "--overview"},
                                      {picture.layers, "--layers"}}) {
        if (given) {
            return std::string(name) + " draws the demo's own lights: it cannot go with --state";
        }
    }
    if (const std::string only = onlyTheShaderDraws(scene);
        picture.renderer == FrameRenderer::Fixed && !only.empty()) {
        return "--state " + quoted(file) + " " + only + ", which only --renderer shader draws";
    }
    return {};
}

int drawStateFrame(const PictureOptions& options, const SceneState& scene,
                   const OffscreenTarget& target, RgbImage& picture, std::string& error)
{
    enterSceneState(scene);
    if (options.renderer == FrameRenderer::Shader) {
        if (!drawShadedFrame(scene, error)) {
            return EXIT_NO_DISPLAY_OR_GL;
        }
    } else {
        drawFixedFunctionFrame(scene);
    }
    if (glGetError() != GL_NO_ERROR) {
        std::fputs("Erreur OpenGL\n", stdout);
        std::fflush(stdout);
    }
    picture = target.read();
    return EXIT_DONE;
}

std::string describePicture(const PictureOptions& picture, const StateOptions& state)
{
    const std::string what = describeState(state);
    if (picture.layers) {
        return what + "; each light's diffuse and specular terms, their sum and the frame";
    }
    if (picture.overview) {
        return what + "; the rig seen from outside, with the three viewpoints";
    }
    const std::string drawn =
        picture.renderer == FrameRenderer::Shader ? what + "; drawn by the shader renderer" : what;
    return picture.showLights ? drawn + "; the lights marked" : drawn;
}
