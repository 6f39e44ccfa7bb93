// materials-lights-shaded: the demo with its frames drawn by the shader
// renderer instead of the fixed-function pipeline, and nothing else changed
// (window, keys, spin, the C heap's settings), so ml-spin-rate can run the
// two side by side:
//   ml-spin-rate --size 300x300 fixed=build/materials-lights shader=build/bench/materials-lights-shaded
#include "app/callbacks.h"
#include "app/memory.h"
#include "render/gl.h"
#include "render/render.h"
#include "shading/shading.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

ShaderRenderer* renderer = nullptr;

void displayShaded()
{
    std::string log;
    if (!renderer->draw(demoSceneState(viewer), log)) {
        std::fprintf(stderr, "materials-lights-shaded: %s\n", log.c_str());
        std::exit(1);
    }
    glFlush();
    glutSwapBuffers();
    if (glGetError() != GL_NO_ERROR) {
        std::fputs("Erreur OpenGL\n", stdout);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    keepFreedMemory();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(300, 300);
    glutInitWindowPosition(50, 50);
    glutCreateWindow("Materiels et lumieres OpenGL");

    static ShaderRenderer shader;
    renderer = &shader;
    std::string log;
    if (!shader.prepare(demoSceneState(viewer), log)) {
        std::fprintf(stderr, "materials-lights-shaded: %s\n", log.c_str());
        return 1;
    }
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKey);
    glutReshapeFunc(reshape);
    glutDisplayFunc(displayShaded);
    glutMainLoop();
    return 0;
}
