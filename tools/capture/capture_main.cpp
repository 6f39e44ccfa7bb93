// materials-lights-capture: draws one state of the demo with the demo's own
// display() into an off-screen framebuffer and writes it to a PNG file; or
// a picture that explains the frame, drawn by pictures.h.
#include "scene/state_json.h"
#include "tools/capture/pictures.h"
#include "tools/common/gl_session.h"
#include "tools/common/offscreen.h"
#include "tools/common/options.h"
#include "tools/common/output_file.h"
#include "tools/common/png_file.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <new>
#include <string>

namespace {

const char* const PROGRAM = "materials-lights-capture";

struct CaptureOptions {
    StateOptions state;
    std::string stateFile;  // --state: the whole state from this file instead
    PictureOptions picture;
    std::string output;
};

std::string usage()
{
    return "Usage: materials-lights-capture --viewpoint V --mode M [OPTION]... --output FILE\n"
           "  or:  materials-lights-capture --state FILE [OPTION]... --output FILE\n"
           "Draws one frame of the materials and lights demo, with the demo's own code, and\n"
           "writes it to a PNG file.\n"
           "\n" +
           stateOptionsUsage() +
           "                   The state's frame alone is drawn: by the fixed-function\n"
           "                   pipeline, or with --renderer shader by the shader\n"
           "  --output FILE    the PNG file; it appears only once it is complete. Through a\n"
           "                   link, it replaces the file the link leads to, or makes it\n"
           "                   when that is not there yet; the link stays. A device, FIFO or\n"
           "                   socket is written straight into. A directory or a terminal is\n"
           "                   refused.\n"
           "  --output -       the PNG on standard output, unless that is a terminal\n"
           "  --help           print this help and exit\n"
           "  --version        print the program's name and version and exit\n"
           "\n"
           "Pictures that explain the frame, instead of the frame alone:\n" +
           pictureOptionsUsage() +
           "\n"
           "It needs an X display with GLX. Without one, give it a virtual screen:\n"
           "  xvfb-run -a -s \"-screen 0 1280x1024x24\" materials-lights-capture ...\n"
           "\n"
           "Exit status:\n"
           "  0  the file is written\n"
           "  1  no display or no usable OpenGL\n"
           "  2  a bad option, a size the OpenGL cannot draw, or an output that cannot be\n"
           "     written\n"
           "\n"
           "Examples:\n"
           "  $ materials-lights-capture --viewpoint 2 --mode 3 --output a.png\n"
           "  $ materials-lights-capture --state lab.json --output lab.png\n";
}

int fail(int status, const std::string& message)
{
    return failWith(PROGRAM, status, message);
}

int capture(const CaptureOptions& options, const SceneState& scene)
{
    // Opened first, so an output that cannot be written is refused before
    // any drawing; removed again on every failure below.
    OutputFile output(options.output);
    if (output.stream() == nullptr) {
        return fail(EXIT_BAD_REQUEST, output.error());
    }
    std::string error;
    if (!openGlContext(PROGRAM, error)) {
        return fail(EXIT_NO_DISPLAY_OR_GL, error);
    }

    const StateOptions& state = options.state;
    RgbImage frame;
    {
        OffscreenTarget target(state.width, state.height);
        if (const int status = statusOf(target); status != EXIT_DONE) {
            return fail(status, target.error());
        }
        try {
            const int status = options.stateFile.empty()
                                   ? drawPicture(options.picture, state, target, frame, error)
                                   : drawStateFrame(options.picture, scene, target, frame, error);
            if (status != EXIT_DONE) {
                return fail(status, error);
            }
        } catch (const std::bad_alloc&) {
            return fail(EXIT_BAD_REQUEST, "--size " + std::to_string(state.width) + "x" +
                                              std::to_string(state.height) +
                                              " needs more memory than there is");
        }
    }
    closeGlContext();

    std::string description = describePicture(options.picture, state);
    if (!options.stateFile.empty()) {
        description += "; the state of " + quoted(options.stateFile);
    }
    if (!writePng(output.stream(), frame, {{"Software", PROGRAM}, {"Description", description}},
                  error)) {
        return fail(EXIT_BAD_REQUEST, "cannot write \"" + options.output + "\": " + error);
    }
    if (!output.commit()) {
        return fail(EXIT_BAD_REQUEST, output.error());
    }
    return EXIT_DONE;
}

}  // namespace

int main(int argc, char** argv)
{
    CaptureOptions options;
    CLI::App app;
    addStateOptions(app, options.state, options.stateFile);
    addPictureOptions(app, options.picture);
    addValueOption(app, "--output", [&options](const std::string& value) {
        options.output = value;
        return value.empty() ? std::string("--output needs a file name") : std::string();
    })->required();
    if (const auto status = readCommandLine(PROGRAM, app, argc, argv, usage())) {
        return *status;
    }
    SceneState scene = startingSceneState();
    if (!options.stateFile.empty()) {
        if (const std::string problem = readStateFile(options.stateFile, scene);
            !problem.empty()) {
            return fail(EXIT_BAD_REQUEST, problem);
        }
        if (const std::string wrong = checkStatePicture(options.picture, scene, options.stateFile);
            !wrong.empty()) {
            return fail(EXIT_BAD_REQUEST, wrong);
        }
        // The view the state gives, for the frame's size and description.
        const ViewerState& view = scene.view;
        options.state = {view.viewpoint, view.lightingMode, view.angleX, view.angleY,
                         view.angleZ, view.windowWidth, view.windowHeight};
    }
    if (const std::string wrong = checkPicture(options.picture, options.state); !wrong.empty()) {
        return fail(EXIT_BAD_REQUEST, wrong);
    }
    return capture(options, scene);
}
