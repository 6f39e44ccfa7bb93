// The demo's entry point in a web page: app/main.cpp's window, callbacks
// and main loop through Emscripten's GLUT, with the frame drawn by the
// shader renderer on WebGL 1, which has no fixed-function lighting.
#include "app/callbacks.h"
#include "render/gl.h"
#include "render/render.h"
#include "shading/shading.h"

#include <emscripten.h>

#include <cstdio>
#include <string>

namespace {

ShaderRenderer renderer;
unsigned framesDrawn = 0;

// Tells the page what went wrong (web/demo.html shows it in place of the
// canvas): `what` is "webgl" (no context) or "shader" (with the log).
EM_JS(void, tellPage, (const char* what, const char* details), {
    if (Module.onProblem) Module.onProblem(UTF8ToString(what), UTF8ToString(details));
});

void reportProblem(const char* what, const std::string& details)
{
    tellPage(what, details.c_str());
}

// app/main.cpp's display(), with the shader renderer's frame.
void displayFrame()
{
    std::string log;
    if (!renderer.draw(demoSceneState(viewer), log)) {
        reportProblem("shader", log);
    }
    glutSwapBuffers();
    ++framesDrawn;
    if (glGetError() != GL_NO_ERROR) {
        std::fputs("Erreur OpenGL\n", stdout);
        std::fflush(stdout);
    }
}

}  // namespace

// For the page's tests: the viewer state and the count of frames drawn, as
// JSON. Angles with nine significant digits read back as the same floats.
extern "C" EMSCRIPTEN_KEEPALIVE const char* ml_test_state()
{
    static char text[256];
    std::snprintf(text, sizeof text,
                  "{\"viewpoint\":%d,\"lightingMode\":%d,\"angleX\":%.9g,\"angleY\":%.9g,"
                  "\"angleZ\":%.9g,\"animating\":%d,\"windowWidth\":%d,\"windowHeight\":%d,"
                  "\"framesDrawn\":%u}",
                  viewer.viewpoint, viewer.lightingMode, static_cast<double>(viewer.angleX),
                  static_cast<double>(viewer.angleY), static_cast<double>(viewer.angleZ),
                  viewer.animating, viewer.windowWidth, viewer.windowHeight, framesDrawn);
    return text;
}

// A key of the demo pressed with one of the page's buttons: handed to the
// callbacks GLUT hands a key press to, so it does what the key does.
// `special` 0: a character, for keyboard(); else a GLUT special key code,
// for specialKey().
extern "C" EMSCRIPTEN_KEEPALIVE void ml_key(int key, int special)
{
    if (special != 0) {
        specialKey(key, 0, 0);
    } else {
        keyboard(static_cast<unsigned char>(key), 0, 0);
    }
}

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(300, 300);
    glutInitWindowPosition(50, 50);
    if (glutCreateWindow("Materiels et lumieres OpenGL") == 0) {
        reportProblem("webgl", "");
        return 1;
    }

    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKey);
    glutReshapeFunc(reshape);
    glutDisplayFunc(displayFrame);
    // No idle callback: the spin starts off.

    glutMainLoop();
    return 0;
}
