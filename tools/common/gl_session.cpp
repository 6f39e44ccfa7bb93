#include "tools/common/gl_session.h"

#include "render/gl.h"
#include "render/render.h"
#include "scene/viewer.h"

#include <GL/freeglut_ext.h>
#include <X11/Xlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

const char* programName = "materials-lights-tool";

// freeglut's fatal errors (no GLX, no suitable visual, no context) come
// here instead of to its own message. freeglut would carry on after the
// handler returns, so the handler ends the process; a pending output file
// is removed by its exit-time clean-up.
void fatalGlutError(const char* format, va_list args)
{
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    std::fprintf(stderr, "%s: OpenGL through GLUT failed: %s\n", programName, message);
    std::exit(EXIT_NO_DISPLAY_OR_GL);
}

std::string noDisplayMessage()
{
    const char* display = std::getenv("DISPLAY");
    const std::string which = display == nullptr || *display == '\0'
                                  ? std::string("DISPLAY is not set")
                                  : "DISPLAY \"" + std::string(display) + "\" cannot be opened";
    return "no X display to draw on (" + which +
           "); headless, run it under xvfb-run -a -s \"-screen 0 1280x1024x24\" " + programName +
           " ...";
}

}  // namespace

bool openGlContext(const char* program, std::string& error)
{
    programName = program;
    // Checked here because freeglut, finding no display, prints its own
    // message and exits. The connection stays open until GLUT has its own:
    // an X server started without -noreset (xvfb-run's) resets when its
    // last client leaves, and refuses connections while it does.
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) {
        error = noDisplayMessage();
        return false;
    }
    int argc = 1;
    char name[64];
    std::snprintf(name, sizeof name, "%s", program);
    char* argv[] = {name, nullptr};
    glutInitErrorFunc(fatalGlutError);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1, 1);
    glutCreateWindow(name);
    XCloseDisplay(x);
    initLighting();
    return true;
}

void closeGlContext()
{
    glutDestroyWindow(glutGetWindow());
    glutExit();
}

int statusOf(const OffscreenTarget& target)
{
    switch (target.outcome()) {
    case OffscreenTarget::Outcome::Ready:
        return EXIT_DONE;
    case OffscreenTarget::Outcome::TooLarge:
        return EXIT_BAD_REQUEST;
    case OffscreenTarget::Outcome::Unsupported:
        break;
    }
    return EXIT_NO_DISPLAY_OR_GL;
}

void enterState(const StateOptions& state)
{
    viewer = ViewerState{};
    viewer.viewpoint = state.viewpoint;
    viewer.lightingMode = state.lightingMode;
    viewer.angleX = state.angleX;
    viewer.angleY = state.angleY;
    viewer.angleZ = state.angleZ;
    reshape(state.width, state.height);
}

void enterSceneState(const SceneState& state)
{
    viewer = state.view;
    viewer.animating = 0;
    reshape(state.view.windowWidth, state.view.windowHeight);
}
