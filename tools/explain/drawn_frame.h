// One frame drawn twice over: the pixels and depths the fixed-function
// pipeline draws, and every triangle of it as OpenGL lit and projected it,
// read back through GL's feedback mode; or a frame of the shader renderer
// with its ID pass, for the pixel readings the lab takes of its own frames.
// These need a GL context (openGlContext); what explains the frames does
// not (explanation.h).
#pragma once

#include "explain/explanation.h"
#include "tools/common/options.h"

#include <string>

// The view the independent model needs for this frame's state.
View viewOf(const StateOptions& state);

// The demo's state that the options describe.
SceneState sceneStateOf(const StateOptions& state);

// Draws the demo's frame of `state` off screen with the demo's own
// display(), in the current GL context, once in feedback mode and once for
// real. Returns EXIT_DONE, or the exit status a failure calls for with one
// line in `error`.
int drawFrame(const StateOptions& state, DrawnFrame& frame, std::string& error);

// The same for any state, drawn by drawFixedFunctionFrame (per-vertex
// shading only).
int drawFrame(const SceneState& state, DrawnFrame& frame, std::string& error);

// A frame of the shader renderer and its ID pass, both read back.
struct ShadedFrame {
    SceneState state;
    RgbImage image;  // row 0 at the top
    RgbImage ids;    // ShaderRenderer::drawTriangleIds's colours
    PixelReading probed;  // the triangle whose corners' colours were read, and them

    // What the lab reads at pixel (x, y): the colour and the triangle
    // there, and the corners' colours if they were read for that triangle.
    PixelReading readingAt(int x, int y) const;
};

// Draws `state` with the shader renderer off screen, then its ID pass;
// shading per vertex, then the colours the shader lights the corners of the
// triangle under pixel `probe` with (none for a pixel outside the frame).
// Returns EXIT_DONE, or the status a failure calls for (a shader that does
// not compile: EXIT_NO_DISPLAY_OR_GL, with the log) with one line in `error`.
struct PixelPlace {
    int x = -1, y = -1;
};
int drawShadedFrame(const SceneState& state, ShadedFrame& frame, std::string& error,
                    PixelPlace probe = {});
