// The one include shim: OpenGL, GLU and GLUT headers live in different
// places on Linux/BSD (freeglut), macOS (GLUT framework) and Windows.
#pragma once

#if defined(__APPLE__)
#define GL_SILENCE_DEPRECATION
#include <GLUT/glut.h>
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#else
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
// OpenGL 1.2's names (the separate specular colour's), which Windows' gl.h,
// of OpenGL 1.1, leaves to glext.h.
#include <GL/glext.h>
#include <GL/glu.h>
// freeglut installs GL/glut.h where it replaces GLUT (Linux, the BSDs), but
// only GL/freeglut.h in its default Windows build (MSYS2, vcpkg, a cross
// build): take whichever is there.
#if defined(__has_include)
#if __has_include(<GL/glut.h>)
#include <GL/glut.h>
#elif __has_include(<GL/freeglut.h>)
#include <GL/freeglut.h>
#else
#error "no GLUT header: install freeglut (GL/glut.h or GL/freeglut.h)"
#endif
#else
#include <GL/glut.h>
#endif
#endif
