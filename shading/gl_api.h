// The GL entry points the shader renderer uses: OpenGL ES 2.0's, which a
// desktop OpenGL 2.0 context has as well, and which WebGL 1 is.
#pragma once

#if defined(__EMSCRIPTEN__)
#include <GLES2/gl2.h>
#else
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#endif
