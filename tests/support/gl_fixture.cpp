#include "tests/support/gl_fixture.h"

#include "render/gl.h"
#include "render/render.h"
#include "tests/support/xvfb.h"

#include <GL/freeglut_ext.h>
#include <GL/glx.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace {

std::unique_ptr<XvfbServer> server;
bool windowOpen = false;

}  // namespace

void pumpEvents()
{
    for (int i = 0; i < 20; ++i) {
        glutMainLoopEvent();
    }
}

void ensureGlWindow(const std::string& screen)
{
    if (windowOpen) {
        return;
    }
    const char* useDisplay = std::getenv("ML_TEST_USE_DISPLAY");
    if (useDisplay == nullptr || std::string(useDisplay) != "1") {
        server = std::make_unique<XvfbServer>(screen);
        setenv("DISPLAY", server->display().c_str(), 1);
    }
    int argc = 1;
    char name[] = "gl-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(300, 300);
    glutInitWindowPosition(50, 50);
    glutCreateWindow("Materiels et lumieres OpenGL");
    initLighting();
    glutReshapeFunc(reshape);
    glutDisplayFunc(display);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    windowOpen = true;
    // Map the window and take the first reshape.
    while (viewer.windowWidth != 300 || viewer.windowHeight != 300) {
        glutMainLoopEvent();
    }
    pumpEvents();
}

Image readWindow()
{
    // Read the window itself, as a screenshot would, through GLUT's own X
    // connection so the swap is ordered before the read. (Software GL has no
    // front buffer that glReadPixels could read after the swap.)
    glFinish();
    Display* dpy = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    XSync(dpy, False);
    XWindowAttributes attributes;
    XGetWindowAttributes(dpy, window, &attributes);
    XImage* ximage = XGetImage(dpy, window, 0, 0, static_cast<unsigned>(attributes.width),
                               static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (ximage == nullptr) {
        throw std::runtime_error("could not read the test window");
    }
    Image image = fromXImage(*ximage);
    XDestroyImage(ximage);
    return image;
}

DepthImage readDepth()
{
    DepthImage depth;
    depth.width = glutGet(GLUT_WINDOW_WIDTH);
    depth.height = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<float> bottomUp(static_cast<size_t>(depth.width) * depth.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, depth.width, depth.height, GL_DEPTH_COMPONENT, GL_FLOAT, bottomUp.data());
    depth.values.resize(bottomUp.size());
    for (int y = 0; y < depth.height; ++y) {
        std::copy_n(&bottomUp[static_cast<size_t>(depth.height - 1 - y) * depth.width],
                    depth.width, &depth.values[static_cast<size_t>(y) * depth.width]);
    }
    return depth;
}

void resizeGlWindow(int width, int height)
{
    if (viewer.windowWidth == width && viewer.windowHeight == height) {
        return;
    }
    // The X server answers asynchronously.
    glutReshapeWindow(width, height);
    for (int i = 0; i < 5000 && (viewer.windowWidth != width || viewer.windowHeight != height);
         ++i) {
        glutMainLoopEvent();
        usleep(1000);
    }
    if (viewer.windowWidth != width || viewer.windowHeight != height) {
        throw std::runtime_error("the test window did not take the requested size");
    }
}

Image renderFrame(const ViewerState& state, int width, int height)
{
    ensureGlWindow();
    resizeGlWindow(width, height);
    pumpEvents();
    const int w = viewer.windowWidth;
    const int h = viewer.windowHeight;
    viewer = state;
    viewer.windowWidth = w;
    viewer.windowHeight = h;
    display();
    return readWindow();
}

ViewerState stateAt(int viewpoint, int lightingMode, float angleX, float angleY, float angleZ)
{
    ViewerState state{};
    state.viewpoint = viewpoint;
    state.lightingMode = lightingMode;
    state.angleX = angleX;
    state.angleY = angleY;
    state.angleZ = angleZ;
    return state;
}
