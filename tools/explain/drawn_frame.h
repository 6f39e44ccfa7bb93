// One frame of the demo twice over: the pixels and depths the demo's own
// display() draws, and every triangle of it as OpenGL lit and projected it,
// read back through GL's feedback mode.
#pragma once

#include "model/lighting_model.h"
#include "options.h"
#include "png_file.h"

#include <string>
#include <vector>

// A corner of a triangle as GL hands it back after lighting, projection and
// clipping.
struct FeedbackVertex {
    double x, y;     // window position in pixels, y down from the top row
    double depth;    // window depth, 0 at the near plane, 1 at the far plane
    double w;        // clip w: the corner's distance in front of the eye
    Colour colour;   // the lit colour, each channel 0 to 1
    bool clipped;    // on the frame's border: made by clipping, not lit itself
};

struct FeedbackTriangle {
    FeedbackVertex corner[3];
};

struct DrawnFrame {
    StateOptions state;
    RgbImage image;                          // row 0 at the top
    std::vector<float> depth;                // likewise; 1 where nothing is drawn
    std::vector<FeedbackTriangle> triangles; // in drawing order, polygons cut into fans

    float depthAt(int x, int y) const
    {
        return depth[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                     static_cast<size_t>(x)];
    }
};

// The view the independent model needs for this frame's state.
View viewOf(const StateOptions& state);

// Draws `state` off screen, in the current GL context (openGlContext), once
// in feedback mode and once for real. Returns EXIT_DONE, or the exit status
// a failure calls for with one line in `error`.
int drawFrame(const StateOptions& state, DrawnFrame& frame, std::string& error);
