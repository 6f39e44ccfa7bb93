// Process entry: one window, the lasting lighting state, the callbacks,
// then GLUT's main loop for the rest of the process's life.
#include "app/viewer.h"
#include "render/gl.h"
#include "render/render.h"

int main(int argc, char** argv)
{
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
