// Process entry: one window, the lasting lighting state, the callbacks,
// then GLUT's main loop for the rest of the process's life.
#include "app/callbacks.h"
#include "app/memory.h"
#include "render/gl.h"
#include "render/render.h"

#if defined(FREEGLUT)
#include <GL/freeglut_ext.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// freeglut's fatal errors (no display, no suitable visual, no context) come
// here instead of to its own print-and-exit. freeglut carries on after the
// handler returns, and would crash, so the handler ends the process itself.
void fatalGlutError(const char* format, va_list args)
{
    std::fputs("materials-lights: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    if (std::strncmp(format, "failed to open display", 22) == 0) {
        std::fputs("materials-lights: no X display to open the window on: DISPLAY (or GLUT's"
                   " -display option) must name a running X server.\n"
                   "materials-lights: run it from a desktop session or over \"ssh -X\"; with no"
                   " screen at all, on a virtual one:\n"
                   "  xvfb-run -a -s \"-screen 0 1280x1024x24\" materials-lights\n",
                   stderr);
    }
    std::exit(1);
}

}  // namespace
#endif

int main(int argc, char** argv)
{
    // First, so that even the first frames reuse the GL stack's freed buffers
    // instead of faulting fresh pages in from the kernel.
    keepFreedMemory();

#if defined(FREEGLUT)
    glutInitErrorFunc(fatalGlutError);
#endif
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(300, 300);
    glutInitWindowPosition(50, 50);
    glutCreateWindow("Materiels et lumieres OpenGL");

    initLighting();

    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKey);
    glutReshapeFunc(reshape);
    glutDisplayFunc(display);
    // No idle callback: the spin starts off.

    glutMainLoop();
    return 0;
}
