// What every tool that draws the demo's frames shares: a GL context made like the demo's, and the demo's state set from options.
#pragma once

#include "scene/state.h"
#include "tools/common/offscreen.h"
#include "tools/common/options.h"

#include <string>

// Opens the X display and a GL context on a tiny GLUT window made like the
// demo's (RGB, double buffer, depth), so the lasting GL state and the depth
// precision match; then runs initLighting(). Returns false with a message
// naming the problem when there is no display. GLUT's own fatal errors (no
// GLX, no visual) print one line and exit with EXIT_NO_DISPLAY_OR_GL.
bool openGlContext(const char* program, std::string& error);

// Done with the GL: the window, its context and GLUT's X connection go.
void closeGlContext();

// The exit status an off-screen target's failure calls for, or EXIT_DONE
// when it is ready to draw into.
int statusOf(const OffscreenTarget& target);

// Puts `viewer` in the state the options describe, as the keys would leave
// it, and sizes the frame as reshape() does for a window of that size.
void enterState(const StateOptions& state);

// The same for a whole scene state: `viewer` set to its view, the frame
// sized as reshape() sizes a window of its size.
void enterSceneState(const SceneState& state);
