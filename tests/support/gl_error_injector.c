/* Makes one chosen frame of a GLUT program leave an OpenGL error, so that
   end-to-end tests can watch the program report it.

   Preloaded into the program (LD_PRELOAD), it stands in front of
   glutSwapBuffers, which the program calls once per frame. On frame
   ML_INJECT_GL_ERROR_FRAME (counting from 1) it first makes one call that
   OpenGL must reject, glEnable of a value that names no capability
   (GL_INVALID_ENUM, and no state changes), then swaps as usual: the frame's
   error query finds an error the program did not cause itself. Without the
   variable, or on every other frame, it only swaps. */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Not a capability in any OpenGL version. */
#define NOT_A_CAPABILITY 0x1234

void glutSwapBuffers(void);

void glutSwapBuffers(void)
{
    static void (*realSwapBuffers)(void);
    static long chosenFrame;
    static long frame;

    if (realSwapBuffers == NULL) {
        const char* chosen = getenv("ML_INJECT_GL_ERROR_FRAME");
        chosenFrame = chosen != NULL ? strtol(chosen, NULL, 10) : 0;
        /* ISO C has no cast from an object pointer to a function pointer. */
        void* symbol = dlsym(RTLD_NEXT, "glutSwapBuffers");
        if (symbol == NULL) {
            fprintf(stderr, "gl_error_injector: no glutSwapBuffers to stand in front of\n");
            abort();
        }
        memcpy(&realSwapBuffers, &symbol, sizeof symbol);
    }
    if (++frame == chosenFrame) {
        glEnable(NOT_A_CAPABILITY);
    }
    realSwapBuffers();
}
