// materials-lights-capture: draws one state of the demo with the demo's own
// display() into an off-screen framebuffer and writes it to a PNG file.
#include "app/viewer.h"
#include "offscreen.h"
#include "options.h"
#include "pending_file.h"
#include "png_file.h"
#include "render/gl.h"
#include "render/render.h"
#include "state_names.h"

#include <GL/freeglut_ext.h>
#include <X11/Xlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace {

const char* const PROGRAM = "materials-lights-capture";

// Exit statuses.
constexpr int CAPTURED = 0;
constexpr int NO_DISPLAY_OR_GL = 1;
constexpr int BAD_REQUEST = 2;

int fail(int status, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", PROGRAM, message.c_str());
    return status;
}

// freeglut's fatal errors (no GLX, no suitable visual, no context) come
// here instead of to its own message. freeglut would carry on after the
// handler returns, so the handler ends the process; the pending output file
// is removed by its exit-time clean-up.
void fatalGlutError(const char* format, va_list args)
{
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    std::fprintf(stderr, "%s: OpenGL through GLUT failed: %s\n", PROGRAM, message);
    std::exit(NO_DISPLAY_OR_GL);
}

std::string noDisplayMessage()
{
    const char* display = std::getenv("DISPLAY");
    const std::string which = display == nullptr || *display == '\0'
                                  ? std::string("DISPLAY is not set")
                                  : "DISPLAY \"" + std::string(display) + "\" cannot be opened";
    return "no X display to draw on (" + which +
           "); headless, run it under xvfb-run -a -s \"-screen 0 1280x1024x24\" " + PROGRAM +
           " ...";
}

// A context on a tiny GLUT window, made like the demo's (RGB, double
// buffer, depth) so the lasting GL state and the depth precision match. The
// window is never drawn into: the frame goes to the off-screen target.
void openGlContext()
{
    int argc = 1;
    char name[] = "materials-lights-capture";
    char* argv[] = {name, nullptr};
    glutInitErrorFunc(fatalGlutError);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1, 1);
    glutCreateWindow(name);
}

// Done with the GL once the frame is read: the window, its context and
// GLUT's X connection go before the (possibly slow) file writing.
void closeGlContext()
{
    glutDestroyWindow(glutGetWindow());
    glutExit();
}

std::string describe(const CaptureOptions& o)
{
    char angles[96];
    std::snprintf(angles, sizeof angles, "%.9g,%.9g,%.9g", static_cast<double>(o.angleX),
                  static_cast<double>(o.angleY), static_cast<double>(o.angleZ));
    return "Materiels et lumieres OpenGL: viewpoint " + std::to_string(o.viewpoint) + " (" +
           VIEWPOINT_NAMES[o.viewpoint] + "), lighting mode " + std::to_string(o.lightingMode) +
           " (" + LIGHTING_MODE_NAMES[o.lightingMode] + "), angles " + angles + " degrees";
}

int capture(const CaptureOptions& options)
{
    // Created first, so an output that cannot be written is refused before
    // any drawing; removed again on every failure below.
    PendingFile output(options.output);
    if (output.stream() == nullptr) {
        return fail(BAD_REQUEST, output.error());
    }

    // Checked here because freeglut, finding no display, prints its own
    // message and exits. The connection stays open until GLUT has its own:
    // an X server started without -noreset (xvfb-run's) resets when its
    // last client leaves, and refuses connections while it does.
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) {
        return fail(NO_DISPLAY_OR_GL, noDisplayMessage());
    }
    openGlContext();
    XCloseDisplay(x);
    initLighting();

    RgbImage frame;
    {
        OffscreenTarget target(options.width, options.height);
        switch (target.outcome()) {
        case OffscreenTarget::Outcome::Ready:
            break;
        case OffscreenTarget::Outcome::TooLarge:
            return fail(BAD_REQUEST, target.error());
        case OffscreenTarget::Outcome::Unsupported:
            return fail(NO_DISPLAY_OR_GL, target.error());
        }

        // The state the demo would be in, and the frame it would draw.
        viewer = ViewerState{};
        viewer.viewpoint = options.viewpoint;
        viewer.lightingMode = options.lightingMode;
        viewer.angleX = options.angleX;
        viewer.angleY = options.angleY;
        viewer.angleZ = options.angleZ;
        reshape(options.width, options.height);
        display();
        try {
            frame = target.read();
        } catch (const std::bad_alloc&) {
            return fail(BAD_REQUEST, "--size " + std::to_string(options.width) + "x" +
                                         std::to_string(options.height) +
                                         " needs more memory than there is");
        }
    }
    closeGlContext();

    std::string error;
    if (!writePng(output.stream(), frame,
                  {{"Software", PROGRAM}, {"Description", describe(options)}}, error)) {
        return fail(BAD_REQUEST, "cannot write \"" + options.output + "\": " + error);
    }
    if (!output.commit()) {
        return fail(BAD_REQUEST, output.error());
    }
    return CAPTURED;
}

}  // namespace

int main(int argc, char** argv)
{
    const ParsedCommandLine parsed = parseCommandLine(argc - 1, argv + 1);
    switch (parsed.outcome) {
    case ParsedCommandLine::Outcome::Help:
        std::fputs(usage().c_str(), stdout);
        return std::fflush(stdout) == 0 ? CAPTURED : NO_DISPLAY_OR_GL;
    case ParsedCommandLine::Outcome::Error:
        return fail(BAD_REQUEST, parsed.error);
    case ParsedCommandLine::Outcome::Capture:
        break;
    }
    return capture(parsed.options);
}
