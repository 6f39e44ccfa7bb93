// A frame's pixels as the explainer, the tools and the tests hold them, and
// what is known of one pixel of a frame the shader renderer drew.
#pragma once

#include <vector>

// Pixels in reading order: row 0 is the top of the picture.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // width * height * 3 bytes
};

// One pixel of a frame the shader renderer drew: the colour drawn there,
// the triangle its ID pass found under the pixel's centre, and, if they
// were read, the 8-bit colours the shader lit that triangle's corners A, B,
// C with (per-vertex shading).
struct PixelReading {
    int x = 0, y = 0;                // column and row, row 0 at the top
    int drawn[3] = {0, 0, 0};        // 0 to 255
    int triangle = -1;               // in drawing order; -1: nothing drawn there
    bool hasCornerColours = false;
    int cornerColours[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};  // 0 to 255
};
