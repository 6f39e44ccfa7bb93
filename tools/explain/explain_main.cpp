// materials-lights-explain: why one pixel of the demo's frame has its
// colour. Draws the state with the demo's own display() off screen, then
// works the lighting equation through at the point under the pixel and shows
// how GL shaded it from the lit corners of the triangle there.
#include "drawn_frame.h"
#include "explanation.h"
#include "gl_session.h"
#include "options.h"
#include "report.h"

#include <climits>
#include <cstdio>
#include <new>
#include <string>

namespace {

const char* const PROGRAM = "materials-lights-explain";

struct ExplainOptions {
    StateOptions state;
    int x = 0, y = 0;
    bool json = false;
};

std::string usage()
{
    return "Usage: materials-lights-explain --viewpoint V --mode M [--angles X,Y,Z] [--size WxH]\n"
           "                                --pixel X,Y [--json]\n"
           "Draws one frame of the materials and lights demo, with the demo's own code, and\n"
           "explains the colour of one of its pixels: the lighting equation worked through\n"
           "at the surface point under it, light by light, and how OpenGL actually shaded\n"
           "it, from the lit corners of the triangle there.\n"
           "\n" +
           stateOptionsUsage() +
           "  --pixel X,Y      the pixel: column X from the left, row Y from the top, both\n"
           "                   counted from 0, as image viewers count them\n"
           "  --json           print the explanation as one JSON object instead of text\n"
           "  --help           print this help and exit\n"
           "\n"
           "It needs an X display with GLX. Without one, give it a virtual screen:\n"
           "  xvfb-run -a -s \"-screen 0 1280x1024x24\" materials-lights-explain ...\n"
           "\n"
           "Exit status: 0 explained; 1 no display or no usable OpenGL; 2 a bad option, a\n"
           "pixel outside the frame or a size the OpenGL cannot draw.\n";
}

int fail(int status, const std::string& message)
{
    return failWith(PROGRAM, status, message);
}

std::string applyPixel(const std::string& value, ExplainOptions& options)
{
    const std::string::size_type comma = value.find(',');
    if (comma == std::string::npos ||
        !parseInt(value.substr(0, comma), INT_MIN, INT_MAX, options.x) ||
        !parseInt(value.substr(comma + 1), INT_MIN, INT_MAX, options.y)) {
        return "--pixel must be X,Y (column, row, whole numbers), such as 150,120, not " +
               quoted(value);
    }
    return {};
}

int explain(const ExplainOptions& options)
{
    std::string error;
    if (!openGlContext(PROGRAM, error)) {
        return fail(EXIT_NO_DISPLAY_OR_GL, error);
    }
    DrawnFrame frame;
    if (const int status = drawFrame(options.state, frame, error); status != EXIT_DONE) {
        return fail(status, error);
    }
    closeGlContext();

    std::string text;
    try {
        const FrameExplainer explainer(frame);
        const PixelExplanation pixel = explainer.explain(options.x, options.y);
        text = options.json ? explanationJson(explainer, pixel).dump(2) + "\n"
                            : explanationText(explainer, pixel);
    } catch (const std::bad_alloc&) {
        return fail(EXIT_BAD_REQUEST, "--size " + std::to_string(options.state.width) + "x" +
                                          std::to_string(options.state.height) +
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
    std::vector<CommandOption> accepted = stateOptions(options.state);
    accepted.push_back({"--pixel", true, true, [&options](const std::string& value) {
                            return applyPixel(value, options);
                        }});
    accepted.push_back({"--json", false, false, [&options](const std::string&) {
                            options.json = true;
                            return std::string();
                        }});
    if (const auto status = readCommandLine(PROGRAM, argc, argv, accepted, usage())) {
        return *status;
    }
    const StateOptions& state = options.state;
    if (options.x < 0 || options.y < 0 || options.x >= state.width || options.y >= state.height) {
        return fail(EXIT_BAD_REQUEST,
                    "--pixel " + std::to_string(options.x) + "," + std::to_string(options.y) +
                        " is outside the " + std::to_string(state.width) + "x" +
                        std::to_string(state.height) + " frame (columns 0 to " +
                        std::to_string(state.width - 1) + ", rows 0 to " +
                        std::to_string(state.height - 1) + ")");
    }
    return explain(options);
}
