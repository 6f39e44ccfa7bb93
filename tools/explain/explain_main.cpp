// materials-lights-explain: why one pixel of the demo's frame has its
// colour. Draws the state with the demo's own display() off screen (a state
// file's with the fixed-function pipeline, or the shader renderer), then
// works the lighting equation through at the point under the pixel and shows
// how GL shaded it from the lit corners of the triangle there.
#include "explain/explanation.h"
#include "explain/report.h"
#include "scene/state_json.h"
#include "tools/common/gl_session.h"
#include "tools/common/options.h"
#include "tools/explain/drawn_frame.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <new>
#include <string>

namespace {

const char* const PROGRAM = "materials-lights-explain";

struct ExplainOptions {
    StateOptions state;
    std::string stateFile;  // --state: the whole state from this file instead
    int x = 0, y = 0;
    bool json = false;
    bool shader = false;    // --renderer shader
};

std::string usage()
{
    return "Usage: materials-lights-explain --viewpoint V --mode M [OPTION]... --pixel X,Y\n"
           "  or:  materials-lights-explain --state FILE [OPTION]... --pixel X,Y\n"
           "Draws one frame of the materials and lights demo, with the demo's own code, and\n"
           "explains the colour of one of its pixels: the lighting equation worked through\n"
           "at the surface point under it, light by light, and how OpenGL actually shaded\n"
           "it, from the lit corners of the triangle there.\n"
           "\n" +
           stateOptionsUsage() +
           "  --pixel X,Y      the pixel: column X from the left, row Y from the top, both\n"
           "                   counted from 0, as image viewers count them\n"
           "  --json           print the explanation as one JSON object instead of text\n"
           "  --renderer R     who draws the frame: fixed (the default) the fixed-function\n"
           "                   pipeline, its triangles read back through GL's feedback;\n"
           "                   shader the project's own shader, the triangle under the pixel\n"
           "                   found by its ID pass. A state with \"shading\": \"pixel\" or\n"
           "                   \"highlight\": \"phong\" is drawn by the shader only\n"
           "  --help           print this help and exit\n"
           "  --version        print the program's name and version and exit\n"
           "\n"
           "It needs an X display with GLX. Without one, give it a virtual screen:\n"
           "  xvfb-run -a -s \"-screen 0 1280x1024x24\" materials-lights-explain ...\n"
           "\n"
           "Exit status:\n"
           "  0  explained\n"
           "  1  no display or no usable OpenGL (or a shader it cannot compile)\n"
           "  2  a bad option or state file, a pixel outside the frame or a size the\n"
           "     OpenGL cannot draw\n"
           "\n"
           "Examples:\n"
           "  $ materials-lights-explain --viewpoint 0 --mode 2 --pixel 181,76\n"
           "  $ materials-lights-explain --state lab.json --pixel 150,120 --json\n";
}

int fail(int status, const std::string& message)
{
    return failWith(PROGRAM, status, message);
}

std::string report(const SceneModel& scene, const PixelExplanation& pixel, bool json)
{
    return json ? explanationJson(scene, pixel).dump(2) + "\n" : explanationText(scene, pixel);
}

int explain(const ExplainOptions& options, const SceneState& scene)
{
    std::string error;
    if (!openGlContext(PROGRAM, error)) {
        return fail(EXIT_NO_DISPLAY_OR_GL, error);
    }
    const ViewerState& view = scene.view;
    std::string text;
    try {
        if (options.shader) {
            // The lab's way: the triangle from the ID pass, the model the rest.
            ShadedFrame frame;
            if (const int status =
                    drawShadedFrame(scene, frame, error, PixelPlace{options.x, options.y});
                status != EXIT_DONE) {
                return fail(status, error);
            }
            closeGlContext();
            const SceneModel model(scene);
            text = report(model, explainPixel(model, frame.readingAt(options.x, options.y)),
                          options.json);
        } else {
            DrawnFrame frame;
            const int status = options.stateFile.empty()
                                   ? drawFrame(options.state, frame, error)
                                   : drawFrame(scene, frame, error);
            if (status != EXIT_DONE) {
                return fail(status, error);
            }
            closeGlContext();
            const FrameExplainer explainer(frame);
            text = report(explainer.scene(), explainer.explain(options.x, options.y),
                          options.json);
        }
    } catch (const std::bad_alloc&) {
        return fail(EXIT_BAD_REQUEST, "--size " + std::to_string(view.windowWidth) + "x" +
                                          std::to_string(view.windowHeight) +
                                          " needs more memory than there is");
    }
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) != 0) {
        return fail(EXIT_NO_DISPLAY_OR_GL, "cannot write to standard output");
    }
    return EXIT_DONE;
}

}  // namespace

int main(int argc, char** argv)
{
    ExplainOptions options;
    CLI::App app;
    addStateOptions(app, options.state, options.stateFile);
    addValueOption(app, "--pixel", [&options](const std::string& value) {
        return applyPixel(value, options.x, options.y);
    })->required();
    addFlag(app, "--json", options.json);
    addValueOption(app, "--renderer", [&options](const std::string& value) {
        if (value != "fixed" && value != "shader") {
            return "--renderer must be fixed or shader, not " + quoted(value);
        }
        options.shader = value == "shader";
        return std::string();
    });
    if (const auto status = readCommandLine(PROGRAM, app, argc, argv, usage())) {
        return *status;
    }
    SceneState scene = sceneStateOf(options.state);
    if (!options.stateFile.empty()) {
        if (const std::string problem = readStateFile(options.stateFile, scene);
            !problem.empty()) {
            return fail(EXIT_BAD_REQUEST, problem);
        }
    }
    if (const std::string only = onlyTheShaderDraws(scene); !options.shader && !only.empty()) {
        return fail(EXIT_BAD_REQUEST, "--state " + ::quoted(options.stateFile) + " " + only +
                                          ", which only --renderer shader draws");
    }
    const int width = scene.view.windowWidth, height = scene.view.windowHeight;
    if (options.x < 0 || options.y < 0 || options.x >= width || options.y >= height) {
        return fail(EXIT_BAD_REQUEST,
                    "--pixel " + std::to_string(options.x) + "," + std::to_string(options.y) +
                        " is outside the " + std::to_string(width) + "x" +
                        std::to_string(height) + " frame (columns 0 to " +
                        std::to_string(width - 1) + ", rows 0 to " +
                        std::to_string(height - 1) + ")");
    }
    return explain(options, scene);
}
